// Wide registry strings in a scratch key under HKEY_CURRENT_USER\Software\QevTests.
#include <gtest/gtest.h>

#include "QevRegistry.h"
#include "QevTestSupport.h"

namespace {

class QevRegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    Path_ = L"Software\\QevTests\\Wide" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(Reg_.OpenKey("\\" + WideToAnsi(Path_), true));
  }
  void TearDown() override {
    Reg_.CloseKey();
    TRegistry cleaner;
    EXPECT_TRUE(cleaner.DeleteKey(WideToAnsi(Path_)));
  }
  void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(Reg_.CurrentKey(), name, 0, type,
                                            static_cast<const BYTE*>(data), size));
  }
  WideString RawString(const wchar_t* name, DWORD& type, DWORD& size) {
    wchar_t data[64] = {};
    size = sizeof(data);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(Reg_.CurrentKey(), name, nullptr, &type,
                                              reinterpret_cast<BYTE*>(data), &size));
    return data;
  }
  WideString Path_;
  TQevRegistry Reg_;
};

const WideString Cyrillic = L"\x0436\x0443\x043A \x4E2D\x6587 caf\xE9";

}  // namespace

TEST_F(QevRegistryTest, NonAnsiTextRoundTripsAsRegSz) {
  Reg_.WriteString(L"Msg\x0436", Cyrillic);
  EXPECT_EQ(Cyrillic, Reg_.ReadString(L"Msg\x0436"));
  DWORD type = 0, size = 0;
  EXPECT_EQ(Cyrillic, RawString(L"Msg\x0436", type, size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ((Cyrillic.size() + 1) * 2, size);
}

TEST_F(QevRegistryTest, EmptyTextIsATerminatorOnly) {
  Reg_.WriteString(L"empty", L"");
  DWORD type = 0, size = 0;
  RawString(L"empty", type, size);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(2u, size);
  EXPECT_EQ(L"", Reg_.ReadString(L"empty"));
}

TEST_F(QevRegistryTest, MissingValueIsEmptyAndOtherTypesRaise) {
  EXPECT_EQ(L"", Reg_.ReadString(L"missing"));
  const DWORD number = 5;
  SetRaw(L"dword", REG_DWORD, &number, sizeof(number));
  ExpectRaises<ERegistryException>([&] { Reg_.ReadString(L"dword"); },
                                   L"Invalid data type for 'dword'");
}

TEST_F(QevRegistryTest, StoredTextEndsAtItsFirstZeroWithinItsSize) {
  const wchar_t noTerminator[] = {L'a', L'b', L'c'};
  SetRaw(L"bare", REG_SZ, noTerminator, sizeof(noTerminator));
  EXPECT_EQ(L"abc", Reg_.ReadString(L"bare"));

  const wchar_t innerZero[] = L"one\0two";
  SetRaw(L"inner", REG_SZ, innerZero, sizeof(innerZero));
  EXPECT_EQ(L"one", Reg_.ReadString(L"inner"));

  const char oddBytes[] = {'x', 0, 'y', 0, 'z'};  // two characters and half a third
  SetRaw(L"odd", REG_SZ, oddBytes, sizeof(oddBytes));
  EXPECT_EQ(L"xy", Reg_.ReadString(L"odd"));

  const wchar_t expand[] = L"%TEMP%\\x";
  SetRaw(L"expand", REG_EXPAND_SZ, expand, sizeof(expand));
  EXPECT_EQ(L"%TEMP%\\x", Reg_.ReadString(L"expand"));
}

TEST_F(QevRegistryTest, LongValuesAreReadWhole) {
  WideString text(70000, L'\x4E2D');
  Reg_.WriteString(L"long", text);
  EXPECT_EQ(text, Reg_.ReadString(L"long"));
}

TEST_F(QevRegistryTest, AnsiRoadGoesThroughTheCodePage) {
  TRoadSwitch ansi(false);
  Reg_.WriteString(L"ansi", L"caf\xE9 \x0436");
  EXPECT_EQ(L"caf\xE9 ?", Reg_.ReadString(L"ansi"));
}
