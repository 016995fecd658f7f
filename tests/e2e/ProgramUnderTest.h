// A real program of the build started by an end-to-end test: waiting with the
// test's own messages served, the program's windows and its exit.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Scoped.h"
#include "System.h"

#include <tlhelp32.h>

constexpr DWORD Patience = 30000;  // ms; generous, the machine may be busy

// Serves this thread's messages (a window of the test may have to answer the
// program) until Done or the time is up; whether Done came.
inline bool WaitFor(const std::function<bool()>& Done, DWORD Milliseconds = Patience) {
  const ULONGLONG end = GetTickCount64() + Milliseconds;
  for (;;) {
    if (Done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  }
}

// A build output as the Windows side sees it.
inline std::wstring HostPath(const char* Path) {
  std::wstring path = L"Z:" + AnsiToWide(Path);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// Makes Wnd the window that takes the keyboard, and waits until it does:
// activating another process's window is asynchronous, and keys sent before
// it is the foreground window with a focus inside go to nobody.
inline bool ActivateForInput(HWND Wnd) {
  SetForegroundWindow(Wnd);
  return WaitFor([Wnd] {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetForegroundWindow() != Wnd ||
        !GetGUIThreadInfo(GetWindowThreadProcessId(Wnd, nullptr), &info))
      return false;
    return info.hwndFocus == Wnd || IsChild(Wnd, info.hwndFocus);
  });
}

// The program's process, ended by force only if a test leaves it running.
class TProgramUnderTest {
 public:
  explicit TProgramUnderTest(std::wstring CommandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    Started_ = CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &Process_) != FALSE;
  }
  ~TProgramUnderTest() {
    if (!Started_) return;
    if (Running()) TerminateProcess(Process_.hProcess, 99);
    CloseHandle(Process_.hThread);
    CloseHandle(Process_.hProcess);
  }
  TProgramUnderTest(const TProgramUnderTest&) = delete;
  TProgramUnderTest& operator=(const TProgramUnderTest&) = delete;

  bool Started() const { return Started_; }
  HANDLE Process() const { return Process_.hProcess; }
  bool Running() const { return WaitForSingleObject(Process_.hProcess, 0) == WAIT_TIMEOUT; }
  // The exit code, or nothing when it is still running after the wait.
  std::optional<DWORD> WaitExit(DWORD Milliseconds = Patience) const {
    if (!WaitFor([this] { return !Running(); }, Milliseconds)) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(Process_.hProcess, &code);
    return code;
  }
  // Its visible top-level windows bigger than a dot.
  std::vector<HWND> Windows() const {
    struct TList {
      DWORD Pid;
      std::vector<HWND> Found;
    } list{Process_.dwProcessId, {}};
    EnumWindows(
        [](HWND Wnd, LPARAM Data) -> BOOL {
          auto* l = reinterpret_cast<TList*>(Data);
          DWORD pid = 0;
          GetWindowThreadProcessId(Wnd, &pid);
          RECT r{};
          GetWindowRect(Wnd, &r);
          if (pid == l->Pid && IsWindowVisible(Wnd) && r.right - r.left > 1) l->Found.push_back(Wnd);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return list.Found;
  }
  HWND WaitWindow() const {
    HWND wnd = nullptr;
    WaitFor([&] {
      auto windows = Windows();
      wnd = windows.empty() ? nullptr : windows.front();
      return wnd != nullptr;
    });
    return wnd;
  }
  bool OwnsWindow(HWND Wnd) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(Wnd, &pid);
    return pid == Process_.dwProcessId;
  }
  // Whether the program has the library Name (file name, case ignored) loaded now.
  bool HasLoaded(const wchar_t* Name) const {
    THandleOwner snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, Process_.dwProcessId));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
      snapshot.release();
      return false;
    }
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
         more = Module32NextW(snapshot.get(), &entry))
      if (lstrcmpiW(entry.szModule, Name) == 0) return true;
    return false;
  }

 private:
  PROCESS_INFORMATION Process_{};
  bool Started_ = false;
};

// The saver writes its settings at exit: the prefix gets back what the user
// key held before, from a copy kept beside it while the tests run.
class TKeptSaverSettings {
 public:
  static constexpr const wchar_t* Key = L"Software\\Qev\\VINTRAFilmScreenSaver";
  TKeptSaverSettings()
      : Backup_(L"Software\\QevTests\\Kept" + std::to_wstring(GetCurrentProcessId())) {
    HKEY key, backup;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    RegCreateKeyExW(HKEY_CURRENT_USER, Backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &backup, nullptr);
    Had_ = RegCopyTreeW(key, nullptr, backup) == ERROR_SUCCESS;
    RegCloseKey(backup);
    RegCloseKey(key);
  }
  ~TKeptSaverSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, Key);
    HKEY key, backup;
    if (Had_ &&
        RegOpenKeyExW(HKEY_CURRENT_USER, Backup_.c_str(), 0, KEY_READ, &backup) == ERROR_SUCCESS) {
      RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr);
      RegCopyTreeW(backup, nullptr, key);
      RegCloseKey(key);
      RegCloseKey(backup);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, Backup_.c_str());
  }
  TKeptSaverSettings(const TKeptSaverSettings&) = delete;
  TKeptSaverSettings& operator=(const TKeptSaverSettings&) = delete;

 private:
  std::wstring Backup_;
  bool Had_ = false;
};
