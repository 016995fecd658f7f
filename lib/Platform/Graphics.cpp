#include "Graphics.h"

#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "GraphicsImpl.h"

QEV_RESOURCESTRING(Graphics, SNoCanvasHandle, L"Canvas does not allow drawing");
QEV_RESOURCESTRING(Graphics, SOutOfResources, L"Out of system resources");
QEV_RESOURCESTRING(Graphics, SVBitmaps, L"Bitmaps");
QEV_RESOURCESTRING(Graphics, SVIcons, L"Icons");

namespace {

const TIdentMapEntry Colors[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clActiveBorder, "clActiveBorder"}, {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"}, {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"}, {clCaptionText, "clCaptionText"},
    {clGrayText, "clGrayText"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"}, {clInfoText, "clInfoText"}, {clMenu, "clMenu"},
    {clMenuText, "clMenuText"}, {clScrollBar, "clScrollBar"}, {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"}, {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuBar, "clMenuBar"}, {clNone, "clNone"},
    {clDefault, "clDefault"}};

const TIdentMapEntry Charsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"}, {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"}, {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"}, {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"}, {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"}, {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"}, {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"}, {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"}, {THAI_CHARSET, "THAI_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"}, {OEM_CHARSET, "OEM_CHARSET"}};

}  // namespace

// ---------------------------------------------------------------- colours

PTypeInfo TypeInfoTColor() {
  static const TTypeInfo Info{tkInteger, "TColor"};
  return &Info;
}

PTypeInfo TypeInfoTFontCharset() {
  static const TTypeInfo Info{tkInteger, "TFontCharset"};
  return &Info;
}

COLORREF ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color);
}

bool ColorToIdent(Integer Color, AnsiString& Ident) {
  return IntToIdent(Color, Ident, Colors, static_cast<Integer>(std::size(Colors)));
}

bool IdentToColor(const AnsiString& Ident, Integer& Color) {
  return IdentToInt(Ident, Color, Colors, static_cast<Integer>(std::size(Colors)));
}

bool CharsetToIdent(Integer Charset, AnsiString& Ident) {
  return IntToIdent(Charset, Ident, Charsets, static_cast<Integer>(std::size(Charsets)));
}

bool IdentToCharset(const AnsiString& Ident, Integer& Charset) {
  return IdentToInt(Ident, Charset, Charsets, static_cast<Integer>(std::size(Charsets)));
}

TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  return TRect{Left, Top, Right, Bottom};
}

// ------------------------------------------------------- graphics objects

QEV_DEFINE_CLASS(TGraphicsObject)

TGraphicsObject::~TGraphicsObject() {
  if (Handle_) DeleteObject(Handle_);
}

HGDIOBJ TGraphicsObject::GdiHandle() {
  if (!Handle_) Handle_ = GdiCheck(CreateGdiHandle());
  return Handle_;
}

void TGraphicsObject::Changed(bool HandleChanged) {
  // The old handle goes after the listeners heard of the change.
  TGdiObjectOwner old(HandleChanged ? std::exchange(Handle_, nullptr) : nullptr);
  if (OnChange) OnChange(this);
}

TFontData DefFontData{0, fpDefault, {}, DEFAULT_CHARSET, "MS Sans Serif"};
Integer ScreenLogPixels = 96;

QEV_DEFINE_CLASS(TFont,
                 QEV_PROPERTY(Charset, Charset, SetCharset).Type(TypeInfoTFontCharset()),
                 QEV_PROPERTY(Color, Color, SetColor).Type(TypeInfoTColor()),
                 QEV_PROPERTY(Height, Height, SetHeight),
                 QEV_PROPERTY(Name, Name, SetName),
                 QEV_PROPERTY(Pitch, Pitch, SetPitch).Default(fpDefault),
                 QEV_PROPERTY(Size, Size, SetSize).NotStored(),
                 QEV_PROPERTY(Style, Style, SetStyle).Default(TFontStyles{}))

TFont::TFont() : PixelsPerInch(ScreenLogPixels), Data_(DefFontData) {}

void TFont::Assign(TPersistent* Source) {
  auto* font = dynamic_cast<TFont*>(Source);
  if (!font) return TGraphicsObject::Assign(Source);
  Data_ = font->Data_;
  if (PixelsPerInch != font->PixelsPerInch) Data_.Height = -MulDiv(font->Size(), PixelsPerInch, 72);
  Color_ = font->Color_;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Color_ == Value) return;
  Color_ = Value;
  Changed(false);
}

