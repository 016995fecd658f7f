// Persistent objects, pointer and string lists, events and streams.
#include <gtest/gtest.h>

#include <cstring>

#include "Classes.h"
#include "TestSupport.h"
#include "WinApi.h"

namespace {

std::vector<AnsiString> Items(const TStrings& list) {
  std::vector<AnsiString> items;
  for (Integer i = 0; i < list.Count(); ++i) items.push_back(list.Get(i));
  return items;
}

using Texts = std::vector<AnsiString>;

class TThing : public TPersistent {
 public:
  const char* ClassName() const override { return "TThing"; }
};

// Counts the events of a string list.
struct TListWatcher {
  int Changes = 0, Changings = 0;
  void Change(TObject*) { ++Changes; }
  void Changing(TObject*) { ++Changings; }
};

// A folder of its own under the temporary folder, removed with its files.
class TempFolder : public ::testing::Test {
 protected:
  AnsiString File(const AnsiString& name) { return Folder_ + "\\" + name; }
  TTempFolder Temp_;
  AnsiString Folder_ = WideToAnsi(Temp_.Path().substr(0, Temp_.Path().size() - 1));
};

}  // namespace

// ------------------------------------------------------------------- objects

TEST(Persistent, AssignBetweenUnrelatedClassesNamesBoth) {
  TStringList list;
  TThing thing;
  ExpectRaises<EConvertError>([&] { list.Assign(&thing); },
                              L"Cannot assign a TThing to a TStringList");
  ExpectRaises<EConvertError>([&] { thing.Assign(&list); },
                              L"Cannot assign a TStringList to a TThing");
  ExpectRaises<EConvertError>([&] { list.Assign(nullptr); },
                              L"Cannot assign a nil to a TStringList");
}

TEST(Events, CompareByObjectAndMember) {
  TListWatcher a, b;
  TNotifyEvent none;
  EXPECT_FALSE(none.Assigned());
  TNotifyEvent e1 = TNotifyEvent::Bind<&TListWatcher::Change>(&a);
  EXPECT_TRUE(e1);
  EXPECT_EQ(e1, TNotifyEvent::Bind<&TListWatcher::Change>(&a));
  EXPECT_NE(e1, TNotifyEvent::Bind<&TListWatcher::Change>(&b));
  EXPECT_NE(e1, TNotifyEvent::Bind<&TListWatcher::Changing>(&a));
  EXPECT_EQ(TNotifyEvent(e1.Method()), e1);
  e1(nullptr);
  EXPECT_EQ(1, a.Changes);
}

// ---------------------------------------------------------------------- TList

namespace {
class TRecordingList : public TList {
 public:
  ~TRecordingList() override { Clear(); }
  std::vector<std::pair<void*, TListNotification>> Log;

 protected:
  void Notify(void* p, TListNotification action) override { Log.emplace_back(p, action); }
};
int Slot[6];
Integer ComparePointers(void* a, void* b) {
  return static_cast<Integer>(static_cast<int*>(a) - static_cast<int*>(b));
}
}  // namespace

TEST(List, BoundsErrorsNameTheBadValue) {
  TList list;
  list.Add(&Slot[0]);
  ExpectRaises<EListError>([&] { list.Get(1); }, L"List index out of bounds (1)");
  ExpectRaises<EListError>([&] { list.Delete(-1); }, L"List index out of bounds (-1)");
  ExpectRaises<EListError>([&] { list.Insert(2, nullptr); }, L"List index out of bounds (2)");
  ExpectRaises<EListError>([&] { list.Move(0, 1); }, L"List index out of bounds (1)");
  ExpectRaises<EListError>([&] { list.SetCapacity(0); }, L"List capacity out of bounds (0)");
  ExpectRaises<EListError>([&] { list.SetCount(-1); }, L"List count out of bounds (-1)");
  EXPECT_EQ(1, list.Count());
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
}

TEST(List, EditsGrowthAndNotifications) {
  TRecordingList list;
  for (int i = 0; i < 4; ++i) list.Add(&Slot[i]);
  EXPECT_EQ(4, list.Capacity());
  list.Add(nullptr);
  EXPECT_EQ(8, list.Capacity());
  list.Insert(0, &Slot[4]);
  list.Move(0, 5);   // 0 1 2 3 nil 4
  list.Exchange(0, 1);  // 1 0 2 3 nil 4
  EXPECT_EQ(&Slot[1], list.First());
  EXPECT_EQ(&Slot[4], list.Last());
  EXPECT_EQ(&Slot[2], list.Extract(&Slot[2]));
  EXPECT_EQ(-1, list.IndexOf(&Slot[2]));
  list.Pack();
  EXPECT_EQ(4, list.Count());
  EXPECT_EQ(3, list.Remove(&Slot[4]));
  list.Sort(ComparePointers);
  EXPECT_EQ(&Slot[0], list.Get(0));
  EXPECT_EQ(&Slot[3], list.Get(2));
  list.Log.clear();
  list.Put(0, &Slot[5]);
  list.SetCount(1);
  using L = std::vector<std::pair<void*, TListNotification>>;
  EXPECT_EQ((L{{&Slot[0], lnDeleted}, {&Slot[5], lnAdded}, {&Slot[3], lnDeleted},
               {&Slot[1], lnDeleted}}),
            list.Log);
}

