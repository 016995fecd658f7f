// The real screen saver program, started the way the system starts it: full
// screen, in the windowed test mode, as a preview inside a window of ours and
// with web updates from a server on 127.0.0.1. Its settings live in the test
// prefix's registry; the suite puts back what was there.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../QevLX/TestHttpServer.h"
#include "ProgramUnderTest.h"
#include "ScreenShot.h"
#include "System.h"

namespace {

const wchar_t* const SettingsKey = L"Software\\Qev\\VINTRAFilmScreenSaver";

// ----------------------------------------------------------------- registry

std::wstring KeyPath(const wchar_t* Subkey) {
  return Subkey ? std::wstring(SettingsKey) + L"\\" + Subkey : SettingsKey;
}

void SetText(const wchar_t* Subkey, const wchar_t* Name, const std::wstring& Text) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(Subkey).c_str(), 0, nullptr,
                                           0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExW(key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Text.c_str()),
                 static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

std::optional<std::wstring> Stored(const wchar_t* Subkey, const wchar_t* Name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, KeyPath(Subkey).c_str(), Name, RRF_RT_REG_SZ, nullptr,
                   buffer, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buffer);
}

// ------------------------------------------------------------------ screens

struct TShot {
  Integer Width = 0, Height = 0;
  std::vector<RGBQUAD> Pixels;
  const RGBQUAD& At(Integer X, Integer Y) const { return Pixels[size_t(Y) * size_t(Width) + size_t(X)]; }
  bool Black(Integer X, Integer Y) const {
    const RGBQUAD& p = At(X, Y);
    return p.rgbRed < 24 && p.rgbGreen < 24 && p.rgbBlue < 24;
  }
  // The counters' and the message's colour.
  bool Aqua(Integer X, Integer Y) const {
    const RGBQUAD& p = At(X, Y);
    return p.rgbRed < 90 && p.rgbGreen > 160 && p.rgbBlue > 160;
  }
};

