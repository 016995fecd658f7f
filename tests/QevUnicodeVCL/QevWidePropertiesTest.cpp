// Wide property and wide list entries of form streams: what is written,
// what is applied at run time and while designing, and the round trip
// through the form text.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QevClasses.h"
#include "QevSystem.h"

namespace {

// A control of the layer: wide texts, a wide character and a wide list.
class TWideControl : public TComponent {
  QEV_CLASS(TWideControl, TComponent)
 public:
  explicit TWideControl(TComponent* AOwner) : TComponent(AOwner) {}
  ~TWideControl() override { delete Lines_; }

  WideString Caption;
  WideString Hint;
  bool HintIsStored = true;
  bool HintStored() const { return HintIsStored; }
  WideChar Letter = 0;
  WideString Version() const { return L"v\x0436"; }
  TQevStrings* Lines() const { return Lines_; }
  void SetDesign(bool Value) { SetDesigning(Value); }

 protected:
  void DefineProperties(TFiler* Filer) override {
    TComponent::DefineProperties(Filer);
    DefineWideProperties(Filer, this);
  }

 private:
  TQevStrings* Lines_ = new TQevStringList;
};

// The root writes the controls it owns.
class TWideForm : public TWideControl {
  QEV_CLASS(TWideForm, TWideControl)
 public:
  using TWideControl::TWideControl;
  void GetChildren(TGetChildProc Proc, TComponent*) override {
    for (Integer i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }
};

}  // namespace

QEV_DEFINE_CLASS(TWideControl,
                 QEV_PROPERTY(Caption, Caption, Caption),
                 QEV_PROPERTY(Hint, Hint, Hint).Stored<&Self::HintStored>(),
                 QEV_PROPERTY(Letter, Letter, Letter).Default(WideChar(0)),
                 QEV_READONLY_PROPERTY(Version, Version),
                 QEV_READONLY_PROPERTY(Lines, Lines))
QEV_DEFINE_CLASS(TWideForm)

namespace {

const WideString Cyrillic = L"\x0436";       // not in code page 1252
const WideString Han = L"\x4E2D";
const WideString Smiley = L"\xD83D\xDE00";   // U+1F600 as a surrogate pair

AnsiString Bytes(TMemoryStream& stream) {
  return AnsiString(static_cast<const char*>(stream.Memory()),
                    static_cast<std::size_t>(stream.Size()));
}

AnsiString BinaryOf(TComponent* root, TComponent* ancestor = nullptr) {
  TMemoryStream binary;
  binary.WriteDescendent(root, ancestor);
  return Bytes(binary);
}

AnsiString TextOfBinary(const AnsiString& binary) {
  TStringStream input(binary), text;
  ObjectBinaryToText(&input, &text);
  return text.DataString();
}

AnsiString BinaryOfText(const AnsiString& text) {
  TStringStream input(text);
  TMemoryStream binary;
  ObjectTextToBinary(&input, &binary);
  return Bytes(binary);
}

AnsiString TextOf(TComponent* root, TComponent* ancestor = nullptr) {
  return TextOfBinary(BinaryOf(root, ancestor));
}

void ReadBinary(TComponent* root, const AnsiString& binary) {
  TStringStream input(binary);
  input.ReadComponent(root);
}

// A form read from text at run time, or by the designer.
std::unique_ptr<TWideForm> ReadForm(const AnsiString& text, bool designing = false) {
  auto form = std::make_unique<TWideForm>(nullptr);
  form->SetDesign(designing);
  ReadBinary(form.get(), BinaryOfText(text));
  return form;
}

// 8-bit text as form-text character codes: #208#182.
AnsiString Codes(const AnsiString& bytes) {
  AnsiString text;
  for (unsigned char c : bytes) text += "#" + std::to_string(c);
  return text;
}

AnsiString FormText(const AnsiString& properties) {
  return "object Form1: TWideForm\r\n" + properties + "end\r\n";
}

// The quoted value of a one-piece entry "  Name = '...'" of a form text.
AnsiString EntryValue(const AnsiString& text, const AnsiString& name) {
  AnsiString key = " " + name + " = '";
  std::size_t start = text.find(key);
  if (start == AnsiString::npos) return "<missing>";
  start += key.size();
  return text.substr(start, text.find('\'', start) - start);
}

bool HasEntry(const AnsiString& text, const AnsiString& name) {
  return text.find(" " + name + " = ") != AnsiString::npos;
}

std::vector<WideString> LinesOf(const TQevStrings* list) {
  std::vector<WideString> lines;
  for (Integer i = 0; i < list->Count(); ++i) lines.push_back(list->Get(i));
  return lines;
}

WideString ReadError(const AnsiString& text, bool designing = false) {
  try {
    ReadForm(text, designing);
  } catch (const EReadError& e) {
    return e.Message;
  }
  return L"<no error>";
}

class QevWideProperties : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClasses({TWideForm::StaticClass(), TWideControl::StaticClass()});
    ApplyWideFormPropertiesAtRunTime = false;
  }
  void TearDown() override { ApplyWideFormPropertiesAtRunTime = false; }

