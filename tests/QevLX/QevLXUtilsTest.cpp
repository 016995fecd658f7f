// The framework's toolbox: variant comparison, files and folders, temporary
// files and folders, shell and module error texts, the cursor stack and keys,
// and the probes of components and of the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "Forms.h"
#include "QevLXFlashMsg.h"
#include "QevLXUtils.h"
#include "QevWindows.h"
#include "Registry.h"
#include "Scoped.h"
#include "QevTestSupport.h"

namespace {

constexpr TLocateOptions NoOptions = 0;
constexpr TLocateOptions CaseInsensitive = loCaseInsensitive;
constexpr TLocateOptions PartialKey = loPartialKey;

Variant DateValue(Word year, Word month, Word day) {
  return VarFromDateTime(EncodeDate(year, month, day));
}

// A one-dimensional array low..low + count - 1 of mixed values.
Variant ArrayOf(const std::vector<Variant>& values, Integer low = 0) {
  Variant array =
      VarArrayCreate({low, low + static_cast<Integer>(values.size()) - 1}, varVariant);
  for (std::size_t i = 0; i < values.size(); ++i)
    VarArrayPut(array, values[i], {low + static_cast<Integer>(i)});
  return array;
}

// The message of a failed assertion without its source and line.
template <typename F>
WideString AssertionText(F action) {
  WideString message = MessageOf<EAssertionFailed>(action);
  std::size_t source = message.find(L" (lib\\QevLX\\QevLXUtils, line ");
  return source == WideString::npos ? message : message.substr(0, source);
}

}  // namespace

// ------------------------------------------------------ variant comparison

TEST(QevLXCompareVariants, NullAndEmptySortFirst) {
  EXPECT_EQ(-1, CompareVariants(Null(), 5, NoOptions));
  EXPECT_EQ(1, CompareVariants(5, Null(), NoOptions));
  EXPECT_EQ(0, CompareVariants(Null(), Unassigned(), NoOptions));
  EXPECT_EQ(0, CompareVariants(Null(), Null(), NoOptions));
  EXPECT_EQ(-1, CompareVariants(Unassigned(), 0, NoOptions));
  EXPECT_EQ(1, CompareVariants(L"", Unassigned(), NoOptions));
  EXPECT_EQ(-1, CompareVariants(Null(), L"a", CaseInsensitive));
}

TEST(QevLXCompareVariants, NumbersOfDifferentTypesByValue) {
  EXPECT_EQ(0, CompareVariants(5, 5.0, NoOptions));
  EXPECT_EQ(-1, CompareVariants(Variant(Byte{3}), Variant(4LL), NoOptions));
  EXPECT_EQ(1, CompareVariants(Currency::FromScaled(25000), 2.25, NoOptions));
  EXPECT_EQ(-1, CompareVariants(-1, Variant(1u), NoOptions));
  EXPECT_EQ(1, CompareVariants(10, 9.5f, NoOptions));
}

TEST(QevLXCompareVariants, TextsWithAndWithoutOptions) {
  EXPECT_NE(0, CompareVariants(L"abc", L"ABC", NoOptions));
  EXPECT_EQ(0, CompareVariants(L"abc", L"ABC", CaseInsensitive));
  EXPECT_EQ(0, CompareVariants(L"abcdef", L"ABC", CaseInsensitive | PartialKey));
  EXPECT_EQ(0, CompareVariants(L"abcdef", L"abc", PartialKey));
  EXPECT_NE(0, CompareVariants(L"abcdef", L"ABC", PartialKey));
  EXPECT_EQ(-1, CompareVariants(L"ab", L"abc", PartialKey));  // only the longer side is cut
  EXPECT_EQ(1, CompareVariants(L"b", L"A", CaseInsensitive));
  EXPECT_EQ(0, CompareVariants(AnsiString("x\xE9"), L"X\u00C9", CaseInsensitive));
  EXPECT_EQ(0, CompareVariants(L"\u0436", L"\u0416", CaseInsensitive));
}

TEST(QevLXCompareVariants, DatesAndBooleans) {
  EXPECT_EQ(1, CompareVariants(DateValue(2001, 1, 2), DateValue(2001, 1, 1), NoOptions));
  EXPECT_EQ(0, CompareVariants(DateValue(2001, 1, 2), DateValue(2001, 1, 2), NoOptions));
  EXPECT_EQ(-1, CompareVariants(false, true, NoOptions));
  EXPECT_EQ(0, CompareVariants(true, true, NoOptions));
}

