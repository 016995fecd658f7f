#include <cstring>
#include <vector>

#include "QevTestSupport.h"
#include "QevWindows.h"

namespace {

class WindowsRoad : public RoadTest {};
INSTANTIATE_TEST_SUITE_P(Roads, WindowsRoad, testing::Values(true, false), RoadName);

class WindowsAnsiRoad : public testing::Test {
 protected:
  void SetUp() override { UnicodeApiAvailable = false; }
  void TearDown() override { UnicodeApiAvailable = Saved_; }

 private:
  bool Saved_ = UnicodeApiAvailable;
};

// A buffer of n characters, each a sentinel, that notices writes beyond it.
struct TGuardedBuffer {
  explicit TGuardedBuffer(std::size_t n) : Chars(n + 1, L'#') {}
  WideChar* Data() { return Chars.data(); }
  bool GuardIntact() const { return Chars.back() == L'#'; }
  std::vector<WideChar> Chars;
};

TEST(CopyAnsiResultToWideBuffer, FollowsTheOverflowConventions) {
  TGuardedBuffer b(8);
  EXPECT_EQ(CopyAnsiResultToWideBuffer(8, b.Data(), "C:\\dir", 0), 6u);
  EXPECT_STREQ(b.Data(), L"C:\\dir");

  EXPECT_EQ(CopyAnsiResultToWideBuffer(4, b.Data(), "C:\\dir", carFillWhenShort), 4u);
  EXPECT_EQ(std::wstring(b.Data(), 5), L"C:\\di");  // the old "i" shows: no terminator

  EXPECT_EQ(CopyAnsiResultToWideBuffer(6, b.Data(), "C:\\dir", carTerminateExactFit), 7u);
  EXPECT_STREQ(b.Data(), L"C:\\di");

  EXPECT_EQ(CopyAnsiResultToWideBuffer(5, b.Data(), "C:\\dir", carEmptyWhenShort), 7u);
  EXPECT_STREQ(b.Data(), L"");

  EXPECT_EQ(CopyAnsiResultToWideBuffer(6, b.Data(), "C:\\a\\bcd", carFolderWhenShort), 9u);
  EXPECT_STREQ(b.Data(), L"C:\\a\\");

  EXPECT_EQ(CopyAnsiResultToWideBuffer(0, nullptr, "C:\\dir", carEmptyWhenShort), 7u);
  EXPECT_TRUE(b.GuardIntact());
}

TEST_F(WindowsAnsiRoad, TempPathOfExactlyItsLengthLosesItsLastCharacter) {
  WCHAR temp[MAX_PATH + 1];
  std::wstring path(temp, GetTempPathW(MAX_PATH + 1, temp));
  auto length = static_cast<DWORD>(path.size());
  TGuardedBuffer b(length);
  EXPECT_EQ(Qev_GetTempPathW(length, b.Data()), length + 1);
  EXPECT_EQ(std::wstring(b.Data()), path.substr(0, length - 1));
  EXPECT_EQ(Qev_GetTempPathW(length + 1, b.Data()), length);
  EXPECT_EQ(std::wstring(b.Data()), path);
}

TEST_F(WindowsAnsiRoad, WindowsDirectoryThatDoesNotFitLeavesTheBufferAlone) {
  WCHAR expected[MAX_PATH];
  UINT length = GetWindowsDirectoryW(expected, MAX_PATH);
  TGuardedBuffer b(length);
  EXPECT_EQ(Qev_GetWindowsDirectoryW(b.Data(), length), length + 1);
  EXPECT_EQ(b.Chars[0], L'#');
  EXPECT_EQ(Qev_GetWindowsDirectoryW(b.Data(), length + 1), length);
  EXPECT_STREQ(b.Data(), expected);
}

TEST_F(WindowsAnsiRoad, FullPathGivesItsFilePartAndIsEmptyWhenItDoesNotFit) {
  const std::wstring path = L"C:\\some dir\\file.txt";
  auto length = static_cast<DWORD>(path.size());
  TGuardedBuffer b(length);
  LPWSTR part = nullptr;
  EXPECT_EQ(Qev_GetFullPathNameW(path.c_str(), length + 1, b.Data(), &part), length);
  EXPECT_EQ(part, b.Data() + 12);
  EXPECT_EQ(Qev_GetFullPathNameW(path.c_str(), length, b.Data(), &part), length + 1);
  EXPECT_STREQ(b.Data(), L"");
  EXPECT_EQ(part, nullptr);
}

TEST_F(WindowsAnsiRoad, ModuleFileNameFillsAShortBufferWithoutTerminator) {
  WCHAR full[MAX_PATH];
  GetModuleFileNameW(nullptr, full, MAX_PATH);
  TGuardedBuffer b(10);
  EXPECT_EQ(Qev_GetModuleFileNameW(nullptr, b.Data(), 10), 10u);
  EXPECT_EQ(std::wstring(b.Data(), 10), std::wstring(full, 10));
  EXPECT_TRUE(b.GuardIntact());
}

TEST_F(WindowsAnsiRoad, ComputerAndUserNameFollowTheWideSizeRules) {
  WCHAR expected[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(expected, &length));
  WCHAR name[300];
  DWORD size = length;
  EXPECT_FALSE(Qev_GetComputerNameW(name, &size));
  EXPECT_EQ(size, length + 1);
  EXPECT_TRUE(Qev_GetComputerNameW(name, &size));
  EXPECT_EQ(size, length);
  EXPECT_STREQ(name, expected);

  WCHAR user[300];
  DWORD userLength = 300;
  ASSERT_TRUE(GetUserNameW(user, &userLength));  // counts the terminator
  size = userLength - 1;
  EXPECT_FALSE(Qev_GetUserNameW(name, &size));
  EXPECT_EQ(size, userLength);
  EXPECT_TRUE(Qev_GetUserNameW(name, &size));
  EXPECT_EQ(size, userLength);
  EXPECT_STREQ(name, user);
}

// Wine reads the name from this volatile key of the test's own prefix; the
// name is put back before the check.
TEST_F(WindowsAnsiRoad, EmptyComputerNameAsksForOneCharacter) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          L"System\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName", 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, &key));
  WCHAR saved[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD savedBytes = sizeof(saved);
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"ComputerName", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(saved), &savedBytes));
  RegSetValueExW(key, L"ComputerName", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                 sizeof(WCHAR));
  WCHAR name[40] = L"untouched";
  DWORD size = 40;
  const BOOL result = Qev_GetComputerNameW(name, &size);
  RegSetValueExW(key, L"ComputerName", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved), savedBytes);
  RegCloseKey(key);
  EXPECT_FALSE(result);
  EXPECT_EQ(1u, size);
}

