// The list of pointer-carrying messages and the record of the one this
// thread is sending.
#include "OwnMessages.h"

#include <commctrl.h>

#include "ComCtrls.h"
#include "Scoped.h"

namespace {

// Receivers: nullptr for every window; otherwise the class whose windows
// read the pointer (the number is another class's message elsewhere).
struct TOwnMessage {
  UINT Msg;
  const TClass* (*Receivers)();
};

const TOwnMessage OwnMessages[] = {
    {CM_HINTSHOW, nullptr},
    {CM_ACTIONEXECUTE, nullptr},
    {CM_ACTIONUPDATE, nullptr},
    {CM_CONTROLLISTCHANGE, nullptr},
    {CN_DRAWITEM, nullptr},
    {CN_NOTIFY, nullptr},
    {TCM_INSERTITEMA, &TPageControl::StaticClass},
    {TCM_SETITEMA, &TPageControl::StaticClass},
    {SB_SETTEXTA, &TCustomStatusBar::StaticClass},
    {SB_SETPARTS, &TCustomStatusBar::StaticClass},
};

bool IsOwnMessage(const TObject* Receiver, UINT Msg) {
  for (const TOwnMessage& m : OwnMessages) {
    if (m.Msg != Msg) continue;
    if (!m.Receivers || (Receiver && Receiver->ClassType()->InheritsFrom(m.Receivers())))
      return true;
  }
  return false;
}

struct TSending {
  HWND Wnd = nullptr;
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};
thread_local TSending Sending;

}  // namespace

LRESULT SendOwnMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TRestore<TSending> sending(Sending, TSending{Wnd, Msg, WParam, LParam});
  return SendMessageA(Wnd, Msg, WParam, LParam);
}

bool IsForeignMessage(HWND Wnd, const TObject* Receiver, UINT Msg, WPARAM WParam,
                      LPARAM LParam) {
  if (!IsOwnMessage(Receiver, Msg)) return false;
  const TSending& s = Sending;
  if (s.Wnd == Wnd && s.Msg == Msg && s.WParam == WParam && s.LParam == LParam) {
    Sending = TSending();  // taken once: a copy arriving later is somebody else's
    return false;
  }
  OutputDebugStringW(L"a foreign message with a pointer was dropped\n");
  return true;
}
