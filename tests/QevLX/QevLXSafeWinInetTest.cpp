// The Internet switch in a scratch key under HKEY_CURRENT_USER\Software\QevTests,
// WinInet loading and the state while Internet use is switched off.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
    if (Type != REG_NONE)  // else only the key
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

// Present, the value must be a clear number to allow web access; the program
// loads WinInet only then.
TEST_F(InternetSwitch, OnlyAnAbsentValueOrANonZeroNumberAllowsTheInternet) {
  EXPECT_TRUE(ReadRegistryBoolDef(HKEY_CURRENT_USER, L"", SwitchName));
  EXPECT_TRUE(Allowed()) << "no key";
  auto text = [](const std::wstring& Text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(Text.c_str());
    return std::vector<BYTE>(bytes, bytes + (Text.size() + 1) * sizeof(wchar_t));
  };
  auto dword = [](DWORD Value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&Value);
    return std::vector<BYTE>(bytes, bytes + sizeof(Value));
  };
  const struct {
    const char* Case;
    DWORD Type;  // REG_NONE: no value
    std::vector<BYTE> Data;
    bool Allowed;
  } cases[] = {
      {"absent", REG_NONE, {}, true},
      {"DWORD 0", REG_DWORD, dword(0), false},
      {"DWORD 1", REG_DWORD, dword(1), true},
      {"DWORD 7", REG_DWORD, dword(7), true},
      {"text 0", REG_SZ, text(L"0"), false},
      {"text 1", REG_SZ, text(L"1"), true},
      {"text False", REG_SZ, text(L"False"), false},
      {"text no", REG_SZ, text(L"no"), false},
      {"empty text", REG_SZ, text(L""), false},
      {"binary 1", REG_BINARY, {1, 0, 0, 0}, false},
      {"empty binary", REG_BINARY, {}, false},
      {"list", REG_MULTI_SZ, text(std::wstring(L"1\0", 2)), false},
  };
  for (const auto& c : cases) {
    RegDeleteKeyW(HKEY_CURRENT_USER, ScratchKey.c_str());
    SetSwitch(c.Type, c.Data.data(), static_cast<DWORD>(c.Data.size()));
    EXPECT_EQ(c.Allowed, LoadSafeWinInet(HKEY_CURRENT_USER, ScratchKey, SwitchName)) << c.Case;
    EXPECT_EQ(c.Allowed, SafeWinInetOn) << c.Case;
    EXPECT_EQ(!c.Allowed, TableIsEmpty()) << c.Case;
  }
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