TEST_P(WindowsRoad, CharUpperTakesCharactersAndTexts) {
  auto upper = [](WideChar ch) {
    return static_cast<WideChar>(
        reinterpret_cast<ULONG_PTR>(Qev_CharUpperW(reinterpret_cast<LPWSTR>(ULONG_PTR{ch}))));
  };
  EXPECT_EQ(upper(L'a'), L'A');
  EXPECT_EQ(upper(L'\x00E9'), L'\x00C9');
  WCHAR text[] = L"ab\x0436";
  EXPECT_EQ(Qev_CharUpperW(text), text);
  WCHAR buffer[] = L"cd\x0436";
  EXPECT_EQ(Qev_CharUpperBuffW(buffer, 2), 2u);
  if (GetParam()) {
    EXPECT_STREQ(text, L"AB\x0416");
    EXPECT_STREQ(buffer, L"CD\x0436");
  } else {  // the ANSI code page cannot show it, so it stays as it is
    EXPECT_EQ(upper(L'\x0436'), L'\x0436');
    EXPECT_EQ(upper(L'\x0101'), L'\x0101');  // no best-fit "A"
    EXPECT_STREQ(text, L"AB\x0436");
  }
}

TEST_P(WindowsRoad, StringTypeWritesOneWordPerCharacter) {
  WORD types[3] = {0, 0, 0xBEEF};
  ASSERT_TRUE(Qev_GetStringTypeExW(LOCALE_USER_DEFAULT, CT_CTYPE1, L" a,z", 2, types));
  EXPECT_TRUE(types[0] & C1_SPACE);
  EXPECT_TRUE(types[1] & C1_LOWER);
  EXPECT_EQ(types[2], 0xBEEF);
}

