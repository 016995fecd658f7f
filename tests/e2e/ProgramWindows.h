// Reading and driving the windows of a program under test: texts and classes,
// children by text, button clicks, top-level windows by caption or class.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "ProgramUnderTest.h"

// The whole text, also of another process's window; empty when that program
// does not answer in time.
inline std::wstring TextOf(HWND Wnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(Wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, Patience, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(Wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_NORMAL, Patience, &copied);
  text.resize(std::min<size_t>(copied, length));
  return text;
}

inline std::wstring ClassOf(HWND Wnd) {
  wchar_t name[64] = {};
  GetClassNameW(Wnd, name, 64);
  return name;
}

// The first window below Parent whose text is Text, or nullptr.
inline HWND ChildWithText(HWND Parent, const std::wstring& Text) {
  std::pair<std::wstring, HWND> search{Text, nullptr};
  EnumChildWindows(
      Parent,
      [](HWND Wnd, LPARAM Data) -> BOOL {
        auto* s = reinterpret_cast<std::pair<std::wstring, HWND>*>(Data);
        if (TextOf(Wnd) == s->first) s->second = Wnd;
        return s->second == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// A click as the button's parent hears of it.
inline void Click(HWND Button) {
  ASSERT_TRUE(Button);
  PostMessageW(GetParent(Button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
               reinterpret_cast<LPARAM>(Button));
}

// A visible top-level window of Program with that caption or window class.
inline HWND WaitTopLevel(const TProgramUnderTest& Program, const std::wstring& CaptionOrClass) {
  HWND found = nullptr;
  WaitFor([&] {
    for (HWND wnd : Program.Windows())
      if (TextOf(wnd) == CaptionOrClass || ClassOf(wnd) == CaptionOrClass) found = wnd;
    return found != nullptr;
  });
  return found;
}
