#include <vector>

#include "QevClasses.h"
#include "QevSystem.h"
#include "QevTestSupport.h"

namespace {

using TItems = std::vector<WideString>;

TItems ItemsOf(const TQevStrings& list) {
  TItems items;
  for (Integer i = 0; i < list.Count(); ++i) items.push_back(list.Get(i));
  return items;
}

void Fill(TQevStrings& list, const TItems& items) {
  list.Clear();
  for (const WideString& s : items) list.Add(s);
}

TObject* Tag(std::uintptr_t n) { return reinterpret_cast<TObject*>(n); }

std::string FileBytes(const std::wstring& name) {
  std::string bytes;
  HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(h);
  return bytes;
}

// Records the change events of a list: "<" for OnChanging, ">" for OnChange.
struct TEventLog {
  std::wstring Text;
  void Changing(TObject*) { Text += L'<'; }
  void Change(TObject*) { Text += L'>'; }
  void Watch(TQevStringList& list) {
    list.OnChanging = TNotifyEvent::Bind<&TEventLog::Changing>(this);
    list.OnChange = TNotifyEvent::Bind<&TEventLog::Change>(this);
  }
};

// ------------------------------------------------------------------ text

struct TTextCase {
  WideString Text;
  TItems Items;
};

class SetTextStr : public testing::TestWithParam<TTextCase> {};

TEST_P(SetTextStr, SplitsAtEachKindOfLineBreak) {
  TQevStringList list;
  list.Add(L"old");
  list.SetTextStr(GetParam().Text);
  EXPECT_EQ(ItemsOf(list), GetParam().Items);
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, SetTextStr,
    testing::Values(TTextCase{L"a\r\nb", {L"a", L"b"}}, TTextCase{L"a\rb", {L"a", L"b"}},
                    TTextCase{L"a\nb", {L"a", L"b"}}, TTextCase{L"a\x2028" L"b", {L"a", L"b"}},
                    TTextCase{L"a\r\n\x2028" L"b", {L"a", L"b"}},
                    TTextCase{L"a\n\rb", {L"a", L"", L"b"}},
                    TTextCase{L"a\r\n\r\n", {L"a", L""}}, TTextCase{L"a\r\n", {L"a"}},
                    TTextCase{L"\r\n", {L""}}, TTextCase{L"", {}},
                    TTextCase{WideString(L"a\r\nb\0c\r\n", 8), {L"a", L"b"}}));

TEST(QevStrings, GetTextEndsEveryItemWithCrLf) {
  TQevStringList list;
  EXPECT_EQ(list.GetTextStr(), L"");
  EXPECT_EQ(list.GetText(), nullptr);
  Fill(list, {L"a", L"", L"\x0436"});
  EXPECT_EQ(list.GetTextStr(), L"a\r\n\r\n\x0436\r\n");
  WideChar* text = list.GetText();
  EXPECT_STREQ(text, L"a\r\n\r\n\x0436\r\n");
  WStrDispose(text);
  list.SetText(nullptr);
  EXPECT_EQ(list.Count(), 0);
}

// ----------------------------------------------------------- sorted lists

TEST(QevStringList, SortedListsFollowTheirDuplicatesRule) {
  TQevStringList list;
  Fill(list, {L"c", L"a", L"B"});
  list.SetSorted(true);
  EXPECT_EQ(ItemsOf(list), (TItems{L"a", L"B", L"c"}));

  EXPECT_EQ(list.AddObject(L"b", Tag(1)), 1);  // dupIgnore: the existing item
  EXPECT_EQ(ItemsOf(list), (TItems{L"a", L"B", L"c"}));
  EXPECT_EQ(list.GetObject(1), nullptr);

  list.Duplicates = dupAccept;
  EXPECT_EQ(list.AddObject(L"b", Tag(2)), 1);  // before the first equal one
  EXPECT_EQ(ItemsOf(list), (TItems{L"a", L"b", L"B", L"c"}));
  EXPECT_EQ(list.GetObject(1), Tag(2));

  list.Duplicates = dupError;
  ExpectRaises<EStringListError>([&] { list.Add(L"C"); }, L"String list does not allow duplicates");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Add(L"d"), 4);
}

