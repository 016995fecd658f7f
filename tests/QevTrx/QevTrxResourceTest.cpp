// Translation resources: the section reader, the copy of a module's
// resources, the refusal of modules whose resources lie outside their file,
// the choice of the program's resource module and the language list.
#include "QevJCLUtils.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "QevTrxResourceUtils.h"
#include "QevTrxUtils.h"
#include "QevWindows.h"
#include "Scoped.h"
#include "TestSupport.h"

#include <algorithm>
#include <functional>

namespace {

// A 32-bit image whose only section "QEV.SYM" holds "abc" (6 of 8 raw bytes);
// Cut bytes fewer at the end; Hostile may rewrite the section's header.
std::string Pe32Image(size_t Cut = 0, void (*Hostile)(IMAGE_SECTION_HEADER&) = nullptr) {
  std::string image(64, '\0');
  auto& dos = *reinterpret_cast<IMAGE_DOS_HEADER*>(image.data());
  dos.e_magic = IMAGE_DOS_SIGNATURE;
  dos.e_lfanew = 64;
  IMAGE_NT_HEADERS32 nt{};
  nt.Signature = IMAGE_NT_SIGNATURE;
  nt.FileHeader.Machine = IMAGE_FILE_MACHINE_I386;
  nt.FileHeader.NumberOfSections = 1;
  nt.FileHeader.SizeOfOptionalHeader = sizeof(IMAGE_OPTIONAL_HEADER32);
  nt.OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
  nt.OptionalHeader.ImageBase = 0x00400000;
  IMAGE_SECTION_HEADER section{};
  memcpy(section.Name, "QEV.SYM", 7);
  section.Misc.VirtualSize = 6;
  section.SizeOfRawData = 8;
  section.PointerToRawData = static_cast<DWORD>(64 + sizeof(nt) + sizeof(section));
  if (Hostile) Hostile(section);
  image.append(reinterpret_cast<const char*>(&nt), sizeof(nt));
  image.append(reinterpret_cast<const char*>(&section), sizeof(section));
  image.append(std::string("a\0b\0c\0xx", 8));
  return image.substr(0, image.size() - Cut);
}

WideString TestExe() { return WideGetExeFileName(); }
WideString TestModule() { return WideExtractFilePath(TestExe()) + L"QevTrxTestModule.dll"; }

void Copy(const WideString& From, const WideString& To) {
  ASSERT_TRUE(CopyFileW(From.c_str(), To.c_str(), FALSE));
}

TQevStrings* BlockWith(TStringTableList& Tables, Integer Id) {
  for (auto& block : Tables)
    for (Integer i = 0; i < block->Count(); ++i)
      if (StringIdOf(block.get(), i) == Id) return block.get();
  return nullptr;
}

// The first override key, holding one value, for the life of this.
class TLocaleOverride {
 public:
  TLocaleOverride(const WideChar* Name, const WideString& Value) {
    RegCreateKeyExW(HKEY_CURRENT_USER, LocaleOverrideKeys[0].Path, 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &Key_, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(Key_, Name, 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(Value.c_str()),
                                            static_cast<DWORD>((Value.size() + 1) * 2)));
  }
  ~TLocaleOverride() {
    RegCloseKey(Key_);
    RegDeleteKeyW(HKEY_CURRENT_USER, LocaleOverrideKeys[0].Path);
  }

