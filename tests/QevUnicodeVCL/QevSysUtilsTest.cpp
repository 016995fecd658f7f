#include <cstring>

#include "QevSysUtils.h"
#include "QevTestSupport.h"

namespace {

class SysUtilsRoad : public RoadTest {};
INSTANTIATE_TEST_SUITE_P(Roads, SysUtilsRoad, testing::Values(true, false), RoadName);

TEST(WStr, CopiesWithinLimitsAndKeepsTheBlockSize) {
  WideChar buffer[8];
  EXPECT_STREQ(WStrLCopy(buffer, L"abcdef", 3), L"abc");
  EXPECT_EQ(WStrScan(buffer, L'\0'), buffer + 3);
  WStrMove(buffer + 1, buffer, 4);  // overlapping
  EXPECT_STREQ(buffer, L"aabc");
  WideChar* copy = WStrNew(L"hello");
  Cardinal bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<Byte*>(copy) - sizeof(Cardinal), sizeof(bytes));
  EXPECT_EQ(bytes, 6 * 2 + 4u);
  EXPECT_STREQ(copy, L"hello");
  WStrDispose(copy);
}

TEST_P(SysUtilsRoad, UpperCaseAndTextPos) {
  EXPECT_EQ(QevWideUpperCase(L"abc\x00E9"), L"ABC\x00C9");
  EXPECT_EQ(WideTextPos(L"CD", L"abcd"), 3);
  EXPECT_EQ(WideTextPos(L"x", L"abcd"), 0);
  EXPECT_EQ(WideTextPos(L"", L"abcd"), 0);
}

TEST(WideStringReplaceEx, ReplacesByFlagsAndWords) {
  EXPECT_EQ(WideStringReplaceEx(L"cat concat cat", L"cat", L"dog", rfReplaceAll, true),
            L"dog concat dog");
  EXPECT_EQ(WideStringReplaceEx(L"cat concat cat", L"cat", L"dog", rfReplaceAll, false),
            L"dog condog dog");
  EXPECT_EQ(WideStringReplaceEx(L"concat cat cat", L"cat", L"dog", 0, true), L"concat dog cat");
  EXPECT_EQ(WideStringReplaceEx(L"aXa", L"x", L"y", rfIgnoreCase, false), L"aya");
  EXPECT_EQ(WideStringReplaceEx(L"aXa", L"x", L"y", 0, false), L"aXa");
  EXPECT_EQ(WideStringReplaceEx(L"aa", L"a", L"aa", rfReplaceAll, false), L"aaaa");
  EXPECT_EQ(WideStringReplaceEx(L"(cat).", L"cat", L"", rfReplaceAll, true), L"().");
  EXPECT_EQ(WideStringReplaceEx(L"abc", L"", L"x", rfReplaceAll, false), L"abc");
  EXPECT_EQ(WideStringReplaceEx(L"", L"a", L"x", rfReplaceAll, false), L"");
}

TEST(Delimiters, AreFoundWithinTheText) {
  EXPECT_FALSE(WideIsDelimiter(L",;", L"a;b", 4));
  EXPECT_EQ(WideLastDelimiter(L"\\:", L"C:\\a\\b"), 5);
  EXPECT_EQ(WideLastDelimiter(std::wstring(L"x\0", 2), std::wstring(L"a\0b", 3)), 0);
}

TEST(CharacterClasses, ComeFromTheSystem) {
  EXPECT_TRUE(IsWordBoundaryChar(L'\0'));
  EXPECT_TRUE(IsSpaceChar(L' '));
  EXPECT_TRUE(IsPunctChar(L','));
  EXPECT_FALSE(IsWordBoundaryChar(L'\x0436'));
  EXPECT_TRUE(CanConvertToDefaultCodePage(L'\x00E9'));
  EXPECT_FALSE(CanConvertToDefaultCodePage(L'\x0436'));
}

TEST(MultiStr, ListsEndWithAnEmptyText) {
  const WideChar list[] = L"ab\0c\0";  // the literal adds the final zero
  EXPECT_EQ(MultiStrEnd(list), list + 4);
  EXPECT_EQ(MultiStrToWideString(list), std::wstring(list, 6));
  const WideChar empty[] = L"";
  EXPECT_EQ(MultiStrEnd(empty), empty);
  EXPECT_EQ(MultiStrToWideString(empty), std::wstring(1, L'\0'));
}