TEST(QevStringList, FindAndIndexOfSearchASortedList) {
  TQevStringList list;
  list.SetSorted(true);
  list.Duplicates = dupAccept;
  for (const wchar_t* s : {L"m", L"b", L"x", L"m", L"M", L"d"}) list.Add(s);
  Integer index = -1;
  EXPECT_TRUE(list.Find(L"M", index));
  EXPECT_EQ(index, 2);  // first of the run of three
  EXPECT_FALSE(list.Find(L"c", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find(L"z", index));
  EXPECT_EQ(index, 6);
  EXPECT_EQ(list.IndexOf(L"X"), 5);
  EXPECT_EQ(list.IndexOf(L"q"), -1);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf(L"X"), -1);
  EXPECT_EQ(list.IndexOf(L"x"), 5);
}

TEST(QevStringList, RefusesOrderChangesOnASortedList) {
  TQevStringList list;
  list.SetSorted(true);
  Fill(list, {L"a", L"b", L"c"});
  const WideString sorted = L"Operation not allowed on sorted list";
  ExpectRaises<EStringListError>([&] { list.Put(0, L"z"); }, sorted);
  ExpectRaises<EStringListError>([&] { list.Insert(0, L"z"); }, sorted);
  ExpectRaises<EStringListError>([&] { list.Move(0, 2); }, sorted);
  EXPECT_EQ(ItemsOf(list), (TItems{L"a", L"b", L"c"}));
  list.Exchange(0, 2);
  EXPECT_EQ(ItemsOf(list), (TItems{L"c", L"b", L"a"}));
}

// ------------------------------------------------------------ name=value

TEST(QevStrings, NamesAndValues) {
  TQevStringList list;
  Fill(list, {L"x=1", L"y=", L"plain", L"z=a=b", L"stra\x00DF" L"e=road"});
  EXPECT_EQ(list.NameValueSeparator(), L'=');
  EXPECT_EQ(list.Names(0), L"x");
  EXPECT_EQ(list.Names(2), L"");
  EXPECT_EQ(list.Values(L"X"), L"1");
  EXPECT_EQ(list.Values(L"y"), L"");
  EXPECT_EQ(list.Values(L"plain"), L"");
  EXPECT_EQ(list.Values(L"z"), L"a=b");
  EXPECT_EQ(list.ValueFromIndex(2), L"");  // no separator: no value
  EXPECT_EQ(list.ValueFromIndex(-1), L"");
  // The locale takes "ss" for the sharp s: the names differ in length.
  EXPECT_EQ(list.Values(L"STRASSE"), L"road");
  list.SetSorted(true);
  EXPECT_EQ(list.Get(list.IndexOfName(L"strasse")), L"stra\x00DF" L"e=road");
  EXPECT_EQ(list.IndexOfName(L"plain"), -1);

  list.SetNameValueSeparator(L':');
  list.Add(L"k:v");
  EXPECT_EQ(list.Values(L"k"), L"v");
  EXPECT_EQ(list.Values(L"x"), L"");
}

// ---------------------------------------------------------- notification

TEST(QevStringList, ReportsOneChangeForAnUpdateBracket) {
  TQevStringList list;
  TEventLog log;
  log.Watch(list);
  list.Clear();
  EXPECT_EQ(log.Text, L"");
  list.Add(L"a");
  EXPECT_EQ(log.Text, L"<>");
  log.Text.clear();
  list.BeginUpdate();
  list.Add(L"b");
  list.BeginUpdate();
  list.SetTextStr(L"x\ny\nz");
  list.EndUpdate();
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(log.Text, L"<>");
  EXPECT_EQ(ItemsOf(list), (TItems{L"y", L"z"}));
}

TEST(QevStringList, ExchangeAndMoveCarryTheObjects) {
  TQevStringList list;
  list.AddObject(L"a", Tag(1));
  list.AddObject(L"b", Tag(2));
  list.AddObject(L"c", Tag(3));
  list.Exchange(0, 2);
  EXPECT_EQ(ItemsOf(list), (TItems{L"c", L"b", L"a"}));
  EXPECT_EQ(list.GetObject(0), Tag(3));
  list.Move(0, 2);
  EXPECT_EQ(ItemsOf(list), (TItems{L"b", L"a", L"c"}));
  EXPECT_EQ(list.IndexOfObject(Tag(3)), 2);

  ExpectRaises<EStringListError>([&] { list.Exchange(5, 9); }, L"List index out of bounds (5)");
  ExpectRaises<EStringListError>([&] { list.Exchange(0, 9); }, L"List index out of bounds (9)");
  ExpectRaises<EStringListError>([&] { list.Move(0, 3); }, L"List index out of bounds (3)");
  EXPECT_EQ(ItemsOf(list), (TItems{L"b", L"a", L"c"}));
}

