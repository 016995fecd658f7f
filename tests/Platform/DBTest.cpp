// The data set and its fields, over the in-memory test data set.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "DB.h"
#include "TestDataSet.h"

namespace {

const char* const EventNames[] = {"BeforeInsert", "AfterInsert", "BeforeEdit", "AfterEdit",
                                  "BeforePost",   "AfterPost",   "BeforeCancel", "AfterCancel",
                                  "BeforeDelete", "AfterDelete", "BeforeScroll", "AfterScroll"};

class DBTest : public testing::Test {
 public:
  template <size_t N>
  void Log(TDataSet*) { Events += std::string(EventNames[N]) + " "; }
  void FixName(TDataSet*, EDatabaseError&, TDataAction& Action) {
    Name()->SetAsString("Fixed");
    Action = daRetry;
  }
  void OnlyCounted(TDataSet* DataSet, bool& Accept) {
    Accept = DataSet->FieldByName("Count")->AsInteger() > 1;
  }

 protected:
  void SetUp() override {
    Data.SetName("People");
    Data.FieldDefs()->Add("Name", ftString, 8, true);
    Data.FieldDefs()->Add("Count", ftInteger);
    for (const char* name : {"Anna", "Ben", "Cleo"})
      Data.Rows.push_back(std::make_unique<TTestDataSet::TRow>(
          TTestDataSet::TRow{AnsiString(name), static_cast<Integer>(Data.Rows.size() + 1)}));
    Data.Open();
  }
  template <size_t... N>
  void BindEvents(std::index_sequence<N...>) {
    TDataSetNotifyEvent* events[] = {&Data.BeforeInsert, &Data.AfterInsert, &Data.BeforeEdit,
                                     &Data.AfterEdit,    &Data.BeforePost,  &Data.AfterPost,
                                     &Data.BeforeCancel, &Data.AfterCancel, &Data.BeforeDelete,
                                     &Data.AfterDelete,  &Data.BeforeScroll, &Data.AfterScroll};
    ((*events[N] = TDataSetNotifyEvent::Bind<&DBTest::Log<N>>(this)), ...);
  }
  TField* Name() { return Data.FieldByName("Name"); }
  AnsiString Names() {
    AnsiString names;
    for (const auto& row : Data.Rows) names += VarToStr((*row)[0]) + ";";
    return names;
  }
  template <typename F>
  std::string ErrorOf(F f) {
    try {
      f();
    } catch (EDatabaseError& e) {
      return e.what();
    }
    return "no error";
  }

