// Standard controls.
#include "StdCtrls.h"

#include <cctype>

#include "Forms.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TCustomLabel,
                 QEV_PROPERTY(Alignment, Alignment, SetAlignment).Default(taLeftJustify),
                 QEV_PROPERTY(AutoSize, AutoSize, SetAutoSize).Default(true),
                 QEV_PROPERTY(FocusControl, FocusControl, SetFocusControl),
                 QEV_PROPERTY(ShowAccelChar, ShowAccelChar, SetShowAccelChar).Default(true),
                 QEV_PROPERTY(Transparent, Transparent, SetTransparent).Default(false),
                 QEV_PROPERTY(WordWrap, WordWrap, SetWordWrap).Default(false))
QEV_DEFINE_CLASS(TLabel)
QEV_DEFINE_CLASS(TCustomEdit,
                 QEV_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSingle),
                 QEV_PROPERTY(Caption, Caption, SetCaption).NotStored(),  // Text is
                 QEV_PROPERTY(MaxLength, MaxLength, SetMaxLength).Default(0),
                 QEV_PROPERTY(PasswordChar, PasswordChar, SetPasswordChar).Default('\0'),
                 QEV_PROPERTY(ReadOnly, ReadOnly, SetReadOnly).Default(false),
                 QEV_PROPERTY(Text, GetText, SetText),
                 QEV_PROPERTY(OnChange, OnChange, OnChange))
QEV_DEFINE_CLASS(TEdit)
QEV_DEFINE_CLASS(TButtonControl)
QEV_DEFINE_CLASS(TButton,
                 QEV_PROPERTY(Cancel, Cancel, SetCancel).Default(false),
                 QEV_PROPERTY(Default, Default, SetDefault).Default(false),
                 QEV_PROPERTY(ModalResult, ModalResult, SetModalResult).Default(mrNone))
QEV_DEFINE_CLASS(TCustomCheckBox,
                 QEV_PROPERTY(Alignment, Alignment, SetAlignment).Default(taRightJustify),
                 QEV_PROPERTY(AllowGrayed, AllowGrayed, SetAllowGrayed).Default(false),
                 QEV_PROPERTY(Checked, Checked, SetChecked).Default(false),
                 QEV_PROPERTY(State, State, SetState).Default(cbUnchecked))
QEV_DEFINE_CLASS(TCheckBox)
QEV_DEFINE_CLASS(TCustomGroupBox)
QEV_DEFINE_CLASS(TGroupBox)

bool IsAccel(Word Key, const AnsiString& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    auto upper = [](int c) { return std::toupper(static_cast<unsigned char>(c)); };
    return Key < 256 && upper(Key) == upper(Caption[i + 1]);
  }
  return false;
}

// ------------------------------------------------------------------ label

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle_.Include(csOpaque);
  SetBounds(0, 0, 65, 17);
  Color_ = clBtnFace;
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (Alignment_ == Value) return;
  Alignment_ = Value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (AutoSize_ == Value) return;
  AutoSize_ = Value;
  AdjustBounds();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FocusControl_) FocusControl_->RemoveFreeNotification(this);
  FocusControl_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (ShowAccelChar_ == Value) return;
  ShowAccelChar_ = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (Transparent_ == Value) return;
  Transparent_ = Value;
  if (Value) ControlStyle_.Exclude(csOpaque);
  else ControlStyle_.Include(csOpaque);
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (WordWrap_ == Value) return;
  WordWrap_ = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FocusControl_) FocusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

AnsiString TCustomLabel::GetLabelText() { return Caption(); }

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags) {
  AnsiString text = GetLabelText();
  // An empty text still measures one line.
  if ((Flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar_ && text == "&"))) text += ' ';
  if (!ShowAccelChar_) Flags |= DT_NOPREFIX;
  DrawLabelLook(Rect, Flags, [&] {
    DrawTextA(Canvas()->Handle(), text.c_str(), static_cast<int>(text.size()), &Rect, Flags);
  });
}

void TCustomLabel::DrawLabelLook(TRect& Rect, UINT Flags, const std::function<void()>& Draw) {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  auto draw = [&] {
    canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
    Draw();
  };
  if (Enabled() || (Flags & DT_CALCRECT)) {
    draw();
    return;
  }
  OffsetRect(&Rect, 1, 1);
  canvas->Font()->SetColor(clBtnHighlight);
  draw();
  OffsetRect(&Rect, -1, -1);
  canvas->Font()->SetColor(clBtnShadow);
  draw();
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  if (!Transparent_) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(rect);
  }
  canvas->Brush()->SetStyle(bsClear);
  static constexpr UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  DoDrawText(rect, DT_EXPANDTABS | (WordWrap_ ? DT_WORDBREAK : 0) | Alignments[Alignment_]);
}

