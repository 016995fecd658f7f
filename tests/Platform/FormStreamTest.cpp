// The binary form stream and its text form: values, layout, the tokenizer,
// and damaged input.
#include <gtest/gtest.h>

#include "Classes.h"
#include "FormStreamSupport.h"
#include "FormTestClasses.h"
#include "TestSupport.h"
#include "WinApi.h"

namespace {

// One object "Thing1: TThing" whose properties hold one value of every kind,
// written by TWriter, and three children with each prefix flag.
AnsiString EveryValueStream() {
  TStringStream stream;
  TWriter w(&stream);
  auto binary = [&](const AnsiString& name, const AnsiString& bytes) {
    w.WriteStr(name);
    w.WriteValue(vaBinary);
    Integer size = static_cast<Integer>(bytes.size());
    w.Write(&size, 4);
    w.Write(bytes.data(), size);
  };
  w.WriteSignature();
  w.WriteStr("TThing");
  w.WriteStr("Thing1");
  w.WriteStr("Int8"), w.WriteInteger(-5);
  w.WriteStr("Int16"), w.WriteInteger(1000);
  w.WriteStr("Int32"), w.WriteInteger(-100000);
  w.WriteStr("Int64"), w.WriteInteger(Int64(1) << 40);
  w.WriteStr("Ext"), w.WriteFloat(0.1L);
  w.WriteStr("Third"), w.WriteFloat(1.0L / 3);
  w.WriteStr("Tiny"), w.WriteFloat(-2.5e-7L);
  w.WriteStr("Huge"), w.WriteFloat(1.5e20L);
  w.WriteStr("Single"), w.WriteSingle(0.1f);
  w.WriteStr("Curr"), w.WriteCurrency(Currency::FromScaled(-123456789));
  w.WriteStr("Date"), w.WriteDate(36526.25);
  w.WriteStr("Str"), w.WriteString("it's\tok \xFC");
  w.WriteStr("LStr"), w.WriteString(AnsiString(300, 'a'));
  w.WriteStr("WStr"), w.WriteWideString(L"\x0436\x4E2D ok");
  w.WriteStr("Empty"), w.WriteString("");
  w.WriteStr("Font.Color"), w.WriteIdent("clRed");
  w.WriteStr("No"), w.WriteBoolean(false);
  w.WriteStr("Yes"), w.WriteBoolean(true);
  w.WriteStr("Nothing"), w.WriteIdent("nil");
  w.WriteStr("Variant"), w.WriteIdent("Null");
  binary("Bin", "\x01\x02\xFF");
  binary("LongBin", AnsiString(40, '\x5A'));
  w.WriteStr("Set"), w.WriteValue(vaSet), w.WriteStr("akLeft"), w.WriteStr("akTop"), w.WriteStr("");
  w.WriteStr("NoSet"), w.WriteValue(vaSet), w.WriteStr("");
  w.WriteStr("List"), w.WriteListBegin(), w.WriteInteger(1), w.WriteString("x");
  w.WriteListBegin(), w.WriteListEnd(), w.WriteListEnd();
  w.WriteStr("Items"), w.WriteValue(vaCollection);
  w.WriteInteger(7), w.WriteListBegin(), w.WriteStr("A"), w.WriteInteger(1), w.WriteListEnd();
  w.WriteListBegin(), w.WriteListEnd(), w.WriteListEnd();
  w.WriteStr("NoItems"), w.WriteValue(vaCollection), w.WriteListEnd();
  w.WriteListEnd();
  w.WritePrefix(ffInherited | ffChildPos, 3), w.WriteStr("TChild"), w.WriteStr("Child1");
  w.WriteListEnd(), w.WriteListEnd();
  w.WritePrefix(ffInline, 0), w.WriteStr("TFrame"), w.WriteStr("Frame1");
  w.WriteListEnd(), w.WriteListEnd();
  w.WritePrefix(0, 0), w.WriteStr("TAnon"), w.WriteStr("");
  w.WriteListEnd(), w.WriteListEnd();
  w.WriteListEnd();
  w.FlushBuffer();
  return stream.DataString();
}

const char* const EveryValueText =
    "object Thing1: TThing\r\n"
    "  Int8 = -5\r\n"
    "  Int16 = 1000\r\n"
    "  Int32 = -100000\r\n"
    "  Int64 = 1099511627776\r\n"
    "  Ext = 0.1\r\n"
    "  Third = 0.33333333333333333334\r\n"
    "  Tiny = -2.5E-7\r\n"
    "  Huge = 1.5E20\r\n"
    "  Single = 0.1s\r\n"
    "  Curr = -123456789c\r\n"
    "  Date = 36526.25d\r\n"
    "  Str = 'it'#39's'#9'ok '#252\r\n"
    "  LStr = \r\n"
    "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +\r\n"
    "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +\r\n"
    "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +\r\n"
    "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +\r\n"
    "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'\r\n"
    "  WStr = #1078#20013' ok'\r\n"
    "  Empty = ''\r\n"
    "  Font.Color = clRed\r\n"
    "  No = False\r\n"
    "  Yes = True\r\n"
    "  Nothing = nil\r\n"
    "  Variant = Null\r\n"
    "  Bin = {0102FF}\r\n"
    "  LongBin = {\r\n"
    "    5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A\r\n"
    "    5A5A5A5A5A5A5A5A}\r\n"
    "  Set = [akLeft, akTop]\r\n"
    "  NoSet = []\r\n"
    "  List = (\r\n"
    "    1\r\n"
    "    'x'\r\n"
    "    ())\r\n"
    "  Items = <\r\n"
    "    item\r\n"
    "      A = 1\r\n"
    "    end\r\n"
    "    item\r\n"
    "    end>\r\n"
    "  NoItems = <>\r\n"
    "  inherited Child1: TChild [3]\r\n"
    "  end\r\n"
    "  inline Frame1: TFrame\r\n"
    "  end\r\n"
    "  object TAnon\r\n"
    "  end\r\n"
    "end\r\n";

// A small valid stream: the sample form compiled into the test program.
AnsiString SampleFormStream() {
  TResourceStream resource(GetModuleHandleW(nullptr), "TTESTFORM", MAKEINTRESOURCEA(10));
  return AnsiString(static_cast<const char*>(resource.Memory()),
                    static_cast<std::size_t>(resource.Size()));
}

WideString ParserErrorOf(const AnsiString& text) {
  return MessageOf<EParserError>([&] { ToBinary(text); });
}

}  // namespace

