#include "Controls.h"

#include <algorithm>

#include "Forms.h"

QEV_RESOURCESTRING(Controls, SParentRequired, L"Control '%s' has no parent window");
QEV_RESOURCESTRING(Controls, SCannotFocus, L"Cannot focus a disabled or invisible window");

QEV_DEFINE_CLASS(TControl,
                 QEV_PROPERTY(Left, Left, SetLeft),
                 QEV_PROPERTY(Top, Top, SetTop),
                 QEV_PROPERTY(Width, Width, SetWidth),
                 QEV_PROPERTY(Height, Height, SetHeight),
                 QEV_PROPERTY(Align, Align, SetAlign).Default(alNone),
                 QEV_PROPERTY(Action, Action, SetAction),
                 QEV_PROPERTY(Caption, Caption, SetCaption),
                 QEV_PROPERTY(Color, Color, SetColor).Type(TypeInfoTColor())
                     .Stored<&Self::IsColorStored>(),
                 QEV_PROPERTY(Constraints, Constraints, SetConstraints),
                 QEV_PROPERTY(Cursor, Cursor, SetCursor).Type(TypeInfoTCursor()).Default(crDefault),
                 QEV_PROPERTY(Enabled, Enabled, SetEnabled).Default(true),
                 QEV_PROPERTY(Font, Font, SetFont).Stored<&Self::IsFontStored>(),
                 QEV_PROPERTY(ParentColor, ParentColor, SetParentColor).Default(false),
                 QEV_PROPERTY(ParentFont, ParentFont, SetParentFont).Default(true),
                 QEV_PROPERTY(Hint, Hint, SetHint),
                 QEV_PROPERTY(ParentShowHint, ParentShowHint, SetParentShowHint).Default(true),
                 QEV_PROPERTY(ShowHint, ShowHint, SetShowHint).Default(false),
                 QEV_PROPERTY(Visible, Visible, SetVisible).Default(true),
                 QEV_PROPERTY(OnClick, OnClick, OnClick),
                 QEV_PROPERTY(OnDblClick, OnDblClick, OnDblClick),
                 QEV_PROPERTY(OnResize, OnResize, OnResize))
QEV_DEFINE_CLASS(TSizeConstraints,
                 QEV_PROPERTY(MaxHeight, MaxHeight, SetMaxHeight).Default(0),
                 QEV_PROPERTY(MaxWidth, MaxWidth, SetMaxWidth).Default(0),
                 QEV_PROPERTY(MinHeight, MinHeight, SetMinHeight).Default(0),
                 QEV_PROPERTY(MinWidth, MinWidth, SetMinWidth).Default(0))

// ----------------------------------------------------------------- helpers

TPoint PointOfLParam(LPARAM LParam) {
  return TPoint{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))};
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState result;
  if (GetKeyState(VK_SHIFT) < 0) result.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) result.Include(ssCtrl);
  if (KeyData & 0x20000000) result.Include(ssAlt);
  return result;
}

AnsiString GetShortHint(const AnsiString& Hint) {
  return Hint.substr(0, Hint.find('|'));
}

AnsiString GetLongHint(const AnsiString& Hint) {
  size_t bar = Hint.find('|');
  return bar == AnsiString::npos ? Hint : Hint.substr(bar + 1);
}