  std::unique_ptr<TWideForm> NewForm() {
    auto form = std::make_unique<TWideForm>(nullptr);
    form->SetName("Form1");
    return form;
  }
};

// ------------------------------------------------------------------ writing

TEST_F(QevWideProperties, WritesUTF7EntryOnlyForStoredTextsAboveAscii) {
  auto form = NewForm();
  form->Caption = L"Plain";
  AnsiString text = TextOf(form.get());
  EXPECT_TRUE(HasEntry(text, "Caption")) << text;
  EXPECT_FALSE(HasEntry(text, "Caption_UTF7")) << text;
  EXPECT_FALSE(HasEntry(text, "Hint_UTF7")) << text;  // empty

  form->Caption = L"Zh" + Cyrillic;
  form->Hint = L"caf\x00E9";  // a Latin-1 character is above 7 bits too
  text = TextOf(form.get());
  EXPECT_EQ(EntryValue(text, "Caption_UTF7"), WideStringToUTF7(form->Caption)) << text;
  EXPECT_EQ(EntryValue(text, "Hint_UTF7"), WideStringToUTF7(form->Hint)) << text;
  EXPECT_FALSE(HasEntry(text, "CaptionW")) << text;  // only read
  EXPECT_FALSE(HasEntry(text, "HintW")) << text;

  form->HintIsStored = false;
  text = TextOf(form.get());
  EXPECT_FALSE(HasEntry(text, "Hint_UTF7")) << text;
  EXPECT_TRUE(HasEntry(text, "Caption_UTF7")) << text;
}

TEST_F(QevWideProperties, ReadOnlyWideTextWritesNoEntryThatCouldNotBeReadBack) {
  auto form = NewForm();
  AnsiString binary = BinaryOf(form.get());
  EXPECT_EQ(binary.find("Version"), AnsiString::npos);
  auto designed = std::make_unique<TWideForm>(nullptr);
  designed->SetDesign(true);
  EXPECT_NO_THROW(ReadBinary(designed.get(), binary));
}

TEST_F(QevWideProperties, WritesWideCharEntryAsOneCharWideStringUnlessDefault) {
  auto form = NewForm();
  AnsiString binary = BinaryOf(form.get());
  EXPECT_EQ(binary.find("LetterW"), AnsiString::npos);

  form->Letter = Han[0];
  binary = BinaryOf(form.get());
  EXPECT_NE(binary.find(AnsiString("\x07LetterW\x12\x01\x00\x00\x00\x2D\x4E", 15)),
            AnsiString::npos);
  EXPECT_EQ(binary.find("Letter_UTF7"), AnsiString::npos);  // only read
}

TEST_F(QevWideProperties, EqualAncestorSuppressesTheWideEntries) {
  auto ancestor = NewForm(), form = NewForm();
  for (TWideForm* f : {ancestor.get(), form.get()}) {
    f->Caption = Cyrillic;
    f->Letter = Han[0];
    f->Lines()->Add(L"one" + Han);
  }
  AnsiString text = TextOf(form.get(), ancestor.get());
  for (const char* entry : {"Caption_UTF7", "LetterW", "Lines.WideStrings", "Lines.WideStrings_UTF7"})
    EXPECT_FALSE(HasEntry(text, entry)) << entry << "\n" << text;

  form->Caption = Han;
  form->Letter = Cyrillic[0];
  form->Lines()->Add(L"two");
  text = TextOf(form.get(), ancestor.get());
  for (const char* entry : {"Caption_UTF7", "LetterW", "Lines.WideStrings", "Lines.WideStrings_UTF7"})
    EXPECT_TRUE(HasEntry(text, entry)) << entry << "\n" << text;

  // A character equal to the ancestor's is default even where the declared default differs.
  ancestor->Letter = form->Letter;
  EXPECT_FALSE(HasEntry(TextOf(form.get(), ancestor.get()), "LetterW"));
}

// ---------------------------------------------------------- the apply rule