// ------------------------------------------------------------------ values

TEST(FormText, EveryValueKindRendersInTheFixedLayout) {
  EXPECT_EQ(EveryValueText, ToText(EveryValueStream()));
}

// All but a collection item's index, which readers ignore; the text still
// takes one in "item [n]".
TEST(FormText, EveryValueKindRoundTripsByteForByte) {
  AnsiString binary = EveryValueStream();
  AnsiString withoutIndex = binary;
  withoutIndex.erase(binary.find("Items\x0E") + 6, 2);
  EXPECT_EQ(withoutIndex, ToBinary(ToText(binary)));
  EXPECT_EQ(EveryValueText, ToText(ToBinary(EveryValueText)));
  AnsiString indexed = EveryValueText;
  indexed.replace(indexed.find("item"), 4, "item [7]");
  EXPECT_EQ(binary, ToBinary(indexed));
}

TEST(FormText, Utf8StringsComeBackAsWideStrings) {
  AnsiString utf8 = "\xD0\xB6x";  // U+0436 'x'
  AnsiString binary = AnsiString("TPF0\x06TThing\x00\x01S\x14", 15) + AnsiString("\x03\0\0\0", 4) +
                      utf8 + AnsiString("\0\0", 2);
  AnsiString text = ToText(binary);
  EXPECT_EQ("object TThing\r\n  S = #1078'x'\r\nend\r\n", text);
  AnsiString wide = ToBinary(text);
  EXPECT_EQ(AnsiString("\x12\x02\0\0\0\x36\x04x\0", 9), wide.substr(14, 9));
  EXPECT_EQ(text, ToText(wide));
}