TEST_P(WindowsRoad, LoadStringReadsTheStringTable) {
  WCHAR buffer[64];
  EXPECT_EQ(Qev_LoadStringW(nullptr, 17, buffer, 64), 12);
  EXPECT_STREQ(buffer, L"Seventeen \x0436\x4E2D");
  EXPECT_EQ(Qev_LoadStringW(nullptr, 16, buffer, 4), 3);
  EXPECT_STREQ(buffer, L"Six");
  EXPECT_EQ(Qev_LoadStringW(nullptr, 18, buffer, 64), 0);
  EXPECT_EQ(Qev_LoadStringW(nullptr, 1584, buffer, 64), 1);
}

TEST(LoadStringFromStringTable, StaysInsideTheBlock) {
  WCHAR buffer[64] = L"untouched";
  EXPECT_EQ(LoadStringFromStringTable(nullptr, 17, nullptr, 0), 12);
  EXPECT_EQ(LoadStringFromStringTable(nullptr, 1585, buffer, 64), 0);  // claims 32767
  EXPECT_EQ(LoadStringFromStringTable(nullptr, 1586, buffer, 64), 0);
  EXPECT_STREQ(buffer, L"untouched");
  EXPECT_EQ(LoadStringFromStringTable(nullptr, 1584, buffer, 64), 1);
  EXPECT_STREQ(buffer, L"A");
}

// Two string values of the test program's own version information, asked one
// after the other from one block; returns where the first one is kept.
const void* ExpectVersionStrings(const void* block) {
  LPVOID company = nullptr, description = nullptr;
  UINT companyLength = 0, descriptionLength = 0;
  EXPECT_TRUE(Qev_VerQueryValueW(block, L"\\StringFileInfo\\040904E4\\CompanyName", &company,
                                 &companyLength));
  EXPECT_TRUE(Qev_VerQueryValueW(block, L"\\StringFileInfo\\040904e4\\FileDescription",
                                 &description, &descriptionLength));
  EXPECT_STREQ(static_cast<LPCWSTR>(company), L"Qev Test Company");
  EXPECT_STREQ(static_cast<LPCWSTR>(description), L"Unicode layer tests");
  EXPECT_EQ(companyLength, 17u);  // with the terminator, as the system counts
  return company;
}

TEST_P(WindowsRoad, VersionValuesStayValidWhileTheirBlockLives) {
  std::wstring file = WideGetModuleFileName(nullptr);
  DWORD handle = 0;
  DWORD size = Qev_GetFileVersionInfoSizeW(file.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<Byte> block(size);
  ASSERT_TRUE(Qev_GetFileVersionInfoW(file.c_str(), handle, size, block.data()));
  const void* company = ExpectVersionStrings(block.data());
  EXPECT_EQ(ExpectVersionStrings(block.data()), company);  // asked again, kept once
  auto* kept = static_cast<const Byte*>(company);
  EXPECT_TRUE(kept > block.data() && kept < block.data() + size);

  LPVOID fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(Qev_VerQueryValueW(block.data(), L"\\", &fixed, &length));
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(fixed)->dwFileVersionMS, 0x00010002u);
  EXPECT_FALSE(
      Qev_VerQueryValueW(block.data(), L"\\StringFileInfo\\040904E4\\None", &fixed, &length));
}