// ---------------------------------------------------------------- string lists

TEST(StringList, SortedListsFollowTheDuplicatesMode) {
  TObject first, second;
  TStringList list;
  list.SetSorted(true);
  list.AddObject("b", &first);
  list.Add("a");
  list.Add("c");
  EXPECT_EQ(1, list.Add("B"));  // dupIgnore: the existing index, nothing added
  EXPECT_EQ(3, list.Count());
  list.Duplicates = dupError;
  ExpectRaises<EStringListError>([&] { list.Add("b"); }, L"String list does not allow duplicates");
  EXPECT_EQ(3, list.Count());
  list.Duplicates = dupAccept;
  EXPECT_EQ(1, list.AddObject("B", &second));  // before the equal item
  EXPECT_EQ(&second, list.GetObject(1));
  EXPECT_EQ(&first, list.GetObject(2));
  EXPECT_EQ(1, list.IndexOf("b"));
  EXPECT_EQ(-1, list.IndexOf("bb"));
  ExpectRaises<EStringListError>([&] { list.Insert(0, "x"); },
                                 L"Operation not allowed on sorted list");
  ExpectRaises<EStringListError>([&] { list.Get(4); }, L"List index out of bounds (4)");
}

TEST(StringList, SortingAndCaseSensitivity) {
  TStringList list;
  list.SetCommaText("c,b");
  list.SetSorted(true);
  list.Duplicates = dupAccept;
  list.Add("a");
  list.Add("A");  // before the equal "a"
  EXPECT_EQ(Texts({"A", "a", "b", "c"}), Items(list));
  // A sorted list is sorted again for the new comparison, so Find still works.
  list.SetCaseSensitive(true);
  EXPECT_EQ(Texts({"a", "A", "b", "c"}), Items(list));
  EXPECT_EQ(1, list.IndexOf("A"));
  EXPECT_EQ(0, list.IndexOf("a"));
  list.SetSorted(false);
  list.Exchange(0, 3);
  list.Sort();
  EXPECT_EQ(Texts({"a", "A", "b", "c"}), Items(list));
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  list.SetText("x=1\r\nx2=\r\nplain\r\ny=a=b\r\n");
  EXPECT_EQ("1", list.Values("x"));
  EXPECT_EQ("", list.Values("x2"));
  EXPECT_EQ("a=b", list.Values("Y"));
  EXPECT_EQ("", list.Values("plain"));
  EXPECT_EQ("y", list.Names(3));
  EXPECT_EQ("", list.Names(2));
  EXPECT_EQ("", list.ValueFromIndex(2));  // no separator: no value
  EXPECT_EQ("", list.ValueFromIndex(-1));
  EXPECT_EQ(1, list.IndexOfName("X2"));
  list.SetValue("x", "5");
  list.SetValue("z", "6");
  list.SetValue("x2", "");
  EXPECT_EQ(Texts({"x=5", "plain", "y=a=b", "z=6"}), Items(list));
  list.NameValueSeparator = ':';
  list.Add("k:v");
  EXPECT_EQ("v", list.Values("k"));
}

TEST(StringList, AddStringsIntoItselfCopiesTheOriginalItemsOnce) {
  TObject o;
  TStringList list;
  list.AddObject("b", &o);
  list.Add("a");
  list.AddStrings(&list);
  EXPECT_EQ(Texts({"b", "a", "b", "a"}), Items(list));
  EXPECT_EQ(&o, list.GetObject(2));
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.Duplicates = dupAccept;
  sorted.SetCommaText("b,a");
  sorted.AddStrings(&sorted);
  EXPECT_EQ(Texts({"a", "a", "b", "b"}), Items(sorted));
}