void TFont::SetHeight(Integer Value) {
  if (Data_.Height == Value) return;
  Data_.Height = Value;
  Changed();
}

Integer TFont::Size() const { return -MulDiv(Data_.Height, 72, PixelsPerInch); }

void TFont::SetSize(Integer Value) { SetHeight(-MulDiv(Value, PixelsPerInch, 72)); }

void TFont::SetName(const AnsiString& Value) {
  if (Value.empty() || Data_.Name == Value) return;
  Data_.Name = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Data_.Style == Value) return;
  Data_.Style = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Data_.Pitch == Value) return;
  Data_.Pitch = Value;
  Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (Data_.Charset == Value) return;
  Data_.Charset = Value;
  Changed();
}

HGDIOBJ TFont::CreateGdiHandle() const {
  LOGFONTA lf{};
  lf.lfHeight = Data_.Height;
  lf.lfWeight = Data_.Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Data_.Style.Contains(fsItalic);
  lf.lfUnderline = Data_.Style.Contains(fsUnderline);
  lf.lfStrikeOut = Data_.Style.Contains(fsStrikeOut);
  lf.lfCharSet = Data_.Charset;
  const AnsiString& face = SameText(Data_.Name, "Default") ? DefFontData.Name : Data_.Name;
  face.copy(lf.lfFaceName, sizeof lf.lfFaceName - 1);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = Data_.Pitch == fpVariable ? VARIABLE_PITCH
                        : Data_.Pitch == fpFixed  ? FIXED_PITCH
                                                  : DEFAULT_PITCH;
  return CreateFontIndirectA(&lf);
}

QEV_DEFINE_CLASS(TBrush,
                 QEV_PROPERTY(Color, Color, SetColor).Type(TypeInfoTColor()).Default(clWhite),
                 QEV_PROPERTY(Style, Style, SetStyle).Default(bsSolid))

void TBrush::Assign(TPersistent* Source) {
  auto* brush = dynamic_cast<TBrush*>(Source);
  if (!brush) return TGraphicsObject::Assign(Source);
  Color_ = brush->Color_;
  Style_ = brush->Style_;
  Bitmap_ = brush->Bitmap_;
  Changed();
}

void TBrush::SetColor(TColor Value) {
  if (Color_ == Value) return;
  Color_ = Value;
  if (Style_ == bsClear) Style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Style_ == Value) return;
  Style_ = Value;
  Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
  Bitmap_ = Value;
  Changed();
}

HGDIOBJ TBrush::CreateGdiHandle() const {
  if (Bitmap_ && !Bitmap_->Empty()) return CreatePatternBrush(Bitmap_->Handle());
  LOGBRUSH lb{};
  lb.lbColor = ColorToRGB(Color_);
  if (Style_ == bsSolid) {
    lb.lbStyle = BS_SOLID;
  } else if (Style_ == bsClear) {
    lb.lbStyle = BS_HOLLOW;
  } else {
    lb.lbStyle = BS_HATCHED;
    lb.lbHatch = static_cast<ULONG_PTR>(HS_HORIZONTAL + (Style_ - bsHorizontal));
  }
  return CreateBrushIndirect(&lb);
}

QEV_DEFINE_CLASS(TPen,
                 QEV_PROPERTY(Color, Color, SetColor).Type(TypeInfoTColor()).Default(clBlack),
                 QEV_PROPERTY(Style, Style, SetStyle).Default(psSolid),
                 QEV_PROPERTY(Width, Width, SetWidth).Default(1))

void TPen::Assign(TPersistent* Source) {
  auto* pen = dynamic_cast<TPen*>(Source);
  if (!pen) return TGraphicsObject::Assign(Source);
  Color_ = pen->Color_;
  Style_ = pen->Style_;
  Width_ = pen->Width_;
  Changed();
}

void TPen::SetColor(TColor Value) {
  if (Color_ == Value) return;
  Color_ = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Style_ == Value) return;
  Style_ = Value;
  Changed();
}

void TPen::SetWidth(Integer Value) {
  if (Width_ == Value || Value < 0) return;
  Width_ = Value;
  Changed();
}

// The enumeration follows the PS_ values.
HGDIOBJ TPen::CreateGdiHandle() const { return CreatePen(Style_, Width_, ColorToRGB(Color_)); }

// ----------------------------------------------------------------- canvas

QEV_DEFINE_CLASS(TCanvas)

