// Messages carrying a pointer into the program or freeing a form, sent and
// posted to a form's windows as another program would: from a thread that
// does not own them. Wine hands another process's wParam and lParam of these
// over unchanged, as it does another thread's; of WM_NOTIFY only a post
// arrives from another process.
#pragma once

#include "WinApi.h"  // before the common controls' header

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "Forms.h"
#include "Scoped.h"

class TForeignSender {
 public:
  // Every message with every bogus pointer, sent and then posted to the
  // application window, Form and each window inside it; the calling (main)
  // thread serves them. Exceptions reported meanwhile land in Faults.
  void Attack(TCustomForm* Form) {
    TRestore<TExceptionEvent> log(Application->OnException,
                                  TExceptionEvent::Bind<&TForeignSender::Record>(this));
    Windows_ = {Application->Handle(), Form->Handle()};
    EnumChildWindows(Form->Handle(), &AddWindow, reinterpret_cast<LPARAM>(&Windows_));
    HANDLE thread = CreateThread(nullptr, 0, &Send, this, 0, nullptr);
    ASSERT_TRUE(thread);
    TScopeExit close([thread] { CloseHandle(thread); });
    // Through the application's loop, as the programs take their messages.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 20000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
      Application->ProcessMessages();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
    Application->ProcessMessages();  // the last posted ones
  }
  std::vector<WideString> Faults;
  // No handler wrote through the pointer to zeros.
  bool ZerosUntouched() const {
    return std::all_of(std::begin(Zeros_), std::end(Zeros_), [](char c) { return c == 0; });
  }

 private:
  struct TForeignMessage {
    UINT Msg;
    bool PointerInWParam;
    bool PostedOnly;  // another process's send of it never arrives under Wine
  };
  static constexpr TForeignMessage Messages[] = {
      {CM_HINTSHOW, false, false},         {CM_ACTIONEXECUTE, false, false},
      {CM_ACTIONUPDATE, false, false},     {CM_CONTROLLISTCHANGE, true, false},
      {CM_RELEASE, false, false},          {CN_DRAWITEM, false, false},
      {CN_NOTIFY, false, false},           {WM_NOTIFY, false, true},
      {CM_DOCKCLIENT, true, false},        {CM_DOCKNOTIFICATION, true, false}};

  static BOOL CALLBACK AddWindow(HWND Wnd, LPARAM List) {
    reinterpret_cast<std::vector<HWND>*>(List)->push_back(Wnd);
    return TRUE;
  }
  static DWORD WINAPI Send(void* Self) {
    auto* self = static_cast<TForeignSender*>(Self);
    const LPARAM pointers[] = {1, reinterpret_cast<LPARAM>(self->Zeros_),
                               static_cast<LPARAM>(0xFEEEFEEEFEEEFEEEull & ~std::uintptr_t(0))};
    for (bool post : {false, true})
      for (HWND wnd : self->Windows_)
        for (const TForeignMessage& m : Messages)
          for (LPARAM p : pointers) {
            if (m.PostedOnly && !post) continue;
            const WPARAM w = m.PointerInWParam ? static_cast<WPARAM>(p) : 0;
            const LPARAM l = m.PointerInWParam ? 0 : p;
            if (post) PostMessageW(wnd, m.Msg, w, l);
            else SendMessageW(wnd, m.Msg, w, l);
          }
    return 0;
  }
  void Record(TObject*, Exception* E) { Faults.push_back(E->Message); }

  std::vector<HWND> Windows_;
  char Zeros_[512] = {};
};
