// The real saver's settings dialog, opened the way the display settings open
// it ("/c"), worked with real keys and clicks: its pages, the keyword that
// reveals the web-update page, the statistics text it saves, the about box, a
// web update from a server on 127.0.0.1, and what OK and Cancel keep. With
// QEV_SCREENSHOT_DIR set, the windows are also saved there as bitmap files.
#include <gtest/gtest.h>

#include "WinApi.h"
// after <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "../QevLX/TestHttpServer.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "ScreenShot.h"
#include "TestSupport.h"

namespace {

const std::wstring SettingsKey = L"Software\\Qev\\VINTRAFilmScreenSaver\\";
const std::wstring Cyrillic = L"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440!";
enum TPage { WorldPage, ViewersPage, MessagePage, WebUpdatePage };

std::optional<std::wstring> Stored(const wchar_t* Subkey, const wchar_t* Name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (SettingsKey + Subkey).c_str(), 0, KEY_READ, &key))
    return std::nullopt;
  std::wstring text(1024, L'\0');
  DWORD type = 0, size = DWORD(text.size() * sizeof(wchar_t));
  const LONG result =
      RegQueryValueExW(key, Name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::wstring(text.c_str());
}

// ------------------------------------------------------------------ windows

// The visible children whose class name holds Class (controls' classes are
// named after theirs, as "TQevEdit.UnicodeClass") and, unless empty, whose
// text is Text.
std::vector<HWND> Children(HWND Parent, const std::wstring& Class, const std::wstring& Text = {}) {
  std::vector<HWND> all;
  EnumChildWindows(
      Parent,
      [](HWND Wnd, LPARAM List) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(List)->push_back(Wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> found;
  for (HWND wnd : all)
    if (IsWindowVisible(wnd) && ClassOf(wnd).find(Class) != std::wstring::npos &&
        (Text.empty() || TextOf(wnd) == Text))
      found.push_back(wnd);
  return found;
}

// A click the program handles in its own time (it may open a modal window).
void Click(HWND Dialog, const std::wstring& Caption, const wchar_t* Class = L"Button") {
  const std::vector<HWND> buttons = Children(Dialog, Class, Caption);
  ASSERT_FALSE(buttons.empty()) << "no button " << WideToAnsi(Caption);
  PostMessageW(buttons.front(), BM_CLICK, 0, 0);
}

HWND Tabs(HWND Dialog) { return Children(Dialog, L"PageControl").at(0); }
LRESULT TabCount(HWND Dialog) { return SendMessageW(Tabs(Dialog), TCM_GETITEMCOUNT, 0, 0); }
LRESULT ShownPage(HWND Dialog) { return SendMessageW(Tabs(Dialog), TCM_GETCURSEL, 0, 0); }
// As a click on the tab: the tab control tells the dialog.
void ShowPage(HWND Dialog, TPage Page) {
  SendMessageW(Tabs(Dialog), TCM_SETCURFOCUS, Page, 0);
  EXPECT_TRUE(WaitFor([&] { return ShownPage(Dialog) == Page; }));
}

HWND MessageEdit(HWND Dialog) {
  ShowPage(Dialog, MessagePage);
  return Children(Dialog, L"Edit").at(0);  // the page's only edit
}

void TypeKeys(const std::wstring& Text) {
  std::vector<INPUT> keys;
  for (wchar_t c : Text)
    for (DWORD flags : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
      INPUT key{};
      key.type = INPUT_KEYBOARD;
      key.ki.wVk = LOBYTE(VkKeyScanW(c));
      key.ki.dwFlags = flags;
      keys.push_back(key);
    }
  SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT));
}

