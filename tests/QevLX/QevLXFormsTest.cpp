// The framework form: task-bar buttons and the application window, closing a
// main form that waits for other task-bar forms, owned forms and the modal
// showing without a loop of its own, and the way to a disabled form's dialog.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../Platform/MessagePump.h"
#include "QevLXForms.h"
#include "QevSysUtils.h"
#include "TestSupport.h"

namespace {

using TFormPtr = std::unique_ptr<TQevFormLX>;

TFormPtr NewFormLX() { return TFormPtr(NewForm<TQevFormLX>(nullptr)); }

TFormPtr ShownForm(bool TaskBar = false) {
  TFormPtr form = NewFormLX();
  form->SetTaskBarButton(TaskBar);
  form->Show();
  return form;
}

bool WindowEnabled(TWinControl* Control) { return IsWindowEnabled(Control->Handle()) != FALSE; }

// The application's main form for the life of the object. The application
// object has no other way to forget it than the form going.
class TMainFormScope {
 public:
  TMainFormScope() {
    Application->CreateForm(TQevFormLX::StaticClass(), &Form);
    EXPECT_EQ(Application->MainForm(), Form);
  }
  ~TMainFormScope() {
    delete Form;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ShowWindow(Application->Handle(), SW_HIDE);
  }
  TQevFormLX* Form = nullptr;
};

// Serves messages until the application asks to end (the WM_QUIT is taken).
bool PumpUntilQuit() {
  bool quit = false;
  return PumpUntil([&] {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit = true;
    return quit;
  });
}

bool QuitWaiting() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// Records what FlashWindowEx is asked to do.
std::vector<FLASHWINFO> Flashes;
BOOL WINAPI RecordFlash(PFLASHWINFO Info) {
  Flashes.push_back(*Info);
  return TRUE;
}

class TFlashRecorder {
 public:
  TFlashRecorder() : Saved_(FlashWindowExProc) {
    Flashes.clear();
    FlashWindowExProc = &RecordFlash;
  }
  ~TFlashRecorder() { FlashWindowExProc = Saved_; }

 private:
  TFlashWindowExProc Saved_;
};

void SetApplicationActive(bool Active) {
  SendMessageA(Application->Handle(), WM_ACTIVATEAPP, Active, 0);
}

}  // namespace

TEST(QevLXFormsTest, TaskBarButtonMakesAnUnownedAppWindow) {
  TFormPtr form = NewFormLX();
  HWND wnd = form->Handle();
  EXPECT_EQ(GetWindow(wnd, GW_OWNER), Application->Handle());
  form->SetTaskBarButton(true);
  wnd = form->Handle();
  EXPECT_TRUE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(wnd, GW_OWNER), nullptr);
  form->SetTaskBarButton(false);
  EXPECT_FALSE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

  TFormPtr owner = NewFormLX();
  form->SetOwnerControl(owner.get());
  EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), owner->Handle());
  owner.reset();  // the form forgets its owner
  EXPECT_EQ(form->OwnerControl(), nullptr);
}

TEST(QevLXFormsTest, OwnershipAndStyleChecksComeBeforeAnyChange) {
  const WideString mainOrMdi = L"Internal Error: This operation is not valid for a main or MDI form.";
  TFormPtr taskBar = NewFormLX();
  taskBar->SetTaskBarButton(true);
  ExpectRaises<EQevInternalError>(
      [&] { taskBar->CheckOwnable(); },
      L"Internal Error: This operation is not valid for a form with a TaskBar button.");
  TFormPtr owner = NewFormLX();
  EXPECT_THROW(taskBar->SetOwnerControl(owner.get()), EQevInternalError);
  EXPECT_EQ(taskBar->OwnerControl(), nullptr);

  TFormPtr mdi = NewFormLX();
  mdi->SetFormStyle(fsMDIForm);
  ExpectRaises<EQevInternalError>([&] { mdi->BeginModal(); }, mainOrMdi);

  TFormPtr owned = NewFormLX();
  owned->SetOwnerControl(owner.get());
  ExpectRaises<EQevGeneralError>(
      [&] { owned->SetTaskBarButton(true); },
      L"A MDI child or a contained form can not have its own task bar button.");
  EXPECT_FALSE(owned->TaskBarButton());
  ExpectRaises<EQevInternalError>([&] { owned->SetFormStyle(fsMDIForm); },
                                  L"Internal Error: An owned form can not be a main or MDI form.");
  EXPECT_EQ(owned->FormStyle(), fsNormal);
  ExpectRaises<EQevInternalError>(
      [&] { taskBar->SetFormStyle(fsMDIChild); },
      L"Internal Error: An MDI child form can not have a taskbar button.");

  TMainFormScope main;
  ExpectRaises<EQevInternalError>([&] { main.Form->CheckOwnable(); }, mainOrMdi);
}