TCustomForm* GetParentForm(TControl* Control) {
  while (Control && Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

// ---------------------------------------------------------- TSizeConstraints

void TSizeConstraints::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TSizeConstraints*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  MinWidth_ = source->MinWidth_;
  MaxWidth_ = source->MaxWidth_;
  MinHeight_ = source->MinHeight_;
  MaxHeight_ = source->MaxHeight_;
  if (OnChange) OnChange(this);
}

void TSizeConstraints::Set(Integer& Field, Integer Value) {
  if (Field == Value) return;
  Field = std::max<Integer>(Value, 0);
  if (OnChange) OnChange(this);
}

void TSizeConstraints::Apply(Integer& Width, Integer& Height) const {
  if (MaxWidth_ > 0) Width = std::min(Width, MaxWidth_);
  if (MinWidth_ > 0) Width = std::max(Width, MinWidth_);
  if (MaxHeight_ > 0) Height = std::min(Height, MaxHeight_);
  if (MinHeight_ > 0) Height = std::max(Height, MinHeight_);
}

void TSizeConstraints::Apply(MINMAXINFO& Info) const {
  if (MinWidth_ > 0) Info.ptMinTrackSize.x = MinWidth_;
  if (MinHeight_ > 0) Info.ptMinTrackSize.y = MinHeight_;
  if (MaxWidth_ > 0) Info.ptMaxTrackSize.x = Info.ptMaxSize.x = std::max(MaxWidth_, MinWidth_);
  if (MaxHeight_ > 0) Info.ptMaxTrackSize.y = Info.ptMaxSize.y = std::max(MaxHeight_, MinHeight_);
}

// ----------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), Font_(new TFont), Constraints_(new TSizeConstraints) {
  WindowProc = TWndMethod::Bind<&TControl::WndProc>(this);
  Font_->OnChange = TNotifyEvent::Bind<&TControl::FontChanged>(this);
  Constraints_->OnChange = TNotifyEvent::Bind<&TControl::ConstraintsChanged>(this);
  ControlStyle_ = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TControl::~TControl() {
  if (Application) Application->ControlDestroyed(this);
  delete ActionLink_;
  ActionLink_ = nullptr;
  SetParent(nullptr);
  delete Constraints_;
  delete Font_;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  WindowProc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg == WM_MOUSEMOVE && Application) Application->HintMouseMessage(this, Message);
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: WMLButtonDown(Message); return;
    case WM_LBUTTONUP: WMLButtonUp(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_PARENTSHOWHINTCHANGED:
      if (ParentShowHint_ && Parent_) SetShowHint(Parent_->ShowHint()), ParentShowHint_ = true;
      return;
    default: DefaultHandler(Message);
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(Message.LParam);
      size_t size = static_cast<size_t>(Message.WParam);
      if (!buffer || size == 0) {
        Message.Result = 0;
        return;
      }
      size_t count = std::min(Text_.size(), size - 1);
      Text_.copy(buffer, count);
      buffer[count] = '\0';
      Message.Result = static_cast<LRESULT>(count);
      return;
    }
    case WM_GETTEXTLENGTH: Message.Result = static_cast<LRESULT>(Text_.size()); return;
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<const char*>(Message.LParam);
      Text_ = text ? text : "";
      Message.Result = TRUE;
      // A window's own handling tells the host of its text, in the window's
      // characters (TWinControl::DefaultHandler); here it is only kept.
      const auto* win = dynamic_cast<const TWinControl*>(this);
      if (!win || !win->HandleAllocated())
        SendDockNotification(Message.Msg, Message.WParam, Message.LParam);
      return;
    }
    default: break;
  }
}

void TControl::WMLButtonDown(TMessage& Message) {
  if (ControlStyle_.Contains(csClickEvents)) ControlState_.Include(csClicked);
  ControlState_.Include(csLButtonDown);
  DefaultHandler(Message);
  if (Message.Msg == WM_LBUTTONDBLCLK && ControlStyle_.Contains(csClickEvents)) DblClick();
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::WMLButtonUp(TMessage& Message) {
  bool clicked = ControlState_.Contains(csClicked);
  ControlState_.Exclude(csClicked).Exclude(csLButtonDown);
  DefaultHandler(Message);
  TPoint point = PointOfLParam(Message.LParam);
  TRect client = ClientRect();
  if (clicked && PtInRect(&client, point)) Click();
}

// Shown or hidden, the control's place in the parent must be painted again,
// which Invalidate does not do for a control already hidden.
void TControl::CMVisibleChanged(TMessage&) {
  if (!Parent_ || !Parent_->HandleAllocated()) return;
  TRect bounds = BoundsRect();
  InvalidateRect(Parent_->WindowHandle(), &bounds, TRUE);
}
void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::FontChanged(TObject*) {
  ParentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value) {
  if (ParentFont_ == Value) return;
  ParentFont_ = Value;
  if (Value) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!ParentFont_ || !Parent_) return;
  Font_->Assign(Parent_->Font());
  ParentFont_ = true;  // the assignment above went through FontChanged
}

void TControl::SetParentColor(bool Value) {
  if (ParentColor_ == Value) return;
  ParentColor_ = Value;
  if (Value) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!ParentColor_ || !Parent_) return;
  SetColor(Parent_->Color());
  ParentColor_ = true;  // SetColor gave it up
}

void TControl::SetParent(TWinControl* AParent) {
  if (Parent_ == AParent) return;
  if (AParent == this) throw EInvalidOperation(L"A control cannot have itself as its parent");
  if (Parent_) Parent_->RemoveControl(this);
  if (AParent) {
    AParent->InsertControl(this);
    UpdateParentShowHint();
  }
}

