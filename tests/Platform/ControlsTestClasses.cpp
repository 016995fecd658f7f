#include "ControlsTestClasses.h"

QEV_DEFINE_CLASS(TTestWindow)
QEV_DEFINE_CLASS(TMisreportingWindow)
QEV_DEFINE_CLASS(TTestForm1, QEV_METHOD(FormCreate))
QEV_DEFINE_CLASS(TNoResourceForm)
QEV_DEFINE_CLASS(TModalForm)

std::vector<AnsiString> TTestWindow::Log;

void TTestWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_TEST_HANDLED:
      Handled.push_back(Message.Msg);
      inherited::Dispatch(Message);
      return;
    case WM_TEST_THROW: throw EConvertError(L"Bad value");
    case WM_TEST_ABORT: Abort();
    case CM_HINTSHOW:
      LastHint = *reinterpret_cast<THintInfo*>(Message.LParam);
      reinterpret_cast<THintInfo*>(Message.LParam)->HintStr += "!";
      return;
    default: inherited::Dispatch(Message);
  }
}

void TTestWindow::DefaultHandler(TMessage& Message) {
  if (Message.Msg >= WM_APP) Defaulted.push_back(Message.Msg);
  inherited::DefaultHandler(Message);
}

void TTestWindow::Loaded() {
  inherited::Loaded();
  Log.push_back("Loaded " + Name());
}

void TTestWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= ExtraStyle;
  Params.ExStyle |= ExtraExStyle;
  if (!ClassNameOverride.empty()) Params.WinClassName = ClassNameOverride;
}

void TMisreportingWindow::Dispatch(TMessage& Message) {
  inherited::Dispatch(Message);
  if (Message.Msg == WM_GETTEXTLENGTH)
    Message.Result = Factor ? Message.Result * Factor : std::max<LRESULT>(Message.Result - 2, 0);
  if (Message.Msg == WM_GETTEXT && OvercountCopy) Message.Result += 100;
}

void TTestForm1::FormCreate(TObject*) {
  TTestWindow::Log.push_back("Create " + Name());
  Panel1 = dynamic_cast<TTestWindow*>(FindComponent("Panel1"));
}

void TModalForm::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_TEST_MODAL) {
    OtherEnabledDuringModal = Other && IsWindowEnabled(Other);
    SetModalResult(static_cast<TModalResult>(Message.WParam));
    return;
  }
  inherited::Dispatch(Message);
}