TEST(QevLXCompareVariants, ArraysElementByElement) {
  EXPECT_EQ(1, CompareVariants(ArrayOf({1, L"b", 7}), ArrayOf({1, L"a", 9}), NoOptions));
  EXPECT_EQ(0, CompareVariants(ArrayOf({1, L"a"}), ArrayOf({1, L"a"}), NoOptions));
  EXPECT_EQ(-1, CompareVariants(ArrayOf({Null(), 2}), ArrayOf({0, 1}), NoOptions));
  // The options reach the elements.
  EXPECT_EQ(0, CompareVariants(ArrayOf({L"Abc"}), ArrayOf({L"aBC"}), CaseInsensitive));
  EXPECT_EQ(0, CompareVariants(ArrayOf({}), ArrayOf({}), NoOptions));
}

TEST(QevLXCompareVariants, MismatchedShapesFailAssertions) {
  EXPECT_EQ(L"CompareVariants: Must have same dim count.",
            AssertionText([] { CompareVariants(ArrayOf({1}), 1, NoOptions); }));
  EXPECT_EQ(L"CompareVariants: Must have same lower bound.",
            AssertionText([] { CompareVariants(ArrayOf({1}, 0), ArrayOf({1}, 1), NoOptions); }));
  EXPECT_EQ(L"CompareVariants: Must have same upper bound.",
            AssertionText([] { CompareVariants(ArrayOf({1}), ArrayOf({1, 2}), NoOptions); }));
  EXPECT_EQ(L"InternalError: Array type variants found.",
            AssertionText([] { CompareScalarVariants(ArrayOf({1}), 1, NoOptions); }));
  EXPECT_EQ(L"InternalError: Array type variants found.",
            AssertionText([] { SameVariantValue(1, ArrayOf({1}), NoOptions); }));
  WideString message =
      MessageOf<EAssertionFailed>([] { CompareVariants(ArrayOf({1}), 1, NoOptions); });
  EXPECT_NE(WideString::npos, message.find(L"(lib\\QevLX\\QevLXUtils, line ")) << message;
}

TEST(QevLXVariantsEqual, ScalarsNullAndEmpty) {
  EXPECT_TRUE(VariantsEqual(Null(), Null(), NoOptions));
  EXPECT_TRUE(VariantsEqual(Unassigned(), Unassigned(), NoOptions));
  EXPECT_FALSE(VariantsEqual(Unassigned(), Null(), NoOptions));
  EXPECT_FALSE(VariantsEqual(Null(), Unassigned(), NoOptions));
  EXPECT_FALSE(VariantsEqual(5, Null(), NoOptions));
  EXPECT_TRUE(VariantsEqual(5, 5.0, NoOptions));
  EXPECT_FALSE(VariantsEqual(L"a", L"A", NoOptions));
  EXPECT_TRUE(VariantsEqual(L"a", L"A", CaseInsensitive));
  EXPECT_TRUE(VariantsEqual(L"abc", L"ab", PartialKey));
  EXPECT_TRUE(VariantsEqual(12, L"12", CaseInsensitive));  // compared as texts
}

TEST(QevLXVariantsEqual, NullWithOptionsMatchesOnlyNull) {
  // Null has no text; converting it would raise.
  EXPECT_FALSE(VariantsEqual(Null(), L"", CaseInsensitive));
  EXPECT_FALSE(VariantsEqual(L"x", Null(), PartialKey));
  EXPECT_TRUE(VariantsEqual(Null(), Null(), CaseInsensitive));
  EXPECT_TRUE(VariantsEqual(Unassigned(), L"", CaseInsensitive));
}

TEST(QevLXVariantsEqual, Arrays) {
  EXPECT_TRUE(VariantsEqual(ArrayOf({1, L"a", Null()}), ArrayOf({1.0, L"a", Null()}), NoOptions));
  EXPECT_FALSE(VariantsEqual(ArrayOf({1, L"a"}), ArrayOf({1, L"b"}), NoOptions));
  EXPECT_FALSE(VariantsEqual(ArrayOf({1}, 0), ArrayOf({1}, 1), NoOptions));
  EXPECT_FALSE(VariantsEqual(ArrayOf({1}), 1, NoOptions));
  EXPECT_TRUE(VariantsEqual(ArrayOf({}), ArrayOf({}), NoOptions));
  // Elements compare without the options.
  EXPECT_FALSE(VariantsEqual(ArrayOf({L"a"}), ArrayOf({L"A"}), CaseInsensitive));
}

