// Colours, fonts, brushes, pens, canvases and pictures over GDI. Text goes
// through the ...A functions: the class library is 8-bit underneath.
#pragma once

#include "Classes.h"
#include "WinApi.h"

// The canvas method of that name, not the generic Win32 macro.
#undef TextOut

// Geometry as the Win32 structures hold it.
using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

// ---------------------------------------------------------------- colours

// An RGB value (0x00BBGGRR) or, with the top byte 0xFF, a system colour index.
using TColor = Integer;
// The property type of colours, which form files write as clXxx identifiers.
PTypeInfo TypeInfoTColor();

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor SysColor(int Index) { return clSystemColor | Index; }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(26);
constexpr TColor clGradientActiveCaption = SysColor(27);
constexpr TColor clGradientInactiveCaption = SysColor(28);
constexpr TColor clMenuHighlight = SysColor(29);
constexpr TColor clMenuBar = SysColor(30);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours resolved with GetSysColor; RGB values unchanged.
COLORREF ColorToRGB(TColor Color);
bool ColorToIdent(Integer Color, AnsiString& Ident);
bool IdentToColor(const AnsiString& Ident, Integer& Color);

// Character sets by their GDI identifiers (DEFAULT_CHARSET, ...).
using TFontCharset = Byte;
PTypeInfo TypeInfoTFontCharset();
bool CharsetToIdent(Integer Charset, AnsiString& Ident);
bool IdentToCharset(const AnsiString& Ident, Integer& Charset);

QEV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
QEV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// ------------------------------------------------------- graphics objects

// A font, brush or pen: a GDI object made on demand and dropped on change.
class TGraphicsObject : public TPersistent {
  QEV_CLASS(TGraphicsObject, TPersistent)
 public:
  ~TGraphicsObject() override;
  TNotifyEvent OnChange;

 protected:
  // The GDI object of the current values, made on first use.
  HGDIOBJ GdiHandle();
  virtual HGDIOBJ CreateGdiHandle() const = 0;
  // Tells OnChange first, so that canvases deselect the old object, then
  // deletes it (unless the change leaves the GDI object as it is).
  void Changed(bool HandleChanged = true);

 private:
  HGDIOBJ Handle_ = nullptr;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
QEV_ENUM_TYPEINFO(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut");
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
QEV_ENUM_TYPEINFO(TFontPitch, "fpDefault", "fpVariable", "fpFixed");

// The values every new font starts with; the Unicode layer sets the face.
struct TFontData {
  Integer Height;
  TFontPitch Pitch;
  TFontStyles Style;
  TFontCharset Charset;
  AnsiString Name;
};
extern TFontData DefFontData;
// Vertical pixels per inch of the screen, read at unit initialisation.
extern Integer ScreenLogPixels;

class TFont : public TGraphicsObject {
  QEV_CLASS(TFont, TGraphicsObject)
 public:
  TFont();
  void Assign(TPersistent* Source) override;

  HFONT Handle() { return static_cast<HFONT>(GdiHandle()); }
  TColor Color() const { return Color_; }
  void SetColor(TColor Value);
  Integer Height() const { return Data_.Height; }
  void SetHeight(Integer Value);
  // Points at PixelsPerInch; a negative height is the character height.
  Integer Size() const;
  void SetSize(Integer Value);
  const AnsiString& Name() const { return Data_.Name; }
  void SetName(const AnsiString& Value);
  TFontStyles Style() const { return Data_.Style; }
  void SetStyle(TFontStyles Value);
  TFontPitch Pitch() const { return Data_.Pitch; }
  void SetPitch(TFontPitch Value);
  TFontCharset Charset() const { return Data_.Charset; }
  void SetCharset(TFontCharset Value);
  Integer PixelsPerInch;

 protected:
  HGDIOBJ CreateGdiHandle() const override;

 private:
  TFontData Data_;
  TColor Color_ = clWindowText;
};

// Gives Font the system's font of the non-client metrics member Member (the
// menu font, the message font, ...); unchanged when the system does not say.
void AssignNonClientFont(TFont* Font, LOGFONTA NONCLIENTMETRICSA::*Member);

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                   bsDiagCross };
QEV_ENUM_TYPEINFO(TBrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                  "bsBDiagonal", "bsCross", "bsDiagCross");

class TBitmap;

class TBrush : public TGraphicsObject {
  QEV_CLASS(TBrush, TGraphicsObject)
 public:
  void Assign(TPersistent* Source) override;
  HBRUSH Handle() { return static_cast<HBRUSH>(GdiHandle()); }
  TColor Color() const { return Color_; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return Style_; }
  void SetStyle(TBrushStyle Value);
  // A pattern the brush paints with instead of its colour; not owned.
  TBitmap* Bitmap() const { return Bitmap_; }
  void SetBitmap(TBitmap* Value);

 protected:
  HGDIOBJ CreateGdiHandle() const override;