TEST(SplitWideString, StopsAtTheFirstEmptyToken) {
  EXPECT_EQ(SplitWideString(L"a|b||c", L'|'), (TWideStringDynArray{L"a", L"b"}));
  EXPECT_EQ(SplitWideString(L"a|b|", L'|'), (TWideStringDynArray{L"a", L"b"}));
  EXPECT_TRUE(SplitWideString(L"", L'|').empty());
  std::wstring many;
  for (int i = 0; i < 600; ++i) many += std::to_wstring(i) + L",";
  TWideStringDynArray parts = SplitWideString(many.c_str(), L',');
  ASSERT_EQ(parts.size(), 600u);
  EXPECT_EQ(parts[599], L"599");

  const WideChar* cursor = L"x;y";
  EXPECT_EQ(ExtractNextToken(cursor, L';'), L"x");
  EXPECT_EQ(ExtractNextToken(cursor, L';'), L"y");
  EXPECT_EQ(*cursor, L'\0');
}

TEST(FileNames, DrivesUncAndRoots) {
  EXPECT_EQ(WideExtractFileDrive(L"\\\\srv\\share\\dir\\f.txt"), L"\\\\srv\\share");
  EXPECT_EQ(WideExtractFileDrive(L"\\\\srv\\share"), L"\\\\srv\\share");
  EXPECT_EQ(WideExtractFileDrive(L"\\\\srv"), L"\\\\srv");
  EXPECT_EQ(WideExtractFileDrive(L"\\\\"), L"\\\\");
  EXPECT_EQ(WideExtractFileDrive(L"C:\\x"), L"C:");
  EXPECT_EQ(WideExtractFileDrive(L"x"), L"");
  EXPECT_EQ(WideExtractFileDrive(L""), L"");

  EXPECT_EQ(WideExtractFileExt(L"C:\\a.b\\c"), L"");
  EXPECT_EQ(WideExtractFileExt(L"C:\\a\\c.txt"), L".txt");
  EXPECT_EQ(WideChangeFileExt(L"C:\\a.b\\c", L".txt"), L"C:\\a.b\\c.txt");
  EXPECT_EQ(WideChangeFileExt(L"c.doc", L".txt"), L"c.txt");

  EXPECT_EQ(WideExtractFileDir(L"C:\\"), L"C:\\");
  EXPECT_EQ(WideExtractFileDir(L"C:\\dir\\f"), L"C:\\dir");
  EXPECT_EQ(WideExtractFileDir(L"C:\\dir\\"), L"C:\\dir");
  EXPECT_EQ(WideExtractFileDir(L"\\\\"), L"\\\\");
  EXPECT_EQ(WideExtractFilePath(L"C:\\dir\\f"), L"C:\\dir\\");
  EXPECT_EQ(WideExtractFileName(L"C:\\dir\\f"), L"f");
  EXPECT_EQ(WideExtractFileName(L"C:f"), L"f");
}

TEST_P(SysUtilsRoad, ExpandFileName) {
  EXPECT_EQ(WideExpandFileName(L"C:\\a\\..\\b\\.\\c.txt"), L"C:\\b\\c.txt");
  WCHAR current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(WideExpandFileName(L"rel.txt"), WideStripTrailingBackslash(current) + L"\\rel.txt");
}

TEST(WideExpandFileName, TakesPathsLongerThanMaxPath) {
  std::wstring longPath = L"C:\\" + std::wstring(300, L'a') + L"\\" + std::wstring(100, L'b');
  EXPECT_EQ(WideExpandFileName(longPath + L"\\.\\x"), longPath + L"\\x");
}