TEST_F(QevWideProperties, RunTimeKeepsEightBitValuesAndDesignerTakesDecodedOnes) {
  const WideString wide = Cyrillic + Han;
  AnsiString text = FormText("  Caption = 'Hello'\r\n  Caption_UTF7 = '" + WideStringToUTF7(wide) +
                             "'\r\n  Hint = 'Tip'\r\n  HintW = " + Codes(WideStringToUTF8(wide)) +
                             "\r\n  object Label1: TWideControl\r\n    Caption = 'Label'\r\n"
                             "    Caption_UTF7 = '" + WideStringToUTF7(Smiley) + "'\r\n  end\r\n");

  auto runTime = ReadForm(text);
  EXPECT_EQ(runTime->Caption, L"Hello");
  EXPECT_EQ(runTime->Hint, L"Tip");
  EXPECT_EQ(static_cast<TWideControl*>(runTime->FindComponent("Label1"))->Caption, L"Label");

  auto designed = ReadForm(text, true);
  EXPECT_EQ(designed->Caption, wide);
  EXPECT_EQ(designed->Hint, wide);
  EXPECT_EQ(static_cast<TWideControl*>(designed->FindComponent("Label1"))->Caption, Smiley);

  ApplyWideFormPropertiesAtRunTime = true;
  EXPECT_EQ(ReadForm(text)->Caption, wide);
}

TEST_F(QevWideProperties, MalformedUTF7FailsOnlyWhereApplied) {
  AnsiString text = FormText("  Caption = 'Hello'\r\n  Caption_UTF7 = '+A-'\r\n");
  EXPECT_EQ(ReadForm(text)->Caption, L"Hello");
  EXPECT_NE(ReadError(text, true).find(L"Invalid UTF7"), WideString::npos);
}

TEST_F(QevWideProperties, WideCharEntriesReadNarrowAndWideOneCharValues) {
  EXPECT_EQ(ReadForm(FormText("  LetterW = 'A'\r\n"))->Letter, L'A');
  EXPECT_EQ(ReadForm(FormText("  LetterW = #233\r\n"))->Letter, L'\x00E9');  // code page 1252
  EXPECT_EQ(ReadForm(FormText("  LetterW = #20013\r\n"))->Letter, Han[0]);    // applied at run time
  EXPECT_EQ(ReadForm(FormText("  Letter = 'x'\r\n  LetterW = ''\r\n"))->Letter, L'\0');
  for (const char* bad : {"  LetterW = 'AB'\r\n", "  LetterW = #1078#20013\r\n", "  LetterW = 5\r\n"})
    EXPECT_NE(ReadError(FormText(bad)).find(L"Invalid property value"), WideString::npos) << bad;

  AnsiString utf7 = FormText("  Letter = 'x'\r\n  Letter_UTF7 = '" +
                             WideStringToUTF7(Han + L"rest") + "'\r\n");
  EXPECT_EQ(ReadForm(utf7)->Letter, L'x');
  EXPECT_EQ(ReadForm(utf7, true)->Letter, Han[0]);
}

// ---------------------------------------------------------------- round trips

TEST_F(QevWideProperties, WideCharactersSurviveWriteAndRead) {
  const WideString text = L"a" + Cyrillic + Han + Smiley;
  auto form = NewForm();
  form->Caption = text;
  form->Hint = Smiley;
  form->Letter = Han[0];
  form->Lines()->Add(text);
  form->Lines()->Add(L"");
  form->Lines()->Add(Smiley);
  AnsiString binary = BinaryOf(form.get());

  for (bool designing : {false, true}) {
    auto copy = std::make_unique<TWideForm>(nullptr);
    copy->SetDesign(designing);
    ReadBinary(copy.get(), binary);
    EXPECT_EQ(copy->Caption, text);
    EXPECT_EQ(copy->Hint, Smiley);
    EXPECT_EQ(copy->Letter, Han[0]);
    EXPECT_EQ(LinesOf(copy->Lines()), LinesOf(form->Lines()));
  }
  // The UTF-7 entries alone carry the exact text, surrogates included.
  AnsiString formText = TextOfBinary(binary);
  EXPECT_EQ(UTF7ToWideString(EntryValue(formText, "Caption_UTF7")), text);
  EXPECT_EQ(UTF7ToWideString(EntryValue(formText, "Hint_UTF7")), Smiley);
}

TEST_F(QevWideProperties, BinaryTextBinaryRoundTripIsExact) {
  auto form = NewForm();
  form->Caption = L"Title " + Cyrillic;
  form->Hint = Han + Smiley;
  form->Letter = Cyrillic[0];
  form->Lines()->Add(L"one " + Han);
  form->Lines()->Add(Smiley + L" two");
  auto* label = new TWideControl(form.get());
  label->SetName("Label1");
  label->Caption = Han + L"'quoted'";
  AnsiString binary = BinaryOf(form.get());
  AnsiString text = TextOfBinary(binary);
  ASSERT_TRUE(HasEntry(text, "Lines.WideStrings_UTF7")) << text;
  ASSERT_TRUE(HasEntry(text, "LetterW")) << text;
  EXPECT_EQ(BinaryOfText(text), binary) << text;
}

