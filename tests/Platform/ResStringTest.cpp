// Resource strings reach the program's string table and its identifier map.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

// The map is a section of the program file itself: UTF-16LE lines "id=Unit_Name"
// in ascending order, up to 65535 without gaps.
TEST(ResourceStrings, TheProgramFileCarriesTheIdentifierMap) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  std::string image(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, nullptr);
  CloseHandle(file);
  ASSERT_EQ(image.size(), read);

  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  WideString map;
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (memcmp(section->Name, "QEV.DRC", 8) == 0)
      map.assign(reinterpret_cast<const WideChar*>(image.data() + section->PointerToRawData),
                 section->Misc.VirtualSize / 2);
  }
  ASSERT_FALSE(map.empty());

  const WideString line = std::to_wstring(ResStringId(SWideText)) + L"=ResStringTest_SWideText\r\n";
  EXPECT_NE(WideString::npos, map.find(line));
  EXPECT_EQ(L"\r\n", map.substr(map.size() - 2));
  const WideString last = map.substr(map.rfind(L"\r\n", map.size() - 3) + 2);
  EXPECT_EQ(L"65535=", last.substr(0, 6));
  Integer previous = 0, lines = 0;
  for (size_t at = 0; at < map.size(); at = map.find(L"\r\n", at) + 2, ++lines) {
    Integer id = std::stoi(map.substr(at, map.find(L'=', at) - at));
    if (previous) {
      EXPECT_EQ(previous + 1, id);
    }
    previous = id;
  }
  EXPECT_EQ(0x10000 - lines, std::stoi(map.substr(0, map.find(L'='))));
}