// ------------------------------------------------------ checks and helpers

TEST(QevLXHelpers, RandomCardinalCoversTheHighBits) {
  Cardinal all = 0;
  for (int i = 0; i < 64; ++i) all |= RandomCardinal();
  EXPECT_EQ(0xFFFFFFFFu, all);
}

namespace {

SHORT FakeKeyState = 0;
int AskedKey = 0;
SHORT WINAPI FakeAsyncKeyState(int key) {
  AskedKey = key;
  return FakeKeyState;
}

}  // namespace

TEST(QevLXHelpers, KeyIsDownWhileBit15IsSet) {
  auto saved = AsyncKeyStateFunc;
  AsyncKeyStateFunc = FakeAsyncKeyState;
  FakeKeyState = static_cast<SHORT>(0x8000);
  EXPECT_TRUE(IsKeyDown(VK_SHIFT));
  EXPECT_EQ(VK_SHIFT, AskedKey);
  FakeKeyState = static_cast<SHORT>(0x8001);
  EXPECT_TRUE(IsKeyDown(VK_SHIFT));
  FakeKeyState = 1;  // went down and up again since the last call
  EXPECT_FALSE(IsKeyDown(VK_SHIFT));
  FakeKeyState = 0;
  EXPECT_FALSE(IsKeyDown(VK_SHIFT));
  AsyncKeyStateFunc = saved;
}

