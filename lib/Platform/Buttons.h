// Picture buttons: the window-less speed button and the owner-drawn bit
// button, both drawing a glyph from a bitmap beside their caption.
#pragma once

#include <memory>

#include "Controls.h"
#include "ImgList.h"
#include "StdCtrls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
QEV_ENUM_TYPEINFO(TButtonLayout, "blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom");
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = Integer;  // 1 to 4 pictures side by side in the glyph bitmap

// ---------------------------------------------------------------- layout

// Where a button draws its glyph (top left) and its caption.
struct TButtonPlacement {
  TPoint GlyphPos;
  TRect TextBounds;
};

// Places a glyph of GlyphSize and a caption of TextSize in Client, moved by
// Offset. Margin -1 centres the pair, Spacing -1 centres the caption in what
// the glyph leaves; a missing glyph or caption takes no spacing.
// RightToLeft swaps the left and right layouts.
TButtonPlacement PlaceGlyphAndText(const TRect& Client, const TPoint& Offset, TSize GlyphSize,
                                   TSize TextSize, TButtonLayout Layout, Integer Margin,
                                   Integer Spacing, bool RightToLeft);
// The rectangle a caption is measured in beside a glyph of GlyphSize.
TRect ButtonTextMeasureRect(const TRect& Client, TSize GlyphSize);

// Draws a caption in State with DrawAt(Bounds): a disabled one embossed
// (button highlight one pixel down and right, then button shadow).
template <class DrawFn>
void DrawButtonStateText(TCanvas* Canvas, const TRect& Bounds, TButtonState State, DrawFn DrawAt) {
  Canvas->Brush()->SetStyle(bsClear);
  if (State == bsDisabled) {
    const TColor ink = Canvas->Font()->Color();
    Canvas->Font()->SetColor(clBtnHighlight);
    DrawAt(Rect(Bounds.left + 1, Bounds.top + 1, Bounds.right + 1, Bounds.bottom + 1));
    Canvas->Font()->SetColor(clBtnShadow);
    DrawAt(Bounds);
    Canvas->Font()->SetColor(ink);
  } else {
    DrawAt(Bounds);
  }
}

// ----------------------------------------------------------- glyph object

// A button's glyph bitmap and the image list of its pictures per state.
class TButtonGlyph {
 public:
  TButtonGlyph();
  ~TButtonGlyph();
  TButtonGlyph(const TButtonGlyph&) = delete;
  TButtonGlyph& operator=(const TButtonGlyph&) = delete;

  TBitmap* Glyph() const { return Glyph_; }
  void SetGlyph(TBitmap* Value) { Glyph_->Assign(Value); }
  bool HasGlyph() const { return !Glyph_->Empty(); }
  TNumGlyphs NumGlyphs() const { return NumGlyphs_; }
  void SetNumGlyphs(TNumGlyphs Value);
  // The size of one picture; (0, 0) without a bitmap.
  TSize GlyphSize() const;

  // The pictures made so far; nullptr until the first.
  TCustomImageList* GlyphList() const { return GlyphList_; }
  // The picture of State in GlyphList, -1 while it is not made. A down state
  // with fewer than 3 pictures shows the up one.
  Integer ImageIndex(TButtonState State) const;
  // Makes the pictures of every state straight from the bitmap.
  void BuildGlyphList();
  // The index of State's picture, made when missing (-1 without a bitmap).
  Integer CreateButtonGlyph(TButtonState State);

  // State's picture at Pos; transparent, or over the button face.
  void DrawGlyph(TCanvas* Canvas, const TPoint& Pos, TButtonState State, bool Transparent);
  // Glyph and 8-bit Caption laid out in Client; returns the caption's bounds.
  TRect Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const AnsiString& Caption,
             TButtonLayout Layout, Integer Margin, Integer Spacing, TButtonState State,
             bool Transparent, UINT BiDiFlags, bool WordWrap);

  // The bitmap or the number of pictures changed.
  TNotifyEvent OnChange;

 private:
  void GlyphChanged(TObject* Sender);
  void ClearList();
  // State's picture as a bitmap whose transparent colour is that of Glyph.
  TBitmap* StateImage(TButtonState State);

  TBitmap* Glyph_;
  TNumGlyphs NumGlyphs_ = 1;
  TCustomImageList* GlyphList_ = nullptr;
  Integer Indexes_[4] = {-1, -1, -1, -1};
};

// The glyph, caption and layout properties both buttons share.
#define QEV_GLYPH_BUTTON_ACCESSORS                                                  \
  TBitmap* Glyph() const { return Glyph_.Glyph(); }                                 \
  void SetGlyph(TBitmap* Value) { Glyph_.SetGlyph(Value); }                         \
  bool HasGlyph() const { return Glyph_.HasGlyph(); }                               \
  TNumGlyphs NumGlyphs() const { return Glyph_.NumGlyphs(); }                       \
  void SetNumGlyphs(TNumGlyphs Value) { Glyph_.SetNumGlyphs(Value); }               \
  TButtonLayout Layout() const { return Layout_; }                                  \
  void SetLayout(TButtonLayout Value) { SetLayoutValue(Layout_, Value); }           \
  Integer Margin() const { return Margin_; }                                        \
  void SetMargin(Integer Value) { SetLayoutValue(Margin_, Value); }                 \
  Integer Spacing() const { return Spacing_; }                                      \
  void SetSpacing(Integer Value) { SetLayoutValue(Spacing_, Value); }               \
  TButtonGlyph* GlyphObject() { return &Glyph_; }

