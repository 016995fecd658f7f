// Translatable forms: the two lists in form files, renaming, and forms
// derived from forms read from the root class down.
#include <gtest/gtest.h>

#include <memory>

#include "QevTrxForms.h"
#include "StdCtrls.h"
#include "TestSupport.h"

class TTrxBaseForm : public TQevTrxForm {
  QEV_CLASS(TTrxBaseForm, TQevTrxForm)
 public:
  using TQevTrxForm::TQevTrxForm;
};
QEV_DEFINE_CLASS(TTrxBaseForm)

class TTrxDerivedForm : public TTrxBaseForm {
  QEV_CLASS(TTrxDerivedForm, TTrxBaseForm)
 public:
  using TTrxBaseForm::TTrxBaseForm;
};
QEV_DEFINE_CLASS(TTrxDerivedForm)

namespace {

void RegisterTestClasses() {
  RegisterClasses({TLabel::StaticClass(), TButton::StaticClass(), TEdit::StaticClass(),
                   TTrxBaseForm::StaticClass(), TTrxDerivedForm::StaticClass()});
}

AnsiString Bytes(TMemoryStream& Stream) {
  return AnsiString(static_cast<const char*>(Stream.Memory()),
                    static_cast<std::size_t>(Stream.Size()));
}

AnsiString BinaryOf(TComponent* Root, TComponent* Ancestor = nullptr) {
  TMemoryStream binary;
  binary.WriteDescendent(Root, Ancestor);
  return Bytes(binary);
}

AnsiString TextOf(TComponent* Root, TComponent* Ancestor = nullptr) {
  TStringStream input(BinaryOf(Root, Ancestor)), text;
  ObjectBinaryToText(&input, &text);
  return text.DataString();
}

WideString Items(TQevStrings* List) {
  WideString all;
  for (Integer i = 0; i < List->Count(); ++i) all += (i ? L"|" : L"") + List->Get(i);
  return all;
}

std::unique_ptr<TQevTrxForm> NewTrxForm() {
  return std::unique_ptr<TQevTrxForm>(NewForm<TQevTrxForm>(nullptr));
}

}  // namespace

TEST(QevTrxFormsTest, EmptyListsAreNotWrittenFilledOnesRoundTrip) {
  auto form = NewTrxForm();
  AnsiString text = TextOf(form.get());
  EXPECT_EQ(text.find("QevTranslatableProps"), AnsiString::npos) << text;
  EXPECT_EQ(text.find("QevInlineClasses"), AnsiString::npos) << text;

  form->QevTranslatableProps()->Add(L"Label1.Caption");
  form->QevTranslatableProps()->Add(L"\x0436" L"1.Hint");
  form->QevInlineClasses()->Add(L"TFrame1");
  text = TextOf(form.get());
  EXPECT_NE(text.find("QevTranslatableProps.WideStrings = ("), AnsiString::npos) << text;
  EXPECT_NE(text.find("QevInlineClasses.WideStrings = ("), AnsiString::npos) << text;
  // Only the one entry: not the wide list's UTF-7 form.
  EXPECT_EQ(text.find("_UTF7"), AnsiString::npos) << text;

  auto copy = NewTrxForm();
  TStringStream input(BinaryOf(form.get()));
  input.ReadComponent(copy.get());
  EXPECT_TRUE(copy->QevTranslatableProps()->Equals(form->QevTranslatableProps()));
  EXPECT_EQ(Items(copy->QevInlineClasses()), L"TFrame1");
}

// A descendant that emptied an inherited list must say so, or it would read
// back with the ancestor's items.
TEST(QevTrxFormsTest, EmptyListDifferingFromAncestorIsWritten) {
  auto ancestor = NewTrxForm();
  ancestor->QevTranslatableProps()->Add(L"Label1.Caption");
  auto descendant = NewTrxForm();
  AnsiString binary = BinaryOf(descendant.get(), ancestor.get());
  EXPECT_NE(TextOf(descendant.get(), ancestor.get()).find("QevTranslatableProps.WideStrings"),
            AnsiString::npos);
  EXPECT_EQ(TextOf(descendant.get(), ancestor.get()).find("QevInlineClasses"), AnsiString::npos);

  TStringStream input(binary);
  input.ReadComponent(ancestor.get());
  EXPECT_EQ(ancestor->QevTranslatableProps()->Count(), 0);
}

