// The in-memory data sets, through TQevVarArrayDataSet: sorting, filtering,
// locating, editing in sort order and bookmarks.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "QevDB.h"
#include "QevLXVarArrayDataSet.h"
#include "QevSysUtils.h"
#include "TestSupport.h"

namespace {

WideString Current(TDataSet& DataSet, const char* Field = "Name") {
  return DataSet.FieldByName(Field)->AsWideString();
}

// Name, City, Age; counts the values read from stored records.
class TPeople : public TQevVarArrayDataSet {
 public:
  explicit TPeople(const std::vector<std::vector<Variant>>& Rows) : TQevVarArrayDataSet(nullptr) {
    FieldDefs()->Add("Name", ftWideString);
    FieldDefs()->Add("City", ftWideString);
    FieldDefs()->Add("Age", ftInteger);
    Open();
    for (const auto& row : Rows) AppendRecord(row);
  }
  Integer Reads = 0;
  WideString OnlyCity;
  void FilterCity(TDataSet*, bool& Accept) { Accept = Current(*this, "City") == OnlyCity; }

 protected:
  void InternalInitFieldDefs() override {}
  Variant GetRecordValue(TQevRecordHandle Record, Integer FieldIndex) override {
    ++Reads;
    return TQevVarArrayDataSet::GetRecordValue(Record, FieldIndex);
  }
};

std::vector<std::vector<Variant>> FivePeople() {
  return {{L"carol", L"Oslo", 30}, {L"Bob", L"Rome", 25}, {L"alice", L"Oslo", 41},
          {L"dave", L"Rome", 50}, {L"eve", L"Oslo", 19}};
}

std::vector<WideString> Column(TDataSet& DataSet, const char* Field = "Name") {
  std::vector<WideString> values;
  for (DataSet.First(); !DataSet.Eof(); DataSet.Next())
    values.push_back(DataSet.FieldByName(Field)->AsWideString());
  return values;
}

using Names = std::vector<WideString>;

}  // namespace

TEST(QevLXDataSet, SortsByOneOrTwoFieldsIgnoringCase) {
  TPeople people(FivePeople());
  EXPECT_NE(nullptr, dynamic_cast<IQevWideStringField*>(people.FieldByName("Name")));
  EXPECT_EQ((Names{L"carol", L"Bob", L"alice", L"dave", L"eve"}), Column(people));
  people.SetSort("Name");
  EXPECT_EQ((Names{L"alice", L"Bob", L"carol", L"dave", L"eve"}), Column(people));
  people.SetSort("City; Name");
  EXPECT_EQ((Names{L"alice", L"carol", L"eve", L"Bob", L"dave"}), Column(people));
  ExpectRaises<EDatabaseError>([&] { people.SetSort("Nope"); }, L"Field 'Nope' not found");
  EXPECT_EQ("", people.Sort());
}

TEST(QevLXDataSet, FiltersThroughOnFilterRecordOnly) {
  TPeople people(FivePeople());
  people.OnlyCity = L"Rome";
  people.SetOnFilterRecord(TFilterRecordEvent::Bind<&TPeople::FilterCity>(&people));
  EXPECT_EQ(5, people.RecordCount());
  people.SetFiltered(true);
  EXPECT_EQ((Names{L"Bob", L"dave"}), Column(people));
  people.SetFiltered(false);
  EXPECT_EQ(5, people.RecordCount());
  people.SetOnFilterRecord(nullptr);
  people.SetFiltered(true);
  ExpectRaises<EQevGeneralError>([&] { people.SetFilterText("City = 'Oslo'"); },
                                 L"TQevDataSet.Filter property is not supported yet.");
}