// ---------------------------------------------------------------- assign

TEST(QevStrings, AssignAddStringsAndEquals) {
  TQevStringList source;
  source.AddObject(L"k:\x0436", Tag(7));
  source.SetNameValueSeparator(L':');
  TQevStringList target;
  target.Add(L"old");
  target.Assign(&source);
  EXPECT_TRUE(target.Equals(&source));
  EXPECT_EQ(target.GetObject(0), Tag(7));
  EXPECT_EQ(target.Values(L"k"), L"\x0436");

  target.Assign(&target);  // keeps its items
  target.AddStrings(&target);  // adds them once
  EXPECT_EQ(ItemsOf(target), (TItems{L"k:\x0436", L"k:\x0436"}));
  EXPECT_EQ(target.GetObject(1), Tag(7));

  TPersistent other;
  EXPECT_NE(MessageOf<EConvertError>([&] { target.Assign(&other); }), L"<no exception>");

  Fill(source, {L"x", L"y"});
  Fill(target, {L"x", L"Y"});  // Equals compares exactly, not by CompareStrings
  EXPECT_FALSE(target.Equals(&source));
  target.Put(1, L"y");
  EXPECT_TRUE(target.Equals(&source));
  target.Add(L"");
  EXPECT_FALSE(target.Equals(&source));
}

TEST(AnsiStringsAdapter, ConvertsWithItsCodePage) {
  TQevStringList wide;
  TStringList ansi;
  ansi.AddObject("\xE6\xE0", Tag(1));  // Cyrillic in 1251
  TAnsiStringsForWideStringsAdapter cyrillic(&wide, 1251);
  cyrillic.Assign(&ansi);
  EXPECT_EQ(ItemsOf(wide), (TItems{L"\x0436\x0430"}));
  EXPECT_EQ(wide.GetObject(0), Tag(1));

  TAnsiStringsForWideStringsAdapter japanese(&wide, 932);
  wide.Put(0, L"\x4E2D\x6587x");  // double-byte characters
  ansi.Assign(&japanese);
  EXPECT_EQ(ansi.Get(0), "\x92\x86\x95\xB6x");
  TMemoryStream stream;
  japanese.SaveToStreamEx(&stream, 932);
  stream.SetPosition(0);
  wide.Clear();
  japanese.LoadFromStreamEx(&stream, 932);
  EXPECT_EQ(ItemsOf(wide), (TItems{L"\x4E2D\x6587x"}));
}

TEST(AnsiStringsAdapter, ServesAssignBetweenWideAndPlatformLists) {
  TQevStringList wide;
  wide.SetSorted(true);
  TStringList ansi;
  ansi.Add("b\xE9");
  ansi.Add("a");
  wide.Assign(&ansi);  // default code page (1252); a sorted list takes the items too
  EXPECT_EQ(ItemsOf(wide), (TItems{L"a", L"b\x00E9"}));
  EXPECT_EQ(wide.AnsiStrings()->AdapterCodePage(), ConversionCodePage);
  wide.Add(L"c");
  ansi.Assign(&wide);
  EXPECT_EQ(ansi.Text(), "a\r\nb\xE9\r\nc\r\n");
}

// ----------------------------------------------------------- text files

struct TFileCase {
  const char* Name;
  std::string Bytes;
  TQevStreamCharSet CharSet;
  TItems Items;
};

class LoadFromFile : public testing::TestWithParam<TFileCase> {};

