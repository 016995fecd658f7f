// Controls and forms that record what reaches them, for the window tests.
#pragma once

#include <vector>

#include "Forms.h"

constexpr UINT WM_TEST_HANDLED = WM_APP + 1;  // handled, then passed on with inherited
constexpr UINT WM_TEST_THROW = WM_APP + 2;    // the handler raises EConvertError
constexpr UINT WM_TEST_ABORT = WM_APP + 3;    // the handler aborts silently
constexpr UINT WM_TEST_MODAL = WM_APP + 4;    // sets ModalResult to WParam

// A window control with its own message handlers and creation parameters.
class TTestWindow : public TWinControl {
  QEV_CLASS(TTestWindow, TWinControl)
 public:
  using TWinControl::TWinControl;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void Loaded() override;
  // Added to the inherited parameters when set.
  DWORD ExtraStyle = 0, ExtraExStyle = 0;
  AnsiString ClassNameOverride;
  std::vector<UINT> Handled, Defaulted;
  THintInfo LastHint;
  static std::vector<AnsiString> Log;  // "Loaded Name", "Create Name"

 protected:
  void CreateParams(TCreateParams& Params) override;
};

// A window control that misreports the length of its text: Factor times the
// true length (0: two characters fewer).
class TMisreportingWindow : public TWinControl {
  QEV_CLASS(TMisreportingWindow, TWinControl)
 public:
  using TWinControl::TWinControl;
  void Dispatch(TMessage& Message) override;
  Integer Factor = 3;
  bool OvercountCopy = false;  // WM_GETTEXT answers more than it copied
};

class TTestForm1 : public TForm {
  QEV_CLASS(TTestForm1, TForm)
 public:
  using TForm::TForm;
  void FormCreate(TObject* Sender);
  TTestWindow* Panel1 = nullptr;
};

// A form class without a form resource.
class TNoResourceForm : public TForm {
  QEV_CLASS(TNoResourceForm, TForm)
 public:
  using TForm::TForm;
};

// A form whose posted messages end its modal loop.
class TModalForm : public TForm {
  QEV_CLASS(TModalForm, TForm)
 public:
  using TForm::TForm;
  void Dispatch(TMessage& Message) override;
  HWND Other = nullptr;
  bool OtherEnabledDuringModal = true;
};