TShot Capture() {
  const TScreenShot screen =
      TScreenShot::Of({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  TShot shot;
  shot.Width = screen.Width;
  shot.Height = screen.Height;
  for (size_t i = 0; i < screen.Rgb.size(); i += 3)
    shot.Pixels.push_back(RGBQUAD{screen.Rgb[i + 2], screen.Rgb[i + 1], screen.Rgb[i], 0});
  return shot;
}

// Where something other than black is; empty when all is black.
RECT ContentBounds(const TShot& Shot) {
  RECT r{Shot.Width, Shot.Height, 0, 0};
  for (Integer y = 0; y < Shot.Height; ++y)
    for (Integer x = 0; x < Shot.Width; ++x)
      if (!Shot.Black(x, y)) {
        r.left = std::min(r.left, LONG(x));
        r.top = std::min(r.top, LONG(y));
        r.right = std::max(r.right, LONG(x + 1));
        r.bottom = std::max(r.bottom, LONG(y + 1));
      }
  return r;
}

// Runs of rows holding aqua text, top down, each as its rows and the
// leftmost and rightmost aqua pixel.
struct TBand {
  Integer Top, Bottom, Left, Right;
};
std::vector<TBand> AquaBands(const TShot& Shot) {
  std::vector<TBand> bands;
  bool open = false;
  for (Integer y = 0; y < Shot.Height; ++y) {
    Integer left = Shot.Width, right = -1;
    for (Integer x = 0; x < Shot.Width; ++x)
      if (Shot.Aqua(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    if (right < 0) {
      open = false;
      continue;
    }
    if (!open) bands.push_back({y, y, left, right});
    TBand& band = bands.back();
    band.Bottom = y;
    band.Left = std::min(band.Left, left);
    band.Right = std::max(band.Right, right);
    open = true;
  }
  // Rows of one line of text may be split by a blank row: join close runs.
  std::vector<TBand> joined;
  for (const TBand& band : bands)
    if (!joined.empty() && band.Top - joined.back().Bottom <= 4) {
      joined.back().Bottom = band.Bottom;
      joined.back().Left = std::min(joined.back().Left, band.Left);
      joined.back().Right = std::max(joined.back().Right, band.Right);
    } else {
      joined.push_back(band);
    }
  return joined;
}

// The message line (the lowest aqua text) is a short one, such as "Hi".
bool ShowsShortMessage() {
  const std::vector<TBand> bands = AquaBands(Capture());
  return !bands.empty() && bands.back().Right - bands.back().Left < 120;
}

// ----------------------------------------------------------------- the saver



// The saver's own process, ended by force only if a test leaves it running.
class TSaver : public TProgramUnderTest {
 public:
  explicit TSaver(const std::wstring& Arguments)
      : TProgramUnderTest(L"\"" + HostPath(QEV_SAVER_PATH) + L"\" " + Arguments) {}
  // Whether it has made a window yet, shown or not: its units have started.
  bool HasAnyWindow() const {
    struct TFind {
      const TSaver* Saver;
      bool Found;
    } find{this, false};
    EnumWindows(
        [](HWND Wnd, LPARAM Data) -> BOOL {
          auto* f = reinterpret_cast<TFind*>(Data);
          f->Found = f->Saver->OwnsWindow(Wnd);
          return !f->Found;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.Found;
  }
};

void PostKey(HWND Wnd, WPARAM Key) {
  PostMessageW(Wnd, WM_KEYDOWN, Key, LPARAM(1) | LPARAM(MapVirtualKeyW(UINT(Key), 0)) << 16);
}

// Returns once the saver's thread has handled the messages posted before:
// a message sent is served before the next posted one is taken, so the
// second round trip comes after everything posted earlier.
void Barrier(HWND Wnd) {
  for (int i = 0; i < 2; ++i) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(Wnd, WM_NULL, 0, 0, SMTO_NORMAL, Patience, &result);
  }
}

// --------------------------------------------------------------- the suite

class SaverE2ETest : public testing::Test {
 protected:
  // The settings the prefix had go aside for the suite and come back after.
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    Kept_ = std::make_unique<TKeptSaverSettings>();
  }
  static void TearDownTestSuite() {
    Kept_.reset();
    WSACleanup();
  }
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey); }

  // Starts the saver with its web address pointing at Url and the panel
  // standing still; Body runs while it shows; then a key ends it. Any window
  // besides the saver's own (an error) fails the test.
  void RunWebUpdate(const std::wstring& Url, const std::function<void(TSaver&, HWND)>& Body) {
    SetText(L"Values", L"WebUpdateUrl", Url);
    SetText(L"Options", L"AnimateDisplay", L"0");
    TSaver saver(L"/s");
    ASSERT_TRUE(saver.Started());
    HWND wnd = saver.WaitWindow();
    ASSERT_NE(nullptr, wnd);
    Body(saver, wnd);
    EXPECT_EQ(std::vector<HWND>{wnd}, saver.Windows()) << "an error was shown";
    PostKey(wnd, VK_SPACE);
    EXPECT_EQ(0u, saver.WaitExit().value_or(99));
  }
  // Nothing of a download reached the registry.
  static void ExpectNothingApplied(const std::wstring& Url) {
    EXPECT_FALSE(Stored(L"Values", L"WorldPresentPeople"));
    EXPECT_FALSE(Stored(L"Defaults", L"WorldPresentPeople"));
    EXPECT_EQ(Url, Stored(L"Values", L"WebUpdateUrl").value_or(L""));
  }
  // Watches the saver for a while for windows it should not show.
  static void WatchForErrors(TSaver& Saver, HWND Wnd, DWORD Milliseconds) {
    EXPECT_FALSE(WaitFor([&] { return Saver.Windows() != std::vector<HWND>{Wnd}; }, Milliseconds));
  }
  static std::wstring UrlOf(Integer Port) {
    return L"http://127.0.0.1:" + std::to_wstring(Port) + L"/webstats.txt";
  }

  static std::unique_ptr<TKeptSaverSettings> Kept_;
};
std::unique_ptr<TKeptSaverSettings> SaverE2ETest::Kept_;

TEST_F(SaverE2ETest, RunShowsRunningCountersOnBlackUntilAKey) {
  SetCursorPos(200, 150);
  POINT before{};
  GetCursorPos(&before);
  TSaver saver(L"/s");
  ASSERT_TRUE(saver.Started());
  HWND wnd = saver.WaitWindow();
  ASSERT_NE(nullptr, wnd);

  // Two counters and the message in aqua, on a screen mostly black.
  TShot first;
  ASSERT_TRUE(WaitFor([&] {
    first = Capture();
    return AquaBands(first).size() >= 3;
  }));
  const Integer black = Integer(std::count_if(first.Pixels.begin(), first.Pixels.end(),
                                              [](const RGBQUAD& p) { return p.rgbRed + p.rgbGreen + p.rgbBlue < 72; }));
  EXPECT_GT(black, first.Width * first.Height / 2);
  const RECT at = ContentBounds(first);
  const std::vector<TBand> bands = AquaBands(first);
  // The built-in message shows whole: black between it and the panel's sides.
  EXPECT_GT(bands.back().Left - at.left, 10);
  EXPECT_GT(at.right - bands.back().Right, 10);

  // Later the panel stands elsewhere and, relative to it, the counters differ.
  auto countersDiffer = [&](const TShot& Second, const RECT& Now) {
    const Integer dx = Now.left - at.left, dy = Now.top - at.top;
    for (size_t b = 0; b + 1 < bands.size(); ++b)
      for (Integer y = bands[b].Top; y <= bands[b].Bottom; ++y)
        for (Integer x = bands[b].Left; x <= bands[b].Right; ++x)
          if (x + dx >= 0 && y + dy >= 0 && x + dx < Second.Width && y + dy < Second.Height &&
              first.Aqua(x, y) != Second.Aqua(x + dx, y + dy))
            return true;
    return false;
  };
  EXPECT_TRUE(WaitFor([&] {
    const TShot second = Capture();
    const RECT now = ContentBounds(second);
    return now.left != at.left && now.top != at.top && countersDiffer(second, now);
  })) << "the panel or the counters stood still";

  // It shows no common control, so it has not paid for their library.
  EXPECT_FALSE(saver.HasLoaded(L"comctl32.dll"));

  PostKey(wnd, VK_SPACE);
  EXPECT_EQ(0u, saver.WaitExit().value_or(99));
  CURSORINFO cursor{};
  cursor.cbSize = sizeof(cursor);
  GetCursorInfo(&cursor);
  EXPECT_TRUE(cursor.flags & CURSOR_SHOWING);
  POINT after{};
  GetCursorPos(&after);
  EXPECT_EQ(before.x, after.x);
  EXPECT_EQ(before.y, after.y);
}

TEST_F(SaverE2ETest, TestModeEndsOnlyOnEscape) {
  TSaver saver(L"/w");
  ASSERT_TRUE(saver.Started());
  HWND wnd = saver.WaitWindow();
  ASSERT_NE(nullptr, wnd);
  PostKey(wnd, 'Q');
  for (int i = 0; i < 5; ++i)
    PostMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(100 + 40 * i, 100 + 30 * i));
  Barrier(wnd);
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_FALSE(saver.WaitExit(1000)) << "ended on Q or a mouse move";
  PostKey(wnd, VK_ESCAPE);
  EXPECT_EQ(0u, saver.WaitExit().value_or(99));
}

TEST_F(SaverE2ETest, PreviewFillsTheHostWindowAndEndsWithIt) {
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 40, 40, 152, 112, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, host);
  TSaver saver(L"/p " + std::to_wstring(LONG(LONG_PTR(host))));
  ASSERT_TRUE(saver.Started());
  HWND child = nullptr;
  EXPECT_TRUE(WaitFor([&] {
    child = GetWindow(host, GW_CHILD);
    if (!child || !saver.OwnsWindow(child) || !IsWindowVisible(child)) return false;
    RECT inner{}, outer{};
    GetWindowRect(child, &inner);
    GetClientRect(host, &outer);
    MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&outer), 2);
    return EqualRect(&inner, &outer) != FALSE;
  })) << "no saver window filling the host";
  DestroyWindow(host);
  EXPECT_EQ(0u, saver.WaitExit().value_or(99));
}