TEST_P(LoadFromFile, ReadsTheCharacterSetOfTheMark) {
  TTempFolder folder;
  std::wstring name = folder.Path() + L"text.txt";
  TTempFolder::CreateFileWithText(name, GetParam().Bytes);
  TQevStringList list;
  list.Add(L"old");
  list.LoadFromFile(name);
  EXPECT_EQ(list.LastFileCharSet(), GetParam().CharSet);
  EXPECT_EQ(ItemsOf(list), GetParam().Items);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, LoadFromFile,
    testing::Values(
        TFileCase{"Empty", "", csAnsi, {}},
        TFileCase{"MarkOnly", "\xFF\xFE", csUnicode, {}},
        TFileCase{"Utf16", std::string("\xFF\xFE" "a\0\r\0\n\0\x36\x04", 10), csUnicode,
                  {L"a", L"\x0436"}},
        TFileCase{"Utf16OddByte", std::string("\xFF\xFE" "a\0b", 5), csUnicode, {L"a"}},
        TFileCase{"Utf16BE", std::string("\xFE\xFF\0a\0\n\x04\x36", 8), csUnicodeSwapped,
                  {L"a", L"\x0436"}},
        TFileCase{"Utf8", "\xEF\xBB\xBF" "a\xC3\xA9\r\n\xE4\xB8\xAD", csUtf8,
                  {L"a\x00E9", L"\x4E2D"}},
        TFileCase{"Utf8WithoutMark", "a\xC3\xA9", csAnsi, {L"a\x00C3\x00A9"}},
        TFileCase{"BrokenUtf8Mark", "\xEF\xBB" "A", csAnsi, {L"\x00EF\x00BB" L"A"}},
        // A damaged sequence costs its own bytes, never the whole text.
        TFileCase{"DamagedUtf8", "\xEF\xBB\xBF" "a\xC3(\r\nb\xE4\xB8", csUtf8,
                  {L"a\xFFFD(", L"b\xFFFD"}},
        TFileCase{"OneByte", "\xFF", csAnsi, {L"\x00FF"}}),
    [](const testing::TestParamInfo<TFileCase>& info) { return info.param.Name; });

TEST(QevStrings, LoadFromStreamWithoutMarkReadsUtf16) {
  TMemoryStream stream;
  stream.WriteBuffer("\xEF\xBB\xBF" "ab", 5);
  stream.SetPosition(0);
  TQevStringList list;
  list.LoadFromStream(&stream, false);
  EXPECT_EQ(ItemsOf(list), (TItems{L"\xBBEF\x61BF"}));  // the odd last byte dropped
}

TEST(QevStrings, SavesUtf16WithMarkUnderAWideName) {
  TTempFolder folder;
  std::wstring utf8Name = folder.Path() + L"utf8.txt";
  TTempFolder::CreateFileWithText(utf8Name, "\xEF\xBB\xBF" "a\n\xD0\xB6");
  TQevStringList list;
  list.LoadFromFile(utf8Name);
  std::wstring name = folder.Path() + L"\x0436\x4E2D.txt";
  list.SaveToFile(name);
  EXPECT_EQ(FileBytes(name), std::string("\xFF\xFE" "a\0\r\0\n\0\x36\x04\r\0\n\0", 14));
  TQevStringList back;
  back.LoadFromFile(name);
  EXPECT_EQ(back.LastFileCharSet(), csUnicode);
  EXPECT_TRUE(back.Equals(&list));
}

TEST(QevStrings, FileErrorsLeaveTheListAlone) {
  TTempFolder folder;
  TQevStringList list;
  list.Add(L"kept");
  std::wstring missing = folder.Path() + L"\x0436.txt";
  ExpectRaises<EFOpenError>([&] { list.LoadFromFile(missing); },
                            L"Cannot open file " + missing);
  std::wstring badFolder = folder.Path() + L"none\\\x4E2D.txt";
  ExpectRaises<EFCreateError>([&] { list.SaveToFile(badFolder); },
                              L"Cannot create file " + badFolder);
  EXPECT_EQ(ItemsOf(list), (TItems{L"kept"}));
}

// A stream that claims more bytes than a text can hold.
class THugeStream : public TStream {
 public:
  Integer Read(void*, Integer) override { return 0; }
  Integer Write(const void*, Integer) override { return 0; }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
    constexpr Int64 size = Int64(3) << 30;
    Position_ = Origin == soBeginning ? Offset : (Origin == soCurrent ? Position_ : size) + Offset;
    return Position_;
  }

 private:
  Int64 Position_ = 0;
};

TEST(QevStrings, AStreamTooLargeToLoadIsAReadError) {
  THugeStream stream;
  TQevStringList list;
  list.Add(L"kept");
  ExpectRaises<EReadError>([&] { list.LoadFromStream(&stream); }, L"Stream read error");
  stream.SetPosition(0);
  ExpectRaises<EReadError>([&] { list.AnsiStrings()->LoadFromStreamEx(&stream, 1252); },
                           L"Stream read error");
  EXPECT_EQ(ItemsOf(list), (TItems{L"kept"}));
}

// --------------------------------------------------------------- streams

TEST(QevMemoryStream, LoadsAFileByWideName) {
  TTempFolder folder;
  std::wstring name = folder.Path() + L"\x4E2D.bin";
  const std::string bytes("\x01\0\x02", 3);
  TTempFolder::CreateFileWithText(name, bytes);
  TQevMemoryStream stream;
  stream.WriteBuffer("old contents", 12);
  stream.LoadFromFile(name);
  ASSERT_EQ(stream.Size(), 3);
  EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), 3), bytes);
}

