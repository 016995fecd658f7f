// Registry reads with defaults, in a scratch key under
// HKEY_CURRENT_USER\Software\QevTests, on both roads of the platform switch.
#include <gtest/gtest.h>

#include "QevLXRegistry.h"
#include "QevTestSupport.h"

namespace {

// A scratch key, open in Reg, deleted with its values at the end.
class TScratchKey {
 public:
  TScratchKey() {
    EXPECT_TRUE(Reg.OpenKey("\\" + Path_, true));
  }
  ~TScratchKey() {
    Reg.CloseKey();
    TRegistry cleaner;
    EXPECT_TRUE(cleaner.DeleteKey(Path_));
  }
  TScratchKey(const TScratchKey&) = delete;
  TScratchKey& operator=(const TScratchKey&) = delete;

  void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(Reg.CurrentKey(), name, 0, type,
                                            static_cast<const BYTE*>(data), size));
  }
  void SetDword(const wchar_t* name, DWORD value) { SetRaw(name, REG_DWORD, &value, sizeof(value)); }
  void SetText(const wchar_t* name, const WideString& text) {
    SetRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(WideChar)));
  }
  bool RawExists(const wchar_t* name) {
    return RegQueryValueExW(Reg.CurrentKey(), name, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
  }

  TQevRegistryLX Reg;

 private:
  AnsiString Path_ = "Software\\QevTests\\LX" + std::to_string(GetCurrentProcessId());
};

class RegistryLXRoad : public RoadTest {
 protected:
  TScratchKey Key_;
  TQevRegistryLX& Reg_ = Key_.Reg;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Roads, RegistryLXRoad, testing::Bool(), RoadName);

TEST_P(RegistryLXRoad, MissingValuesGiveTheDefaultAndStayMissing) {
  EXPECT_EQ(L"fallback", Reg_.ReadStringDef(L"missing", L"fallback"));
  EXPECT_TRUE(Reg_.ReadBoolDef(L"missing", true));
  EXPECT_FALSE(Reg_.ReadBoolDef(L"missing", false));
  EXPECT_FALSE(Key_.RawExists(L"missing"));
}

TEST_P(RegistryLXRoad, PresentValuesWin) {
  Key_.SetText(L"text", L"stored");
  Key_.SetText(L"empty", L"");
  Key_.SetDword(L"off", 0);
  Key_.SetDword(L"on", 5);
  EXPECT_EQ(L"stored", Reg_.ReadStringDef(L"text", L"fallback"));
  EXPECT_EQ(L"", Reg_.ReadStringDef(L"empty", L"fallback"));
  EXPECT_FALSE(Reg_.ReadBoolDef(L"off", true));
  EXPECT_TRUE(Reg_.ReadBoolDef(L"on", false));
}

TEST_P(RegistryLXRoad, BooleanTextsAreTextsNotBooleans) {
  Key_.SetText(L"one", L"1");
  Key_.SetText(L"zero", L"0");
  EXPECT_EQ(L"1", Reg_.ReadStringDef(L"one", L"0"));
  EXPECT_EQ(L"0", Reg_.ReadStringDef(L"zero", L"1"));
  ExpectRaises<ERegistryException>([&] { Reg_.ReadBoolDef(L"one", false); },
                                   L"Invalid data type for 'one'");
  Key_.SetDword(L"number", 1);
  ExpectRaises<ERegistryException>([&] { Reg_.ReadStringDef(L"number", L"x"); },
                                   L"Invalid data type for 'number'");
  const char bytes[] = {1, 0};
  Key_.SetRaw(L"short", REG_BINARY, bytes, sizeof(bytes));
  ExpectRaises<ERegistryException>([&] { Reg_.ReadBoolDef(L"short", false); },
                                   L"Invalid data type for 'short'");
}

// A name outside the ANSI code page finds its own value, not "Msg?".
TEST(RegistryLXWide, NamesFindTheirOwnValues) {
  TRoadSwitch road(true);
  TScratchKey key;
  key.SetText(L"Msg\x0436", L"\x4E2D\x6587");
  key.SetDword(L"Flag\x0436", 1);
  key.SetText(L"Msg?", L"wrong");
  EXPECT_EQ(L"\x4E2D\x6587", key.Reg.ReadStringDef(L"Msg\x0436", L"fallback"));
  EXPECT_TRUE(key.Reg.ReadBoolDef(L"Flag\x0436", false));
  EXPECT_EQ(L"fallback", key.Reg.ReadStringDef(L"Msg\x4E2D", L"fallback"));
}
