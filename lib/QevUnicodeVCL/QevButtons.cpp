#include "QevButtons.h"

#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_DEFINE_CLASS(TQevSpeedButton,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored),
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevBitBtn,
                 QEV_WIDE_CAPTION_PROPERTY(IsBitBtnCaptionStored),
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())

// --------------------------------------------------------- glyph routines

namespace {

IQevGlyphButton* GlyphButtonOf(TControl* Control) {
  auto* button = dynamic_cast<IQevGlyphButton*>(Control);
  if (!button) throw EQevInternalError(L"Internal Error: Control does not support IQevGlyphButton.");
  return button;
}

}  // namespace

TButtonGlyph* GlyphOfButton(TControl* Control) { return GlyphButtonOf(Control)->GetGlyphObject(); }

void ForceGlyphList(TControl* Control) { GlyphButtonOf(Control)->BuildInternalGlyphList(); }

Integer GlyphImageIndex(TControl* Control, TButtonState State) {
  TButtonGlyph* glyph = GlyphOfButton(Control);
  if (glyph->ImageIndex(State) == -1) ForceGlyphList(Control);
  return glyph->ImageIndex(State);
}

void DrawWideButtonGlyph(TControl* Control, TCanvas* Canvas, const TPoint& GlyphPos,
                         TButtonState State, bool Transparent) {
  TButtonGlyph* glyph = GlyphOfButton(Control);
  if (!glyph->HasGlyph() || GlyphImageIndex(Control, State) < 0) return;
  glyph->DrawGlyph(Canvas, GlyphPos, State, Transparent);
}

void DrawWideButtonText(TCanvas* Canvas, const WideString& Caption, const TRect& TextBounds,
                        bool WordWrap, UINT BiDiFlags, TButtonState State) {
  const UINT flags = BiDiFlags | DT_CENTER | (WordWrap ? DT_WORDBREAK : DT_VCENTER);
  DrawButtonStateText(Canvas, TextBounds, State, [&](TRect Bounds) {
    Canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
    Qev_DrawTextW(Canvas->Handle(), Caption.c_str(), static_cast<int>(Caption.size()), &Bounds,
                  flags);
  });
}

void CalcWideButtonLayout(TControl* Control, HDC DC, const TRect& Client, const TPoint& Offset,
                          const WideString& Caption, TButtonLayout Layout, Integer Margin,
                          Integer Spacing, TPoint& GlyphPos, TRect& TextBounds, UINT BiDiFlags,
                          bool WordWrap) {
  const TSize glyphSize = GlyphOfButton(Control)->GlyphSize();
  TSize textSize{0, 0};
  if (!Caption.empty()) {
    TRect bounds = ButtonTextMeasureRect(Client, glyphSize);
    Qev_DrawTextW(DC, Caption.c_str(), static_cast<int>(Caption.size()), &bounds,
                  BiDiFlags | DT_CALCRECT | (WordWrap ? DT_WORDBREAK : 0));
    textSize = TSize{bounds.right - bounds.left, bounds.bottom - bounds.top};
  }
  const TButtonPlacement placement = PlaceGlyphAndText(
      Client, Offset, glyphSize, textSize, Layout, Margin, Spacing, (BiDiFlags & DT_RIGHT) != 0);
  GlyphPos = placement.GlyphPos;
  TextBounds = placement.TextBounds;
}

void DrawWideButton(TControl* Control, TCanvas* Canvas, const TRect& Client, TRect& TextBounds,
                    bool WordWrap, UINT BiDiFlags, bool Transparent, TButtonState State,
                    Integer Spacing, Integer Margin, TButtonLayout Layout,
                    const WideString& Caption, const TPoint& Offset) {
  Canvas->RequiredState({csHandleValid, csFontValid});
  TPoint glyphPos{};
  CalcWideButtonLayout(Control, Canvas->Handle(), Client, Offset, Caption, Layout, Margin, Spacing,
                       glyphPos, TextBounds, BiDiFlags, WordWrap);
  DrawWideButtonGlyph(Control, Canvas, glyphPos, State, Transparent);
  DrawWideButtonText(Canvas, Caption, TextBounds, WordWrap, BiDiFlags, State);
}

// ---------------------------------------------------------- speed button

// The pictures come straight from the bitmap, so the paint that asked for
// them goes on and needs no repaint: one would follow at every paint of a
// bitmap too narrow for its pictures, which never gives any.
void TQevSpeedButton::BuildInternalGlyphList() { GlyphObject()->BuildGlyphList(); }

void TQevSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_HINTSHOW: PrepareWideHintInfo(Message); break;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
  }
  inherited::Dispatch(Message);
}

void TQevSpeedButton::CMDialogChar(TMessage& Message) {
  if (IsHotKeyOf(Message) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
    Click();
    Message.Result = 1;
  } else {
    inherited::Dispatch(Message);
  }
}

void TQevSpeedButton::PaintWideButton() {
  try {
    const TButtonState state = PaintState();
    Canvas()->SetFont(Font());
    TPoint offset{};
    const TRect rect = DrawFrame(state, offset);
    TRect textBounds{};
    DrawWideButton(this, Canvas(), rect, textBounds, false, DrawTextBiDiModeFlags(0),
                   Transparent(), state, Spacing(), Margin(), Layout(), Caption(), offset);
  } catch (const EAbortPaint&) {
  }
}

// ------------------------------------------------------------ bit button

void TQevBitBtn::BuildInternalGlyphList() { GlyphObject()->BuildGlyphList(); }

bool TQevBitBtn::IsBitBtnCaptionStored() {
  const TPropInfo* info = GetPropInfo(TBitBtn::StaticClass(), "Caption");
  if (!info) throw EPropertyError(SUnknownProperty, {AnsiString("Caption")});
  return IsStoredProp(this, info);
}

void TQevBitBtn::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR:
      if (IsHotKeyOf(Message) && CanFocus()) {
        Click();
        Message.Result = 1;
      } else {
        TButtonControl::Dispatch(Message);  // not the platform's 8-bit hot key
      }
      return;
    case CN_DRAWITEM:
      DrawWideItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam));
      Message.Result = 1;
      return;
  }
  inherited::Dispatch(Message);
}

void TQevBitBtn::DrawWideItem(const DRAWITEMSTRUCT& Item) {
  TCanvasLease lease(Canvas(), Item.hDC);
  try {
    Canvas()->SetFont(Font());
    const TButtonState state =
        !Enabled() ? bsDisabled : (Item.itemState & ODS_SELECTED) ? bsDown : bsUp;
    const bool focused = ShowsDefault();
    const TRect rect = DrawItemFrame(Canvas(), Item, focused);
    TRect textBounds{};
    DrawWideButton(this, Canvas(), rect, textBounds, WordWrap(), DrawTextBiDiModeFlags(0), false,
                   state, Spacing(), Margin(), Layout(), Caption(), TPoint{0, 0});
    DrawItemFocus(Canvas(), Item, focused);
  } catch (const EAbortPaint&) {
  }
}

// ------------------------------------------------------------------ unit

void Initialization_QevButtons() {
  RegisterClasses({TQevSpeedButton::StaticClass(), TQevBitBtn::StaticClass()});
}

void Finalization_QevButtons() {}