 private:
  TColor Color_ = clWhite;
  TBrushStyle Style_ = bsSolid;
  TBitmap* Bitmap_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
QEV_ENUM_TYPEINFO(TPenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                  "psInsideFrame");

class TPen : public TGraphicsObject {
  QEV_CLASS(TPen, TGraphicsObject)
 public:
  void Assign(TPersistent* Source) override;
  HPEN Handle() { return static_cast<HPEN>(GdiHandle()); }
  TColor Color() const { return Color_; }
  void SetColor(TColor Value);
  TPenStyle Style() const { return Style_; }
  void SetStyle(TPenStyle Value);
  Integer Width() const { return Width_; }
  void SetWidth(Integer Value);

 protected:
  HGDIOBJ CreateGdiHandle() const override;

 private:
  TColor Color_ = clBlack;
  TPenStyle Style_ = psSolid;
  Integer Width_ = 1;
};

// ----------------------------------------------------------------- canvas

class TGraphic;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;
using TCopyMode = LongWord;
constexpr TCopyMode cmSrcCopy = SRCCOPY;

TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom);

// Drawing on a device context. The base draws on a DC it is given (SetHandle);
// descendants make their own in CreateHandle.
class TCanvas : public TPersistent {
  QEV_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // Makes the handle (CreateHandle) and selects font, pen and brush as asked.
  void RequiredState(TCanvasState ReqState);
  HDC Handle();
  // Deselects the objects from the old DC; the canvas never owns a DC given here.
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return Handle_ != nullptr; }

  TFont* Font() const { return Font_; }
  void SetFont(TFont* Value) { Font_->Assign(Value); }
  TBrush* Brush() const { return Brush_; }
  void SetBrush(TBrush* Value) { Brush_->Assign(Value); }
  TPen* Pen() const { return Pen_; }
  void SetPen(TPen* Value) { Pen_->Assign(Value); }
  TCopyMode CopyMode = cmSrcCopy;