TEST(QevLXFormsTest, BeginModalRefusesVisibleAndDisabledForms) {
  TFormPtr form = ShownForm();
  ExpectRaises<EInvalidOperation>([&] { form->BeginModal(); },
                                  L"Cannot make a visible window modal");
  form->Hide();
  form->SetEnabled(false);
  ExpectRaises<EQevGeneralError>([&] { form->BeginModal(); },
                                 L"Cannot make a disabled window modal");
  EXPECT_FALSE(form->FormState().Contains(fsModal));
}

// Without an owner control every other window is disabled; EndModal enables
// only those, and gives the activation back.
TEST(QevLXFormsTest, ModalWithoutOwnerDisablesAndRestoresTaskWindows) {
  TFormPtr other = ShownForm(), disabledBefore = ShownForm(), modal = NewFormLX();
  EnableWindow(disabledBefore->Handle(), FALSE);
  SetActiveWindow(other->Handle());
  modal->BeginModal();
  EXPECT_TRUE(modal->Visible());
  EXPECT_TRUE(modal->FormState().Contains(fsModal));
  EXPECT_FALSE(WindowEnabled(other.get()));
  EXPECT_TRUE(WindowEnabled(modal.get()));
  ExpectRaises<EInvalidOperation>([&] { modal->BeginModal(); },
                                  L"Cannot make a visible window modal");

  modal->EndModal();
  EXPECT_FALSE(modal->Visible());
  EXPECT_FALSE(modal->FormState().Contains(fsModal));
  EXPECT_TRUE(WindowEnabled(other.get()));
  EXPECT_FALSE(WindowEnabled(disabledBefore.get()));
  EXPECT_EQ(GetActiveWindow(), other->Handle());
}

// With an owner control only that control is disabled, and it gets back the
// state it had.
TEST(QevLXFormsTest, ModalWithOwnerDisablesOnlyTheOwner) {
  TFormPtr owner = ShownForm(), bystander = ShownForm(), modal = NewFormLX();
  modal->SetOwnerControl(owner.get());
  modal->BeginModal();
  EXPECT_FALSE(owner->Enabled());
  EXPECT_FALSE(WindowEnabled(owner.get()));
  EXPECT_TRUE(WindowEnabled(bystander.get()));
  modal->EndModal();
  EXPECT_TRUE(owner->Enabled());
  EXPECT_TRUE(WindowEnabled(owner.get()));

  owner->SetEnabled(false);
  modal->BeginModal();
  modal->EndModal();
  EXPECT_FALSE(owner->Enabled());
}

// EndModal restores nothing that BeginModal did not change.
TEST(QevLXFormsTest, EndModalWithoutBeginModalChangesNothing) {
  TFormPtr owner = ShownForm(), disabled = ShownForm(), modal = NewFormLX();
  EnableWindow(disabled->Handle(), FALSE);
  modal->EndModal();
  EXPECT_FALSE(WindowEnabled(disabled.get()));
  modal->SetOwnerControl(owner.get());
  owner->SetEnabled(false);
  modal->EndModal();
  EXPECT_FALSE(owner->Enabled());
  owner->SetEnabled(true);
  modal->EndModal();
  EXPECT_TRUE(owner->Enabled());
}

namespace {
struct TRaiser {
  void Raise(TObject*) { throw EQevGeneralError(L"handler failed"); }
};
}  // namespace

// A failing show or hide handler, or a form freed while modal, leaves no
// window disabled.
TEST(QevLXFormsTest, ModalStateIsUndoneOnFailureAndWhenFreed) {
  TRaiser raiser;
  TFormPtr other = ShownForm(), modal = NewFormLX();
  modal->OnShow = TNotifyEvent::Bind<&TRaiser::Raise>(&raiser);
  EXPECT_THROW(modal->BeginModal(), EQevGeneralError);
  EXPECT_TRUE(WindowEnabled(other.get()));
  EXPECT_FALSE(modal->FormState().Contains(fsModal));

  modal.reset(NewFormLX().release());
  modal->OnHide = TNotifyEvent::Bind<&TRaiser::Raise>(&raiser);
  modal->BeginModal();
  EXPECT_THROW(modal->EndModal(), EQevGeneralError);
  EXPECT_TRUE(WindowEnabled(other.get()));
  EXPECT_FALSE(modal->FormState().Contains(fsModal));

  modal.reset(NewFormLX().release());
  modal->BeginModal();
  modal.reset();
  EXPECT_TRUE(WindowEnabled(other.get()));
}

