#include "Buttons.h"

#include <utility>

#include "Scoped.h"
#include "Themes.h"

QEV_DEFINE_CLASS(TSpeedButton,
                 QEV_PROPERTY(AllowAllUp, AllowAllUp, SetAllowAllUp).Default(false),
                 QEV_PROPERTY(GroupIndex, GroupIndex, SetGroupIndex).Default(0),
                 QEV_PROPERTY(Down, Down, SetDown).Default(false),
                 QEV_PROPERTY(Flat, Flat, SetFlat).Default(false),
                 QEV_PROPERTY(Glyph, Glyph, SetGlyph).Stored<&Self::HasGlyph>(),
                 QEV_PROPERTY(Layout, Layout, SetLayout).Default(blGlyphLeft),
                 QEV_PROPERTY(Margin, Margin, SetMargin).Default(-1),
                 QEV_PROPERTY(NumGlyphs, NumGlyphs, SetNumGlyphs).Default(1),
                 QEV_PROPERTY(Spacing, Spacing, SetSpacing).Default(4),
                 QEV_PROPERTY(Transparent, Transparent, SetTransparent).Default(true))
QEV_DEFINE_CLASS(TBitBtn,
                 QEV_PROPERTY(Glyph, Glyph, SetGlyph).Stored<&Self::HasGlyph>(),
                 QEV_PROPERTY(Layout, Layout, SetLayout).Default(blGlyphLeft),
                 QEV_PROPERTY(Margin, Margin, SetMargin).Default(-1),
                 QEV_PROPERTY(NumGlyphs, NumGlyphs, SetNumGlyphs).Default(1),
                 QEV_PROPERTY(Spacing, Spacing, SetSpacing).Default(4),
                 QEV_PROPERTY(WordWrap, WordWrap, SetWordWrap).Default(false))

// ------------------------------------------------------------------ layout

namespace {

// One coordinate of a point or size along the layout's axis.
LONG& Along(TPoint& Point, bool Horizontal) { return Horizontal ? Point.x : Point.y; }
LONG Along(TSize Size, bool Horizontal) { return Horizontal ? Size.cx : Size.cy; }

}  // namespace

TButtonPlacement PlaceGlyphAndText(const TRect& Client, const TPoint& Offset, TSize GlyphSize,
                                   TSize TextSize, TButtonLayout Layout, Integer Margin,
                                   Integer Spacing, bool RightToLeft) {
  if (RightToLeft && Layout == blGlyphLeft) Layout = blGlyphRight;
  else if (RightToLeft && Layout == blGlyphRight) Layout = blGlyphLeft;
  const TSize clientSize{Client.right - Client.left, Client.bottom - Client.top};
  const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
  TPoint glyphPos{}, textPos{};
  Along(glyphPos, !horizontal) = (Along(clientSize, !horizontal) - Along(GlyphSize, !horizontal) + 1) / 2;
  Along(textPos, !horizontal) = (Along(clientSize, !horizontal) - Along(TextSize, !horizontal) + 1) / 2;
  if (TextSize.cx == 0 || GlyphSize.cx == 0) Spacing = 0;

  const LONG client = Along(clientSize, horizontal), glyph = Along(GlyphSize, horizontal),
             text = Along(TextSize, horizontal);
  if (Margin == -1 && Spacing == -1) {
    Margin = Spacing = (client - (glyph + text)) / 3;
  } else if (Margin == -1) {
    Margin = (client - (glyph + Spacing + text) + 1) / 2;
  } else if (Spacing == -1) {
    Spacing = (client - (Margin + glyph) - text) / 2;
  }
  LONG& glyphAt = Along(glyphPos, horizontal);
  LONG& textAt = Along(textPos, horizontal);
  if (Layout == blGlyphLeft || Layout == blGlyphTop) {
    glyphAt = Margin;
    textAt = glyphAt + glyph + Spacing;
  } else {
    glyphAt = client - Margin - glyph;
    textAt = glyphAt - Spacing - text;
  }
  const LONG dx = Client.left + Offset.x, dy = Client.top + Offset.y;
  TButtonPlacement placement;
  placement.GlyphPos = TPoint{glyphPos.x + dx, glyphPos.y + dy};
  placement.TextBounds = Rect(textPos.x + dx, textPos.y + dy, textPos.x + dx + TextSize.cx,
                              textPos.y + dy + TextSize.cy);
  return placement;
}