  void TextOut(Integer X, Integer Y, const AnsiString& Text);
  // Text clipped to Rect; the rectangle is filled when the brush is solid.
  void TextRect(const TRect& Rect, Integer X, Integer Y, const AnsiString& Text);
  TSize TextExtent(const AnsiString& Text);
  Integer TextWidth(const AnsiString& Text) { return TextExtent(Text).cx; }
  Integer TextHeight(const AnsiString& Text) { return TextExtent(Text).cy; }
  void FillRect(const TRect& Rect);
  void FrameRect(const TRect& Rect);
  void DrawFocusRect(const TRect& Rect);
  void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void MoveTo(Integer X, Integer Y);
  void LineTo(Integer X, Integer Y);
  TPoint PenPos();
  TColor Pixels(Integer X, Integer Y);
  void SetPixel(Integer X, Integer Y, TColor Value);
  void Draw(Integer X, Integer Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  // Copies Source's rectangle into Dest with CopyMode, stretching as needed.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

  // Serialises drawing from several threads; nests.
  void Lock();
  void Unlock();
  Integer LockCount() const { return LockCount_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle();  // the base cannot make one: EInvalidOperation
  virtual void Changed();
  virtual void Changing();
  TCanvasState State() const { return State_; }

 private:
  void ObjectChanged(TObject* Sender);
  void DeselectHandles();
  void SelectFont();
  void SelectPen();
  void SelectBrush();

  HDC Handle_ = nullptr;
  TCanvasState State_;
  TFont* Font_;
  TBrush* Brush_;
  TPen* Pen_;
  CRITICAL_SECTION Lock_;
  Integer LockCount_ = 0;
};

// Lends a canvas a device context for a scope and takes it back, also when
// drawing fails; the canvas stays locked meanwhile.
class TCanvasLease {
 public:
  TCanvasLease(TCanvas* Canvas, HDC DC) : Canvas_(Canvas) {
    Canvas_->Lock();
    Canvas_->SetHandle(DC);
  }
  ~TCanvasLease() {
    Canvas_->SetHandle(nullptr);
    Canvas_->Unlock();
  }
  TCanvasLease(const TCanvasLease&) = delete;
  TCanvasLease& operator=(const TCanvasLease&) = delete;

 private:
  TCanvas* Canvas_;
};

// ---------------------------------------------------------------- graphics

// A picture of some format. Forms stream a graphic property as "Data", the
// graphic's ReadData/WriteData stream.
class TGraphic : public TPersistent {
  QEV_CLASS(TGraphic, TPersistent)
 public:
  virtual bool Empty() const = 0;
  virtual Integer Width() const = 0;
  virtual void SetWidth(Integer Value) = 0;
  virtual Integer Height() const = 0;
  virtual void SetHeight(Integer Value) = 0;
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  void LoadFromFile(const AnsiString& FileName);
  void SaveToFile(const AnsiString& FileName);
  bool Transparent() const { return Transparent_; }
  virtual void SetTransparent(bool Value);
  bool Modified() const { return Modified_; }
  void SetModified(bool Value);

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  friend class TPicture;
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  virtual void Changed();
  void DefineProperties(TFiler* Filer) override;
  // The form-file data; the base is the stream format itself.
  virtual void ReadData(TStream* Stream) { LoadFromStream(Stream); }
  virtual void WriteData(TStream* Stream) { SaveToStream(Stream); }

 private:
  bool Transparent_ = false;
  bool Modified_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// A bitmap: a device-dependent bitmap (pfDevice) or a DIB section.
class TBitmap : public TGraphic {
  QEV_CLASS(TBitmap, TGraphic)
 public:
  ~TBitmap() override;
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return Handle_ == nullptr; }
  Integer Width() const override { return Width_; }
  void SetWidth(Integer Value) override { SetSize(Value, Height_); }
  Integer Height() const override { return Height_; }
  void SetHeight(Integer Value) override { SetSize(Width_, Value); }
  // Keeps the picture at the top left; new parts are white. A paletted
  // picture becomes 24-bit.
  void SetSize(Integer AWidth, Integer AHeight);
  TPixelFormat PixelFormat() const { return Format_; }
  // pfDevice, pf24bit and pf32bit can be chosen; the picture is kept.
  void SetPixelFormat(TPixelFormat Value);
  TBitmapHandleType HandleType() const { return Bits_ ? bmDIB : bmDDB; }

  // A BMP file, or a packed DIB in a resource of type RT_BITMAP.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromResourceName(THandle Instance, const AnsiString& ResName);
  void LoadFromResourceID(THandle Instance, Integer ResID);

  TCanvas* Canvas();
  HBITMAP Handle();
  // Takes ownership of Value.
  void SetHandle(HBITMAP Value);
  // A row of a DIB section's pixels, the top row 0 (EInvalidGraphicOperation
  // for a DDB).
  void* ScanLine(Integer Row);

  // tmAuto: the bottom-left pixel's colour.
  TColor TransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode = tmAuto;

 protected:
  friend class TBitmapCanvas;
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  // A 4-byte size and the BMP file, as form files hold bitmaps.
  void ReadData(TStream* Stream) override;
  void WriteData(TStream* Stream) override;

 private:
  void ReadDIB(TStream* Stream, Int64 BitsOffset);
  void Replace(HBITMAP Value);
  void FreeContext();
  void CanvasChanged(TObject* Sender);
  // A new bitmap holding this one's picture at the top left, white elsewhere.
  HBITMAP Resized(Integer AWidth, Integer AHeight, TPixelFormat Format);
  TPixelFormat CopyFormat() const;

  HBITMAP Handle_ = nullptr;
  void* Bits_ = nullptr;  // pixels of a DIB section
  Integer Width_ = 0;
  Integer Height_ = 0;
  TPixelFormat Format_ = pfDevice;
  TColor TransparentColor_ = clDefault;
  TBitmapCanvas* Canvas_ = nullptr;
};

// An icon: the handle and the file it was read from.
class TIcon : public TGraphic {
  QEV_CLASS(TIcon, TGraphic)
 public:
  ~TIcon() override;
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return Handle_ == nullptr; }
  Integer Width() const override { return Width_; }
  void SetWidth(Integer Value) override;
  Integer Height() const override { return Height_; }
  void SetHeight(Integer Value) override;
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  HICON Handle() const { return Handle_; }
  // Takes ownership of Value; such an icon cannot be saved.
  void SetHandle(HICON Value);

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  void Replace(HICON Value, const AnsiString& Data);
  HICON Handle_ = nullptr;
  AnsiString Data_;  // the .ico file
  Integer Width_ = 0;
  Integer Height_ = 0;
};

// A graphic of any registered format. Forms write it as "Data": the class
// name as a short string, then the graphic's form-file data.
class TPicture : public TPersistent {
  QEV_CLASS(TPicture, TPersistent)
 public:
  ~TPicture() override;
  // From a picture or a graphic (copied into a new graphic of its class);
  // nullptr empties the picture.
  void Assign(TPersistent* Source) override;

  TGraphic* Graphic() const { return Graphic_; }
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap, replacing a graphic of another kind.
  TBitmap* Bitmap();
  TIcon* Icon();
  Integer Width() const { return Graphic_ ? Graphic_->Width() : 0; }
  Integer Height() const { return Graphic_ ? Graphic_->Height() : 0; }

  // By the extension's registered format; EInvalidGraphic when unknown.
  void LoadFromFile(const AnsiString& FileName);
  void SaveToFile(const AnsiString& FileName);

  // Extension without the dot; a later registration of it wins.
  static void RegisterFileFormat(const AnsiString& Extension, const AnsiString& Description,
                                 const TClass* GraphicClass);
  static void UnregisterGraphicClass(const TClass* GraphicClass);

  TNotifyEvent OnChange;

 protected:
  void AssignTo(TPersistent* Dest) override;
  void DefineProperties(TFiler* Filer) override;
  virtual void Changed(TObject* Sender);

 private:
  template <typename T>
  T* ForceGraphic();
  void Replace(TGraphic* Value);
  void ReadData(TStream* Stream);
  void WriteData(TStream* Stream);
  TGraphic* Graphic_ = nullptr;
};

// An 8 x 8 checkered pattern of the two colours for brushes (BkColor at the
// top left); the unit keeps one per pair until finalisation.
TBitmap* AllocPatternBitmap(TColor BkColor, TColor FgColor);

void Initialization_Graphics();
void Finalization_Graphics();
