// The layer's replacements of the runtime's conversions, resource-string
// loader and wide formatting.
#include <gtest/gtest.h>

#include "QevSysUtils.h"
#include "QevSystem.h"
#include "TestSupport.h"

namespace {

QEV_RESOURCESTRING(QevRtlPatchesTest, SNonAnsiText, L"\x0436\x4E2D text");

// Replacements for the life of the object.
class TPatched {
 public:
  explicit TPatched(Integer flags) { InstallRtlPatches(flags); }
  ~TPatched() { RemoveAllRtlPatches(); }
  TPatched(const TPatched&) = delete;
  TPatched& operator=(const TPatched&) = delete;
};

// ConversionCodePage for the life of the object.
class TCodePage {
 public:
  explicit TCodePage(Integer codePage) { ConversionCodePage = codePage; }
  ~TCodePage() { ConversionCodePage = Saved_; }
  TCodePage(const TCodePage&) = delete;
  TCodePage& operator=(const TCodePage&) = delete;

 private:
  Integer Saved_ = ConversionCodePage;
};

WideString TestAnsiToWide(const AnsiChar*, Integer) { return L"test"; }

AnsiString Bytes(std::size_t count) {
  AnsiString s;
  for (std::size_t i = 0; i < count; ++i) s += static_cast<char>(0x20 + i % 0xE0);
  return s;
}

WideString SystemAnsiToWide(const AnsiString& s) {
  WideString result(s.size(), L'\0');
  result.resize(static_cast<std::size_t>(MultiByteToWideChar(
      CP_ACP, 0, s.data(), static_cast<int>(s.size()), result.data(), static_cast<int>(s.size()))));
  return result;
}

const WideString NonAnsi = L"\x0436\x4E2D";

}  // namespace

TEST(RtlPatches, InstallOnceRemoveToWhatWasThere) {
  const TAnsiToWideProc runtimeAnsiToWide = AnsiToWideProc;
  AnsiToWideProc = TestAnsiToWide;  // whatever stood there comes back
  const TAnsiToWideProc a2w = AnsiToWideProc;
  const TWideToAnsiProc w2a = WideToAnsiProc;
  const TLoadResStringProc load = LoadResStringProc;
  const TWideFmtStrProc fmt = WideFmtStrProc;
  const Integer codePage = ConversionCodePage;
  ASSERT_NE(CP_ACP, codePage);

  InstallRtlPatches(rtlConversionsAndResStrings);
  EXPECT_NE(a2w, AnsiToWideProc);
  EXPECT_NE(w2a, WideToAnsiProc);
  EXPECT_NE(load, LoadResStringProc);
  EXPECT_EQ(fmt, WideFmtStrProc);
  EXPECT_EQ(codePage, ConversionCodePage);
  const TAnsiToWideProc patched = AnsiToWideProc;

  InstallRtlPatches(15);
  InstallRtlPatches(15);
  EXPECT_EQ(patched, AnsiToWideProc);
  EXPECT_NE(fmt, WideFmtStrProc);
  EXPECT_EQ(CP_ACP, ConversionCodePage);

  RemoveAllRtlPatches();
  RemoveAllRtlPatches();
  EXPECT_EQ(a2w, AnsiToWideProc);
  EXPECT_EQ(w2a, WideToAnsiProc);
  EXPECT_EQ(load, LoadResStringProc);
  EXPECT_EQ(fmt, WideFmtStrProc);
  EXPECT_EQ(codePage, ConversionCodePage);

  InstallRtlPatches(rtlConversionsInAnsiCodePage | rtlConcatenation);
  EXPECT_EQ(load, LoadResStringProc);
  EXPECT_EQ(CP_ACP, ConversionCodePage);
  RemoveAllRtlPatches();
  EXPECT_EQ(a2w, AnsiToWideProc);
  AnsiToWideProc = runtimeAnsiToWide;
}

TEST(RtlPatches, ResourceStringsArriveWhole) {
  EXPECT_EQ(L"?? text", LoadResString(SNonAnsiText));  // squeezed through 1252
  EXPECT_EQ(L"\x0436\x4E2D text", WideLoadResString(SNonAnsiText));
  {
    TPatched patched(15);
    EXPECT_EQ(L"\x0436\x4E2D text", LoadResString(SNonAnsiText));
    const TResStringRec unknown = {"QevRtlPatchesTest_SUnknown", L"built in \x0436"};
    EXPECT_EQ(L"built in \x0436", LoadResString(unknown));
  }
  EXPECT_EQ(L"?? text", LoadResString(SNonAnsiText));
}

TEST(RtlPatches, ResourceModule) {
  const THandle program = GetModuleHandleW(nullptr);
  const THandle other = GetModuleHandleW(L"kernel32.dll");
  EXPECT_EQ(program, FindResourceHInstance(nullptr));
  SetResourceHInstance(other);  // a translation module without the string
  EXPECT_EQ(other, FindResourceHInstance(program));
  EXPECT_EQ(other, FindResourceHInstance(other));
  EXPECT_EQ(L"", WideLoadResString(SNonAnsiText));
  SetResourceHInstance(nullptr);
  EXPECT_EQ(program, FindResourceHInstance(program));
  EXPECT_EQ(L"\x0436\x4E2D text", WideLoadResString(SNonAnsiText));
}

