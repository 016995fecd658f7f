// The translation table and the building of translation modules, on a copy of
// this test program (which carries a build GUID, the "QEV.DRC" map and the
// module template) in a temp folder.
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "QevTrxResourceUtils.h"
#include "QevTrxTable.h"
#include "QevTrxUtils.h"
#include "Scoped.h"
#include "TestSupport.h"

namespace {

const WideString CountsId = L"QevFormatStrUtils_SMismatchedArgumentCounts";
const WideString TypesId = L"QevFormatStrUtils_SMismatchedArgumentTypes";
const WideString TypesText = L"Argument types for index %0:d do not match. (%1:s <> %2:s)";

std::string ContentOf(const WideString& FileName) {
  std::string content;
  THandleOwner file(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  char buffer[65536];
  for (DWORD read = 0; ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0;)
    content.append(buffer, read);
  return content;
}

// A module under construction is a file beside the module, named ".new".
bool TemporaryFileIn(const WideString& Folder) {
  WIN32_FIND_DATAW data;
  return FindFirstFileW((Folder + L"*.new").c_str(), &data) != INVALID_HANDLE_VALUE;
}

void Translate(TQevTransTable& Table, const WideString& Id, const WideString& Text,
               const WideString& Comment = L"") {
  ASSERT_TRUE(Table.LocateTranID(Id));
  Table.Edit();
  Table.SetTranValue(Text);
  Table.SetComment(Comment);
  Table.SetTranslated(true);
  Table.Post();
}

// The row's TranValue, Comment and Translated as "value|comment|1".
WideString RowOf(TQevTransTable& Table, const WideString& Id) {
  if (!Table.LocateTranID(Id)) return L"missing";
  return Table.TranValue() + L"|" + Table.Comment() + (Table.Translated() ? L"|1" : L"|0");
}

void SetGuid(const WideString& Module, const WideString& Guid) {
  HANDLE update = BeginResourceUpdate(Module, false);
  ASSERT_TRUE(update);
  SaveRcText(update, QevTrxGuidName, Guid);
  ASSERT_TRUE(EndResourceUpdate(update, false));
}

void FailingSave() { throw EQevGeneralError(L"disk full"); }

class QevTrxTable : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileW(WideGetExeFileName().c_str(), Program.c_str(), FALSE));
    CreateTranslationDll(Program, 0x407, Module);
  }

  TTempFolder Temp;
  const WideString Program = Temp.Path() + L"Prog.exe";
  WideString Module;
  TQevTransTable Table{nullptr};
};

}  // namespace

TEST_F(QevTrxTable, ModuleTextsAreEditedAndSavedWholeOrNotAtAll) {
  EXPECT_EQ(Temp.Path() + L"Prog.DEU", Module);
  EXPECT_TRUE(SameTranslationGuid(Program, Module));
  EXPECT_FALSE(TemporaryFileIn(Temp.Path()));
  const std::string made = ContentOf(Module);
  WideString again;
  ExpectRaises<EQevInternalError>([&] { CreateTranslationDll(Program, 0x407, again); },
                                  L"Internal Error: This translation already exists (" + Module +
                                      L").");
  EXPECT_EQ(made, ContentOf(Module));

  // New modules hold the program's format strings in explicit-index form.
  Table.LoadFromModule(Program, Module);
  EXPECT_EQ(TypesText + L"||0", RowOf(Table, QevWideUpperCase(TypesId)));
  // A translation must take the reference's arguments; the row stays in edit.
  Table.Edit();
  Table.SetRefValue(TypesText);
  Table.SetTranValue(L"%s only");
  ExpectRaises<EQevGeneralError>([&] { Table.Post(); }, L"Number of format specifiers do not match.");
  EXPECT_EQ(dsEdit, Table.State());
  Table.Cancel();

  Translate(Table, CountsId, L"Anzahl der Formatangaben passt nicht.", L"checked");
  EXPECT_TRUE(Table.IsModified());
  Table.SaveToModule(false);
  EXPECT_FALSE(Table.IsModified());
  // Half an update would pass for a whole one.
  const std::string saved = ContentOf(Module);
  Translate(Table, TypesId, L"Typen bei %0:d passen nicht. (%1:s <> %2:s)");
  {
    TRestore<void (*)()> probe(TransTableSaveProbe, FailingSave);
    ExpectRaises<EQevGeneralError>([&] { Table.SaveToModule(false); }, L"disk full");
  }
  EXPECT_EQ(saved, ContentOf(Module));
  TQevTransTable loaded(nullptr);
  loaded.LoadFromModule(Program, Module);
  EXPECT_EQ(L"Anzahl der Formatangaben passt nicht.|checked|1", RowOf(loaded, CountsId));
  EXPECT_EQ(TypesText + L"||0", RowOf(loaded, TypesId));

  // The program itself can be read but never written.
  TQevTransTable own(nullptr);
  own.LoadFromModule(Program, Program);
  EXPECT_TRUE(own.FieldByName("TranValue")->ReadOnly());
  ExpectRaises<EQevInternalError>(
      [&] { own.SaveToModule(false); },
      L"You can not save changes directly to the application exe (" + Program + L").");
}

TEST_F(QevTrxTable, RebuildKeepsFittingTranslationsAndTheOldModuleOnFailure) {
  // The old build took other arguments for one text.
  Table.LoadFromModule(Program, Module);
  Translate(Table, CountsId, L"Anzahl passt nicht.", L"kept");
  Translate(Table, TypesId, L"Typen passen nicht: %s", L"old arguments");
  Table.SaveToModule(false);
  const WideString otherBuild = L"{01234567-89AB-4CDE-8F01-23456789ABCD}";
  SetGuid(Module, otherBuild);

  UpdateTranslationResources(Program, Module);
  EXPECT_TRUE(SameTranslationGuid(Program, Module));
  TQevTransTable rebuilt(nullptr);
  rebuilt.LoadFromModule(Program, Module);
  EXPECT_EQ(L"Anzahl passt nicht.|kept|1", RowOf(rebuilt, CountsId));
  EXPECT_EQ(TypesText + L"|old arguments|0", RowOf(rebuilt, TypesId))
      << "a translation that does not fit was merged";

  // A rebuild that fails leaves the old module as it was.
  SetGuid(Module, otherBuild);
  const std::string old = ContentOf(Module);
  {
    TRestore<void (*)()> probe(TransTableSaveProbe, FailingSave);
    ExpectRaises<EQevGeneralError>([&] { UpdateTranslationResources(Program, Module); },
                                   L"disk full");
  }
  EXPECT_EQ(old, ContentOf(Module));
  EXPECT_FALSE(TemporaryFileIn(Temp.Path()));
  // So does a module whose extension names no language.
  const WideString unknown = Temp.Path() + L"Prog.QQQ";
  ASSERT_TRUE(CopyFileW(Module.c_str(), unknown.c_str(), FALSE));
  EXPECT_THROW(UpdateTranslationResources(Program, unknown), Exception);
  EXPECT_EQ(old, ContentOf(unknown));
}
