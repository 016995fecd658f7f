// Common controls: list view and extended combo box.
#include "ComCtrls.h"

#include <commctrl.h>

QEV_DEFINE_CLASS(TCustomListView)
QEV_DEFINE_CLASS(TCustomComboBoxEx)

// --------------------------------------------------------------- list view

TCustomListView::TCustomListView(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle_ = {csCaptureMouse, csClickEvents, csDoubleClicks};
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_LISTVIEW_CLASSES);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, WC_LISTVIEWA);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

TControlActionLinkClass TCustomListView::GetActionLinkClass() {
  return &TListViewActionLink::Make;
}

TControlActionLink* TListViewActionLink::Make(TControl* Client) {
  return new TListViewActionLink(Client);
}

// ------------------------------------------------------ extended combo box

TCustomComboBoxEx::TCustomComboBoxEx(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle_ = {csCaptureMouse, csClickEvents, csDoubleClicks};
  SetBounds(0, 0, 145, 22);
  SetTabStop(true);
}

void TCustomComboBoxEx::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_USEREX_CLASSES);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, WC_COMBOBOXEXA);
  Params.Style |= CBS_DROPDOWN | WS_VSCROLL;
}

// The window keeps its text in its edit, which the creation's caption misses.
void TCustomComboBoxEx::CreateWnd() {
  const AnsiString text = Text_;
  TWinControl::CreateWnd();
  if (!text.empty()) Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

TControlActionLinkClass TCustomComboBoxEx::GetActionLinkClass() {
  return &TComboBoxExActionLink::Make;
}

TControlActionLink* TComboBoxExActionLink::Make(TControl* Client) {
  return new TComboBoxExActionLink(Client);
}