TRect ButtonTextMeasureRect(const TRect& Client, TSize GlyphSize) {
  return Rect(0, 0, Client.right - Client.left - GlyphSize.cx - 3, 0);
}

// ------------------------------------------------------------ TButtonGlyph

TButtonGlyph::TButtonGlyph() : Glyph_(new TBitmap) {
  Glyph_->OnChange = TNotifyEvent::Bind<&TButtonGlyph::GlyphChanged>(this);
}

TButtonGlyph::~TButtonGlyph() {
  delete GlyphList_;
  delete Glyph_;
}

void TButtonGlyph::SetNumGlyphs(TNumGlyphs Value) {
  Value = std::max(1, std::min(4, Value));
  if (Value == NumGlyphs_) return;
  NumGlyphs_ = Value;
  GlyphChanged(nullptr);
}

TSize TButtonGlyph::GlyphSize() const {
  if (!HasGlyph()) return TSize{0, 0};
  return TSize{Glyph_->Width() / NumGlyphs_, Glyph_->Height()};
}

void TButtonGlyph::GlyphChanged(TObject*) {
  ClearList();
  if (OnChange) OnChange(nullptr);
}

void TButtonGlyph::ClearList() {
  delete GlyphList_;
  GlyphList_ = nullptr;
  for (Integer& index : Indexes_) index = -1;
}

namespace {

TButtonState PictureState(TButtonState State, TNumGlyphs NumGlyphs) {
  return State == bsDown && NumGlyphs < 3 ? bsUp : State;
}

}  // namespace

Integer TButtonGlyph::ImageIndex(TButtonState State) const {
  return Indexes_[PictureState(State, NumGlyphs_)];
}

void TButtonGlyph::BuildGlyphList() {
  for (TButtonState state : {bsUp, bsDisabled, bsDown, bsExclusive}) CreateButtonGlyph(state);
}

Integer TButtonGlyph::CreateButtonGlyph(TButtonState State) {
  State = PictureState(State, NumGlyphs_);
  const TSize size = GlyphSize();
  if (Indexes_[State] != -1 || size.cx == 0 || size.cy == 0) return Indexes_[State];
  if (!GlyphList_) GlyphList_ = TCustomImageList::CreateSize(size.cx, size.cy);
  std::unique_ptr<TBitmap> image(StateImage(State));
  Indexes_[State] = GlyphList_->AddMasked(image.get(), Glyph_->TransparentColor());
  return Indexes_[State];
}

// A state without a picture of its own shows the up one; a disabled button
// without one shows the up picture's outline embossed.
TBitmap* TButtonGlyph::StateImage(TButtonState State) {
  const TSize size = GlyphSize();
  auto image = std::make_unique<TBitmap>();
  image->SetSize(size.cx, size.cy);
  TCanvas* canvas = image->Canvas();
  TCanvas* source = Glyph_->Canvas();
  const TColor transparent = Glyph_->TransparentColor();
  if (State != bsDisabled || NumGlyphs_ > 1) {
    const Integer left = (State < NumGlyphs_ ? State : 0) * size.cx;
    canvas->CopyRect(Rect(0, 0, size.cx, size.cy), source, Rect(left, 0, left + size.cx, size.cy));
    return image.release();
  }
  canvas->Brush()->SetColor(transparent);
  canvas->FillRect(Rect(0, 0, size.cx, size.cy));
  const COLORREF clear = ColorToRGB(transparent);
  for (auto [ink, shift] : {std::pair{clBtnHighlight, 1}, std::pair{clBtnShadow, 0}})
    for (Integer y = 0; y + shift < size.cy; ++y)
      for (Integer x = 0; x + shift < size.cx; ++x)
        if (ColorToRGB(source->Pixels(x, y)) != clear) canvas->SetPixel(x + shift, y + shift, ink);
  return image.release();
}