TEST_P(SysUtilsRoad, ForceDirectoriesCreatesNestedFolders) {
  TTempFolder temp;
  std::wstring leaf = GetParam() ? L"\x0436\x4E2D" : L"leaf";
  TTempFolder::CreateFileWithText(temp.Path() + L"file", "not a folder");
  const struct {
    std::wstring Dir;
    bool Made;
  } cases[] = {
      {temp.Path() + L"one\\two\\" + leaf + L"\\", true},
      {temp.Path() + L"one\\two\\" + leaf + L"\\", true},  // already there
      {temp.Path() + L"three\\" + leaf + L"\\\\", true},
      {temp.Path() + L"file\\" + leaf + L"\\\\", false},
      {L"Q:\\no drive\\x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Dir);
    EXPECT_EQ(c.Made, WideForceDirectories(c.Dir));
    EXPECT_EQ(c.Made, WideDirectoryExists(c.Dir));
  }
  EXPECT_TRUE(WideForceDirectories(L"C:"));
  try {
    WideForceDirectories(L"");
    FAIL() << "no exception";
  } catch (const EQevGeneralError& e) {
    EXPECT_EQ(e.Message, L"Unable to create directory");
  }
}

TEST(WideFiles, NonAnsiNameIsCreatedFoundAndDeleted) {
  TTempFolder temp;
  std::wstring name = temp.Path() + L"\x0436\x4E2D.dat";
  HANDLE h = WideFileCreate(name);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, "123456", 6, &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(WideForceDirectories(temp.Path() + L"sub"));
  EXPECT_TRUE(WideFileExists(name));
  EXPECT_FALSE(WideDirectoryExists(name));
  EXPECT_FALSE(WideFileExists(temp.Path() + L"sub"));

  TSearchRecW rec;
  ASSERT_EQ(WideFindFirst(temp.Path() + L"*", 0, rec), 0);  // "sub", "." and ".." skipped
  EXPECT_EQ(rec.Name, L"\x0436\x4E2D.dat");
  EXPECT_EQ(rec.Size, 6);
  EXPECT_NE(rec.Time, 0);
  EXPECT_EQ(WideFindNext(rec), ERROR_NO_MORE_FILES);
  WideFindClose(rec);
  EXPECT_EQ(rec.FindHandle, INVALID_HANDLE_VALUE);

  int found = 0;
  for (int r = WideFindFirst(temp.Path() + L"*", FILE_ATTRIBUTE_DIRECTORY, rec); r == 0;
       r = WideFindNext(rec))
    ++found;
  WideFindClose(rec);
  EXPECT_EQ(found, 4);
  EXPECT_EQ(WideFindFirst(temp.Path() + L"none*", 0, rec), ERROR_FILE_NOT_FOUND);

  ASSERT_TRUE(WideFileSetAttr(name, FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(WideFileGetAttr(name) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(WideDeleteFile(name));
  WideFileSetAttr(name, FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(WideDeleteFile(name));
  EXPECT_EQ(WideFileGetAttr(name), -1);
}

TEST(WideFileOpen, ModesGiveAccessAndSharing) {
  TTempFolder temp;
  std::wstring name = temp.Path() + L"f.txt";
  TTempFolder::CreateFileWithText(name, "x");
  HANDLE denyWrite = WideFileOpen(name, 0x20);  // read, deny write
  ASSERT_NE(denyWrite, INVALID_HANDLE_VALUE);
  EXPECT_EQ(WideFileOpen(name, 0x41), INVALID_HANDLE_VALUE);  // write
  HANDLE reader = WideFileOpen(name, 0x40);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  CloseHandle(denyWrite);
  EXPECT_EQ(WideFileOpen(name, 3), INVALID_HANDLE_VALUE);     // no such access
  EXPECT_EQ(WideFileOpen(name, 0x50), INVALID_HANDLE_VALUE);  // no such sharing
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
}

TEST_P(SysUtilsRoad, ModuleFileName) {
  WCHAR expected[MAX_PATH];
  GetModuleFileNameW(nullptr, expected, MAX_PATH);
  EXPECT_EQ(WideGetModuleFileName(nullptr), expected);
  EXPECT_THROW(WideGetModuleFileName(reinterpret_cast<HMODULE>(0x10000)), EOSError);
}

TEST(WideStrToDate, ParsesInTheThreadLocaleAndNamesBadText) {
  EXPECT_EQ(WideStrToDate(L"1/2/2003"), EncodeDate(2003, 1, 2));
  EXPECT_DOUBLE_EQ(WideStrToTime(L"13:30"), EncodeTime(13, 30, 0, 0));
  EXPECT_DOUBLE_EQ(WideStrToDateTime(L"1/2/2003 6:00"), EncodeDate(2003, 1, 2) + 0.25);
  try {
    WideStrToDate(L"1/2/2003 garbage");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    const std::wstring start = L"'1/2/2003 garbage' is not a valid date\r\n";
    EXPECT_EQ(e.Message.substr(0, start.size()), start);
    EXPECT_GT(e.Message.size(), start.size());
  }
  EXPECT_THROW(WideStrToTime(L"noon-ish"), EConvertError);
}

TEST_P(SysUtilsRoad, LocaleStrings) {
  EXPECT_EQ(WideGetLocaleStr(0x409, LOCALE_SENGLANGUAGE, L"?"), L"English");
  EXPECT_EQ(WideGetLocaleStr(0x409, 0x7FFF, L"none"), L"none");
}

TEST(Checks, RaiseTheLastOSError) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    Win32PointerCheck(static_cast<void*>(nullptr));
    FAIL() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, DWORD{ERROR_FILE_NOT_FOUND});
  }
}

TEST(Initialization, SetsThePlatformFlags) {
  const Integer platform = Win32Platform, major = Win32MajorVersion, minor = Win32MinorVersion;
  auto flagsFor = [](Integer p, Integer ma, Integer mi) {
    Win32Platform = p;
    Win32MajorVersion = ma;
    Win32MinorVersion = mi;
    Initialization_QevSysUtils();
    return std::pair(UnicodeApiAvailable, Win51OrLater);
  };
  EXPECT_EQ(flagsFor(1, 4, 90), std::pair(false, false));
  EXPECT_EQ(flagsFor(2, 5, 0), std::pair(true, false));
  EXPECT_EQ(flagsFor(2, 5, 1), std::pair(true, true));
  EXPECT_EQ(flagsFor(2, 6, 0), std::pair(true, true));
  flagsFor(platform, major, minor);
}

}  // namespace