TEST(QevTrxFormsTest, SettingAListCopiesItsItemsSorted) {
  auto form = NewTrxForm();
  TQevTrxTranslatableProps* own = form->QevTranslatableProps();
  own->Add(L"Old.Caption");
  TQevTrxTranslatableProps other;
  other.Add(L"B.Caption");
  other.Add(L"A.Caption");
  form->SetQevTranslatableProps(&other);
  EXPECT_EQ(form->QevTranslatableProps(), own);
  EXPECT_EQ(Items(own), L"A.Caption|B.Caption");
  other.Add(L"C.Caption");
  EXPECT_EQ(own->Count(), 2);

  auto* lists = dynamic_cast<IQevTrxForm*>(static_cast<TComponent*>(form.get()));
  ASSERT_NE(lists, nullptr);
  EXPECT_EQ(lists->GetQevTranslatableProps(), own);
  EXPECT_EQ(lists->GetQevInlineClasses(), form->QevInlineClasses());
}

TEST(QevTrxFormsTest, RenamingAComponentRenamesItsPropertyPaths) {
  auto form = NewTrxForm();
  auto* button = new TComponent(form.get());
  button->SetName("Button1");
  auto* panel = new TComponent(form.get());
  panel->SetName("Panel1");
  TQevTrxTranslatableProps* props = form->QevTranslatableProps();
  for (const wchar_t* item : {L"Button1.Caption", L"Button1.Hint", L"Edit1.Text",
                              L"Panel1.Font.Name", L"Panel1", L"OKBtn.Caption"})
    props->Add(item);
  form->QevInlineClasses()->Add(L"Button1.Caption");

  button->SetName("OKBtn");
  EXPECT_EQ(Items(props), L"Edit1.Text|OKBtn.Caption|OKBtn.Hint|Panel1|Panel1.Font.Name");
  EXPECT_EQ(Items(form->QevInlineClasses()), L"Button1.Caption");

  panel->SetName("Panel2");  // neither a deeper path nor a bare name changes
  EXPECT_EQ(Items(props), L"Edit1.Text|OKBtn.Caption|OKBtn.Hint|Panel1|Panel1.Font.Name");

  // Case is ignored; a refused name changes nothing.
  props->RenameComponent(L"okbtn", L"SaveBtn");
  EXPECT_EQ(Items(props), L"Edit1.Text|Panel1|Panel1.Font.Name|SaveBtn.Caption|SaveBtn.Hint");
  EXPECT_THROW(button->SetName("Panel2"), EComponentError);
  EXPECT_EQ(props->Count(), 5);
  props->RenameComponent(L"", L"X");
  props->RenameComponent(L"Edit1", L"");
  EXPECT_EQ(props->Count(), 5);
}

TEST(QevTrxFormsTest, DerivedFormReadsItsResourcesFromTheRootDown) {
  RegisterTestClasses();
  std::unique_ptr<TTrxDerivedForm> form(NewForm<TTrxDerivedForm>(nullptr));
  EXPECT_EQ(form->Left(), 30);
  EXPECT_EQ(form->Caption(), L"Derived form");
  ASSERT_NE(form->FindComponent("OKBtn"), nullptr);
  ASSERT_NE(form->FindComponent("Edit1"), nullptr);
  // 8-bit and wide values together, sorted, duplicates (ignoring case) once.
  EXPECT_EQ(Items(form->QevTranslatableProps()),
            L"alpha.Hint|Label1.Caption|OKBtn.Caption|Zeta.Caption|\x0436.Text");
  EXPECT_EQ(Items(form->QevInlineClasses()), L"TFrame1");

  std::unique_ptr<TTrxBaseForm> base(NewForm<TTrxBaseForm>(nullptr));
  EXPECT_EQ(base->Left(), 10);
  EXPECT_EQ(Items(base->QevTranslatableProps()), L"Label1.Caption|OKBtn.Caption");
  EXPECT_EQ(base->FindComponent("Edit1"), nullptr);
}