void TButtonGlyph::DrawGlyph(TCanvas* Canvas, const TPoint& Pos, TButtonState State,
                             bool Transparent) {
  if (!HasGlyph() || Glyph_->Width() == 0 || Glyph_->Height() == 0) return;
  const Integer index = CreateButtonGlyph(State);
  if (index < 0) return;
  if (Transparent || State == bsExclusive)
    GlyphList_->Draw(index, Canvas->Handle(), Pos.x, Pos.y, CLR_NONE, ILD_TRANSPARENT);
  else
    GlyphList_->Draw(index, Canvas->Handle(), Pos.x, Pos.y, ColorToRGB(clBtnFace), ILD_NORMAL);
}

TRect TButtonGlyph::Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset,
                         const AnsiString& Caption, TButtonLayout Layout, Integer Margin,
                         Integer Spacing, TButtonState State, bool Transparent, UINT BiDiFlags,
                         bool WordWrap) {
  const TSize glyphSize = GlyphSize();
  TSize textSize{0, 0};
  const int length = static_cast<int>(Caption.size());
  if (length) {
    TRect bounds = ButtonTextMeasureRect(Client, glyphSize);
    Canvas->RequiredState({csHandleValid, csFontValid});
    DrawTextA(Canvas->Handle(), Caption.c_str(), length, &bounds,
              BiDiFlags | DT_CALCRECT | (WordWrap ? DT_WORDBREAK : 0));
    textSize = TSize{bounds.right - bounds.left, bounds.bottom - bounds.top};
  }
  const TButtonPlacement placement = PlaceGlyphAndText(
      Client, Offset, glyphSize, textSize, Layout, Margin, Spacing, (BiDiFlags & DT_RIGHT) != 0);
  DrawGlyph(Canvas, placement.GlyphPos, State, Transparent);
  const UINT flags = BiDiFlags | DT_CENTER | (WordWrap ? DT_WORDBREAK : DT_VCENTER);
  DrawButtonStateText(Canvas, placement.TextBounds, State, [&](TRect Bounds) {
    Canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
    DrawTextA(Canvas->Handle(), Caption.c_str(), length, &Bounds, flags);
  });
  return placement.TextBounds;
}

// ------------------------------------------------------------ TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 23, 22);
  ControlStyle_.Include(csCaptureMouse).Include(csClickEvents).Include(csDoubleClicks);
  Color_ = clBtnFace;
  Glyph_.OnChange = TNotifyEvent::Bind<&TSpeedButton::GlyphChanged>(this);
}

void TSpeedButton::SetGroupIndex(Integer Value) {
  if (GroupIndex_ == Value) return;
  GroupIndex_ = Value;
  if (Down_) PressedInGroup();
}

// A grouped button goes up again only when the group allows all up.
void TSpeedButton::SetDown(bool Value) {
  if (GroupIndex_ == 0) Value = false;
  if (Value == Down_ || (Down_ && !AllowAllUp_)) return;
  Down_ = Value;
  State_ = Value ? bsExclusive : bsUp;
  Invalidate();
  if (Value) PressedInGroup();
}

void TSpeedButton::PressedInGroup() {
  if (!Parent()) return;
  for (Integer i = 0; i < Parent()->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (!other || other == this || other->GroupIndex_ != GroupIndex_ || !other->Down_) continue;
    other->Down_ = false;
    other->State_ = bsUp;
    other->Invalidate();
  }
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: WMLButtonDown(Message); return;
    case WM_MOUSEMOVE: WMMouseMove(Message); return;
    case WM_LBUTTONUP: WMLButtonUp(Message); return;
    case CM_ENABLEDCHANGED: Invalidate(); break;
    case CM_MOUSEENTER: case CM_MOUSELEAVE:
      MouseInControl_ = Message.Msg == CM_MOUSEENTER;
      if ((Flat_ || ThemesEnabled()) && Enabled()) Invalidate();  // a themed face shows it
      break;
  }
  inherited::Dispatch(Message);
}