void TCustomLabel::AdjustBounds() {
  if (!AutoSize_ || ComponentState().Contains(csLoading) || !Parent()) return;
  TRect rect = ClientRect();
  {
    TScreenDC dc;
    TCanvasLease lease(Canvas(), dc);
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (WordWrap_ ? DT_WORDBREAK : 0));
  }
  Integer left = Alignment_ == taRightJustify ? Left() + Width() - rect.right : Left();
  SetBounds(left, Top(), rect.right, rect.bottom);
}

void TCustomLabel::CMDialogChar(TMessage& Message) {
  if (FocusControl_ && Enabled() && ShowAccelChar_ &&
      IsAccel(static_cast<Word>(Message.WParam), GetLabelText()) && FocusControl_->CanFocus()) {
    FocusControl_->SetFocus();
    Message.Result = 1;
  }
}

void TCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_TEXTCHANGED: case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      return;
    default: TGraphicControl::Dispatch(Message);
  }
}

// --------------------------------------------------------------- edit box

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  ControlStyle_ = {csClickEvents, csSetCaption, csDoubleClicks};
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "EDIT");
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (PasswordChar_) Params.Style |= ES_PASSWORD;
  if (ReadOnly_) Params.Style |= ES_READONLY;
  if (BorderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(MaxLength_), 0);
  SendMessageA(WindowHandle(), EM_SETPASSWORDCHAR, static_cast<Byte>(PasswordChar_), 0);
  SendMessageA(WindowHandle(), EM_SETMODIFY, Modified_, 0);
}

void TCustomEdit::DestroyWnd() {
  Modified_ = Modified();
  TWinControl::DestroyWnd();
}

void TCustomEdit::SetMaxLength(Integer Value) {
  MaxLength_ = Value;
  if (HandleAllocated())
    SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(Value), 0);
}

void TCustomEdit::SetPasswordChar(AnsiChar Value) {
  if (PasswordChar_ == Value) return;
  PasswordChar_ = Value;
  if (!HandleAllocated()) return;
  SendMessageA(WindowHandle(), EM_SETPASSWORDCHAR, static_cast<Byte>(Value), 0);
  // The window shows the new character only once its text is set again.
  SetTextBuf(GetText().c_str());
}

void TCustomEdit::SetReadOnly(bool Value) {
  ReadOnly_ = Value;
  if (HandleAllocated()) SendMessageA(WindowHandle(), EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (BorderStyle_ == Value) return;
  BorderStyle_ = Value;
  RecreateWnd();
}

bool TCustomEdit::Modified() {
  if (!HandleAllocated()) return Modified_;
  return SendMessageA(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool Value) {
  Modified_ = Value;
  if (HandleAllocated()) SendMessageA(WindowHandle(), EM_SETMODIFY, Value, 0);
}

Integer TCustomEdit::SelStart() {
  DWORD start = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<Integer>(start);
}

void TCustomEdit::SetSelStart(Integer Value) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(Value), Value);
}

Integer TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(end - start);
}

void TCustomEdit::SetSelLength(Integer Value) {
  Integer start = SelStart();
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + Value);
}

AnsiString TCustomEdit::SelText() {
  Integer start = SelStart(), length = SelLength();
  return GetText().substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

void TCustomEdit::SelectAll() { SendMessageA(Handle(), EM_SETSEL, 0, -1); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == EN_CHANGE) Change();
      return;
    case CM_TEXTCHANGED:
      if (!HandleAllocated()) Change();  // the window reports its own changes
      return;
    default: TWinControl::Dispatch(Message);
  }
}

// ---------------------------------------------------------------- buttons

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  // BN_CLICKED is the click; the mouse-up of the control is not.
  ControlStyle_ = {csSetCaption, csDoubleClicks};
  SetTabStop(true);
}

TControlActionLinkClass TButtonControl::GetActionLinkClass() { return &TButtonActionLink::Make; }

TControlActionLink* TButtonActionLink::Make(TControl* Client) { return new TButtonActionLink(Client); }