TEST(FormText, LongStringsBreakEvery64CodesAndFloatsKeepEveryBit) {
  AnsiString text = "object A: TA\r\n  S = \r\n    '" + AnsiString(64, 'x') + "' +\r\n    '" +
                    AnsiString(36, 'y') + "'\r\nend\r\n";
  AnsiString binary = ToBinary(text);
  EXPECT_NE(AnsiString::npos, binary.find(AnsiString(64, 'x') + AnsiString(36, 'y')));
  EXPECT_EQ(text, ToText(binary));

  for (long double v : {1.0L / 7, 2.0L / 3 * 1e300L, 123456789.123456789L, -1e-4000L}) {
    TStringStream stream;
    TWriter writer(&stream);
    writer.WriteSignature(), writer.WriteStr("TA"), writer.WriteStr("");
    writer.WriteStr("F"), writer.WriteFloat(v), writer.WriteListEnd(), writer.WriteListEnd();
    writer.FlushBuffer();
    EXPECT_EQ(stream.DataString(), ToBinary(ToText(stream.DataString())));
  }
}

TEST(FormText, PieceStringsJoinAndTheWiderPieceMakesAWideString) {
  AnsiString narrow = ToBinary("object A: TA\n  S = 'ab' + #99\n    + 'd'\nend");
  EXPECT_NE(AnsiString::npos, narrow.find(AnsiString("\x01S\x06\x04" "abcd", 8)));
  AnsiString wide = ToBinary("object A: TA\n  S = 'a' + #256\nend");
  EXPECT_NE(AnsiString::npos, wide.find(AnsiString("\x01S\x12\x02\0\0\0a\0\0\x01", 11)));
}

// -------------------------------------------------------------- tokenizer

TEST(FormParser, TokensAndTheStreamPositionAfterwards) {
  TStringStream stream("Font.Name = -12 $1F 1.5e3s 'a''b'#65 { } rest");
  {
    TParser parser(&stream);
    EXPECT_EQ(toSymbol, parser.Token());
    EXPECT_EQ("Font.Name", parser.TokenComponentIdent());
    EXPECT_EQ('=', parser.NextToken());
    EXPECT_EQ(toInteger, parser.NextToken());
    EXPECT_EQ(-12, parser.TokenInt());
    parser.NextToken();
    EXPECT_EQ(31, parser.TokenInt());
    EXPECT_EQ(toFloat, parser.NextToken());
    EXPECT_EQ('s', parser.FloatType());
    EXPECT_EQ(1500.0L, parser.TokenFloat());
    EXPECT_EQ(toString, parser.NextToken());
    EXPECT_EQ(L"a'bA", parser.TokenWideString());
    EXPECT_EQ('{', parser.NextToken());
    TMemoryStream bytes;
    parser.HexToBinary(&bytes);
    EXPECT_EQ(0, bytes.Size());
    EXPECT_EQ('}', parser.Token());
    parser.NextToken();
    EXPECT_TRUE(parser.TokenSymbolIs("REST"));
    ExpectRaises<EParserError>([&] { parser.CheckToken('='); }, L"'=' expected on line 1");
  }
  EXPECT_EQ(static_cast<Int64>(AnsiString("Font.Name = -12 $1F 1.5e3s 'a''b'#65 { } ").size()),
            stream.Position());
}