void TSpeedButton::WMLButtonDown(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!Enabled()) return;
  if (!Down_) {
    State_ = bsDown;
    Invalidate();
  }
  Dragging_ = true;
}

// The face follows the mouse in and out while the button is held.
void TSpeedButton::WMMouseMove(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!Dragging_) return;
  TRect client = ClientRect();
  TPoint point = PointOfLParam(Message.LParam);
  TButtonState state = Down_ ? bsExclusive : bsUp;
  if (PtInRect(&client, point)) state = Down_ ? bsExclusive : bsDown;
  if (state == State_) return;
  State_ = state;
  Invalidate();
}

// The state changes before the click (in the inherited handler) runs.
void TSpeedButton::WMLButtonUp(TMessage& Message) {
  if (Dragging_) {
    Dragging_ = false;
    TRect client = ClientRect();
    TPoint point = PointOfLParam(Message.LParam);
    const bool inside = PtInRect(&client, point) != 0;
    if (GroupIndex_ == 0) {
      State_ = bsUp;
      MouseInControl_ = false;
    } else if (inside) {
      SetDown(!Down_);
    } else if (Down_) {
      State_ = bsExclusive;
    }
    Invalidate();
  }
  inherited::Dispatch(Message);
}

TControlActionLinkClass TSpeedButton::GetActionLinkClass() { return &TSpeedButtonActionLink::Make; }

TButtonState TSpeedButton::PaintState() {
  if (!Enabled()) {
    State_ = bsDisabled;
    Dragging_ = false;
  } else if (State_ == bsDisabled) {
    State_ = Down_ && GroupIndex_ != 0 ? bsExclusive : bsUp;
  }
  return State_;
}

TRect TSpeedButton::DrawFrame(TButtonState State, TPoint& Offset) {
  TCanvas* canvas = Canvas();
  TRect rect = Rect(0, 0, Width(), Height());
  const bool pushed = State == bsDown || State == bsExclusive;
  if (Flat_) {
    if (pushed || (MouseInControl_ && State != bsDisabled)) {
      DrawEdge(canvas->Handle(), &rect, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
               BF_RECT | (Transparent_ ? 0 : BF_MIDDLE));
    } else if (!Transparent_) {
      canvas->Brush()->SetColor(Color());
      canvas->FillRect(rect);
    }
    InflateRect(&rect, -1, -1);
  } else {
    DrawFrameControl(canvas->Handle(), &rect, DFC_BUTTON,
                     DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pushed ? DFCS_PUSHED : 0));
  }
  Offset = pushed ? TPoint{1, 1} : TPoint{0, 0};
  if (State == bsExclusive && (!Flat_ || !MouseInControl_)) {
    canvas->Brush()->SetBitmap(AllocPatternBitmap(clBtnFace, clBtnHighlight));
    canvas->FillRect(rect);
    canvas->Brush()->SetBitmap(nullptr);
  }
  return rect;
}

void TSpeedButton::EraseThroughParent(HDC DC) {
  if (!Parent()) return;
  TSavedDC saved(DC);
  IntersectClipRect(DC, 0, 0, Width(), Height());
  OffsetViewportOrgEx(DC, -Left(), -Top(), nullptr);
  // The same DC in both: a double-buffered parent erases into it too.
  Parent()->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
}

void TSpeedButton::Paint() {
  const TButtonState state = PaintState();
  Canvas()->SetFont(Font());
  TPoint offset{};
  const TRect rect = DrawFrame(state, offset);
  Glyph_.Draw(Canvas(), rect, offset, Caption(), Layout_, Margin_, Spacing_, state, Transparent_,
              DrawTextBiDiModeFlags(0), false);
}

// --------------------------------------------------- TSpeedButtonActionLink