// What the screen shows of a window, as 32-bit pixels top down; saved as
// Name.png in QEV_SCREENSHOT_DIR when that is set and Name is given.
std::vector<DWORD> Shot(HWND Wnd, const wchar_t* Name = nullptr) {
  // Painted by now: the paints of another thread's windows are sent to it.
  RedrawWindow(Wnd, nullptr, nullptr,
               RDW_UPDATENOW | RDW_ALLCHILDREN | (Name ? RDW_INVALIDATE : 0));
  RECT r{};
  GetWindowRect(Wnd, &r);
  const TScreenShot shot = TScreenShot::Of(r);
  wchar_t dir[MAX_PATH] = {};
  if (Name && GetEnvironmentVariableW(L"QEV_SCREENSHOT_DIR", dir, MAX_PATH)) shot.Keep(Name, dir);
  std::vector<DWORD> pixels;
  for (size_t i = 0; i < shot.Rgb.size(); i += 3)
    pixels.push_back(DWORD(shot.Rgb[i]) << 16 | DWORD(shot.Rgb[i + 1]) << 8 | shot.Rgb[i + 2]);
  return pixels;
}

// The share of the pixels (0xAARRGGBB) that Is picks.
template <class F>
double Share(const std::vector<DWORD>& Pixels, F Is) {
  return double(std::count_if(Pixels.begin(), Pixels.end(), Is)) / double(Pixels.size());
}
bool Black(DWORD P) { return (P & 0xE0E0E0) == 0; }
bool Aqua(DWORD P) {
  return (P & 0xFF0000) < 0x5A0000 && (P & 0xFF00) > 0xA000 && (P & 0xFF) > 0xA0;
}

std::wstring FileText(const std::wstring& Path) {
  std::ifstream file(std::filesystem::path(Path), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

// --------------------------------------------------------------- the suite

class TSettings : public TProgramUnderTest {
 public:
  TSettings() : TProgramUnderTest(L"\"" + HostPath(QEV_SAVER_PATH) + L"\" /c") {}
  HWND Dialog() const { return WaitTopLevel(*this, L"VINTRA Film Screen Saver Properties"); }
};

class SaverSettingsE2ETest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  static void TearDownTestSuite() { WSACleanup(); }
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey.c_str()); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey.c_str()); }
};