TComponent* TControl::GetParentComponent() const { return Parent_; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* parent = dynamic_cast<TWinControl*>(Value)) SetParent(parent);
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  Constraints_->Apply(AWidth, AHeight);
  if (ALeft == Left_ && ATop == Top_ && AWidth == Width_ && AHeight == Height_) return;
  bool resized = AWidth != Width_ || AHeight != Height_;
  Invalidate();
  Left_ = ALeft;
  Top_ = ATop;
  Width_ = AWidth;
  Height_ = AHeight;
  Invalidate();
  if (Parent_ && Align_ != alNone) Parent_->Realign();
  if (resized && !ComponentState().Contains(csLoading)) Resize();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// New limits hold for the present size at once; while the control is read
// they wait for Loaded, when its size is complete.
void TControl::ConstraintsChanged(TObject*) {
  if (!ComponentState().Contains(csLoading)) SetBounds(Left_, Top_, Width_, Height_);
}

TRect TControl::ClientRect() { return TRect{0, 0, Width_, Height_}; }

void TControl::ChangeScale(Integer M, Integer D) {
  SetBounds(MulDiv(Left_, M, D), MulDiv(Top_, M, D), MulDiv(Width_, M, D), MulDiv(Height_, M, D));
  if (!ParentFont_) Font_->SetHeight(MulDiv(Font_->Height(), M, D));
}

void TControl::SetClientSize(Integer AWidth, Integer AHeight) {
  TRect client = ClientRect();
  SetBounds(Left_, Top_, Width_ - client.right + AWidth, Height_ - client.bottom + AHeight);
}

TPoint TControl::ClientOrigin() {
  if (!Parent_) return TPoint{Left_, Top_};
  TPoint origin = Parent_->ClientOrigin();
  return TPoint{origin.x + Left_, origin.y + Top_};
}

TPoint TControl::ClientToScreen(const TPoint& Point) {
  TPoint origin = ClientOrigin();
  return TPoint{Point.x + origin.x, Point.y + origin.y};
}

TPoint TControl::ScreenToClient(const TPoint& Point) {
  TPoint origin = ClientOrigin();
  return TPoint{Point.x - origin.x, Point.y - origin.y};
}

void TControl::SetAlign(TAlign Value) {
  if (Align_ == Value) return;
  Align_ = Value;
  if (Parent_) Parent_->Realign();
}

void TControl::SetVisible(bool Value) {
  if (Visible_ == Value) return;
  Visible_ = Value;
  Perform(CM_VISIBLECHANGED, Value, 0);
  if (Parent_ && Align_ != alNone) Parent_->Realign();
}

void TControl::Show() {
  if (Parent_) Parent_->Show();
  SetVisible(true);
}

bool TControl::IsShowing() { return Visible_ && (!Parent_ || Parent_->IsShowing()); }

void TControl::SetEnabled(bool Value) {
  if (Enabled_ == Value) return;
  Enabled_ = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

Integer TControl::GetTextLen() { return static_cast<Integer>(Perform(WM_GETTEXTLENGTH, 0, 0)); }

Integer TControl::GetTextBuf(char* Buffer, Integer BufSize) {
  if (BufSize <= 0) return 0;
  Buffer[0] = '\0';
  auto copied = Perform(WM_GETTEXT, static_cast<WPARAM>(BufSize), reinterpret_cast<LPARAM>(Buffer));
  // A window procedure may answer a count beyond what fits; trust only the buffer.
  return static_cast<Integer>(std::clamp<LRESULT>(copied, 0, BufSize - 1));
}

void TControl::SetTextBuf(const char* Buffer) {
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Buffer));
  Perform(CM_TEXTCHANGED, 0, 0);
}

AnsiString TControl::GetText() {
  Integer length = GetTextLen();
  if (length <= 0) return AnsiString();
  AnsiString text(static_cast<size_t>(length) + 1, '\0');
  // The window may hold less than it announced (a conversion estimate) or
  // more (text changed meanwhile): keep exactly what WM_GETTEXT copied.
  text.resize(static_cast<size_t>(GetTextBuf(text.data(), length + 1)));
  return text;
}

void TControl::SetText(const AnsiString& Value) {
  if (GetText() != Value) SetTextBuf(Value.c_str());
}

void TControl::SetShowHint(bool Value) {
  if (ShowHint_ == Value && !ParentShowHint_) return;
  ShowHint_ = Value;
  ParentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool Value) {
  if (ParentShowHint_ == Value) return;
  ParentShowHint_ = Value;
  if (Value) UpdateParentShowHint();
}

void TControl::UpdateParentShowHint() {
  if (ParentShowHint_ && Parent_) ShowHint_ = Parent_->ShowHint();
}

void TControl::SetColor(TColor Value) {
  ParentColor_ = false;
  if (Color_ == Value) return;
  Color_ = Value;
  Perform(CM_COLORCHANGED, 0, 0);
  Invalidate();
}