TCanvas::TCanvas() : Font_(new TFont), Brush_(new TBrush), Pen_(new TPen) {
  InitializeCriticalSection(&Lock_);
  Font_->OnChange = TNotifyEvent::Bind<&TCanvas::ObjectChanged>(this);
  Brush_->OnChange = TNotifyEvent::Bind<&TCanvas::ObjectChanged>(this);
  Pen_->OnChange = TNotifyEvent::Bind<&TCanvas::ObjectChanged>(this);
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  delete Font_;
  delete Brush_;
  delete Pen_;
  DeleteCriticalSection(&Lock_);
}

void TCanvas::RequiredState(TCanvasState ReqState) {
  TCanvasState needed = ReqState - State_;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!Handle_) throw EInvalidGraphicOperation(SNoCanvasHandle);
  }
  if (needed.Contains(csFontValid)) SelectFont();
  if (needed.Contains(csPenValid)) SelectPen();
  if (needed.Contains(csBrushValid)) SelectBrush();
}

HDC TCanvas::Handle() {
  RequiredState({csHandleValid});
  return Handle_;
}

void TCanvas::SetHandle(HDC Value) {
  if (Handle_ == Value) return;
  if (Handle_) {
    DeselectHandles();
    Handle_ = nullptr;
    State_.Exclude(csHandleValid);
  }
  if (Value) {
    Handle_ = Value;
    State_.Include(csHandleValid);
  }
}

void TCanvas::CreateHandle() {}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

// A changed object is put out of the DC before its old GDI object goes.
void TCanvas::ObjectChanged(TObject* Sender) {
  if (!Handle_) return;
  if (Sender == Font_ && State_.Contains(csFontValid)) {
    SelectObject(Handle_, GetStockObject(SYSTEM_FONT));
    State_.Exclude(csFontValid);
  } else if (Sender == Pen_ && State_.Contains(csPenValid)) {
    SelectObject(Handle_, GetStockObject(BLACK_PEN));
    State_.Exclude(csPenValid);
  } else if (Sender == Brush_ && State_.Contains(csBrushValid)) {
    SelectObject(Handle_, GetStockObject(HOLLOW_BRUSH));
    State_.Exclude(csBrushValid);
  }
}

void TCanvas::DeselectHandles() {
  if ((State_ * TCanvasState{csFontValid, csPenValid, csBrushValid}).Empty()) return;
  SelectObject(Handle_, GetStockObject(SYSTEM_FONT));
  SelectObject(Handle_, GetStockObject(BLACK_PEN));
  SelectObject(Handle_, GetStockObject(HOLLOW_BRUSH));
  State_ = State_ - TCanvasState{csFontValid, csPenValid, csBrushValid};
}

void TCanvas::SelectFont() {
  SelectObject(Handle_, Font_->Handle());
  SetTextColor(Handle_, ColorToRGB(Font_->Color()));
  State_.Include(csFontValid);
}

void TCanvas::SelectPen() {
  SelectObject(Handle_, Pen_->Handle());
  State_.Include(csPenValid);
}

void TCanvas::SelectBrush() {
  HBRUSH brush = Brush_->Handle();
  UnrealizeObject(brush);
  SelectObject(Handle_, brush);
  if (Brush_->Style() == bsSolid) {
    SetBkColor(Handle_, ColorToRGB(Brush_->Color()));
    SetBkMode(Handle_, OPAQUE);
  } else {
    SetBkColor(Handle_, ~ColorToRGB(Brush_->Color()) & 0xFFFFFF);
    SetBkMode(Handle_, TRANSPARENT);
  }
  State_.Include(csBrushValid);
}

