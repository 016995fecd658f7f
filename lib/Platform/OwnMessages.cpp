// The list of the program's own messages and the records of those it sends
// and posts.
#include "OwnMessages.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <vector>

#include "Controls.h"
#include "Scoped.h"

namespace {

// A message added to the framework with a pointer in a parameter, or one
// that frees its receiver, takes an entry here.
constexpr UINT OwnMessages[] = {
    CM_HINTSHOW, CM_ACTIONEXECUTE, CM_ACTIONUPDATE, CM_CONTROLLISTCHANGE, CM_RELEASE,
    CM_DOCKCLIENT, CM_DOCKNOTIFICATION, CN_DRAWITEM, CN_NOTIFY,
};

bool IsOwnMessage(UINT Msg) {
  return std::find(std::begin(OwnMessages), std::end(OwnMessages), Msg) != std::end(OwnMessages);
}

struct TOwnMessage {
  HWND Wnd = nullptr;
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  bool operator==(const TOwnMessage&) const = default;
};
thread_local TOwnMessage Sending;

// Posts wait in the queue of the window's thread, which may not be the poster.
std::mutex PostedLock;
std::vector<TOwnMessage> Posted;

bool TakePosted(const TOwnMessage& Message) {
  std::lock_guard<std::mutex> lock(PostedLock);
  auto it = std::find(Posted.begin(), Posted.end(), Message);
  if (it == Posted.end()) return false;
  Posted.erase(it);
  return true;
}

}  // namespace

LRESULT SendOwnMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TRestore<TOwnMessage> sending(Sending, TOwnMessage{Wnd, Msg, WParam, LParam});
  return SendMessageA(Wnd, Msg, WParam, LParam);
}

BOOL PostOwnMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  // Held across the post: the window's thread must not look before the record is in.
  std::lock_guard<std::mutex> lock(PostedLock);
  if (!PostMessageA(Wnd, Msg, WParam, LParam)) return FALSE;
  Posted.push_back({Wnd, Msg, WParam, LParam});
  return TRUE;
}

void ForgetOwnPosts(HWND Wnd) {
  std::lock_guard<std::mutex> lock(PostedLock);
  std::erase_if(Posted, [Wnd](const TOwnMessage& m) { return m.Wnd == Wnd; });
}

bool IsForeignMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!IsOwnMessage(Msg)) return false;
  const TOwnMessage message{Wnd, Msg, WParam, LParam};
  if (Sending == message) {
    Sending = TOwnMessage();  // taken once: a copy arriving later is somebody else's
    return false;
  }
  if (TakePosted(message)) return false;
  OutputDebugStringW(L"a message of the program's own from elsewhere was dropped\n");
  return true;
}