// -------------------------------------------------------------- list entries

TEST_F(QevWideProperties, ListWritesWideStringsAndUTF7OnlyWhenNeeded) {
  auto form = NewForm();
  EXPECT_FALSE(HasEntry(TextOf(form.get()), "Lines.WideStrings"));  // empty

  form->Lines()->Add(L"one");
  form->Lines()->Add(L"two");
  AnsiString text = TextOf(form.get());
  EXPECT_NE(text.find("  Lines.WideStrings = (\r\n    'one'\r\n    'two')\r\n"), AnsiString::npos)
      << text;
  EXPECT_FALSE(HasEntry(text, "Lines.WideStrings_UTF7")) << text;
  EXPECT_FALSE(HasEntry(text, "Lines.Strings")) << text;
  EXPECT_FALSE(HasEntry(text, "Lines.WideStringsW")) << text;

  form->Lines()->Add(Cyrillic);
  text = TextOf(form.get());
  EXPECT_NE(text.find("  Lines.WideStrings_UTF7 = (\r\n    'one'\r\n    'two'\r\n    '" +
                      WideStringToUTF7(Cyrillic) + "')\r\n"),
            AnsiString::npos)
      << text;
}

TEST_F(QevWideProperties, ListReadsWideStringsAndClearsObjects) {
  auto form = NewForm();
  form->Lines()->Add(L"one");
  form->Lines()->Add(Han);
  AnsiString binary = BinaryOf(form.get());

  auto copy = std::make_unique<TWideForm>(nullptr);
  copy->Lines()->AddObject(L"old", copy.get());
  ReadBinary(copy.get(), binary);
  EXPECT_EQ(LinesOf(copy->Lines()), LinesOf(form->Lines()));
  EXPECT_EQ(copy->Lines()->GetObject(0), nullptr);
}

TEST_F(QevWideProperties, ListReadsEightBitStringsEntries) {
  // 8-bit lines in the default code page (1252: #228 is U+00E4).
  EXPECT_EQ(LinesOf(ReadForm(FormText("  Lines.Strings = (\r\n    'a'\r\n    #228)\r\n"))->Lines()),
            (std::vector<WideString>{L"a", L"\x00E4"}));
  // One string value is a whole text.
  EXPECT_EQ(LinesOf(ReadForm(FormText("  Lines.Strings = 'x'#13#10'y'\r\n"))->Lines()),
            (std::vector<WideString>{L"x", L"y"}));
  EXPECT_EQ(LinesOf(ReadForm(FormText("  Lines.WideStrings = #1078#13#10'y'\r\n"))->Lines()),
            (std::vector<WideString>{Cyrillic, L"y"}));
  // A list may mix 8-bit and wide values.
  EXPECT_EQ(LinesOf(ReadForm(FormText("  Lines.WideStrings = (\r\n    #233\r\n    #20013)\r\n"))
                        ->Lines()),
            (std::vector<WideString>{L"\x00E9", Han}));
}

TEST_F(QevWideProperties, ListUTF7AndUTF8EntriesFollowTheApplyRule) {
  AnsiString utf7 = FormText("  Lines.WideStrings = (\r\n    'plain')\r\n"
                             "  Lines.WideStrings_UTF7 = (\r\n    '" +
                             WideStringToUTF7(Han) + "'\r\n    'b')\r\n");
  EXPECT_EQ(LinesOf(ReadForm(utf7)->Lines()), (std::vector<WideString>{L"plain"}));
  EXPECT_EQ(LinesOf(ReadForm(utf7, true)->Lines()), (std::vector<WideString>{Han, L"b"}));

  // "WideStringsW" fills a list that is still empty, even at run time...
  AnsiString utf8 = "  Lines.WideStringsW = (\r\n    " + Codes(WideStringToUTF8(Cyrillic)) + ")\r\n";
  EXPECT_EQ(LinesOf(ReadForm(FormText(utf8))->Lines()), (std::vector<WideString>{Cyrillic}));
  // ...and is dropped when the list already has lines, unless designing.
  AnsiString filled = FormText("  Lines.Strings = (\r\n    'old')\r\n" + utf8);
  EXPECT_EQ(LinesOf(ReadForm(filled)->Lines()), (std::vector<WideString>{L"old"}));
  EXPECT_EQ(LinesOf(ReadForm(filled, true)->Lines()), (std::vector<WideString>{Cyrillic}));
}

}  // namespace