void TCanvas::TextOut(Integer X, Integer Y, const AnsiString& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ExtTextOutA(Handle_, X, Y, 0, nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  MoveToEx(Handle_, X + TextWidth(Text), Y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& Rect, Integer X, Integer Y, const AnsiString& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED | (Brush_->Style() != bsClear ? ETO_OPAQUE : 0);
  ExtTextOutA(Handle_, X, Y, options, &Rect, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const AnsiString& Text) {
  RequiredState({csHandleValid, csFontValid});
  TSize size{0, 0};
  GetTextExtentPoint32A(Handle_, Text.data(), static_cast<int>(Text.size()), &size);
  return size;
}

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FillRect(Handle_, &Rect, Brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FrameRect(Handle_, &Rect, Brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::DrawFocusRect(Handle_, &Rect);
  Changed();
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(Handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::MoveTo(Integer X, Integer Y) {
  RequiredState({csHandleValid});
  MoveToEx(Handle_, X, Y, nullptr);
}

void TCanvas::LineTo(Integer X, Integer Y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::LineTo(Handle_, X, Y);
  Changed();
}

TPoint TCanvas::PenPos() {
  RequiredState({csHandleValid});
  TPoint pos{0, 0};
  GetCurrentPositionEx(Handle_, &pos);
  return pos;
}

TColor TCanvas::Pixels(Integer X, Integer Y) {
  RequiredState({csHandleValid});
  return static_cast<TColor>(GetPixel(Handle_, X, Y));
}

void TCanvas::SetPixel(Integer X, Integer Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  ::SetPixel(Handle_, X, Y, ColorToRGB(Value));
  Changed();
}

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  StretchDraw(::Rect(X, Y, X + Graphic->Width(), Y + Graphic->Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  Canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  StretchBlt(Handle_, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top,
             Canvas->Handle_, Source.left, Source.top, Source.right - Source.left,
             Source.bottom - Source.top, CopyMode);
  Changed();
}

void TCanvas::Lock() {
  EnterCriticalSection(&Lock_);
  ++LockCount_;
}

void TCanvas::Unlock() {
  --LockCount_;
  LeaveCriticalSection(&Lock_);
}

// ---------------------------------------------------------------- graphics

QEV_DEFINE_CLASS(TGraphic)

void TGraphic::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TGraphic::SetTransparent(bool Value) {
  if (Transparent_ == Value) return;
  Transparent_ = Value;
  Changed();
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed();
  else
    Modified_ = false;
}

void TGraphic::Changed() {
  Modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::DefineProperties(TFiler* Filer) {
  Filer->DefineBinaryProperty("Data", TStreamProc::Bind<&TGraphic::ReadData>(this),
                              TStreamProc::Bind<&TGraphic::WriteData>(this), !Empty());
}

// --------------------------------------------------------------- patterns

namespace {

struct TPattern {
  TColor BkColor, FgColor;
  std::unique_ptr<TBitmap> Bitmap;
};
std::vector<TPattern> Patterns;

}  // namespace

TBitmap* AllocPatternBitmap(TColor BkColor, TColor FgColor) {
  for (const TPattern& p : Patterns)
    if (p.BkColor == BkColor && p.FgColor == FgColor) return p.Bitmap.get();
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(8, 8);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(BkColor);
  canvas->FillRect(Rect(0, 0, 8, 8));
  for (Integer y = 0; y < 8; ++y)
    for (Integer x = 0; x < 8; ++x)
      if (x % 2 != y % 2) canvas->SetPixel(x, y, FgColor);
  Patterns.push_back({BkColor, FgColor, std::move(bitmap)});
  return Patterns.back().Bitmap.get();
}

// ---------------------------------------------------------------- the unit

void Initialization_Graphics() {
  {
    TScreenDC screen;
    GdiCheck(screen.Handle());
    ScreenLogPixels = GetDeviceCaps(screen, LOGPIXELSY);
  }
  DefFontData.Height = -MulDiv(8, ScreenLogPixels, 72);
  RegisterIntegerConsts(TypeInfoTColor(), IdentToColor, ColorToIdent);
  RegisterIntegerConsts(TypeInfoTFontCharset(), IdentToCharset, CharsetToIdent);
  RegisterClasses({TFont::StaticClass(), TBrush::StaticClass(), TPen::StaticClass(),
                   TPicture::StaticClass(), TBitmap::StaticClass(), TIcon::StaticClass()});
  TPicture::RegisterFileFormat("bmp", WideToAnsi(LoadResString(SVBitmaps)), TBitmap::StaticClass());
  TPicture::RegisterFileFormat("ico", WideToAnsi(LoadResString(SVIcons)), TIcon::StaticClass());
}

void Finalization_Graphics() {
  Patterns.clear();
  TPicture::UnregisterGraphicClass(TBitmap::StaticClass());
  TPicture::UnregisterGraphicClass(TIcon::StaticClass());
}

void AssignNonClientFont(TFont* Font, LOGFONTA NONCLIENTMETRICSA::*Member) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return;
  const LOGFONTA& font = metrics.*Member;
  Font->SetName(font.lfFaceName);
  Font->SetHeight(font.lfHeight);
  Font->SetCharset(font.lfCharSet);
  TFontStyles style;
  if (font.lfWeight >= FW_BOLD) style.Include(fsBold);
  if (font.lfItalic) style.Include(fsItalic);
  if (font.lfUnderline) style.Include(fsUnderline);
  if (font.lfStrikeOut) style.Include(fsStrikeOut);
  Font->SetStyle(style);
}