void TControl::Invalidate() {
  if (Parent_ && Parent_->HandleAllocated() && Visible_) {
    TRect bounds = BoundsRect();
    InvalidateRect(Parent_->WindowHandle(), &bounds, TRUE);
  }
}

void TControl::Update() {
  if (Parent_) Parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!Parent_) return;
  auto& list = Parent_->Controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  Invalidate();
}

void TControl::SendToBack() {
  if (!Parent_) return;
  auto& list = Parent_->Controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  Invalidate();
}

void TControl::Click() {
  // An OnClick of its own wins over the action's handler.
  if (OnClick && ActionLink_ && ActionLink_->Action() &&
      OnClick != ActionLink_->Action()->OnExecute())
    OnClick(this);
  else if (ActionLink_ && !ComponentState().Contains(csDesigning))
    ActionLink_->Execute(this);
  else if (OnClick)
    OnClick(this);
}

TBasicAction* TControl::Action() const { return ActionLink_ ? ActionLink_->Action() : nullptr; }

TControlActionLinkClass TControl::GetActionLinkClass() { return &TControlActionLink::Make; }

void TControl::SetAction(TBasicAction* Value) {
  if (!Value) {
    delete ActionLink_;
    ActionLink_ = nullptr;
    return;
  }
  if (!ActionLink_) ActionLink_ = GetActionLinkClass()(this);
  ActionLink_->SetAction(Value);
  ActionLink_->OnChange = TNotifyEvent::Bind<&TControl::DoActionChange>(this);
  ActionChange(Value, Value->ComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TControl::DoActionChange(TObject* Sender) {
  if (ActionLink_ && Sender == ActionLink_->Action()) ActionChange(Sender, false);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || GetText().empty() || GetText() == Name()) SetCaption(action->Caption());
  if (!CheckDefaults || Enabled_) SetEnabled(action->Enabled());
  if (!CheckDefaults || Hint_.empty()) SetHint(action->Hint());
  if (!CheckDefaults || Visible_) SetVisible(action->Visible());
  if (!CheckDefaults || !OnClick) OnClick = action->OnExecute();
}

void TControl::InitiateAction() {
  if (ActionLink_) ActionLink_->Update();
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (Action()) ActionChange(Action(), true);
  SetBounds(Left_, Top_, Width_, Height_);  // within the constraints read
}

void TControl::ReadState(TReader* Reader) {
  if (auto* parent = dynamic_cast<TWinControl*>(Reader->Parent())) SetParent(parent);
  TComponent::ReadState(Reader);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == Action()) SetAction(nullptr);
  if (Operation == opRemove && AComponent == HostDockSite_) HostDockSite_ = nullptr;
}

// ------------------------------------------------------- TControlActionLink

// Named functions, so that a link class compares equal wherever it is taken.
TControlActionLink* TControlActionLink::Make(TControl* Client) {
  return new TControlActionLink(Client);
}
TControlActionLink* TWinControlActionLink::Make(TControl* Client) {
  return new TWinControlActionLink(Client);
}

bool TControlActionLink::IsCaptionLinked() {
  auto* action = dynamic_cast<TCustomAction*>(Action_);
  return TActionLink::IsCaptionLinked() && action && Client_->Caption() == action->Caption();
}

bool TControlActionLink::IsEnabledLinked() {
  auto* action = dynamic_cast<TCustomAction*>(Action_);
  return TActionLink::IsEnabledLinked() && action && Client_->Enabled() == action->Enabled();
}

bool TControlActionLink::IsHintLinked() {
  auto* action = dynamic_cast<TCustomAction*>(Action_);
  return TActionLink::IsHintLinked() && action && Client_->Hint() == action->Hint();
}

bool TControlActionLink::IsVisibleLinked() {
  auto* action = dynamic_cast<TCustomAction*>(Action_);
  return TActionLink::IsVisibleLinked() && action && Client_->Visible() == action->Visible();
}

bool TControlActionLink::IsOnExecuteLinked() {
  return TActionLink::IsOnExecuteLinked() && Action_ && Client_->OnClick == Action_->OnExecute();
}

void TControlActionLink::SetCaption(const AnsiString& Value) {
  if (IsCaptionLinked()) Client_->SetCaption(Value);
}

void TControlActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) Client_->SetEnabled(Value);
}

void TControlActionLink::SetHint(const AnsiString& Value) {
  if (IsHintLinked()) Client_->SetHint(Value);
}

void TControlActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) Client_->SetVisible(Value);
}

void TControlActionLink::SetOnExecute(TNotifyEvent Value) {
  if (IsOnExecuteLinked()) Client_->OnClick = Value;
}
