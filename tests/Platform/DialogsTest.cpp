// The open and save dialogs: the record handed to comdlg32 and the names
// read back from it. A real dialog is worked in QevDialogsTest.
#include <gtest/gtest.h>

#include <string>

#include "Dialogs.h"
#include "FileDialogTestSupport.h"

using namespace std::string_literals;

namespace {

using TFake = TFakeFileDialog<OPENFILENAMEA>;

class DialogsTest : public testing::Test {
 protected:
  void SetUp() override { TFake::Reset(); }
  TRestore<TOpenFileNameFuncA> Open_{GetOpenFileNameProcA, &TFake::Run<OpenName>};
  TRestore<TOpenFileNameFuncA> Save_{GetSaveFileNameProcA, &TFake::Run<SaveName>};
  TOpenDialog Dialog{nullptr};
};

TEST_F(DialogsTest, RecordCarriesFilterFolderOptionsAndTheFileBuffer) {
  Dialog.SetFilter("Text files|*.txt|All|*.*");
  Dialog.SetInitialDir("C:\\Temp\\");
  Dialog.SetFileName("report.csv");
  Dialog.SetOptions({ofOverwritePrompt, ofNoChangeDir});
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(TFake::Called, OpenName);
  EXPECT_EQ(TFake::Filter, "Text files\0*.txt\0All\0*.*\0\0"s);
  EXPECT_EQ(TFake::InitialDir, "C:\\Temp");
  EXPECT_EQ(TFake::File, "report.csv");
  EXPECT_EQ(TFake::DefExt, "<null>");  // explorer style: none from the name
  EXPECT_EQ(TFake::Seen.nMaxFile, SingleFileBufferSize);
  EXPECT_EQ(TFake::Seen.Flags,
            DWORD(OFN_ENABLEHOOK | OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR));
  EXPECT_EQ(TFake::Seen.lCustData, reinterpret_cast<LPARAM>(&Dialog));

  TRestore<bool> force(ForceCurrentDirectory, true);
  TSaveDialog save(nullptr);
  save.SetFileName("report.csv");
  save.SetOptions({ofOldStyleDialog, ofAllowMultiSelect});
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(TFake::Called, SaveName);
  EXPECT_EQ(TFake::InitialDir, ".");
  EXPECT_EQ(TFake::DefExt, "csv");
  EXPECT_EQ(TFake::Seen.nMaxFile, MultiSelectBufferSize);
  EXPECT_EQ(TFake::Seen.Flags, DWORD(OFN_ENABLEHOOK | OFN_ALLOWMULTISELECT));

  for (auto [given, kept] : {std::pair{"C:\\", "C:\\"}, {"\\", "\\"}}) {
    save.SetInitialDir(given);
    EXPECT_EQ(save.InitialDir(), kept);
  }
}

// Old-style dialogs separate the names by blanks; a run that is not
// confirmed leaves no names of an earlier one.
TEST_F(DialogsTest, OldStyleMultiSelectionAndCancelledRunAfterIt) {
  Dialog.SetOptions({ofAllowMultiSelect, ofOldStyleDialog});
  TFake::Answer = "C:\\DATA\\ A.TXT D:\\B.TXT";
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(Dialog.Files()->Text(), "C:\\DATA\\A.TXT\r\nD:\\B.TXT\r\n");
  EXPECT_EQ(Dialog.FileName(), "C:\\DATA\\A.TXT");
  EXPECT_EQ(Dialog.Options(), TOpenOptions({ofAllowMultiSelect, ofOldStyleDialog, ofReadOnly}));
  EXPECT_EQ(Dialog.FilterIndex(), 3);

  TFake::Answer.reset();
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Dialog.Files()->Count(), 0);
  EXPECT_EQ(Dialog.FileName(), "C:\\DATA\\A.TXT");
}

}  // namespace