TEST(FormParser, MalformedTextNamesTheFaultAndLine) {
  EXPECT_EQ(L"OBJECT expected on line 1", ParserErrorOf("objekt A: TA\nend"));
  EXPECT_EQ(L"'=' expected on line 2", ParserErrorOf("object A: TA\n  Left 5\nend"));
  EXPECT_EQ(L"Invalid string constant on line 2", ParserErrorOf("object A: TA\n  S = 'open\nend"));
  EXPECT_EQ(L"Invalid string constant on line 2", ParserErrorOf("object A: TA\n  S = #70000\nend"));
  EXPECT_EQ(L"Invalid binary value on line 2", ParserErrorOf("object A: TA\n  B = {0A0}\nend"));
  EXPECT_EQ(L"Invalid property value on line 2", ParserErrorOf("object A: TA\n  X = )\nend"));
  EXPECT_EQ(L"String expected on line 2", ParserErrorOf("object A: TA\n  S = 'a' + 5\nend"));
  EXPECT_EQ(L"Number expected on line 2", ParserErrorOf("object A: TA\n  N = 1e5e5\nend"));
  EXPECT_EQ(L"Identifier expected on line 3", ParserErrorOf("object A: TA\n  X = 1\n"));
  EXPECT_EQ(L"Invalid property value on line 2",
            ParserErrorOf("object A: TA\n  X = " + AnsiString(300, '(') + "\nend"));
}

// ------------------------------------------------------------ damaged input

// Every prefix of a valid stream, converted or read as a component, ends in a
// read error: never a read past the data, never a crash.
TEST(FormDamage, EveryTruncationRaisesAReadError) {
  RegisterTestClasses();
  for (const AnsiString& full : {SampleFormStream(), EveryValueStream()}) {
    for (std::size_t length = 0; length < full.size(); ++length) {
      AnsiString prefix = full.substr(0, length);
      EXPECT_THROW(ToText(prefix), EReadError) << length;
      if (full.find("TestForm") == AnsiString::npos) continue;
      TStringStream stream(prefix);
      TTestForm form(nullptr);
      EXPECT_THROW(stream.ReadComponent(&form), EReadError) << length;
    }
  }
}

// Any byte changed to any of a few telling values: the outcome is a result or
// one of the runtime's exceptions.
TEST(FormDamage, CorruptBytesRaiseErrorsOrRead) {
  RegisterTestClasses();
  AnsiString full = SampleFormStream();
  int failures = 0;
  for (std::size_t at = 0; at < full.size(); ++at) {
    for (char value : {'\x00', '\x01', '\x12', '\x7F', '\xFF'}) {
      AnsiString damaged = full;
      damaged[at] = value;
      try {
        ToText(damaged);
      } catch (const Exception&) {
        ++failures;
      }
      try {
        TStringStream stream(damaged);
        std::unique_ptr<TComponent> form(stream.ReadComponent(nullptr));
      } catch (const Exception&) {
        ++failures;
      }
    }
  }
  EXPECT_GT(failures, 0);
}

TEST(FormDamage, DeepNestingAndHugeLengthsAreStreamErrors) {
  AnsiString deep = AnsiString("TPF0\x02TA\x00\x01X", 10) + AnsiString(100000, '\x01');
  ExpectRaises<EReadError>([&] { ToText(deep); }, L"Invalid stream format");
  AnsiString huge = AnsiString("TPF0\x02TA\x00\x01X\x0C\xFF\xFF\xFF\x7F", 15) + "abc";
  ExpectRaises<EReadError>([&] { ToText(huge); }, L"Stream read error");
  AnsiString negative = AnsiString("TPF0\x02TA\x00\x01X\x12\x00\x00\x00\x80", 15);
  ExpectRaises<EReadError>([&] { ToText(negative); }, L"Invalid stream format");
  ExpectRaises<EReadError>([&] { ToText("TPF1"); }, L"Invalid stream format");
}

TEST(FormDamage, StreamFormatIsToldByItsStart) {
  TStringStream binary("TPF0\x02"), text("object A: TA"), other("xyz");
  EXPECT_EQ(sofBinary, TestStreamFormat(&binary));
  EXPECT_EQ(sofText, TestStreamFormat(&text));
  EXPECT_EQ(sofUnknown, TestStreamFormat(&other));
  EXPECT_EQ(0, binary.Position());
}