TEST_F(WindowsAnsiRoad, VersionValuesOfABlockWithoutRoomAreKeptAsWell) {
  AnsiString file = WideToAnsi(WideGetModuleFileName(nullptr));
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  std::vector<Byte> block(size);
  ASSERT_TRUE(Qev_GetFileVersionInfoW(AnsiToWide(file).c_str(), handle, size, block.data()));
  ExpectVersionStrings(block.data());
}

TEST_P(WindowsRoad, ShellFileOperationCopiesAndDeletes) {
  TTempFolder temp;
  std::wstring name = GetParam() ? L"\x0436\x4E2D.txt" : L"plain.txt";
  std::wstring source = temp.Path() + name, target = temp.Path() + L"copy.txt";
  TTempFolder::CreateFileWithText(source, "data");
  std::wstring from = source + L'\0', to = target + L'\0';  // double terminated
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_COPY;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ASSERT_EQ(Qev_SHFileOperationW(&op), 0);
  EXPECT_NE(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  op.wFunc = FO_DELETE;
  op.pTo = nullptr;
  ASSERT_EQ(Qev_SHFileOperationW(&op), 0);
  EXPECT_EQ(GetFileAttributesW(source.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(op.fAnyOperationsAborted);
  EXPECT_EQ(op.hNameMappings, nullptr);
}

TEST_F(WindowsAnsiRoad, NameMappingsBecomeAWideTableOfTheSameLayout) {
  char old1[] = "C:\\a\\x.txt", new1[] = "C:\\b\\Copy of x.txt", old2[] = "C:\\long",
       new2[] = "D:\\z";
  SHNAMEMAPPINGA mappings[2] = {{old1, new1, 10, 18}, {old2, new2, 4, 4}};  // cut to 4
  struct {
    UINT Count;
    SHNAMEMAPPINGA* Mappings;
  } ansi{2, mappings};
  HANDLE wide = ConvertNameMappingsAToW(&ansi);
  ASSERT_NE(wide, nullptr);
  struct TWideTable {
    UINT Count;
    SHNAMEMAPPINGW* Mappings;
  };
  auto* table = static_cast<TWideTable*>(wide);
  ASSERT_EQ(table->Count, 2u);
  SHNAMEMAPPINGW* w = table->Mappings;
  EXPECT_STREQ(w[0].pszOldPath, L"C:\\a\\x.txt");
  EXPECT_STREQ(w[0].pszNewPath, L"C:\\b\\Copy of x.txt");
  EXPECT_EQ(w[0].cchNewPath, 18);
  EXPECT_STREQ(w[1].pszOldPath, L"C:\\l");
  EXPECT_EQ(w[1].cchOldPath, 4);
  Qev_SHFreeNameMappings(wide);
}

TEST(ConvertFindDataAToW, BoundsNamesWithoutTerminator) {
  WIN32_FIND_DATAA ansi{};
  ansi.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  ansi.nFileSizeLow = 1234;
  ansi.ftLastWriteTime = {5, 6};
  std::memset(ansi.cFileName, 'a', sizeof(ansi.cFileName));
  std::memcpy(ansi.cAlternateFileName, "AAAAAA~1.TXT", 13);
  WIN32_FIND_DATAW wide{};
  ConvertFindDataAToW(ansi, wide);
  EXPECT_EQ(wide.dwFileAttributes, DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_EQ(wide.nFileSizeLow, 1234u);
  EXPECT_EQ(wide.ftLastWriteTime.dwHighDateTime, 6u);
  EXPECT_EQ(std::wstring(wide.cFileName), std::wstring(MAX_PATH - 1, L'a'));
  EXPECT_STREQ(wide.cAlternateFileName, L"AAAAAA~1.TXT");
}

TEST_P(WindowsRoad, FindFileConvertsTheRecord) {
  TTempFolder temp;
  TTempFolder::CreateFileWithText(temp.Path() + L"one.txt", "12345");
  WIN32_FIND_DATAW data{};
  HANDLE find = Qev_FindFirstFileW((temp.Path() + L"*.txt").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, L"one.txt");
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_FALSE(Qev_FindNextFileW(find, &data));
  FindClose(find);
}

}  // namespace