 private:
  HKEY Key_ = nullptr;
};

// Where a prepared module keeps its GUID: the offsets in its file of the
// GUID's data entry, of the GUID's data and of the first resource data.
struct TGuidLayout {
  size_t Entry = 0, Data = 0, FirstData = SIZE_MAX;
};

TGuidLayout GuidLayoutOf(const WideString& Module) {
  TModuleOwner module(LoadLibraryExW(Module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  // A module loaded as a data file is its file, mapped as it stands.
  auto base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(module.get()) & ~3);
  TGuidLayout layout;
  HRSRC info = FindResourceW(module.get(), QevTrxGuidName, MAKEINTRESOURCEW(10));
  layout.Entry = reinterpret_cast<const char*>(info) - base;
  layout.Data = static_cast<const char*>(LockResource(LoadResource(module.get(), info))) - base;
  TResDataList resources;
  EnumerateResources(module.get(), resources);
  for (const auto& res : resources) {
    const size_t data = static_cast<const char*>(res->Data) - base;
    if (res->Data) layout.FirstData = std::min(layout.FirstData, data);
  }
  return layout;
}

}  // namespace

TEST(QevJCLUtils, ReadsSectionsOf32And64BitImagesAndNothingElse) {
  TTempFolder temp;
  const WideString pe32 = temp.Path() + L"pe32.dll", cut = temp.Path() + L"cut.dll",
                   text = temp.Path() + L"text.txt";
  TTempFolder::CreateFileWithText(pe32, Pe32Image());
  TTempFolder::CreateFileWithText(text, "MZ is not enough to be an image");

  EXPECT_EQ(L"abc", ReadPeSectionText(pe32, L"QEV.SYM"));
  ULONGLONG base = 0;
  EXPECT_TRUE(ReadPeImageBase(pe32, base));
  EXPECT_EQ(0x00400000u, base);
  // Section headers that claim more than the file holds: no buffer of their
  // size, only the error.
  const struct {
    void (*Hostile)(IMAGE_SECTION_HEADER&);
    size_t Cut;
    const WideChar* Error;
  } faulty[] = {
      {nullptr, 6, L"6 bytes were requested.  2 bytes were returned."},
      {[](IMAGE_SECTION_HEADER& S) { S.Misc.VirtualSize = S.SizeOfRawData = 0x7FFFFFF0; }, 0,
       L"2147483632 bytes were requested.  8 bytes were returned."},
      {[](IMAGE_SECTION_HEADER& S) { S.Misc.VirtualSize = S.SizeOfRawData = 0xFFFFFFF0; }, 0,
       L"4294967280 bytes were requested.  8 bytes were returned."},
      {[](IMAGE_SECTION_HEADER& S) { S.PointerToRawData = 0xFFFFFF00; }, 0,
       L"6 bytes were requested.  0 bytes were returned."},
  };
  for (const auto& image : faulty) {
    TTempFolder::CreateFileWithText(cut, Pe32Image(image.Cut, image.Hostile));
    ExpectRaises<EQevInternalError>([&] { ReadPeSection(cut, L"QEV.SYM"); }, image.Error);
  }

  // The 64-bit test program: its resource-string map and the code section.
  const WideString drc = ReadPeSectionText(TestExe(), L"QEV.DRC");
  EXPECT_NE(WideString::npos, drc.find(L"=QevTrxResourceUtils_SNoTranslationUpdates\r\n"));
  std::unique_ptr<TMemoryStream> code = ReadPeSection(TestExe(), L".text");
  ASSERT_NE(nullptr, code);
  EXPECT_EQ(0, code->Position());
  EXPECT_GT(code->Size(), 0);
  EXPECT_TRUE(ReadPeImageBase(TestExe(), base));

  // Neither a missing section, a non-image nor a missing file raises.
  EXPECT_FALSE(PeSectionExists(TestExe(), L"QEV.NONE"));
  EXPECT_EQ(nullptr, ReadPeSection(TestExe(), L"QEV.NONE"));
  EXPECT_EQ(L"", ReadPeSectionText(text, L".text"));
  EXPECT_FALSE(PeSectionExists(temp.Path() + L"missing.exe", L".text"));
  EXPECT_FALSE(ReadPeImageBase(text, base));
}

TEST(QevTrxResourceUtils, CopyKeepsEmptyBlocksEmptyResourcesAndEmptyStrings) {
  TTempFolder temp;
  const WideString source = temp.Path() + L"source.dll", target = temp.Path() + L"target.dll";
  Copy(TestModule(), source);
  Copy(TestModule(), target);
  const std::vector<WideChar> emptyBlock(16, 0);
  HANDLE update = BeginResourceUpdate(source, false);
  ASSERT_TRUE(update);
  EXPECT_TRUE(UpdateResourceEntry(update, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(5), 32,
                                  emptyBlock.data(), 0));
  SaveRcText(update, L"QEV_TRX_GUID", L"{01234567-89AB-4CDE-8F01-23456789ABCD}");
  ExpectRaises<Exception>([&] { SaveRcText(update, L"Qev_Mixed", L"x"); },
                          L"Internal Error: SaveRcText.ResName must be upper case.");
  ASSERT_TRUE(EndResourceUpdate(update, false));

  {
    // Before Wine's update rewrites a copy of the module without it.
    TModuleOwner module(LoadLibraryExW(TestModule().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    TResDataList resources;
    EnumerateResources(module.get(), resources);
    auto empty = std::find_if(resources.begin(), resources.end(), [](const auto& Res) {
      return !IsIntResource(Res->ResName) && WideString(Res->ResName) == L"EMPTY";
    });
    ASSERT_NE(resources.end(), empty);
    EXPECT_EQ(0u, (*empty)->Size);
  }
  // Windows keeps the empty resource in the copy; Wine's update refuses empty
  // data, so there it is the one resource left out.
  Copy(TestModule(), temp.Path() + L"plain.dll");
  EXPECT_NO_THROW(CopyModuleResources(TestModule(), temp.Path() + L"plain.dll"));
  CopyModuleResources(source, target);
  EXPECT_TRUE(SameTranslationGuid(source, target));
  {
    TModuleOwner module(LoadLibraryExW(target.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    EXPECT_EQ(L"", ReadRcDataText(module.get(), L"QEV.MISSING"));
    EXPECT_EQ(38u, ReadRcDataText(module.get(), L"QEV_TRX_GUID").size());
    TStringTableList tables;
    LoadStringTables(module.get(), tables);
    TQevStrings* empty = BlockWith(tables, 64);  // block 5: 64 to 79
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(16, empty->Count());
    WideString sixteenEmptyLines;
    for (int i = 0; i < 16; ++i) sixteenEmptyLines += L"\r\n";
    EXPECT_EQ(sixteenEmptyLines, empty->Text());
    // A translation that empties a string keeps its slot in the block.
    SetStringInTables(tables, 17, L"");
    module.reset();
    update = BeginResourceUpdate(target, false);
    WriteStringTables(update, tables);
    ASSERT_TRUE(EndResourceUpdate(update, false));
  }
  TModuleOwner module(LoadLibraryExW(target.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  TStringTableList tables;
  LoadStringTables(module.get(), tables);
  TQevStrings* block = BlockWith(tables, 17);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(L"", block->Get(1));
  EXPECT_EQ(L"Eighteen", block->Get(2));
  ASSERT_NE(nullptr, BlockWith(tables, 64));
  EXPECT_FALSE(IsTranslationPrepared(target));  // a GUID, but no "QEV.DRC"
}

// A cut copy or a forged entry must not be read through the loaded module:
// the system's resource functions trust the entries, and the reads fault past
// the end of the file.
TEST(QevTrxUtils, AModuleWhoseResourceDataLieOutsideItsFileIsNotPrepared) {
  TTempFolder temp;
  const WideString good = temp.Path() + L"good.dll", damaged = temp.Path() + L"damaged.dll";
  const WideString guid = L"{01234567-89AB-4CDE-8F01-23456789ABCD}";
  Copy(TestModule(), good);
  HANDLE update = BeginResourceUpdate(good, false);
  ASSERT_TRUE(update);
  SaveRcText(update, QevDrcName, L"17=Unit_Seventeen\r\n");
  SaveRcText(update, QevTrxGuidName, guid);
  ASSERT_TRUE(EndResourceUpdate(update, false));
  TQevMemoryStream file;
  file.LoadFromFile(good);
  const std::string image(static_cast<const char*>(file.Memory()), file.Size());
  const TGuidLayout at = GuidLayoutOf(good);
  ASSERT_LT(at.FirstData, image.size());

  // The data of the GUID moved past the end, its section grown to hold them.
  auto startPastTheEnd = [&](std::string& Image) {
    auto& dos = *reinterpret_cast<IMAGE_DOS_HEADER*>(Image.data());
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(Image.data() + dos.e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    while (at.Data < section->PointerToRawData ||
           at.Data >= section->PointerToRawData + section->SizeOfRawData)
      ++section;
    section->SizeOfRawData += 0x100000;
    reinterpret_cast<IMAGE_RESOURCE_DATA_ENTRY*>(&Image[at.Entry])->OffsetToData +=
        static_cast<DWORD>(Image.size() - at.Data + 0x10000);
  };
  const struct {
    const char* Name;
    std::function<void(std::string&)> Damage;
  } modules[] = {
      {"good", nullptr},
      {"cut after the directory", [&](std::string& Image) { Image.resize(at.FirstData); }},
      {"cut inside the data", [&](std::string& Image) { Image.resize(at.Data + 38); }},
      {"a size of 2 GB",
       [&](std::string& Image) {
         reinterpret_cast<IMAGE_RESOURCE_DATA_ENTRY*>(&Image[at.Entry])->Size = 0x7FFFFFF0;
       }},
      {"data past the end", startPastTheEnd},
  };
  for (const auto& module : modules) {
    SCOPED_TRACE(module.Name);
    std::string bytes = image;
    if (module.Damage) module.Damage(bytes);
    TTempFolder::CreateFileWithText(damaged, bytes);
    EXPECT_EQ(!module.Damage, IsTranslationPrepared(damaged));
    if (module.Damage)
      ExpectRaises<EQevGeneralError>(
          [&] { GetTranslationGuid(damaged); },
          L"The resource data of " + damaged + L" lie outside the file.");
    else
      EXPECT_EQ(guid, GetTranslationGuid(damaged));
  }
}

// The window an update shows could overwrite the error of the call that
// failed, which the caller reports: a failed update shows none.
TEST(QevTrxResourceUtils, AFailedUpdateReportsItsOwnError) {
  TTempFolder temp;
  const WideString missing = temp.Path() + L"missing.dll";
  ASSERT_FALSE(BeginUpdateResourceW(missing.c_str(), FALSE));
  const DWORD error = GetLastError();
  SetLastError(ERROR_SUCCESS);
  static int created = 0;
  HHOOK hook = SetWindowsHookExW(
      WH_CBT,
      [](int Code, WPARAM W, LPARAM L) -> LRESULT {
        if (Code == HCBT_CREATEWND) ++created;
        return CallNextHookEx(nullptr, Code, W, L);
      },
      nullptr, GetCurrentThreadId());
  EXPECT_EQ(nullptr, BeginResourceUpdate(missing, false));
  EXPECT_EQ(error, GetLastError());
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(0, created);
}

TEST(QevTrxUtils, ResourceModuleLookupUsesOneRuleForOverridesAndLocale) {
  TTempFolder temp;
  const WideString program = temp.Path() + L"Prog.exe";
  Copy(TestModule(), temp.Path() + L"Prog.ENU");
  // The pinned locale.
  EXPECT_EQ(temp.Path() + L"Prog.ENU", FindResourceModuleFile(program, TApiRoad::Wide));

  // The whole override value names the extension, also beyond four letters.
  Copy(TestModule(), temp.Path() + L"Prog.DEUTSCH");
  Copy(TestModule(), temp.Path() + L"Prog.DEUT");
  const TLocaleOverride deutsch(program.c_str(), L"DEUTSCH");
  EXPECT_EQ(temp.Path() + L"Prog.DEUTSCH", FindResourceModuleFile(program, TApiRoad::Wide));
  // A file that does not load as a module is passed over.
  TTempFolder::CreateFileWithText(temp.Path() + L"Prog.DEUTSCH", "no module");
  EXPECT_EQ(temp.Path() + L"Prog.ENU", FindResourceModuleFile(program, TApiRoad::Wide));

  // The program runs on its own resources until a module is set.
  EXPECT_EQ(ProgramLongFileName(TApiRoad::Wide), GetResourceModuleName());
  HMODULE module = LoadLibraryExW((temp.Path() + L"Prog.ENU").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  SetResourceModule(module);
  EXPECT_EQ(module, GetCurrentResourceModule());
  EXPECT_EQ(module, FindResourceHInstance(nullptr));
  ExpectRaises<EQevInternalError>([] { GetResourceModuleName(); },
                                  L"Internal Error: Can not determine resource module.");
  SetResourceModule(GetModuleHandleW(nullptr));  // frees the module
  EXPECT_EQ(GetModuleHandleW(nullptr), GetCurrentResourceModule());
}

TEST(QevTrxUtils, ModuleLookupAndLanguageListTakeThe8BitRoadWithoutTheWideApi) {
  TTempFolder temp;
  const WideString beyondAnsi = temp.Path() + L"\x0436\\";  // not in code page 1252
  ASSERT_TRUE(CreateDirectoryW(beyondAnsi.c_str(), nullptr));
  Copy(TestModule(), temp.Path() + L"Prog.ENU");
  Copy(TestModule(), beyondAnsi + L"Prog.ENU");
  TRestore<bool> ansiOnly(UnicodeApiAvailable, false);
  // The 8-bit road sees names through the ANSI code page only.
  const WideString program = temp.Path() + L"Prog.exe", hidden = beyondAnsi + L"Prog.exe";
  EXPECT_EQ(temp.Path() + L"Prog.ENU", FindResourceModuleFile(program, UnicodeApiRoad()));
  EXPECT_EQ(L"", FindResourceModuleFile(hidden, UnicodeApiRoad()));
  EXPECT_EQ(beyondAnsi + L"Prog.ENU", FindResourceModuleFile(hidden, TApiRoad::Wide));
  EXPECT_EQ(ProgramLongFileName(TApiRoad::Wide), GetResourceModuleName());

  // The override value, read through the 8-bit registry functions.
  const TLocaleOverride deutsch(nullptr, L"DEUTSCH");
  Copy(TestModule(), temp.Path() + L"Prog.DEUTSCH");
  EXPECT_EQ(temp.Path() + L"Prog.DEUTSCH", FindResourceModuleFile(program, UnicodeApiRoad()));

  // The same languages, named through the ANSI code page (Wine's names).
  const TQevTrxLangs langs;
  EXPECT_EQ(QevTrxLangs->Count(), langs.Count());
  EXPECT_EQ(L"MRI|Maori (New Zealand)", langs.Items().Get(langs.IndexOfAbbreviation(L"MRI")));
}

TEST(QevTrxUtils, LanguageListKeepsTheFirstOfDuplicateAbbreviations) {
  // Wine lists "ZZZ" for several default sublanguages.
  ASSERT_NE(nullptr, QevTrxLangs);
  EXPECT_GT(QevTrxLangs->Count(), 100);
  EXPECT_EQ(0x407, QevTrxLangs->LangIDOfAbbreviation(L".deu"));

  const TQevTrxLangs langs({{0x0409, L"ENU"}, {0x0467, L"ZZZ"}, {0x0809, L"ENG"},
                            {0x0471, L"ZZZ"}, {0x4C09, L"ZZZ"}, {0x0407, L"DEU"}});
  EXPECT_EQ(6, langs.Count());  // ENU, ENG, EN, ZZZ, 13.ZZZ, DEU
  EXPECT_EQ(0x0467, langs.LangIDOfAbbreviation(L"ZZZ"));
  EXPECT_EQ(0x4C09, langs.LangIDOfAbbreviation(L"13.ZZZ"));
  EXPECT_EQ(0x0009, langs.LangIDOfAbbreviation(L"en"));
  EXPECT_EQ(-1, langs.IndexOfAbbreviation(L"DE"));  // no other German sublanguage
  EXPECT_EQ(langs.IndexOfAbbreviation(L"DEU"), langs.IndexOfAbbreviation(L".deu"));
  EXPECT_EQ(L"???", langs.AbbreviationOfLangID(0x0C07));
  EXPECT_EQ(WideChangeFileExt(TestExe(), L".DEU"), TranslationFileForLanguage(TestExe(), 0x407));
}
