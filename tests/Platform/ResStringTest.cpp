// Resource strings reach the program's string table and its identifier map.
#include <gtest/gtest.h>

#include "System.h"
#include "WinApi.h"

namespace {

QEV_RESOURCESTRING(ResStringTest, SAnsiText, L"Caf\xE9 \"quoted\"\r\nnext");
QEV_RESOURCESTRING(ResStringTest, SWideText, L"Wide \x0436\x4E2D " L"\U0001F600");

WideString TableText(Integer id) {
  const WideChar* text = nullptr;
  int n = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                      reinterpret_cast<LPWSTR>(&text), 0);
  return WideString(text, n);
}

}  // namespace

TEST(ResourceStrings, AreNumberedInTheProgramsStringTable) {
  Integer ansiId = ResStringId(SAnsiText), wideId = ResStringId(SWideText);
  EXPECT_GT(ansiId, 0xF000);
  EXPECT_LE(wideId, 0xFFFF);
  EXPECT_EQ(ansiId + 1, wideId);  // numbered in the order of their names
  EXPECT_EQ(SAnsiText.Text, TableText(ansiId));
  EXPECT_EQ(L"Wide \x0436\x4E2D \xD83D\xDE00", TableText(wideId));
}

TEST(ResourceStrings, TheRuntimeLoaderPassesThroughTheAnsiCodePage) {
  EXPECT_EQ(SAnsiText.Text, LoadResString(SAnsiText));
  EXPECT_EQ(L"Wide ?? ??", LoadResString(SWideText));
}

TEST(ResourceStrings, ARecordOutsideTheTableGivesItsBuiltInText) {
  const TResStringRec unknown = {"ResStringTest_SUnknown", L"built in \x0436"};
  EXPECT_EQ(0, ResStringId(unknown));
  EXPECT_EQ(L"built in \x0436", LoadResString(unknown));
}