TEST(QevLXFormsTest, ApplicationWindowFollowsTheMainForm) {
  HWND app = Application->Handle();
  {
    TMainFormScope main;
    main.Form->Show();
    EXPECT_TRUE(IsWindowVisible(app));
    main.Form->SetTaskBarButton(true);
    EXPECT_FALSE(IsWindowVisible(app));
    main.Form->SetTaskBarButton(false);
    EXPECT_TRUE(IsWindowVisible(app));
  }
  KeepApplicationWindowHidden = true;
  {
    TMainFormScope main;
    main.Form->Show();
    EXPECT_FALSE(IsWindowVisible(app));
    main.Form->Hide();
    main.Form->Show();
    EXPECT_FALSE(IsWindowVisible(app));
  }
  KeepApplicationWindowHidden = false;
}

TEST(QevLXFormsTest, MainFormWaitsForTheOtherTaskBarForms) {
  TMainFormScope main;
  main.Form->SetTaskBarButton(true);
  main.Form->Show();
  TFormPtr second = ShownForm(true);
  main.Form->Close();
  EXPECT_FALSE(main.Form->Visible());
  EXPECT_FALSE(QuitWaiting());
  second->Close();  // hidden, not freed: the main form closes all the same
  EXPECT_TRUE(PumpUntilQuit());

  // Freeing the other form ends the wait too; a hidden one never blocks.
  main.Form->Show();
  second->Show();
  TFormPtr hidden = NewFormLX();
  hidden->SetTaskBarButton(true);
  main.Form->Close();
  EXPECT_FALSE(QuitWaiting());
  second.reset();
  EXPECT_TRUE(PumpUntilQuit());
  main.Form->Show();
  main.Form->Close();
  EXPECT_TRUE(QuitWaiting());
}

// A click on a form disabled by its dialog brings the dialog up; only when
// the program was active already does it flash (and beep).
TEST(QevLXFormsTest, ClickOnDisabledFormActivatesItsDialog) {
  TFlashRecorder flashes;
  TFormPtr owner = ShownForm(), dialog = NewFormLX(), elsewhere = ShownForm();
  dialog->SetOwnerControl(owner.get());
  dialog->BeginModal();
  HWND wnd = owner->Handle();
  const LPARAM click = MAKELPARAM(HTERROR, WM_LBUTTONDOWN);

  SetActiveWindow(elsewhere->Handle());
  SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), click);
  EXPECT_EQ(GetActiveWindow(), dialog->Handle());
  ASSERT_EQ(Flashes.size(), 1u);
  EXPECT_EQ(Flashes[0].cbSize, sizeof(FLASHWINFO));
  EXPECT_EQ(Flashes[0].hwnd, dialog->Handle());
  EXPECT_EQ(Flashes[0].dwFlags, static_cast<DWORD>(FLASHW_CAPTION));
  EXPECT_EQ(Flashes[0].uCount, 3u);
  EXPECT_EQ(Flashes[0].dwTimeout, 70u);

  SetApplicationActive(false);
  SetActiveWindow(elsewhere->Handle());
  SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), click);
  SetApplicationActive(true);
  EXPECT_EQ(GetActiveWindow(), dialog->Handle());
  EXPECT_EQ(Flashes.size(), 1u);

  // Other mouse messages, and an enabled form, are left alone.
  SetActiveWindow(elsewhere->Handle());
  SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTERROR, WM_MOUSEMOVE));
  EXPECT_EQ(GetActiveWindow(), elsewhere->Handle());
  dialog->EndModal();
  SetActiveWindow(elsewhere->Handle());
  SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), click);
  EXPECT_EQ(GetActiveWindow(), elsewhere->Handle());
  EXPECT_EQ(Flashes.size(), 1u);
}

// Switching to the program through a disabled task-bar form brings the
// application's modal dialog to the front.
TEST(QevLXFormsTest, ActivatingTheProgramBringsTheModalDialogUp) {
  TFormPtr taskBar = ShownForm(true), dialog = NewFormLX();
  dialog->BeginModal();
  ASSERT_FALSE(WindowEnabled(taskBar.get()));
  EXPECT_EQ(GetApplicationModalPopup(), dialog->Handle());
  // Shown after the dialog, so still enabled; not the application's popup.
  TFormPtr elsewhere = ShownForm(true);
  SetActiveWindow(elsewhere->Handle());
  ASSERT_EQ(GetActiveWindow(), elsewhere->Handle());

  SendMessageA(taskBar->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == dialog->Handle(); }));
  dialog->EndModal();
  EXPECT_EQ(GetApplicationModalPopup(), nullptr);
}
