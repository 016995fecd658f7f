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

// The window whose theme a button draws with: its own, or its parent's for
// a window-less one.
HWND ThemeWindow(TControl* Control) {
  if (auto* window = dynamic_cast<TWinControl*>(Control)) return window->WindowHandle();
  return Control->Parent() ? Control->Parent()->WindowHandle() : nullptr;
}

int PushButtonElement(TButtonState State, bool Hot, bool Defaulted) {
  if (State == bsDisabled) return PBS_DISABLED;
  if (State == bsDown || State == bsExclusive) return PBS_PRESSED;
  if (Hot) return PBS_HOT;
  return Defaulted ? PBS_DEFAULTED : PBS_NORMAL;
}

int ToolButtonElement(TButtonState State, bool Hot) {
  if (State == bsDisabled) return TS_DISABLED;
  if (State == bsDown || State == bsExclusive) return TS_PRESSED;
  return Hot ? TS_HOT : TS_NORMAL;
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
  const TSize size = glyph->GlyphSize();
  if (size.cx == 0 || size.cy == 0) return;
  const Integer index = GlyphImageIndex(Control, State);
  if (index < 0) return;
  if (ThemesEnabled()) {
    if (TThemeData theme(ThemeWindow(Control), L"BUTTON"); theme) {
      Canvas->RequiredState({csHandleValid});
      theme.DrawIcon(Canvas->Handle(), BP_PUSHBUTTON, PushButtonElement(State, false, false),
                     Rect(GlyphPos.x, GlyphPos.y, GlyphPos.x + size.cx, GlyphPos.y + size.cy),
                     glyph->GlyphList()->Handle(), index);
      return;
    }
  }
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
  // A themed face moves its glyph when pressed, never its caption.
  if (ThemesEnabled()) OffsetRect(&TextBounds, -Offset.x, -Offset.y);
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
    const TRect rect = ThemesEnabled() ? DrawThemedFrame(state, offset) : DrawFrame(state, offset);
    TRect textBounds{};
    DrawWideButton(this, Canvas(), rect, textBounds, false, DrawTextBiDiModeFlags(0),
                   Transparent(), state, Spacing(), Margin(), Layout(), Caption(), offset);
  } catch (const EAbortPaint&) {
  }
}

TRect TQevSpeedButton::DrawThemedFrame(TButtonState State, TPoint& Offset) {
  TThemeData theme(ThemeWindow(this), Flat() ? L"TOOLBAR" : L"BUTTON");
  if (!theme) return DrawFrame(State, Offset);
  TCanvas* canvas = Canvas();
  canvas->RequiredState({csHandleValid, csFontValid});
  HDC dc = canvas->Handle();
  EraseThroughParent(dc);
  const int part = Flat() ? int(TP_BUTTON) : int(BP_PUSHBUTTON);
  const int element = Flat() ? ToolButtonElement(State, MouseInControl())
                             : PushButtonElement(State, MouseInControl(), false);
  const TRect client = ClientRect();
  theme.DrawBackground(dc, part, element, client);
  const bool pressed = State == bsDown || State == bsExclusive;
  if (pressed && Flat()) canvas->Font()->SetColor(clHighlightText);
  Offset = pressed ? TPoint{1, 0} : TPoint{0, 0};
  return theme.ContentRect(dc, part, element, client);
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
    case CM_MOUSEENTER: case CM_MOUSELEAVE:
      MouseInControl_ = Message.Msg == CM_MOUSEENTER;
      if (ThemesEnabled() && Enabled()) Invalidate();  // the hot face shows at once
      break;
  }
  inherited::Dispatch(Message);
}

void TQevBitBtn::DrawWideItem(const DRAWITEMSTRUCT& Item) {
  TCanvasLease lease(Canvas(), Item.hDC);
  try {
    Canvas()->SetFont(Font());
    if (ThemesEnabled())
      if (TThemeData theme(WindowHandle(), L"BUTTON"); theme) return DrawThemedItem(theme, Item);
    DrawClassicItem(Item);
  } catch (const EAbortPaint&) {
  }
}

TButtonState TQevBitBtn::ItemState(const DRAWITEMSTRUCT& Item) {
  return !Enabled() ? bsDisabled : (Item.itemState & ODS_SELECTED) ? bsDown : bsUp;
}

void TQevBitBtn::DrawThemedItem(const TThemeData& Theme, const DRAWITEMSTRUCT& Item) {
  const TButtonState state = ItemState(Item);
  const bool focused = ShowsDefault(), isDefault = (Item.itemState & ODS_FOCUS) != 0;
  const int element = PushButtonElement(state, MouseInControl_, focused || isDefault);
  DrawParentBackground(WindowHandle(), Item.hDC, &Item.rcItem);
  Theme.DrawBackground(Item.hDC, BP_PUSHBUTTON, element, Item.rcItem);
  const TRect content = Theme.ContentRect(Item.hDC, BP_PUSHBUTTON, element, Item.rcItem);
  TRect textBounds{};
  DrawWideButton(this, Canvas(), content, textBounds, WordWrap(), DrawTextBiDiModeFlags(0), false,
                 state, Spacing(), Margin(), Layout(), Caption(),
                 element == PBS_PRESSED ? TPoint{1, 0} : TPoint{0, 0});
  if (focused && isDefault) DrawFocusFrame(Canvas(), content);
}

void TQevBitBtn::DrawClassicItem(const DRAWITEMSTRUCT& Item) {
  const TButtonState state = ItemState(Item);
  const bool focused = ShowsDefault();
  const TRect rect = DrawItemFrame(Canvas(), Item, focused);
  TRect textBounds{};
  DrawWideButton(this, Canvas(), rect, textBounds, WordWrap(), DrawTextBiDiModeFlags(0), false,
                 state, Spacing(), Margin(), Layout(), Caption(), TPoint{0, 0});
  DrawItemFocus(Canvas(), Item, focused);
}

// ------------------------------------------------------------------ unit

void Initialization_QevButtons() {
  RegisterClasses({TQevSpeedButton::StaticClass(), TQevBitBtn::StaticClass()});
}

void Finalization_QevButtons() {}