TControlActionLink* TSpeedButtonActionLink::Make(TControl* Client) {
  return new TSpeedButtonActionLink(Client);
}

bool TSpeedButtonActionLink::IsCheckedLinked() {
  auto* action = dynamic_cast<TCustomAction*>(Action_);
  return TControlActionLink::IsCheckedLinked() && action && Button()->Down() == action->Checked();
}

void TSpeedButtonActionLink::SetChecked(bool Value) {
  if (IsCheckedLinked()) Button()->SetDown(Value);
}

// ----------------------------------------------------------------- TBitBtn

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), Canvas_(std::make_unique<TCanvas>()) {
  Glyph_.OnChange = TNotifyEvent::Bind<&TBitBtn::GlyphChanged>(this);
}

void TBitBtn::CreateParams(TCreateParams& Params) {
  TButton::CreateParams(Params);
  Params.Style = (Params.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TBitBtn::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam));
      Message.Result = 1;
      return;
    case WM_LBUTTONDBLCLK: {  // a second press is a press: no click is lost
      TMessage down = Message;
      down.Msg = WM_LBUTTONDOWN;
      DefaultHandler(down);
      Message.Result = down.Result;
      return;
    }
    case CM_ENABLEDCHANGED: case CM_FOCUSCHANGED: Invalidate(); break;
  }
  inherited::Dispatch(Message);
}

TRect TBitBtn::DrawItemFrame(TCanvas* Canvas, const DRAWITEMSTRUCT& Item, bool Focused) {
  const bool down = (Item.itemState & ODS_SELECTED) != 0;
  const bool isDefault = (Item.itemState & ODS_FOCUS) != 0;
  TRect rect = ClientRect();
  UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
  if (down) flags |= DFCS_PUSHED;
  if (Item.itemState & ODS_DISABLED) flags |= DFCS_INACTIVE;
  if (Focused || isDefault) {
    Canvas->Pen()->SetColor(clWindowFrame);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    InflateRect(&rect, -1, -1);
  }
  if (down) {
    Canvas->Pen()->SetColor(clBtnShadow);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    InflateRect(&rect, -1, -1);
  } else {
    DrawFrameControl(Canvas->Handle(), &rect, DFC_BUTTON, flags);
  }
  if (Focused) {
    rect = ClientRect();
    InflateRect(&rect, -1, -1);
  }
  Canvas->SetFont(Font());
  if (down) OffsetRect(&rect, 1, 1);
  return rect;
}

void TBitBtn::DrawItemFocus(TCanvas* Canvas, const DRAWITEMSTRUCT& Item, bool Focused) {
  if (!Focused || !(Item.itemState & ODS_FOCUS)) return;
  TRect rect = ClientRect();
  InflateRect(&rect, -4, -4);
  DrawFocusFrame(Canvas, rect);
}

void TBitBtn::DrawFocusFrame(TCanvas* Canvas, const TRect& Rect) {
  Canvas->Pen()->SetColor(clWindowFrame);
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(clBtnFace);
  Canvas->DrawFocusRect(Rect);
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& Item) {
  TCanvasLease lease(Canvas_.get(), Item.hDC);
  Canvas_->SetFont(Font());
  const TButtonState state =
      !Enabled() ? bsDisabled : (Item.itemState & ODS_SELECTED) ? bsDown : bsUp;
  const bool focused = ShowsDefault();
  const TRect rect = DrawItemFrame(Canvas_.get(), Item, focused);
  Glyph_.Draw(Canvas_.get(), rect, TPoint{0, 0}, Caption(), Layout_, Margin_, Spacing_, state,
              false, DrawTextBiDiModeFlags(0), WordWrap_);
  DrawItemFocus(Canvas_.get(), Item, focused);
}

// -------------------------------------------------------------------- unit

void Initialization_Buttons() {
  RegisterClasses({TSpeedButton::StaticClass(), TBitBtn::StaticClass()});
}

void Finalization_Buttons() {}