TEST(StringList, TextSplitsAtEveryLineBreakKind) {
  TStringList list;
  list.SetText("a\r\nb\rc\nd\r\n");
  EXPECT_EQ(Texts({"a", "b", "c", "d"}), Items(list));
  list.SetText("a\r\n\r\n");
  EXPECT_EQ(Texts({"a", ""}), Items(list));
  list.SetText("a\n\rb");  // LF then CR: two breaks
  EXPECT_EQ(Texts({"a", "", "b"}), Items(list));
  EXPECT_EQ("a\r\n\r\nb\r\n", list.Text());
  list.Clear();
  EXPECT_EQ("", list.Text());
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  list.SetText("a\r\nb c\r\nd\"e\r\n\r\nf,g\r\n");
  EXPECT_EQ("a,\"b c\",\"d\"\"e\",,\"f,g\"", list.CommaText());
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_TRUE(back.Equals(&list));
  back.SetCommaText(" a b, \"c \"\"d\"\" e\" ,");
  EXPECT_EQ(Texts({"a", "b", "c \"d\" e", ""}), Items(back));
  back.SetCommaText("\"open");
  EXPECT_EQ(Texts({"open"}), Items(back));
  back.SetText("\r\n");
  EXPECT_EQ("\"\"", back.CommaText());
}

TEST(StringList, ChangeEventsAndAssign) {
  TListWatcher watcher;
  TStringList list;
  list.OnChange = TNotifyEvent::Bind<&TListWatcher::Change>(&watcher);
  list.OnChanging = TNotifyEvent::Bind<&TListWatcher::Changing>(&watcher);
  list.Clear();  // empty: no events
  EXPECT_EQ(0, watcher.Changes);
  list.Add("x");
  EXPECT_EQ(1, watcher.Changes);
  EXPECT_EQ(1, watcher.Changings);
  TStringList source;
  source.SetCommaText("p,q,r");
  source.Delimiter = ';';
  list.Assign(&source);  // one bracket around all edits
  EXPECT_EQ(2, watcher.Changes);
  EXPECT_EQ(2, watcher.Changings);
  EXPECT_TRUE(list.Equals(&source));
  EXPECT_EQ(';', list.Delimiter);
  EXPECT_EQ("p;q;r", list.DelimitedText());
  list.Move(0, 2);
  EXPECT_EQ(Texts({"q", "r", "p"}), Items(list));
  source.Put(0, "P");
  EXPECT_FALSE(list.Equals(&source));
}

TEST(StringList, FailedMovesAndSelfAssignmentKeepTheItems) {
  TStringList list;
  list.SetCommaText("a,b,c");
  ExpectRaises<EStringListError>([&] { list.Move(0, 3); }, L"List index out of bounds (3)");
  list.Assign(&list);
  EXPECT_EQ(Texts({"a", "b", "c"}), Items(list));
  list.SetSorted(true);
  ExpectRaises<EStringListError>([&] { list.Move(0, 2); }, L"Operation not allowed on sorted list");
  EXPECT_EQ(Texts({"a", "b", "c"}), Items(list));
}

// -------------------------------------------------------------------- streams

TEST(MemoryStream, ReadWriteSeekAndSize) {
  TMemoryStream stream;
  stream.WriteBuffer("hello", 5);
  EXPECT_EQ(5, stream.Size());
  stream.SetPosition(8);
  stream.WriteBuffer("!", 1);  // the gap reads as zeros
  EXPECT_EQ(0, std::memcmp("hello\0\0\0!", stream.Memory(), 9));
  EXPECT_EQ(6, stream.Seek(-3, soEnd));
  stream.SetSize(3);
  EXPECT_EQ(3, stream.Position());
  stream.SetSize(6);
  EXPECT_EQ(0, std::memcmp("hel\0\0\0", stream.Memory(), 6));
  char buffer[8] = {};
  stream.SetPosition(1);
  EXPECT_EQ(5, stream.Read(buffer, 8));
  ExpectRaises<EReadError>([&] { stream.ReadBuffer(buffer, 1); }, L"Stream read error");
  stream.Clear();
  EXPECT_EQ(0, stream.Size());
  EXPECT_EQ(nullptr, stream.Memory());
}

TEST(MemoryStream, PositionsBeyondFourGigabytesStayExact) {
  TMemoryStream stream;
  stream.WriteBuffer("0123456789", 10);
  const Int64 beyond = (Int64{1} << 32) + 2;  // 2 once cut to 32 bits
  EXPECT_EQ(beyond, stream.Seek(beyond, soBeginning));
  char buffer[8];
  EXPECT_EQ(0, stream.Read(buffer, 8));
  EXPECT_EQ(beyond, stream.Position());
  EXPECT_EQ(10, stream.Size());
  EXPECT_EQ(beyond + 10, stream.Seek(10, soCurrent));
  EXPECT_EQ(5, stream.Seek(-beyond - 5, soCurrent));
  EXPECT_EQ(5, stream.Read(buffer, 8));
}