TEST(QevResourceStream, ReadsAResourceByWideNameAndType) {
  HMODULE module = GetModuleHandleW(nullptr);
  TQevResourceStream stream(module, L"QEVCLASSESTEXT", L"QEVTEXT");
  TQevStringList list;
  list.LoadFromStream(&stream);
  EXPECT_EQ(ItemsOf(list), (TItems{L"one", L"\x0436"}));
  ExpectRaises<EStreamError>([&] { stream.Write("x", 1); },
                             L"Can't write to a read-only resource stream");
  ExpectRaises<EResNotFound>([&] { TQevResourceStream(module, L"NOPE", L"QEVTEXT"); },
                             L"Resource NOPE not found");
}

// -------------------------------------------------------------- builders

TEST(BufferedStrings, GrowAndKeepZerosPastTheText) {
  TBufferedWideString wide;
  EXPECT_EQ(wide.Value(), L"");
  WideString expected;
  for (int i = 0; i < 600; ++i) {
    wide.AddChar(static_cast<WideChar>(L'a' + i % 26));
    expected += static_cast<WideChar>(L'a' + i % 26);
  }
  wide.AddString(L"\x0436\x4E2D");
  wide.AddBuffer(L"xy\0z", 4);
  wide.AddBuffer(L"pq", 1);
  EXPECT_EQ(wide.Value(), expected + L"\x0436\x4E2Dxyp");
  wide.Clear();
  wide.AddString(L"new");
  EXPECT_EQ(wide.Value(), L"new");
  EXPECT_STREQ(wide.BufferPtr(), L"new");

  TBufferedAnsiString ansi;
  ansi.AddChar('a');
  ansi.AddString("");
  ansi.AddString(std::string(100, 'b'));
  ansi.AddString("c");
  EXPECT_EQ(ansi.Value(), "a" + std::string(100, 'b') + "c");
  ansi.Clear();
  ansi.AddString("d");
  EXPECT_EQ(ansi.Value(), "d");
}

Integer CompareNumbers(void* item, void* target) {
  auto a = reinterpret_cast<std::intptr_t>(item), b = reinterpret_cast<std::intptr_t>(target);
  return a < b ? -1 : (a > b ? 1 : 0);
}

TEST(FindSortedListIndex, FindsAnItemOrItsPlace) {
  TList list;
  for (std::intptr_t n : {10, 20, 30}) list.Add(reinterpret_cast<void*>(n));
  Integer index = -1;
  EXPECT_TRUE(FindSortedListIndex(&list, CompareNumbers, reinterpret_cast<void*>(20), index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(FindSortedListIndex(&list, CompareNumbers, reinterpret_cast<void*>(25), index));
  EXPECT_EQ(index, 2);
  TList empty;
  EXPECT_FALSE(FindSortedListIndex(&empty, CompareNumbers, nullptr, index));
  EXPECT_EQ(index, 0);
}

struct TAdapterLog : IWideStringsAdapter {
  std::wstring Text;
  void ReferenceStrings(TQevStrings*) override { Text += L'+'; }
  void ReleaseStrings() override { Text += L'-'; }
};

TEST(QevStrings, StringsAdapterIsReferencedAndReleased) {
  TAdapterLog first, second;
  {
    TQevStringList list;
    list.SetStringsAdapter(&first);
    list.SetStringsAdapter(&second);
  }
  EXPECT_EQ(first.Text, L"+-");
  EXPECT_EQ(second.Text, L"+-");
}

TEST(WideCompare, UsesTheUsersLocale) {
  EXPECT_EQ(WideCompareText(L"abc", L"ABD"), -1);
  EXPECT_EQ(WideCompareText(L"\x0436", L"\x0416"), 0);
  EXPECT_EQ(WideCompareText(L"b", L"A"), 1);
  EXPECT_EQ(WideCompareStr(L"a", L"A"), -1);
  EXPECT_EQ(WideCompareStr(L"a", L"a"), 0);
  EXPECT_EQ(WideUpperCase(L"\x0436z"), L"\x0416Z");
  EXPECT_EQ(WideLowerCase(L"\x0416Z"), L"\x0436z");
  EXPECT_TRUE(WideSameText(L"\x0436x", L"\x0416X"));
  EXPECT_FALSE(WideSameText(L"a", L"ab"));
}

}  // namespace