TEST(QevLXDataSet, LocateOnTheSortFieldsAgreesWithTheCaseInsensitiveOrder) {
  // Rows equal but for case stand in either order after sorting; a
  // case-sensitive search must find each of them.
  for (bool lowerFirst : {false, true}) {
    TPeople people({{lowerFirst ? L"bob" : L"Bob", L"Oslo", 1}, {L"alice", L"Rome", 2},
                    {lowerFirst ? L"Bob" : L"bob", L"Rome", 3}, {L"carol", L"Oslo", 4}});
    people.SetSort("Name");
    for (const WideString name : {L"bob", L"Bob"}) {
      EXPECT_TRUE(people.Locate("Name", name, 0)) << lowerFirst;
      EXPECT_EQ(name, Current(people));
    }
    EXPECT_FALSE(people.Locate("Name", L"BOB", 0));
    EXPECT_TRUE(people.Locate("Name", L"CA", loCaseInsensitive | loPartialKey));
    EXPECT_EQ(L"carol", Current(people));
    people.SetSort("City;Name");
    EXPECT_TRUE(people.Locate("City;Name", VarArrayOf({L"rome", L"BOB"}), loCaseInsensitive));
    EXPECT_EQ(3, people.FieldByName("Age")->AsInteger());
    EXPECT_TRUE(people.Locate("Name;City", VarArrayOf({L"BOB", L"oslo"}), loCaseInsensitive));
    EXPECT_EQ(1, people.FieldByName("Age")->AsInteger());
    EXPECT_EQ(Variant(L"alice"), people.Lookup("Age", 2, "Name"));
    EXPECT_FALSE(people.Locate("Nope", 1, 0));
  }
}

TEST(QevLXDataSet, LocateSearchesTheSortOrderBinarilyAndOtherFieldsInTurn) {
  std::vector<std::vector<Variant>> rows;
  for (int i = 0; i < 32; ++i) rows.push_back({L"n" + std::to_wstring(100 + i), L"Oslo", i});
  TPeople people(rows);
  people.SetSort("Name");
  people.Reads = 0;
  EXPECT_TRUE(people.Locate("Name", L"N131", loCaseInsensitive));
  EXPECT_LT(people.Reads, 16);
  people.Reads = 0;
  EXPECT_TRUE(people.Locate("Age", 31, 0));
  EXPECT_GE(people.Reads, 32);
  EXPECT_EQ(32, people.RecNo());
}

TEST(QevLXDataSet, EditingKeepsTheOrder) {
  TPeople people(FivePeople());
  people.Last();
  people.Insert();  // before the current record without a sort
  people.FieldByName("Name")->SetAsWideString(L"zed");
  people.Post();
  EXPECT_EQ((Names{L"carol", L"Bob", L"alice", L"dave", L"zed", L"eve"}), Column(people));
  people.SetSort("Name");
  people.AppendRecord({L"Carol", L"Rome", 99});  // before the equal key
  EXPECT_EQ(99, people.FieldByName("Age")->AsInteger());
  EXPECT_EQ(3, people.RecNo());
  ASSERT_TRUE(people.Locate("Name", L"zed", 0));
  people.Edit();
  people.FieldByName("Name")->SetAsWideString(L"Aaron");
  people.Post();
  EXPECT_EQ(1, people.RecNo());
  EXPECT_EQ((Names{L"Aaron", L"alice", L"Bob", L"Carol", L"carol", L"dave", L"eve"}),
            Column(people));
  people.First();
  people.Delete();
  EXPECT_EQ(L"alice", Current(people));
  while (!people.IsEmpty()) people.Delete();
  EXPECT_EQ(0, people.RecNo());
  EXPECT_EQ(0, people.Rows()->Count());
}

TEST(QevLXDataSet, BookmarksArePointerSizedAndFollowTheOrder) {
  TPeople people(FivePeople());
  EXPECT_EQ(static_cast<Integer>(sizeof(void*)), people.BookmarkSize());
  people.First();
  TBookmark first = people.GetBookmark();
  people.Last();
  TBookmark last = people.GetBookmark();
  EXPECT_EQ(-1, people.CompareBookmarks(first, last));
  people.SetSort("Name");  // eve sorts last, carol before her
  EXPECT_EQ(-1, people.CompareBookmarks(first, last));
  people.GotoBookmark(first);
  EXPECT_EQ(L"carol", Current(people));
  people.Delete();
  ExpectRaises<EDatabaseError>([&] { people.GotoBookmark(first); }, L"Bookmark not found.");
  people.GotoBookmark(last);
  EXPECT_EQ(L"eve", Current(people));
  people.FreeBookmark(first);
  people.FreeBookmark(last);
}