bool TButtonActionLink::IsCheckedLinked() {
  auto* action = dynamic_cast<TCustomAction*>(Action_);
  return TWinControlActionLink::IsCheckedLinked() && action &&
         Button()->GetChecked() == action->Checked();
}

// The action's change is no click of the button.
void TButtonActionLink::SetChecked(bool Value) {
  if (!IsCheckedLinked()) return;
  TRestore<bool> restore(Button()->ClicksDisabled_);
  Button()->ClicksDisabled_ = true;
  Button()->SetChecked(Value);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  CreateSubClass(Params, "BUTTON");
  Params.Style |= Default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool Value) {
  if (Default_ == Value) return;
  Default_ = Value;
  if (HandleAllocated())
    SendMessageA(WindowHandle(), BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this); form && ModalResult_ != mrNone)
    form->SetModalResult(ModalResult_);
  TButtonControl::Click();
}

// Enter clicks the default button, Escape the cancel button.
void TButton::CMDialogKey(TMessage& Message) {
  bool mine = (Message.WParam == VK_RETURN && Default_) || (Message.WParam == VK_ESCAPE && Cancel_);
  if (mine && KeyDataToShiftState(Message.LParam).Empty() && CanFocus()) {
    Click();
    Message.Result = 1;
  } else {
    TButtonControl::Dispatch(Message);
  }
}

void TButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && CanFocus()) {
    Click();
    Message.Result = 1;
  } else {
    TButtonControl::Dispatch(Message);
  }
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == BN_CLICKED) Click();
      return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    default: TButtonControl::Dispatch(Message);
  }
}

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  CreateSubClass(Params, "BUTTON");
  Params.Style |= BS_3STATE;
  if (Alignment_ == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageA(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(State_), 0);
}

void TCustomCheckBox::SetAlignment(TLeftRight Value) {
  if (Alignment_ == Value) return;
  Alignment_ = Value;
  RecreateWnd();
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  if (State_ == Value) return;
  State_ = Value;
  if (HandleAllocated()) SendMessageA(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(Value), 0);
  if (!ClicksDisabled_ && !ComponentState().Contains(csLoading)) Click();
}

void TCustomCheckBox::Toggle() {
  switch (State_) {
    case cbUnchecked: SetState(AllowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::CMDialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && CanFocus()) {
    SetFocus();
    if (Focused()) Toggle();
    Message.Result = 1;
  } else {
    TButtonControl::Dispatch(Message);
  }
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == BN_CLICKED) Toggle();
      return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    default: TButtonControl::Dispatch(Message);
  }
}

// ------------------------------------------------------------- group box

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                   csDoubleClicks};
  SetBounds(0, 0, 185, 105);
  Color_ = clBtnFace;
}

void TCustomGroupBox::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  TRect client = ClientRect();
  canvas->FillRect(client);
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  TEXTMETRICA metrics{};
  GetTextMetricsA(canvas->Handle(), &metrics);
  Integer height = metrics.tmHeight;
  TRect frame = Rect(1, height / 2, client.right, client.bottom);
  canvas->Brush()->SetColor(clBtnHighlight);
  canvas->FrameRect(frame);
  OffsetRect(&frame, -1, -1);
  canvas->Brush()->SetColor(clBtnShadow);
  canvas->FrameRect(frame);
  AnsiString text = Caption();
  if (text.empty()) return;
  TRect textRect = Rect(8, 0, 0, height);
  DrawTextA(canvas->Handle(), text.c_str(), -1, &textRect, DT_SINGLELINE | DT_CALCRECT);
  canvas->Brush()->SetColor(Color());
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  DrawTextA(canvas->Handle(), text.c_str(), -1, &textRect, DT_SINGLELINE);
}

// The first child in tab order that can take the focus gets it.
void TCustomGroupBox::CMDialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && CanFocus()) {
    SelectFirst();
    Message.Result = 1;
  } else {
    TCustomControl::Dispatch(Message);
  }
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_TEXTCHANGED: case CM_FONTCHANGED:
      Invalidate();
      TCustomControl::Dispatch(Message);
      return;
    default: TCustomControl::Dispatch(Message);
  }
}

void Initialization_StdCtrls() {
  RegisterClasses({TLabel::StaticClass(), TEdit::StaticClass(), TMemo::StaticClass(),
                   TButton::StaticClass(), TCheckBox::StaticClass(), TGroupBox::StaticClass()});
}

void Finalization_StdCtrls() {}