// -------------------------------------------------------------- speed button

// A window-less button that can stay down, alone or as one of a group.
class TSpeedButton : public TGraphicControl {
  QEV_CLASS(TSpeedButton, TGraphicControl)
 public:
  explicit TSpeedButton(TComponent* AOwner);
  QEV_GLYPH_BUTTON_ACCESSORS

  // Buttons of one parent with the same GroupIndex (not 0) are down one at a time.
  Integer GroupIndex() const { return GroupIndex_; }
  void SetGroupIndex(Integer Value);
  bool Down() const { return Down_; }
  void SetDown(bool Value);
  // A grouped button that is down goes up when clicked again.
  bool AllowAllUp() const { return AllowAllUp_; }
  void SetAllowAllUp(bool Value) { AllowAllUp_ = Value; }
  bool Flat() const { return Flat_; }
  void SetFlat(bool Value) { SetLayoutValue(Flat_, Value); }
  bool Transparent() const { return Transparent_; }
  void SetTransparent(bool Value) { SetLayoutValue(Transparent_, Value); }
  TButtonState State() const { return State_; }
  bool MouseInControl() const { return MouseInControl_; }

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  TControlActionLinkClass GetActionLinkClass() override;
  // The state to draw: disabled, or the up state of a button pushed while
  // disabled (exclusive when it is down in a group).
  TButtonState PaintState();
  // The button's frame in State; returns the rectangle left for glyph and
  // caption and the offset of a pushed face.
  TRect DrawFrame(TButtonState State, TPoint& Offset);
  // The parent's background where the button stands, drawn into DC (the
  // button's top left at its origin).
  void EraseThroughParent(HDC DC);

 private:
  template <class T>
  void SetLayoutValue(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  void GlyphChanged(TObject*) { Invalidate(); }
  void PressedInGroup();
  void WMLButtonDown(TMessage& Message);
  void WMMouseMove(TMessage& Message);
  void WMLButtonUp(TMessage& Message);

  TButtonGlyph Glyph_;
  TButtonLayout Layout_ = blGlyphLeft;
  Integer Margin_ = -1;
  Integer Spacing_ = 4;
  Integer GroupIndex_ = 0;
  bool Down_ = false;
  bool AllowAllUp_ = false;
  bool Flat_ = false;
  bool Transparent_ = true;
  bool Dragging_ = false;
  bool MouseInControl_ = false;
  TButtonState State_ = bsUp;
};

// The link of speed buttons, which also follow the action's Checked (Down).
class TSpeedButtonActionLink : public TControlActionLink {
 public:
  using TControlActionLink::TControlActionLink;
  static TControlActionLink* Make(TControl* Client);
  const char* ClassName() const override { return "TSpeedButtonActionLink"; }
  bool IsCheckedLinked() override;

 protected:
  void SetChecked(bool Value) override;

 private:
  TSpeedButton* Button() const { return static_cast<TSpeedButton*>(Client_); }
};

// ---------------------------------------------------------------- bit button

// A push button that draws itself: a glyph beside the caption.
class TBitBtn : public TButton {
  QEV_CLASS(TBitBtn, TButton)
 public:
  explicit TBitBtn(TComponent* AOwner);
  QEV_GLYPH_BUTTON_ACCESSORS
  bool WordWrap() const { return WordWrap_; }
  void SetWordWrap(bool Value) { SetLayoutValue(WordWrap_, Value); }

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  // The platform's drawing of an owner-draw request.
  void DrawItem(const DRAWITEMSTRUCT& Item);
  // Draws the push-button frame of Item; returns the rectangle left for
  // glyph and caption. Focused: the button shows the default frame.
  TRect DrawItemFrame(TCanvas* Canvas, const DRAWITEMSTRUCT& Item, bool Focused);
  // The focus rectangle of a focused button that shows the default frame.
  void DrawItemFocus(TCanvas* Canvas, const DRAWITEMSTRUCT& Item, bool Focused);
  // The focus rectangle at Rect.
  static void DrawFocusFrame(TCanvas* Canvas, const TRect& Rect);
  // Whether the frame shows the default (thick) border.
  bool ShowsDefault() { return Focused() || Default(); }
  TCanvas* Canvas() const { return Canvas_.get(); }

 private:
  template <class T>
  void SetLayoutValue(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  void GlyphChanged(TObject*) { Invalidate(); }

  std::unique_ptr<TCanvas> Canvas_;
  TButtonGlyph Glyph_;
  TButtonLayout Layout_ = blGlyphLeft;
  Integer Margin_ = -1;
  Integer Spacing_ = 4;
  bool WordWrap_ = false;
};

void Initialization_Buttons();  // registers the published classes
void Finalization_Buttons();
