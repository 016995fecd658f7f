// The form-description text: every real form through parser and renderer,
// paths and collections, string values and the property converters, errors.
#include "QevTrxDfmUtils.h"

#include "FormStreamSupport.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "TestSupport.h"

namespace {

AnsiString FileText(const WideString& FileName) {
  TQevMemoryStream file;
  file.LoadFromFile(FileName);
  return AnsiString(static_cast<const char*>(file.Memory()), static_cast<std::size_t>(file.Size()));
}

const AnsiString Sample =
    "object F: TF\r\n"
    "  QevTranslatableProps.WideStrings = (\r\n"
    "    'Label1.Caption'\r\n"
    "    'Button1.Hint')\r\n"
    "  QevInlineClasses.WideStrings = (\r\n"
    "    'THeader')\r\n"
    "  Caption = \r\n"
    "    '" + AnsiString(64, 'a') + "' +\r\n"
    "    'bbb'\r\n"
    "  Data = {\r\n"
    "    " + AnsiString(64, 'F') + "\r\n"
    "    0102}\r\n"
    "  object Panel1: TPanel\r\n"
    "    object Button1: TButton\r\n"
    "      Hint = 'x'\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object Header1: THeader\r\n"
    "    object Button2: TButton\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object DBGrid1: TDBGrid\r\n"
    "    Columns = <\r\n"
    "      item\r\n"
    "        Title.Caption = 'Name'\r\n"
    "      end\r\n"
    "      item\r\n"
    "        Items = <>\r\n"
    "      end>\r\n"
    "  end\r\n"
    "end\r\n";

}  // namespace

// Each form resource goes binary -> text -> tree; the load raises when the
// tree does not render the text back, and the rendering compiles to the
// very stream the resource holds.
TEST(QevTrxDfmUtils, EveryFormOfBothProgramsRendersBackAndCompilesToItsOwnStream) {
  HMODULE self = GetModuleHandleW(nullptr);
  TDfmFormList forms;
  TDfmPropertyList props;
  ReadFormTranslationInfo(self, L"test", forms, props);
  EXPECT_GE(forms.size(), std::size_t{QEV_FORM_COUNT});
  for (auto& form : forms) {
    TResourceStream resource(self, "T" + UpperCase(form->Name), MAKEINTRESOURCEA(10));
    AnsiString stored(static_cast<const char*>(resource.Memory()),
                      static_cast<std::size_t>(resource.Size()));
    EXPECT_EQ(stored, ToBinary(form->Render())) << form->Name;
  }
  EXPECT_FALSE(props.empty());
}

TEST(QevTrxDfmUtils, ContinuedValuesAndCollectionsRenderUnchangedWithTheirPaths) {
  ASSERT_EQ(Sample, ToText(ToBinary(Sample)));  // the converter writes this layout
  TDfmForm form;
  TDfmPropertyList props;
  form.LoadFromText(Sample, &props);
  EXPECT_EQ(Sample, form.Render());

  ASSERT_EQ(8u, props.size());
  EXPECT_EQ("F.Caption", props[2]->Path);
  EXPECT_EQ(AnsiString(64, 'a') + "bbb", WideToAnsi(PropertyToText(props[2])));
  EXPECT_EQ("F.Button1.Hint", props[4]->Path);
  EXPECT_EQ("F.DBGrid1.Columns", props[5]->Path);
  EXPECT_EQ(2u, props[5]->Items.size());
  EXPECT_EQ("F.DBGrid1.Columns[0].Title.Caption", props[6]->Path);
  EXPECT_TRUE(props[7]->Items.empty());
  EXPECT_EQ("F.Header1.Button2", form.Children[1]->Children[0]->Path);
  EXPECT_EQ(L"F.Button1.Hint\r\nF.Label1.Caption\r\n", form.TranslatableProps->Text());

  // An edited item's text lands in the rendering.
  SetPropertyFromText(props[6], L"it's");
  EXPECT_NE(AnsiString::npos, form.Render().find("        Title.Caption = 'it'#39's'\r\n      end\r\n"));
}

TEST(QevTrxDfmUtils, StringValuesAndShortCutsConvertBothWays) {
  EXPECT_EQ("\r\n'" + AnsiString(64, 'x') + "' +\r\n'" + AnsiString(36, 'x') + "'",
            WideToDfmString(WideString(100, L'x')));
  EXPECT_EQ("'one'#9'two'#39#252", WideToDfmString(L"one\ttwo'\u00FC"));
  EXPECT_EQ("''", WideToDfmString(L""));
  EXPECT_EQ(L"it's\u00FCx\u0436", DfmStringToWide("'it'#39's'#252 +\r\n  'x'#1078"));

  TDfmProperty shortCut;
  shortCut.Name = "ShortCut";
  shortCut.Value = "16467";
  EXPECT_EQ(L"Ctrl+S", PropertyToText(&shortCut));
  SetPropertyFromText(&shortCut, L"Shift+Ctrl+F1");
  EXPECT_EQ("24688", shortCut.Value);

  TDfmProperty font;
  font.Name = "Font.Name";
  ExpectRaises<EQevInternalError>([&] { PropertyToText(&font); },
                                  L"Property can not be converted for : Font.Name");
  TQevStringList list;
  ReadDfmStringList("'no list'", &list);
  EXPECT_EQ(0, list.Count());
}

// A text that does not render back leaves both texts in the temporary folder
// (not in the root of drive C, which a user may not write).
TEST(QevTrxDfmUtils, AFormThatDoesNotRenderBackIsDumpedToTheTemporaryFolder) {
  const AnsiString text = "object F: TF\r\n  Left=1\r\nend\r\n";
  ExpectRaises<EQevInternalError>([&] { TDfmForm().LoadFromText(text, nullptr); },
                                  L"Internal Error: DFM did not render correctly.  See the files: \r\n  " +
                                      WideGetTempPath() + L"Qev_Original_Dfm.txt\r\n  " +
                                      WideGetTempPath() + L"Qev_Rendered_Dfm.txt");
  EXPECT_EQ(text, FileText(OriginalDfmDumpFile()));
  EXPECT_EQ("object F: TF\r\n  Left = 1\r\nend\r\n", FileText(RenderedDfmDumpFile()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"c:\\Qev_Original_Dfm.txt"));
  DeleteFileW(OriginalDfmDumpFile().c_str());
  DeleteFileW(RenderedDfmDumpFile().c_str());

  auto parseError = [](const AnsiString& bad) {
    return MessageOf<Exception>([&] { TDfmForm().LoadFromText(bad, nullptr); });
  };
  EXPECT_EQ(L"Dfm parse error: No more strings to find properties.", parseError("object F: TF\r\n"));
  EXPECT_EQ(L"Dfm parse error: No more strings to find objects.",
            parseError("object F: TF\r\n  object B: TB\r\n  end\r\n"));
  EXPECT_EQ(L"Collection Item (Items[0]) must be = 'item': thing",
            parseError("object F: TF\r\n  Items = <\r\n    thing\r\n    end>\r\nend\r\n"));
}