  TTestDataSet Data{nullptr};
  std::string Events;
};

TEST_F(DBTest, NavigationAndBookmarksFollowTheRecords) {
  EXPECT_TRUE(Data.Bof());
  EXPECT_EQ("Anna", Name()->AsString());
  EXPECT_EQ(1, Data.RecNo());
  EXPECT_EQ(2, Data.MoveBy(5));
  EXPECT_TRUE(Data.Eof());
  EXPECT_EQ("Cleo", Name()->AsString());
  EXPECT_EQ(3, Data.RecNo());
  Data.Prior();
  EXPECT_EQ(static_cast<Integer>(sizeof(void*)), Data.BookmarkSize());
  TBookmark ben = Data.GetBookmark();
  const TBookmarkStr benText = Data.Bookmark();
  Data.First();
  TBookmark anna = Data.GetBookmark();
  EXPECT_EQ(1, Data.CompareBookmarks(ben, anna));
  Data.GotoBookmark(ben);
  EXPECT_EQ("Ben", Name()->AsString());
  Data.Last();
  Data.SetBookmark(benText);
  EXPECT_EQ(2, Data.FieldByName("Count")->AsInteger());
  Data.Delete();
  EXPECT_EQ("Cleo", Name()->AsString());
  EXPECT_FALSE(Data.BookmarkValid(ben));
  EXPECT_TRUE(Data.BookmarkValid(anna));
  EXPECT_EQ("Cleo", Name()->AsString());
  Data.FreeBookmark(ben);
  Data.FreeBookmark(anna);
  EXPECT_EQ("People: Field 'Nope' not found", ErrorOf([&] { Data.FieldByName("Nope"); }));
  TList fields;
  Data.GetFieldList(&fields, " Count ;Name");
  EXPECT_EQ(2, fields.Count());
  EXPECT_EQ(Data.Fields(0), fields.Get(1));
}

TEST_F(DBTest, EditingRunsItsEventsAndKeepsOrder) {
  BindEvents(std::make_index_sequence<std::size(EventNames)>());
  Data.Next();
  Data.Insert();
  Name()->SetAsString("Abe");
  Data.Post();
  EXPECT_EQ("Anna;Abe;Ben;Cleo;", Names());
  EXPECT_EQ("Abe", Name()->AsString());
  EXPECT_EQ("BeforeScroll AfterScroll BeforeInsert BeforeScroll AfterInsert AfterScroll "
            "BeforePost AfterPost ",
            Events);
  Events.clear();
  Data.Edit();
  Name()->SetAsString("Zed");
  Data.Cancel();
  EXPECT_EQ("Abe", Name()->AsString());
  EXPECT_EQ("BeforeEdit AfterEdit BeforeCancel AfterCancel ", Events);
  Data.Append();
  Name()->SetAsString("Dora");
  Data.First();  // a modified record is posted before moving
  EXPECT_EQ("Anna;Abe;Ben;Cleo;Dora;", Names());
  Data.Insert();
  Data.Next();  // an untouched one is dropped
  EXPECT_EQ(5u, Data.Rows.size());
  Data.AppendRecord({AnsiString("Eve"), 7});
  EXPECT_EQ("Eve", Name()->AsString());
  Data.Locate("Name", AnsiString("Ben"), 0);
  Data.Delete();
  EXPECT_EQ("Anna;Abe;Cleo;Dora;Eve;", Names());
  EXPECT_EQ("Cleo", Name()->AsString());
}

TEST_F(DBTest, StateAndValueErrorsLeaveTheDataAlone) {
  const std::string notEditing = "People: Dataset not in edit or insert mode";
  EXPECT_EQ(notEditing, ErrorOf([&] { Name()->SetAsString("X"); }));
  EXPECT_EQ(notEditing, ErrorOf([&] { Data.Post(); }));
  Data.Edit();
  EXPECT_EQ("People: Value of field 'Name' is too long: 9 bytes, the field holds 8",
            ErrorOf([&] { Name()->SetAsString("Alexandra"); }));
  EXPECT_THROW(Data.FieldByName("Count")->SetAsString("x"), EConvertError);
  Name()->Clear();
  EXPECT_EQ("Field 'Name' must have a value", ErrorOf([&] { Data.Post(); }));
  EXPECT_EQ(dsEdit, Data.State());
  Data.OnPostError = TDataSetErrorEvent::Bind<&DBTest::FixName>(this);
  Data.Post();  // the handler mends the value and retries
  EXPECT_EQ("Fixed;Ben;Cleo;", Names());
  Name()->SetReadOnly(true);
  Data.Edit();
  EXPECT_EQ("Field 'Name' cannot be modified", ErrorOf([&] { Name()->SetAsString("X"); }));
  Data.Cancel();
  Data.CanModifyRecords = false;
  EXPECT_EQ("People: Cannot modify a read-only dataset", ErrorOf([&] { Data.Delete(); }));
  Data.Close();
  EXPECT_EQ(0, Data.FieldCount());
  EXPECT_EQ("People: Cannot perform this operation on a closed dataset",
            ErrorOf([&] { Data.First(); }));
  Data.Rows.clear();
  Data.CanModifyRecords = true;
  Data.Open();
  EXPECT_TRUE(Data.Bof() && Data.Eof() && Data.IsEmpty());
  EXPECT_TRUE(Name()->IsNull());
  EXPECT_EQ("People: Cannot perform this operation on an empty dataset",
            ErrorOf([&] { Data.Delete(); }));
}

TEST_F(DBTest, LocateAndFilterFindOnlyWhatMatches) {
  Data.Last();
  EXPECT_TRUE(Data.Locate("name", AnsiString("be"), loCaseInsensitive | loPartialKey));
  EXPECT_EQ("Ben", Name()->AsString());
  EXPECT_FALSE(Data.Locate("Name", AnsiString("be"), loPartialKey));
  EXPECT_EQ("Ben", Name()->AsString());  // not found: stays
  EXPECT_TRUE(Data.Locate("Count;Name", VarArrayOf({3, AnsiString("Cleo")}), 0));
  EXPECT_EQ(3, Data.RecNo());
  Data.SetOnFilterRecord(TFilterRecordEvent::Bind<&DBTest::OnlyCounted>(this));
  Data.SetFiltered(true);
  Data.First();
  EXPECT_EQ("Ben", Name()->AsString());
  EXPECT_FALSE(Data.Locate("Name", AnsiString("Anna"), 0));
  EXPECT_EQ(1, Data.MoveBy(3));
  EXPECT_EQ("Cleo", Name()->AsString());
}

TEST_F(DBTest, FieldsConvertTheirTexts) {
  Name()->SetEditMask("00/00;0;_");
  Data.Edit();
  Name()->SetAsString("1231");
  EXPECT_EQ("12/31", Name()->DisplayText());
  EXPECT_EQ("1231", Name()->Text());
  TField* count = Data.FieldByName("Count");
  count->SetAsVariant(AnsiString(" 42 "));
  EXPECT_EQ(42, count->AsInteger());
  count->SetAsString("");
  EXPECT_TRUE(count->IsNull());
  EXPECT_EQ("", count->DisplayText());
  Data.Cancel();
  Data.Close();
  Data.Rows.clear();
  Data.FieldDefs()->Clear();
  Data.FieldDefs()->Add("Small", ftSmallint);
  Data.FieldDefs()->Add("Flag", ftBoolean);
  Data.FieldDefs()->Add("Day", ftDate);
  Data.Open();
  Data.Edit();
  EXPECT_EQ("70000 is not a valid value for field 'Small'. The allowed range is -32768 to 32767",
            ErrorOf([&] { Data.Fields(0)->SetAsInteger(70000); }));
  Data.Fields(1)->SetAsString("true");
  EXPECT_EQ("True", Data.Fields(1)->DisplayText());
  Data.Fields(2)->SetAsDateTime(EncodeDate(2002, 7, 1) + 0.75);
  EXPECT_EQ(EncodeDate(2002, 7, 1), Data.Fields(2)->AsDateTime());
}

}  // namespace