TEST(RtlPatches, ConversionsAreExact) {
  TPatched patched(rtlConversionsInAnsiCodePage);
  for (std::size_t length : {1, 2045, 2046, 5000}) {
    const AnsiString s = Bytes(length);
    EXPECT_EQ(SystemAnsiToWide(s), AnsiToWide(s)) << length;
    EXPECT_EQ(s, WideToAnsi(AnsiToWide(s))) << length;
  }
  EXPECT_EQ(L"", AnsiToWide(nullptr, 3));
  EXPECT_EQ("", WideToAnsi(L"abc", 0));
  EXPECT_EQ("??", WideToAnsi(NonAnsi));

  TCodePage utf8(CP_UTF8);  // a text longer in bytes than twice its characters
  const WideString wide(3000, L'\x4E2D');
  EXPECT_EQ(WideStringToUTF8(wide), WideToAnsi(wide));
  EXPECT_EQ(wide, AnsiToWide(WideStringToUTF8(wide)));
}

TEST(RtlPatches, ShortStringsKeepWholeCharacters) {
  using namespace std::string_literals;
  EXPECT_EQ("\x03" "abc", WideToShortString(L"abc", 255));
  EXPECT_EQ("\x02" "ab", WideToShortString(L"abc", 2));
  EXPECT_EQ("\0"s, WideToShortString(L"abc", -1));
  const AnsiString longest = WideToShortString(WideString(300, L'x'), 1000);
  EXPECT_EQ(256u, longest.size());
  EXPECT_EQ('\xFF', longest[0]);
  {
    TCodePage shiftJis(932);
    EXPECT_EQ("\x01" "a", WideToShortString(L"a\x4E2D", 2));
    EXPECT_EQ("\x03" "a\x92\x86", WideToShortString(L"a\x4E2D", 3));
  }
  TCodePage utf8(CP_UTF8);
  EXPECT_EQ("\x02" "ab", WideToShortString(L"ab\xD83D\xDE00", 5));
  EXPECT_EQ("\x06" "ab\xF0\x9F\x98\x80", WideToShortString(L"ab\xD83D\xDE00", 6));
}

TEST(RtlPatches, WideFormatFormatsFloatsAsTheAnsiFormat) {
  TPatched patched(15);
  const WideString text = NonAnsi;
  EXPECT_EQ(text + L" 1.50", WideFormat(L"%s %.2f", {text, 1.5}));

  TFormatSettings settings = FormatSettings;
  settings.DecimalSeparator = ',';
  EXPECT_EQ(text + L" 1,50", QevWideFmtStr(L"%s %.2f", {text, 1.5}, &settings));
  settings.CurrencyString = "%";  // text that the runtime's engine would read as a specifier
  EXPECT_EQ(L"%1,50 " + text, QevWideFmtStr(L"%m %s", {1.5, text}, &settings));

  const AnsiChar saved = FormatSettings.DecimalSeparator;
  FormatSettings.DecimalSeparator = ',';
  const WideString result = WideFormat(L"%.2e|%s|%g", {1250.0, text, 0.5});
  FormatSettings.DecimalSeparator = saved;
  EXPECT_EQ(L"1,3E+003|" + text + L"|0,5", result);

  // Arguments are taken where the runtime takes them.
  EXPECT_EQ(L"B A B", WideFormat(L"%1:s %0:s %s", {L"A", L"B"}));
  EXPECT_EQ(L"  42|x| 2.5", WideFormat(L"%*d|%s|%*.*f", {4, 42, L"x", 4, 1, 2.5}));
}

TEST(RtlPatches, LongFormatsAndBuffers) {
  const WideString format = WideString(4990, L'x') + L" %s %.1f %d";
  const WideString longArgument(9000, L'\x0436');
  const WideString expected = WideFormat(format, {longArgument, 0.25, 7});
  TPatched patched(15);
  EXPECT_EQ(WideString(4990, L'x') + L" " + longArgument + L" 0.3 7",
            WideFormat(format, {longArgument, 0.25, 7}));
  EXPECT_EQ(expected, WideFormat(format, {longArgument, 0.25, 7}));

  WideChar buffer[8] = {};
  const WideString ab = L"ab";
  EXPECT_EQ(6u, QevWideFormatBuf(buffer, 8, L"%s=%.1fzzz", 7, {ab, 2.25}));
  EXPECT_EQ(WideString(L"ab=2.3"), WideString(buffer, 6));
  EXPECT_EQ(3u, QevWideFormatBuf(buffer, 3, L"%s=%.1f", 7, {ab, 2.25}));
}

TEST(RtlPatches, InvalidSpecifiersRaiseTheLayersError) {
  EXPECT_THROW(WideFormat(L"ab %5", {1}), EConvertError);
  TPatched patched(rtlWideFormat);
  ExpectRaises<EQevGeneralError>([] { WideFormat(L"ab %5", {1}); },
                                 L"Invalid Format Specifier: %0:5");
  const WideString x = L"x";
  EXPECT_EQ(L"%0:s|1.50|%%", PreformatFloatSpecifiers(L"%s|%.2f|%%", {x, 1.5}));
}