TEST_F(SaverSettingsE2ETest, DialogShowsSavesUpdatesAndKeepsWhatOkConfirms) {
  TTestHttpServer server(
      Answer("200 OK",
             "\xEF\xBB\xBFWebUpdateUrl=http://127.0.0.1:9/next.txt\r\n"
             "WorldPresentPeople=7,000,000,000\r\n"
             "UpdateMsg=\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8\r\n"));
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/webstats.txt";
  RegSetKeyValueW(HKEY_CURRENT_USER, (SettingsKey + L"Values").c_str(), L"WebUpdateUrl", REG_SZ,
                  url.c_str(), DWORD((url.size() + 1) * 2));

  TSettings settings;
  HWND dialog = settings.Dialog();
  ASSERT_NE(nullptr, dialog) << "no settings dialog";
  EXPECT_EQ(ViewersPage, ShownPage(dialog));
  EXPECT_EQ(3, TabCount(dialog)) << "the web-update tab shows";
  Shot(dialog, L"settings-viewers");
  ShowPage(dialog, WorldPage);
  Shot(dialog, L"settings-world");
  ShowPage(dialog, MessagePage);
  Shot(dialog, L"settings-message");

  // The keyword, typed with real keys.
  ASSERT_TRUE(ActivateForInput(dialog));
  TypeKeys(L"plinkavor");
  ASSERT_TRUE(WaitFor([&] { return TabCount(dialog) == 4 && ShownPage(dialog) == WebUpdatePage; }))
      << "the keyword did not reveal the web-update page";
  Shot(dialog, L"settings-webupdate");

  // Save, through the system's dialog.
  TTempFolder temp;
  const std::wstring path = temp.Path() + L"saved.txt";
  Click(dialog, L"Save \"webstats.txt\"", L"BitBtn");
  HWND save = WaitTopLevel(settings, L"#32770");
  ASSERT_NE(nullptr, save) << "no save dialog";
  SendMessageW(GetDlgItem(save, cmb13) ? GetDlgItem(save, cmb13) : GetDlgItem(save, edt1),
               WM_SETTEXT, 0, LPARAM(path.c_str()));
  PostMessageW(save, WM_COMMAND, IDOK, 0);
  std::wstring text;
  ASSERT_TRUE(WaitFor([&] { return !(text = FileText(path)).empty(); })) << "nothing saved";
  EXPECT_EQ(L'\uFEFF', text[0]);  // FF FE
  EXPECT_EQ(11, std::count(text.begin(), text.end(), L'\n'));
  EXPECT_EQ(1u, text.find(L"WorldPresentPeople=6,119,036,535\r\nWorldPresentDate=01/01/2001\r\n"));

  // The about box, whose black credits panel slides in on a keyword.
  Click(dialog, L"About...");
  HWND about = WaitTopLevel(settings, L"About...");
  ASSERT_NE(nullptr, about) << "no about box";
  EXPECT_LT(Share(Shot(about, L"about"), Black), 0.2);
  ASSERT_TRUE(ActivateForInput(about));
  TypeKeys(L"braq");
  // Ended: the credit lines stand still over a few polls (several ticks).
  std::vector<DWORD> last;
  int still = 0;
  EXPECT_TRUE(WaitFor([&] {
    std::vector<DWORD> now = Shot(about);
    still = now == last ? still + 1 : 0;
    last = std::move(now);
    return still >= 3 && Share(last, Black) > 0.5 && Share(last, Aqua) > 0.01;
  })) << "the credits did not come";
  Shot(about, L"about-credits");
  Click(about, L"OK");
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }));

  // A web update from the server, announced.
  Click(dialog, L"Web Update");
  HWND announcement = WaitTopLevel(settings, L"Announcement from The VINTRA Film Project...");
  ASSERT_NE(nullptr, announcement) << "no announcement";
  Shot(announcement, L"update-message");
  Click(announcement, L"OK");
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(announcement); }));
  SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, Patience, nullptr);  // refilled by now
  // The edits show the served figure, and it is the default now.
  ShowPage(dialog, WorldPage);
  HWND people = Children(dialog, L"Edit").at(0);
  EXPECT_EQ(L"7,000,000,000", TextOf(people));
  SendMessageW(people, WM_SETTEXT, 0, LPARAM(L"1,000,000,000"));
  Click(dialog, L"Restore Defaults", L"BitBtn");
  EXPECT_TRUE(WaitFor([&] { return TextOf(people) == L"7,000,000,000"; }));

  SendMessageW(MessageEdit(dialog), WM_SETTEXT, 0, LPARAM(Cyrillic.c_str()));
  Click(dialog, L"&OK");
  EXPECT_EQ(0u, settings.WaitExit().value_or(99));
  EXPECT_EQ(Cyrillic, Stored(L"Values", L"ScreenSaverMsg").value_or(L"<none>"));
  EXPECT_EQ(L"7,000,000,000", Stored(L"Defaults", L"WorldPresentPeople").value_or(L""));
  EXPECT_EQ(L"\u041D\u043E\u0432\u043E\u0441\u0442\u0438",
            Stored(L"Defaults", L"UpdateMsg").value_or(L""));
  EXPECT_FALSE(Stored(L"Values", L"WorldPresentDate")) << "only what changed is written";
}

TEST_F(SaverSettingsE2ETest, CancelKeepsNothing) {
  TSettings settings;
  HWND dialog = settings.Dialog();
  ASSERT_NE(nullptr, dialog) << "no settings dialog";
  SendMessageW(MessageEdit(dialog), WM_SETTEXT, 0, LPARAM(Cyrillic.c_str()));
  Click(dialog, L"Cancel");
  EXPECT_EQ(0u, settings.WaitExit().value_or(99));
  EXPECT_FALSE(Stored(L"Values", L"ScreenSaverMsg"));
}

}  // namespace
