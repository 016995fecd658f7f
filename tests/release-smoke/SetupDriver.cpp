// Drives the release setup for scripts/smoke-release from inside its Wine
// prefix, the way tests/e2e/SetupE2ETest.cpp does: buttons found by their text
// and clicked through their parent. A standalone x86_64 program; the setup
// under test is the 32-bit one.
//   SetupDriver install   Install, uncheck the preview, Close
//   SetupDriver entry     system.ini's screen saver names the installed file
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr ULONGLONG Patience = 120000;  // ms; the 32-bit side may be emulated

std::wstring TextOf(HWND Wnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(Wnd, buffer, 512);
  return buffer;
}

template <class F>
bool Wait(F Done, ULONGLONG Milliseconds = Patience) {
  const ULONGLONG end = GetTickCount64() + Milliseconds;
  while (!Done()) {
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
  return true;
}

struct TFind {
  const wchar_t* Text;
  HWND Found;
};

HWND Child(HWND Parent, const wchar_t* Text) {
  TFind find{Text, nullptr};
  EnumChildWindows(
      Parent,
      [](HWND Wnd, LPARAM Data) -> BOOL {
        auto* f = reinterpret_cast<TFind*>(Data);
        if (TextOf(Wnd) != f->Text) return TRUE;
        f->Found = Wnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

// The wizard: a shown top-level window titled "... Setup" with an Install button.
HWND Wizard() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND Wnd, LPARAM Data) -> BOOL {
        const std::wstring title = TextOf(Wnd);
        if (!IsWindowVisible(Wnd) || title.size() < 6 || title.substr(title.size() - 6) != L" Setup" ||
            !Child(Wnd, L"Install"))
          return TRUE;
        *reinterpret_cast<HWND*>(Data) = Wnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void Click(HWND Button) {
  PostMessageW(GetParent(Button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
               reinterpret_cast<LPARAM>(Button));
}

int Fail(const char* What) {
  std::printf("SetupDriver: %s\n", What);
  return 1;
}

int Install() {
  HWND wizard = nullptr;
  if (!Wait([&] { return (wizard = Wizard()) != nullptr; }))
    return Fail("no setup wizard with an Install button");
  std::printf("SetupDriver: wizard \"%ls\"\n", TextOf(wizard).c_str());
  Click(Child(wizard, L"Install"));
  if (!Wait([&] { return Child(wizard, L"Close") != nullptr; }))
    return Fail("the done page did not show");
  // Unchecked, Close ends the setup instead of opening the display settings.
  HWND preview = Child(wizard, L"Display Screen Saver Preview");
  if (!preview) return Fail("no preview box on the done page");
  auto unchecked = [&] { return SendMessageW(preview, BM_GETCHECK, 0, 0) == BST_UNCHECKED; };
  if (!unchecked()) Click(preview);
  if (!Wait(unchecked)) return Fail("the preview box stayed checked");
  Click(Child(wizard, L"Close"));
  std::printf("SetupDriver: Install and Close clicked\n");
  return 0;
}

int Entry() {
  wchar_t entry[MAX_PATH] = {}, longPath[MAX_PATH] = {}, folder[MAX_PATH] = {};
  GetPrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"", entry, MAX_PATH, L"system.ini");
  GetLongPathNameW(entry, longPath, MAX_PATH);
  GetWindowsDirectoryW(folder, MAX_PATH);
  const std::wstring installed = std::wstring(folder) + L"\\vintraflm.scr";
  std::printf("SetupDriver: [boot] SCRNSAVE.EXE=%ls\n", entry);
  if (CompareStringOrdinal(longPath, -1, installed.c_str(), -1, TRUE) != CSTR_EQUAL)
    return Fail("the screen saver entry does not name the installed file");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"install") == 0) return Install();
  if (argc == 2 && std::wcscmp(argv[1], L"entry") == 0) return Entry();
  return Fail("usage: SetupDriver install|entry");
}