TEST(MemoryStream, CopyFromPartOrAllOfTheSource) {
  TMemoryStream source, dest;
  source.WriteBuffer("abcdef", 6);
  source.SetPosition(2);
  EXPECT_EQ(3, dest.CopyFrom(&source, 3));
  EXPECT_EQ(0, std::memcmp("cde", dest.Memory(), 3));
  EXPECT_EQ(6, dest.CopyFrom(&source, 0));  // all of it, from the start
  EXPECT_EQ(0, std::memcmp("cdeabcdef", dest.Memory(), 9));
  source.SetPosition(5);
  ExpectRaises<EReadError>([&] { dest.CopyFrom(&source, 2); }, L"Stream read error");
}

TEST_F(TempFolder, FileStreamsRoundTripAndTruncate) {
  AnsiString name = File("data.bin");
  {
    TFileStream stream(name, fmCreate);
    stream.WriteBuffer("0123456789", 10);
    stream.SetSize(4);
    EXPECT_EQ(4, stream.Size());
  }
  TMemoryStream memory;
  memory.LoadFromFile(name);
  EXPECT_EQ(4, memory.Size());
  EXPECT_EQ(0, std::memcmp("0123", memory.Memory(), 4));
  TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
  ExpectRaises<EWriteError>([&] { reader.WriteBuffer("x", 1); }, L"Stream write error");
  ExpectRaises<EFOpenError>([&] { TFileStream writer(name, fmOpenWrite); },
                            WideString(L"Cannot open file ") + AnsiToWide(name));
  EXPECT_EQ(2, reader.Seek(-2, soEnd));
  char tail[2];
  reader.ReadBuffer(tail, 2);
  EXPECT_EQ(0, std::memcmp("23", tail, 2));
}

TEST_F(TempFolder, OpenAndCreateErrors) {
  AnsiString missing = Folder_ + "\\missing.txt";
  AnsiString nowhere = Folder_ + "\\no folder\\new.txt";
  ExpectRaises<EFOpenError>([&] { TFileStream stream(missing, fmOpenRead); },
                            WideString(L"Cannot open file ") + AnsiToWide(missing));
  ExpectRaises<EFCreateError>([&] { TFileStream stream(nowhere, fmCreate); },
                              WideString(L"Cannot create file ") + AnsiToWide(nowhere));
  EXPECT_THROW(TFileStream stream(missing, fmOpenRead), EStreamError);
  TStringList list;
  list.Add("kept");
  EXPECT_THROW(list.LoadFromFile(missing), EFOpenError);
  EXPECT_EQ(Texts({"kept"}), Items(list));
}

TEST_F(TempFolder, StringListsSaveAndLoadText) {
  AnsiString name = File("list.txt");
  TStringList list;
  list.SetCommaText("one,\"two words\",\"\"");
  list.SaveToFile(name);
  TMemoryStream raw;
  raw.LoadFromFile(name);
  EXPECT_EQ("one\r\ntwo words\r\n\r\n",
            AnsiString(static_cast<const char*>(raw.Memory()), static_cast<size_t>(raw.Size())));
  TStringList back;
  back.LoadFromFile(name);
  EXPECT_TRUE(back.Equals(&list));
  raw.SetPosition(5);  // a stream loads from its position on
  back.LoadFromStream(&raw);
  EXPECT_EQ(Texts({"two words", ""}), Items(back));
}

TEST(ResourceStream, ReadsAResourceByNameOrId) {
  THandle module = GetModuleHandleW(nullptr);
  TResourceStream byName(module, "QEVCLASSESTEST", MAKEINTRESOURCEA(10));
  EXPECT_EQ(14, byName.Size());
  EXPECT_EQ(0, std::memcmp("resource bytes", byName.Memory(), 14));
  TResourceStream byId(module, 101, MAKEINTRESOURCEA(10));
  char bytes[4];
  byId.ReadBuffer(bytes, 4);
  EXPECT_EQ(0, std::memcmp("\x01\x02\x03\x04", bytes, 4));
  ExpectRaises<EStreamError>([&] { byId.WriteBuffer("x", 1); },
                             L"Can't write to a read-only resource stream");
  TMemoryStream copy;
  byName.SaveToStream(&copy);
  EXPECT_EQ(14, copy.Size());
}

TEST(ResourceStream, MissingResourcesAreNamedInTheError) {
  THandle module = GetModuleHandleW(nullptr);
  ExpectRaises<EResNotFound>([&] { TResourceStream stream(module, "NOPE", MAKEINTRESOURCEA(10)); },
                             L"Resource NOPE not found");
  ExpectRaises<EResNotFound>([&] { TResourceStream stream(module, 999, MAKEINTRESOURCEA(10)); },
                             L"Resource 999 not found");
}