// What the display settings list the saver as.
TEST_F(SaverE2ETest, FileCarriesItsDescription) {
  HMODULE file = LoadLibraryExW(HostPath(QEV_SAVER_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, file);
  wchar_t text[100] = {};
  LoadStringW(file, 1, text, 100);
  FreeLibrary(file);
  EXPECT_STREQ(L"VINTRA Film Screen Saver", text);
}

// ---------------------------------------------------------------- web update

TEST_F(SaverE2ETest, WebUpdateShowsAndKeepsTheServedFigures) {
  const std::wstring url = L"http://127.0.0.1:9/next/webstats.txt";
  const std::string text = "WebUpdateUrl=" + WideToAnsi(url) +
                           "\r\nWorldPresentPeople=7,000,000,000\r\nScreenSaverMsg=Hi\r\n";
  TTestHttpServer stats(Answer("200 OK", text));
  const std::wstring statsUrl = UrlOf(stats.Port());
  const ULONGLONG start = GetTickCount64();
  std::unique_ptr<TSaver> waiting;
  RunWebUpdate(statsUrl, [&](TSaver&, HWND) {
    // The request's text is recorded a little after its connection.
    ASSERT_TRUE(WaitFor([&] {
      return stats.Requests().find("GET /webstats.txt") != std::string::npos;
    })) << "never asked";
    EXPECT_GE(GetTickCount64() - start, 4000u) << "asked before the first update is due";
    // The short message replaces the long one on the screen at once.
    EXPECT_TRUE(WaitFor(ShowsShortMessage)) << "the served message is not shown";

    // A second saver waits for this one to end. Once its units run it has
    // a window (hidden); a second more takes it to its wait, so that settings
    // read before the wait would be read now, before the first one saves.
    waiting = std::make_unique<TSaver>(L"/s");
    ASSERT_TRUE(WaitFor([&] { return waiting->HasAnyWindow(); }));
    WaitFor([] { return false; }, 1000);
    EXPECT_TRUE(waiting->Windows().empty()) << "the second saver did not wait";
  });
  EXPECT_EQ(L"7,000,000,000", Stored(L"Values", L"WorldPresentPeople").value_or(L""));
  EXPECT_EQ(L"7,000,000,000", Stored(L"Defaults", L"WorldPresentPeople").value_or(L""));
  EXPECT_EQ(L"Hi", Stored(L"Values", L"ScreenSaverMsg").value_or(L""));
  EXPECT_EQ(url, Stored(L"Values", L"WebUpdateUrl").value_or(L""));

  // It starts with what the first one saved, the served address too, so it
  // never asks the server (which would serve it the message itself).
  ASSERT_TRUE(waiting);
  HWND next = waiting->WaitWindow();
  ASSERT_NE(nullptr, next);
  EXPECT_TRUE(WaitFor([&] { return ShowsShortMessage() || stats.Connections() > 1; }));
  EXPECT_EQ(1, stats.Connections()) << "the second saver started with what it read before";
  PostKey(next, VK_SPACE);
  EXPECT_EQ(0u, waiting->WaitExit().value_or(99));
}

TEST_F(SaverE2ETest, FailedWebUpdatesChangeNothingSilently) {
  struct TCase {
    const char* Name;
    std::string Answer;
    bool Hold;
  } cases[] = {
      {"no WebUpdateUrl", Answer("200 OK", "WorldPresentPeople=7,000,000,000\r\n"), false},
      {"404", Answer("404 Not Found", "WebUpdateUrl=http://127.0.0.1/x\r\n"), false},
      {"no answer", "", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    TTestHttpServer server(c.Answer, c.Hold);
    const std::wstring url = UrlOf(server.Port());
    RunWebUpdate(url, [&](TSaver& saver, HWND wnd) {
      ASSERT_TRUE(WaitFor([&] { return server.Connections() > 0; })) << "never asked";
      WatchForErrors(saver, wnd, 1500);
    });
    ExpectNothingApplied(url);
  }
}

TEST_F(SaverE2ETest, RefusedWebUpdateChangesNothingSilently) {
  Integer port = 0;
  closesocket(TTestHttpServer::BindLoopback(port));  // free, and nobody listens
  const std::wstring url = UrlOf(port);
  RunWebUpdate(url, [&](TSaver& saver, HWND wnd) {
    // Nothing to wait for: the first update is due after five seconds.
    WatchForErrors(saver, wnd, 8000);
  });
  ExpectNothingApplied(url);
}

}  // namespace