// Busy windows set the screen's cursor, which a window of the class library
// shows when it answers the mouse; freeing them restores it in reverse order.
TEST(QevLXHelpers, CursorStackKeepsTheHourglassOfBusyWindows) {
  Screen->SetCursor(crHandPoint);
  std::unique_ptr<TQevFlashForm> outer(ShowFlashMessage(L"outer"));
  std::unique_ptr<TQevFlashForm> inner(ShowFlashMessage(L"inner"));
  SetCursor(nullptr);
  SendMessageA(inner->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(inner->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
  inner.reset();
  EXPECT_EQ(crHourGlass, Screen->Cursor());
  outer.reset();
  EXPECT_EQ(crHandPoint, Screen->Cursor());
  PopCursor();  // nothing left: the default cursor
  EXPECT_EQ(crDefault, Screen->Cursor());
}

// ---------------------------------------------------- files and folders

TEST(QevLXFiles, BackslashesAndNames) {
  EXPECT_EQ(L"C:\\", WideIncludeTrailingBackslash(L"C:\\"));
  EXPECT_EQ(L"C:\\a\\", WideIncludeTrailingBackslash(L"C:\\a"));
  EXPECT_EQ(L"C:\\a", WideExcludeTrailingBackslash(L"C:\\a\\"));
  EXPECT_EQ(L"name.ext", WideExtractFileNameWithoutExt(L"C:\\a.b\\name.ext.txt"));
  EXPECT_EQ(L"\u0436", WideExtractFileNameWithoutExt(L"\u0436"));
  WideString temp = WideGetTempPath();
  EXPECT_EQ(L'\\', temp.back());
  EXPECT_TRUE(WideDirectoryExists(temp));
}

TEST(QevLXFiles, ForceDeleteFileRemovesReadOnlyFiles) {
  TTempFolder temp;
  WideString file = temp.Path() + L"read only \u4E2D.txt";
  TTempFolder::CreateFileWithText(file, "x");
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  ForceDeleteFile(file);
  EXPECT_FALSE(WideFileExists(file));
  EXPECT_THROW(ForceDeleteFile(file), EOSError);

  WideString folder = temp.Path() + L"folder";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY));
  ClearReadOnly(folder);
  EXPECT_EQ(0u, GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_NO_THROW(ClearReadOnly(temp.Path() + L"missing\\file"));
}

TEST(QevLXFiles, ForceCreateFolder) {
  TTempFolder temp;
  WideString nested = temp.Path() + L"a\\\u0436\\c";
  ForceCreateFolder(nested);
  EXPECT_TRUE(WideDirectoryExists(nested));
  WideString file = temp.Path() + L"file";
  TTempFolder::CreateFileWithText(file, "x");
  ExpectRaises<EQevGeneralError>([&] { ForceCreateFolder(file + L"\\sub"); },
                                 L"Could not create " + file + L"\\sub");
}

TEST(QevLXFiles, LongFileNames) {
  TTempFolder temp;
  WideString folder = temp.Path() + L"Long Folder \u0436\u4E2D name";
  WideString file = folder + L"\\Long File \u4E2D name.text";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  TTempFolder::CreateFileWithText(file, "x");
  WCHAR buffer[MAX_PATH];
  WideString shortFile(buffer, GetShortPathNameW(file.c_str(), buffer, MAX_PATH));
  WideString shortFolder(buffer, GetShortPathNameW(folder.c_str(), buffer, MAX_PATH));
  WideString longFile(buffer, GetLongPathNameW(shortFile.c_str(), buffer, MAX_PATH));
  WideString longFolder(buffer, GetLongPathNameW(shortFolder.c_str(), buffer, MAX_PATH));
  ASSERT_NE(shortFile, longFile);  // Wine always makes 8.3 names; a Windows volume may not

  EXPECT_EQ(longFile, WideGetLongFileName(shortFile));
  EXPECT_EQ(longFolder, WideGetLongFileName(shortFolder));
  EXPECT_EQ(longFolder + L"\\", WideGetLongFileName(shortFolder + L"\\"));
  // Missing elements keep their names and never repeat the path.
  EXPECT_EQ(longFolder + L"\\missing.txt", WideGetLongFileName(shortFolder + L"\\missing.txt"));
  EXPECT_EQ(longFolder + L"\\no\\such \u0436\\file.txt",
            WideGetLongFileName(shortFolder + L"\\no\\such \u0436\\file.txt"));
  EXPECT_EQ(longFolder + L"\\*.text", WideGetLongFileName(shortFolder + L"\\*.text"));
  EXPECT_EQ(L"", WideGetLongFileName(L""));
  EXPECT_EQ(L"C:\\", WideGetLongFileName(L"C:\\"));

  EXPECT_EQ(L"Long File \u4E2D name.text", WideGetLongNamePart(shortFile));
  EXPECT_EQ(folder + L"\\missing", WideGetLongNamePart(folder + L"\\missing"));
}

// ------------------------------------------------ temporary files and folders

namespace {

// The hexadecimal part of Folder\Prefix-XXXX<Ext>; empty when name has another form.
WideString RandomPartOf(const WideString& name, const WideString& start, const WideString& ext) {
  if (name.size() <= start.size() + ext.size() || name.compare(0, start.size(), start) != 0 ||
      name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
    return {};
  return name.substr(start.size(), name.size() - start.size() - ext.size());
}

bool IsUpperHex(const WideString& s) {
  if (s.empty() || s.size() > 4 || (s[0] == L'0' && s.size() > 1)) return false;
  return s.find_first_not_of(L"0123456789ABCDEF") == WideString::npos;
}

// Ends the clean-up unit and starts it again on every path out of a test.
struct TUtilsRestart {
  ~TUtilsRestart() {
    if (!GarbageCollectedFileList) Initialization_QevLXUtils();
  }
};

}  // namespace

TEST(QevLXTempFiles, UniqueFileNamesAreNewFiles) {
  TTempFolder temp;
  WideString folder = temp.Path() + L"new \u0436";  // missing, without a backslash
  std::set<WideString> names;
  for (int i = 0; i < 40; ++i) {
    WideString name = GetUniqueFileName(L".dat", folder, L"pre");
    EXPECT_TRUE(IsUpperHex(RandomPartOf(name, folder + L"\\pre-", L".dat"))) << name;
    EXPECT_TRUE(WideFileExists(name));
    names.insert(name);
  }
  EXPECT_EQ(40u, names.size());
}

TEST(QevLXTempFiles, GcTempFileIsListed) {
  WideString name = GetGcTempFileName(L".tmp");
  EXPECT_TRUE(IsUpperHex(RandomPartOf(name, WideGetTempPath() + L"tmp-", L".tmp"))) << name;
  EXPECT_TRUE(WideFileExists(name));
  ASSERT_GT(GarbageCollectedFileList->Count(), 0);
  EXPECT_EQ(name, GarbageCollectedFileList->Get(GarbageCollectedFileList->Count() - 1));
}

TEST(QevLXTempFiles, DeleteGcFolderForgetsTheFolder) {
  WideString folder = NewGcTempFolder();
  EXPECT_EQ(L'\\', folder.back());
  EXPECT_EQ(0, folder.compare(0, WideGetTempPath().size() + 4, WideGetTempPath() + L"Temp"));
  TTempFolder::CreateFileWithText(folder + L"inner \u0436.txt", "x");
  DeleteGcFolder(folder);
  EXPECT_FALSE(WideDirectoryExists(folder));
  EXPECT_EQ(-1, GarbageCollectedFolderList->IndexOf(folder));
  EXPECT_NO_THROW(DeleteGcFolder(WideGetTempPath() + L"QevNoSuchFolder\\"));
}

TEST(QevLXTempFiles, UnitEndDeletesListedFilesAndFolders) {
  TUtilsRestart restart;
  WideString file = GetGcTempFileName(L".txt");
  WideString folder = NewGcTempFolder();
  WideString second = NewGcTempFolder();
  ASSERT_TRUE(CreateDirectoryW((folder + L"sub \u4E2D").c_str(), nullptr));
  TTempFolder::CreateFileWithText(folder + L"sub \u4E2D\\data.bin", "x");
  TTempFolder::CreateFileWithText(second + L"data.bin", "x");

  Finalization_QevLXUtils();
  EXPECT_FALSE(WideFileExists(file));
  EXPECT_FALSE(WideDirectoryExists(folder));
  EXPECT_FALSE(WideDirectoryExists(second));
  ExpectRaises<EQevInternalError>([] { GetGcTempFileName(L".tmp"); },
                                  L"Internal Error: GarbageCollectedFileList not assigned.");
  ExpectRaises<EQevInternalError>([] { NewGcTempFolder(); },
                                  L"Internal Error: GarbageCollectedFolderList not assigned.");
}

// ------------------------------------------------ shell execution, errors

TEST(QevLXShell, ErrorTexts) {
  auto textOf = [](INT_PTR code, const WideString& verb) {
    return MessageOf<EQevGeneralError>([&] { CheckShellExecuteResult(code, verb, L"x.doc"); });
  };
  EXPECT_EQ(L"The operating system is out of memory or resources.", textOf(0, L"open"));
  EXPECT_EQ(L"The specified file was not found.", textOf(2, L"open"));
  EXPECT_EQ(L"The .exe file is invalid (non-Microsoft Win32\u00AE .exe or error in .exe image).",
            textOf(11, L"open"));
  EXPECT_EQ(L"There is no application associated with the given file name extension.",
            textOf(31, L"open"));
  EXPECT_EQ(L"The specified file is not printable.", textOf(31, L"PRINT"));
  EXPECT_EQ(L"The specified dynamic-link library (DLL) was not found.", textOf(32, L""));
  ExpectRaises<EQevInternalError>([] { CheckShellExecuteResult(4, L"open", L"\u0436.doc"); },
                                  L"Internal Error: ShellExecute() returned code 4 for \"\u0436.doc\".");
  EXPECT_NO_THROW(CheckShellExecuteResult(33, L"open", L"x.doc"));
}

TEST(QevLXShell, OpeningWithoutAssociationOrFile) {
  TTempFolder temp;
  WideString document = temp.Path() + L"document \u0436.qevnoassoc";
  TTempFolder::CreateFileWithText(document, "x");
  ExpectRaises<EQevGeneralError>(
      [&] { WideShellOpen(document); },
      L"There is no application associated with the given file name extension.");
  ExpectRaises<EQevGeneralError>([&] { WideShellOpen(temp.Path() + L"missing.txt"); },
                                 L"The specified file was not found.");
}

namespace {
HWND FileOperationOwner = nullptr;
int WINAPI RecordFileOperation(LPSHFILEOPSTRUCTW Operation) {
  FileOperationOwner = Operation->hwnd;
  return 0;
}
}  // namespace

TEST(QevLXShell, FileOperationsBelongToTheApplicationWindow) {
  LoadShellWideFunctions();
  TRestore<decltype(ShellWideFunctions.SHFileOperationW)> fake(
      ShellWideFunctions.SHFileOperationW, RecordFileOperation);
  ShellDeleteFolder(L"C:\\QevNoSuchFolder", 0x410, L"");
  ASSERT_NE(nullptr, Application->Handle());
  EXPECT_EQ(Application->Handle(), FileOperationOwner);
}

using ErrorTextRoad = RoadTest;
INSTANTIATE_TEST_SUITE_P(Roads, ErrorTextRoad, testing::Bool(), RoadName);

TEST_P(ErrorTextRoad, InsertsStayAsTheyStand) {
  // ERROR_MR_MID_NOT_FOUND has two inserts and no arguments are given. The
  // wording is Wine's; Windows words it otherwise, with the same inserts.
  EXPECT_EQ(L"Message 0x%1 not found in file %2.",
            GetModuleErrorText(L"kernel32", nullptr, ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(L"Unspecified error (12157) from library (qev\u0436).",
            GetModuleErrorText(L"qev\u0436", nullptr, 12157));
}

TEST(QevLXErrorText, WinInetTexts) {
  HMODULE wininet = LoadLibraryW(L"wininet");
  ASSERT_TRUE(wininet);
  EXPECT_NE(WideString::npos, WinInetErrorText(12002).find(L"timed out"));
  // Wine's wininet has no text for 12157; Windows' has one.
  EXPECT_EQ(L"Unspecified error (12157) from library (wininet).", WinInetErrorText(12157));
  FreeLibrary(wininet);
}

// -------------------------------------------------- component probes

namespace {

// A scratch key under HKCU\Software\QevTests that stands for a predefined
// key of this process while the object lives.
class TScratchRoot {
 public:
  explicit TScratchRoot(HKEY predefined) : Predefined_(predefined) {
    Path_ = L"Software\\QevTests\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount());
    RegCreateKeyExW(HKEY_CURRENT_USER, Path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &Key_, nullptr);
    Overridden_ = Key_ && RegOverridePredefKey(predefined, Key_) == ERROR_SUCCESS;
  }
  ~TScratchRoot() {
    RegOverridePredefKey(Predefined_, nullptr);
    if (Key_) RegCloseKey(Key_);
    TRegistry registry;
    registry.DeleteKey(WideToAnsi(Path_));
  }
  TScratchRoot(const TScratchRoot&) = delete;
  TScratchRoot& operator=(const TScratchRoot&) = delete;

  bool Overridden() const { return Overridden_; }
  void WriteString(const WideString& key, const WideString& name, const WideString& value) {
    Write(key, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(WCHAR),
          !name.empty() || !value.empty());
  }
  void WriteDword(const WideString& key, const WideString& name, DWORD value) {
    Write(key, name, REG_DWORD, &value, sizeof value, true);
  }

 private:
  void Write(const WideString& key, const WideString& name, DWORD type, const void* data,
             std::size_t size, bool setValue) {
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(Key_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &sub, nullptr));
    if (setValue)
      RegSetValueExW(sub, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                     static_cast<DWORD>(size));
    RegCloseKey(sub);
  }

  HKEY Predefined_;
  HKEY Key_ = nullptr;
  WideString Path_;
  bool Overridden_ = false;
};

}  // namespace

TEST(QevLXProbes, WinInetFoundOtherComponentsMissing) {
  WideString wininet = FindDllFullPath(L"wininet");
  EXPECT_TRUE(WideSameText(L"wininet.dll", WideExtractFileName(wininet))) << wininet;
  EXPECT_GE(VersionMajor(GetWinInetVersion()), 5);
  EXPECT_EQ(L"", FindDllFullPath(L"QevNoSuchLibrary"));
  // A fresh Wine prefix has none of these; a Windows machine may have JET or DAO.
  EXPECT_EQ(0u, GetCrystalRuntimeVersion());
  EXPECT_EQ(0u, GetCrystalOleDbVersion());
  EXPECT_EQ(0u, GetCrystalUflVersion());
  EXPECT_EQ(0u, GetCrystalXlsVersion());
  EXPECT_EQ(0u, GetCapicomVersion());
  EXPECT_EQ(0u, GetJetVersion());
  EXPECT_EQ(0u, GetDaoVersion());
  EXPECT_EQ(0u, GetSqlDmoVersion());
  WideString company = L"old";
  EXPECT_EQ(0u, GetRpaWinInetVersion(company));
  EXPECT_EQ(L"", company);
  WideString product;
  EXPECT_NE(0u, GetKernelVersion(product));
  EXPECT_NO_THROW(GetMapiVersion());
  EXPECT_NO_THROW(GetMapiCompanyName());
  EXPECT_NO_THROW(GetMdacVersion());
}

TEST(QevLXProbes, ProgIdVersionIsItsServerFileVersion) {
  WideString server = GetProgIdFileName(L"Scripting.FileSystemObject");
  ASSERT_TRUE(WideFileExists(server)) << server;
  EXPECT_NE(0u, GetProgIdVersion(L"Scripting.FileSystemObject"));
  EXPECT_EQ(GetFileVersionNumber(server), GetProgIdVersion(L"Scripting.FileSystemObject"));
  EXPECT_EQ(L"", GetProgIdFileName(L"Qev.NoSuchClass"));
  EXPECT_EQ(0u, GetProgIdVersion(L"Qev.NoSuchClass"));
}

TEST(QevLXProbes, ComServerFileNameFromTheRegistry) {
  const CLSID classId = {0x5A3C1E77, 0x2B4D, 0x4E0F, {0x9A, 0x61, 0x3C, 0x0D, 0x7E, 0x21, 0x44, 0x90}};
  TScratchRoot root(HKEY_CLASSES_ROOT);
  ASSERT_TRUE(root.Overridden());
  EXPECT_EQ(L"", GetComServerFileName(classId));
  root.WriteString(L"CLSID\\{5A3C1E77-2B4D-4E0F-9A61-3C0D7E214490}\\InprocServer32", L"",
                   L"C:\\no such \u0436\\server.dll");
  EXPECT_EQ(L"C:\\no such \u0436\\server.dll", GetComServerFileName(classId));
  root.WriteDword(L"CLSID\\{5A3C1E77-2B4D-4E0F-9A61-3C0D7E214490}\\InprocServer32", L"", 7);
  EXPECT_EQ(L"", GetComServerFileName(classId));
}

TEST(QevLXProbes, NewestOfficeVersionWins) {
  TTempFolder temp;
  for (const WideChar* folder : {L"o11", L"o10", L"o9"})
    ASSERT_TRUE(CreateDirectoryW((temp.Path() + folder).c_str(), nullptr));
  TTempFolder::CreateFileWithText(temp.Path() + L"o11\\WINWORD.EXE", "x");
  TTempFolder::CreateFileWithText(temp.Path() + L"o9\\WINWORD.EXE", "x");
  TTempFolder::CreateFileWithText(temp.Path() + L"o9\\EXCEL.EXE", "x");
  TScratchRoot root(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(root.Overridden());
  const WideString office = L"Software\\Microsoft\\Office\\";
  root.WriteString(office + L"11.0\\Word\\InstallRoot", L"Path", temp.Path() + L"o11\\");
  root.WriteString(office + L"9.0\\Word\\InstallRoot", L"Path", temp.Path() + L"o9\\");
  root.WriteString(office + L"10.0\\Excel\\InstallRoot", L"Path", temp.Path() + L"o10\\");
  root.WriteString(office + L"9.0\\Excel\\InstallRoot", L"Path", temp.Path() + L"o9");
  root.WriteString(office + L"11.0\\Outlook\\InstallRoot", L"", L"");

  EXPECT_EQ(L"11.0", GetOfficeAppVersion(L"Word", L"WINWORD.EXE"));
  EXPECT_EQ(L"9.0", GetOfficeAppVersion(L"Excel", L"EXCEL.EXE"));  // 10.0 lacks the program
  EXPECT_EQ(L"", GetOfficeAppVersion(L"Outlook", L"OUTLOOK.EXE"));
  EXPECT_EQ(temp.Path() + L"o11\\", GetOfficeInstallRoot(L"11.0", L"Word"));
  EXPECT_EQ(L"", GetOfficeInstallRoot(L"11.0", L"Outlook"));
  EXPECT_EQ(L"Access", OfficeAppName(oaAccess));
}

// ---------------------------------------------------------- the machine

TEST(QevLXMachine, OSVersionText) {
  EXPECT_EQ(L"7", PlatformName(7));
  Integer platform = Win32Platform, major = Win32MajorVersion, minor = Win32MinorVersion,
          build = Win32BuildNumber;
  WideString csd = Win32CSDVersion;
  Win32Platform = 1, Win32MajorVersion = 4, Win32MinorVersion = 10, Win32BuildNumber = 2222;
  Win32CSDVersion = L" A ";
  WideString text = GetOSVersionText();
  Win32Platform = platform, Win32MajorVersion = major, Win32MinorVersion = minor;
  Win32BuildNumber = build, Win32CSDVersion = csd;
  EXPECT_EQ(L"Win9x 4.10 (Build 2222)  A ", text);
}

TEST(QevLXMachine, LocalesAndCodePages) {
  EXPECT_EQ(L"English (United States)", GetLocaleDisplayName(0x409));
  EXPECT_EQ(L"??\? (??\?)", GetLocaleDisplayName(0x3FFF));
  EXPECT_EQ(L"ISO 8859-1,  Latin 1 (ANSI)", CodePageIsoName(1252));
  EXPECT_EQ(L"ISO 8859-4,  Scandinavia and Baltic Rim", CodePageIsoName(1257));
  EXPECT_EQ(L"(Unknown ISO equivalent)", CodePageIsoName(437));
}

// Whole megabytes, rounded down, with products past 32 and 64 bits.
TEST(QevLXMachine, DiskSizeInMegabytes) {
  struct {
    DWORD Sectors, Bytes, Clusters;
    ULONGLONG MB;
  } const cases[] = {
      {1, 512, 2047, 0},                             // under one megabyte
      {8, 512, 256, 1},                              // exactly one
      {8, 512, 0xFFFFFFFF, 0xFFFFFF},                // 16 TB less a cluster
      {3, 0x55555, 0xFFFFFFFF, 0xFFFFEFFFULL},       // clusters just under 1 MB
      {0x100000, 0x10000, 0xFFFFFFFF, 0xFFFFFFFF0000ULL},  // a product of 2^68 bytes
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.MB, DiskSizeMB(c.Sectors, c.Bytes, c.Clusters)) << c.Sectors << " " << c.Bytes;
}

namespace {

// A group list of count entries, each a copy of the well-known SID, with the
// Administrators group last when it is wanted.
std::vector<ULONG_PTR> GroupList(DWORD count, WELL_KNOWN_SID_TYPE filler, bool withAdministrators) {
  std::vector<Byte> sid(SECURITY_MAX_SID_SIZE), admins(SECURITY_MAX_SID_SIZE);
  DWORD size = SECURITY_MAX_SID_SIZE;
  CreateWellKnownSid(filler, nullptr, sid.data(), &size);
  size = SECURITY_MAX_SID_SIZE;
  CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins.data(), &size);
  std::size_t head = sizeof(TOKEN_GROUPS) + count * sizeof(SID_AND_ATTRIBUTES);
  std::vector<ULONG_PTR> buffer((head + count * SECURITY_MAX_SID_SIZE) / sizeof(ULONG_PTR) + 1);
  auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.data());
  auto* sids = reinterpret_cast<Byte*>(buffer.data()) + head;
  groups->GroupCount = count;
  for (DWORD i = 0; i < count; ++i) {
    Byte* target = sids + i * SECURITY_MAX_SID_SIZE;
    const std::vector<Byte>& source = withAdministrators && i == count - 1 ? admins : sid;
    std::copy(source.begin(), source.end(), target);
    groups->Groups[i] = {target, SE_GROUP_ENABLED};
  }
  return buffer;
}

}  // namespace

TEST(QevLXMachine, AdministratorsInALongGroupList) {
  EXPECT_TRUE(IsUserAdmin());  // Wine's user is an administrator
  std::vector<ULONG_PTR> many = GroupList(100, WinBuiltinUsersSid, true);
  EXPECT_TRUE(GroupsHoldAdministrators(*reinterpret_cast<TOKEN_GROUPS*>(many.data())));
  std::vector<ULONG_PTR> none = GroupList(100, WinBuiltinUsersSid, false);
  EXPECT_FALSE(GroupsHoldAdministrators(*reinterpret_cast<TOKEN_GROUPS*>(none.data())));
  Integer platform = Win32Platform;
  Win32Platform = VER_PLATFORM_WIN32_WINDOWS;
  EXPECT_TRUE(IsUserAdmin());
  Win32Platform = platform;
}
