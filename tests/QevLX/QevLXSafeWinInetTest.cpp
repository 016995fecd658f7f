// The Internet switch in a scratch key under HKEY_CURRENT_USER\Software\QevTests,
// WinInet loading and the state while Internet use is switched off.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "QevLXSafeWinInet.h"
#include "QevLXWinInetRequestor.h"
#include "QevSysUtils.h"
#include "TestSupport.h"

namespace {

const WideString ScratchKey =
    L"Software\\QevTests\\SafeWinInet" + std::to_wstring(GetCurrentProcessId());
const WideString SwitchName = L"AllowInternet";

class InternetSwitch : public testing::Test {
 protected:
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, ScratchKey.c_str());
    // Back on, as every other test of the program expects.
    LoadSafeWinInet(HKEY_CURRENT_USER, L"", SwitchName);
  }

  void SetSwitch(DWORD Type, const void* Data, DWORD Size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ScratchKey.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    if (Data)
      RegSetValueExW(key, SwitchName.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
    RegCloseKey(key);
  }
  void SetSwitch(DWORD Value) { SetSwitch(REG_DWORD, &Value, sizeof(Value)); }
  bool Allowed() { return ReadRegistryBoolDef(HKEY_CURRENT_USER, ScratchKey, SwitchName); }
};

bool TableIsEmpty() {
  static const TSafeWinInetTable empty = {};
  return std::memcmp(&SafeWinInet, &empty, sizeof(empty)) == 0;
}

}  // namespace

TEST_F(InternetSwitch, SwitchIsOnUnlessAnIntegerSaysOff) {
  EXPECT_TRUE(ReadRegistryBoolDef(HKEY_CURRENT_USER, L"", SwitchName));
  EXPECT_TRUE(Allowed()) << "no key";
  SetSwitch(REG_NONE, nullptr, 0);
  EXPECT_TRUE(Allowed()) << "no value";
  SetSwitch(0);
  EXPECT_FALSE(Allowed());
  SetSwitch(1);
  EXPECT_TRUE(Allowed());
  // Text as the saver stores its options counts as the number it holds.
  auto setText = [&](const std::wstring& Text) {
    SetSwitch(REG_SZ, Text.c_str(), static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t)));
  };
  setText(L"0");
  EXPECT_FALSE(Allowed());
  setText(L"1");
  EXPECT_TRUE(Allowed());
  // Only a value that reads as no integer means the default.
  setText(L"no");
  EXPECT_TRUE(Allowed()) << "a value that is no number must not stop the program";
}

TEST_F(InternetSwitch, SwitchedOffNothingTouchesTheNetwork) {
  SetSwitch(0);
  EXPECT_FALSE(LoadSafeWinInet(HKEY_CURRENT_USER, ScratchKey, SwitchName));
  EXPECT_FALSE(SafeWinInetOn);
  EXPECT_TRUE(TableIsEmpty());
  EXPECT_FALSE(IsInternetConnected());
  const WideString disabled = L"Connection to Internet is currently disabled.";
  ExpectRaises<EQevGeneralError>([] { SafeOpenWebLink(L"http://127.0.0.1/"); }, disabled);

  TQevMultiPostRequestor requestor(nullptr);
  requestor.PostItems()->Add(L"");
  requestor.WaitMessages()->Add(L"");
  ExpectRaises<EQevGeneralError>(
      [&] { requestor.OpenConnection(80, L"127.0.0.1", L"x", L"", L""); }, disabled);
  EXPECT_FALSE(requestor.Busy());
}

// Only a well-formed web address may reach the shell from a link.
TEST(WebAddress, OnlyWellFormedHttpAddressesPass) {
  for (const WideChar* good :
       {L"http://a", L"HTTPS://www.vintra.example/", L"http://127.0.0.1:8080/webstats.txt",
        L"https://host.example/\u0436?q=1&r=%20#top", L"http://xn--e1a.example/a(b)"}) {
    EXPECT_TRUE(IsWebAddress(good)) << WideToAnsi(good);
  }
  for (const WideChar* bad : {
           L"", L"http://", L"https:///path", L"ftp://host.example/", L"file:///C:/x.bat",
           L"javascript:alert(1)", L"C:\\Windows\\system32\\calc.exe", L"\\\\host\\share\\x.exe",
           L"http://host.example/a b", L"http://host.example/\"x\"", L"http://host'.example/",
           L"http://host.example/\t", L"http://host.example/\r\ncalc.exe", L"http://host\x7F/",
           L"http://host.example/\u00A0", L"http://host.example/\u3000", L"http://a\u202E/",
           L" http://host.example/", L"http://host.example/<script>", L"http://host..example/",
           L".http://x", L"http://.example/", L"http://user@host.example/", L"http://host:/",
           L"http://host:99999/", L"http://host:80x/", L"http://host_name/", L"http://host\\x/",
       }) {
    EXPECT_FALSE(IsWebAddress(bad)) << WideToAnsi(bad);
  }
  ExpectRaises<EQevGeneralError>([] { SafeOpenWebLink(L"http://a b/"); },
                                 L"\"http://a b/\" is not a web address.");
}
