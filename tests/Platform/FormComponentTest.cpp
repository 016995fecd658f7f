// Components, collections and property tables, and component trees written
// to and read from form streams and form resources.
#include <gtest/gtest.h>

#include <memory>

#include "Classes.h"
#include "FormTestClasses.h"
#include "TestSupport.h"

namespace {

class FormComponents : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    TTestControl::LoadedLog.clear();
  }
};

AnsiString TextOf(TComponent* root, TComponent* ancestor = nullptr) {
  TMemoryStream binary;
  binary.WriteDescendent(root, ancestor);
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&binary, &text);
  return text.DataString();
}

void ReadInto(TComponent* root, const AnsiString& text) {
  TStringStream input(text);
  TMemoryStream binary;
  ObjectTextToBinary(&input, &binary);
  binary.SetPosition(0);
  binary.ReadComponent(root);
}

std::unique_ptr<TTestForm> ReadForm(const AnsiString& text) {
  auto form = std::make_unique<TTestForm>(nullptr);
  ReadInto(form.get(), text);
  return form;
}

template <typename T = TTestControl>
T* Child(TComponent* root, const char* name) {
  return dynamic_cast<T*>(root->FindComponent(name));
}

TTestControl* NewControl(TTestForm* form, const char* name, TTestControl* parent) {
  auto* control = new TTestControl(form);
  control->SetName(name);
  control->SetParent(parent);
  return control;
}

// A form with a timer, a panel and a button in the panel, the button with a
// value in every property.
std::unique_ptr<TTestForm> MakeTree() {
  auto form = std::make_unique<TTestForm>(nullptr);
  form->SetName("Form1");
  form->Caption = "Main";
  form->OnClick = TNotifyEvent::Bind<&TTestForm::FormClick>(form.get());
  auto* timer = new TTestTimer(form.get());
  timer->SetName("Timer1");
  timer->Interval = 250;
  TTestControl* panel = NewControl(form.get(), "Panel1", form.get());
  panel->Left = 8;
  TTestControl* button = NewControl(form.get(), "Button1", panel);
  panel->SetBuddy(button);  // named before the button is read
  button->Caption = "OK";
  button->Hint = L"\x0436 hint";
  button->Visible = false;
  button->Shape = shTriangle;
  button->Shapes = {shCircle, shTriangle};
  button->Ratio = 0.25;
  button->Scale = 1.5f;
  button->Price = Currency::FromScaled(123450);
  button->When = 36526.5;
  button->Big = Int64(1) << 40;
  button->Letter = 'x';
  button->WideLetter = L'\x4E2D';
  button->Data = AnsiString("\0\x01\x02", 3);
  button->SetTag(7);
  button->OnClick = TNotifyEvent::Bind<&TTestForm::ButtonClick>(form.get());
  button->OnKey = TKeyEvent::Bind<&TTestForm::KeyPressed>(form.get());
  button->Font()->Name = "Arial";
  button->Font()->Size = 10;
  button->Font()->Style = {shSquare};
  button->Lines()->Add("one");
  button->Lines()->Add("two");
  static_cast<TTestItem*>(button->Items()->Add())->Caption = "First";
  static_cast<TTestItem*>(button->Items()->Add())->Width = 80;
  return form;
}

const char* const BaseForm =
    "object Form1: TTestForm\n"
    "  object Timer1: TTestTimer\n"
    "  end\n"
    "  object Panel1: TTestControl\n"
    "    object Button1: TTestControl\n"
    "      Caption = 'OK'\n"
    "      Lines.Strings = ('one')\n"
    "    end\n"
    "  end\n"
    "end\n";

// The error of reading BaseForm with line in place of the button's caption.
WideString ReadErrorOf(const AnsiString& line) {
  AnsiString text = BaseForm;
  text.replace(text.find("Caption = 'OK'"), 14, line);
  try {
    ReadForm(text);
  } catch (const Exception& e) {
    return AnsiToWide(e.ClassName()) + L": " + e.Message;
  }
  return L"<no exception>";
}

}  // namespace

// ----------------------------------------------------------------- components

TEST_F(FormComponents, OwnersFreeTheirComponentsAndNotificationsClearReferences) {
  auto* owner = new TTestForm(nullptr);
  TTestControl* a = NewControl(owner, "a", owner);
  TTestControl* b = NewControl(owner, "B", owner);
  EXPECT_EQ(2, owner->ComponentCount());
  EXPECT_EQ(a, owner->FindComponent("A"));
  EXPECT_EQ(1, b->ComponentIndex());

  TTestControl outsider(nullptr);
  outsider.SetBuddy(a);  // another owner: free notification
  delete a;
  EXPECT_EQ(nullptr, outsider.Buddy());
  EXPECT_EQ(1, owner->ComponentCount());

  TTestControl* c = NewControl(owner, "C", owner);
  b->SetBuddy(c);  // the same owner: its notification
  delete c;
  EXPECT_EQ(nullptr, b->Buddy());

  outsider.SetBuddy(b);
  delete owner;
  EXPECT_EQ(nullptr, outsider.Buddy());
}

TEST_F(FormComponents, NamesAreIdentifiersUniqueInTheOwner) {
  TTestForm owner(nullptr);
  TTestControl* a = NewControl(&owner, "Alpha", &owner);
  TTestControl* b = NewControl(&owner, "Beta", &owner);
  ExpectRaises<EComponentError>([&] { b->SetName("1abc"); }, L"'1abc' is not a valid component name");
  ExpectRaises<EComponentError>([&] { b->SetName("ALPHA"); }, L"A component named ALPHA already exists");
  a->SetName("ALPHA");  // the same name in another case
  b->SetName("");
  EXPECT_EQ("ALPHA", a->Name());
  EXPECT_EQ(nullptr, owner.FindComponent(""));
}

TEST_F(FormComponents, CollectionsOwnNumberAndMoveTheirItems) {
  TCollection items(TTestItem::StaticClass());
  TCollectionItem* a = items.Add();
  TCollectionItem* b = items.Add();
  TCollectionItem* first = items.Insert(0);
  EXPECT_EQ(0, first->Index());
  EXPECT_EQ(2, b->Index());
  EXPECT_EQ(b, items.FindItemID(1));
  delete a;
  items.Delete(0);
  EXPECT_EQ(1, items.Count());
  EXPECT_EQ(b, items.Items(0));
  ExpectRaises<EListError>([&] { items.Items(5); }, L"List index out of bounds (5)");
  b->SetCollection(nullptr);
  EXPECT_EQ(0, items.Count());
  delete b;
}

// ----------------------------------------------------------- property tables

TEST_F(FormComponents, RedeclaredPropertiesReplaceTheBaseEntryInPlace) {
  const auto& base = GetPropList(TTestControl::StaticClass());
  const auto& derived = GetPropList(TTestLabel::StaticClass());
  ASSERT_EQ(base.size(), derived.size());
  for (std::size_t i = 0; i < base.size(); ++i) EXPECT_STREQ(base[i]->Name, derived[i]->Name);
  const TPropInfo* caption = GetPropInfo(TTestLabel::StaticClass(), "caption");
  EXPECT_EQ(TTestLabel::StaticClass(), caption->Declarer);
  EXPECT_EQ(nullptr, GetPropInfo(TTestLabel::StaticClass(), "Caption", {tkWString}));

  TTestLabel label(nullptr);
  label.SetName("Label1");
  label.Caption = "never stored";
  EXPECT_EQ(AnsiString::npos, TextOf(&label).find("Caption"));
  EXPECT_EQ("never stored", GetStrProp(&label, caption));
}

TEST_F(FormComponents, PropertyAccessChecksKindClassAndSetter) {
  TTestControl control(nullptr);
  TTestTimer timer(nullptr);
  const TPropInfo* buddy = GetPropInfo(&control, "Buddy");
  ExpectRaises<EPropertyError>([&] { SetObjectProp(&control, buddy, &timer); },
                               L"Invalid property type: Buddy");
  ExpectRaises<EPropertyError>([&] { GetOrdProp(&control, GetPropInfo(&control, "Caption")); },
                               L"Invalid property type: Caption");
  ExpectRaises<EPropertyError>([&] { SetObjectProp(&control, GetPropInfo(&control, "Font"), nullptr); },
                               L"Property is read-only");
  ExpectRaises<EPropertyError>([&] { GetOrdProp(&timer, GetPropInfo(&control, "Left")); },
                               L"Property Left does not exist");
  SetOrdProp(&control, GetPropInfo(&control, "Shapes"), TShapes{shSquare}.Bits());
  EXPECT_EQ(TShapes{shSquare}, control.Shapes);
  EXPECT_EQ("shTriangle", GetEnumName(TypeInfoOf<TShape>(), 2));
  EXPECT_EQ(1, GetEnumValue(TypeInfoOf<TShape>(), "SHSQUARE"));
}

// ------------------------------------------------------------- form streams

TEST_F(FormComponents, DefaultsAndUnstoredPropertiesAreNotWritten) {
  TTestControl control(nullptr);
  control.SetName("X");
  control.Caption = "(auto)";  // its stored predicate says no
  EXPECT_EQ(
      "object X: TTestControl\r\n"
      "  Left = 0\r\n"
      "  Font.Name = 'Tahoma'\r\n"
      "  Items = <>\r\n"
      "end\r\n",
      TextOf(&control));
}

TEST_F(FormComponents, ATreeWrittenAndReadBackIsEqual) {
  std::unique_ptr<TTestForm> tree = MakeTree();
  AnsiString text = TextOf(tree.get());
  for (const char* line : {"  OnClick = FormClick\r\n", "    Buddy = Button1\r\n",
                           "      Shapes = [shCircle, shTriangle]\r\n",
                           "      WideLetter = #20013\r\n", "      Font.Style = [shSquare]\r\n",
                           "      OnKey = KeyPressed\r\n", "      Data = {000102}\r\n",
                           "      Price = 123450c\r\n", "      When = 36526.5d\r\n"})
    EXPECT_NE(AnsiString::npos, text.find(line)) << line;

  std::unique_ptr<TTestForm> copy = ReadForm(text);
  EXPECT_EQ(text, TextOf(copy.get()));
  TTestControl* panel = Child(copy.get(), "Panel1");
  TTestControl* button = Child(copy.get(), "Button1");
  ASSERT_TRUE(panel && button);
  EXPECT_EQ(button, panel->Buddy());
  EXPECT_EQ(panel, button->Parent());
  EXPECT_EQ(copy.get(), panel->Parent());
  EXPECT_EQ(250, Child<TTestTimer>(copy.get(), "Timer1")->Interval);
  EXPECT_EQ(L"\x0436 hint", button->Hint);
  EXPECT_EQ(Int64(1) << 40, button->Big);
  EXPECT_EQ(123450, button->Price.Scaled);
  EXPECT_EQ(AnsiString("\0\x01\x02", 3), button->Data);
  EXPECT_EQ("two", button->Lines()->Get(1));
  EXPECT_EQ(80, static_cast<TTestItem*>(button->Items()->Items(1))->Width);
  EXPECT_EQ(TNotifyEvent::Bind<&TTestForm::ButtonClick>(copy.get()), button->OnClick);
  button->OnClick(button);
  EXPECT_EQ(1, copy->Clicks);
}

TEST_F(FormComponents, LoadedRunsOnceOnEveryComponentAfterTheWholeStream) {
  std::unique_ptr<TTestForm> form = ReadForm(BaseForm);
  // The root first, then each child once it is read with its own children;
  // the timer is no TTestControl and logs nothing.
  EXPECT_EQ((std::vector<AnsiString>{"Form1", "Button1", "Panel1"}), TTestControl::LoadedLog);
  ASSERT_EQ(3, form->ComponentCount());
  for (TComponent* c : {static_cast<TComponent*>(form.get()), form->Components(0),
                        form->Components(1), form->Components(2)}) {
    EXPECT_FALSE(c->ComponentState().Contains(csLoading)) << c->Name();
    EXPECT_FALSE(c->ComponentState().Contains(csReading)) << c->Name();
  }
}

TEST_F(FormComponents, WritingWithAnAncestorWritesOnlyTheDifferences) {
  std::unique_ptr<TTestForm> ancestor = ReadForm(BaseForm);
  std::unique_ptr<TTestForm> descendant = ReadForm(BaseForm);
  descendant->Left = 99;
  Child(descendant.get(), "Button1")->Caption = "Changed";
  NewControl(descendant.get(), "Extra", Child(descendant.get(), "Panel1"))->Left = 5;

  AnsiString difference = TextOf(descendant.get(), ancestor.get());
  EXPECT_EQ(
      "inherited Form1: TTestForm\r\n"
      "  Left = 99\r\n"
      "  inherited Panel1: TTestControl\r\n"
      "    inherited Button1: TTestControl\r\n"
      "      Caption = 'Changed'\r\n"
      "    end\r\n"
      "    object Extra: TTestControl\r\n"
      "      Left = 5\r\n"
      "      Font.Name = 'Tahoma'\r\n"
      "      Items = <>\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n",
      difference)
      << "the unchanged timer, Font.Name, Items and Lines are inherited";

  TTestControl::LoadedLog.clear();
  TTestForm rebuilt(nullptr);
  BeginGlobalLoading();
  ReadInto(&rebuilt, BaseForm);
  ReadInto(&rebuilt, difference);
  EXPECT_TRUE(TTestControl::LoadedLog.empty());
  NotifyGlobalLoading();
  EndGlobalLoading();
  EXPECT_EQ(TextOf(descendant.get()), TextOf(&rebuilt));
  EXPECT_EQ((std::vector<AnsiString>{"Form1", "Button1", "Panel1", "Extra"}), TTestControl::LoadedLog);
}

TEST_F(FormComponents, UnknownNamesAndBadValuesRaiseClearErrors) {
  auto child = [](const char* cls) { return "end\n    object Other: " + AnsiString(cls); };
  EXPECT_EQ(L"EClassNotFound: Class TNope not found", ReadErrorOf(child("TNope")));
  EXPECT_EQ(L"EReadError: Error reading Button1.Nope: Property Nope does not exist",
            ReadErrorOf("Nope = 1"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Font.Nope: Property Nope does not exist",
            ReadErrorOf("Font.Nope = 1"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Left: Invalid property value",
            ReadErrorOf("Left = 'x'"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Shape: Invalid property value",
            ReadErrorOf("Shape = shHexagon"));
  EXPECT_EQ(L"EReadError: Error reading Button1.OnClick: Invalid property value",
            ReadErrorOf("OnClick = Missing"));
  EXPECT_EQ(L"EReadError: Error reading Button1.OnClick: Invalid property value",
            ReadErrorOf("OnClick = KeyPressed"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Buddy: Invalid property value",
            ReadErrorOf("Buddy = Nobody"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Buddy: Invalid property type: Buddy",
            ReadErrorOf("Buddy = Timer1"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Letter: Invalid property value",
            ReadErrorOf("Letter = 'xy'"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Font: Invalid property value",
            ReadErrorOf("Font = <>"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Font: Property is read-only",
            ReadErrorOf("Font = nil"));
  EXPECT_EQ(L"EReadError: Error reading Button1.Items: Error reading TTestItem.Nope: "
            L"Property Nope does not exist",
            ReadErrorOf("Items = <\n item\n Nope = 1\n end>"));
  EXPECT_EQ(L"EComponentError: A component named Panel1 already exists",
            ReadErrorOf(child("TTestControl") + "\n    end\n    object Panel1: TTestControl"));

  TStringStream unknownRoot(AnsiString("TPF0\x08TUnknown\x01" "A\0\0", 15));
  ExpectRaises<EClassNotFound>([&] { unknownRoot.ReadComponent(nullptr); }, L"Class TUnknown not found");
}

// ------------------------------------------------------------ form resources

TEST_F(FormComponents, TheSampleFormReadsFromItsResourceByClassName) {
  TTestForm form(nullptr);
  EXPECT_TRUE(InitInheritedComponent(&form, TTestControl::StaticClass()));
  EXPECT_EQ("TestForm", form.Name());
  EXPECT_EQ("Sample form", form.Caption);
  EXPECT_EQ(L"Wide \x0436\x4E2D", form.Hint);
  EXPECT_EQ((TShapes{shSquare, shTriangle}), form.Shapes);
  EXPECT_EQ(TNotifyEvent::Bind<&TTestForm::FormClick>(&form), form.OnClick);
  ASSERT_EQ(2, form.Items()->Count());
  EXPECT_EQ("Second", static_cast<TTestItem*>(form.Items()->Items(1))->Caption);
  EXPECT_EQ(250, Child<TTestTimer>(&form, "Timer1")->Interval);
  TTestControl* button = Child(&form, "Button1");
  EXPECT_EQ(button, Child(&form, "Panel1")->Buddy());
  EXPECT_EQ(2, button->Lines()->Count());
  EXPECT_EQ((std::vector<AnsiString>{"TestForm", "Button1", "Panel1"}), TTestControl::LoadedLog);

  TTestForm byName(nullptr);
  EXPECT_EQ(&byName, ReadComponentRes("TTestForm", &byName));
  EXPECT_EQ(TextOf(&form), TextOf(&byName));
  TTestForm missing(nullptr);
  ExpectRaises<EResNotFound>([&] { ReadComponentRes("TNOFORM", &missing); },
                             L"Resource TNOFORM not found");
}

TEST_F(FormComponents, ARootGetsANameNoGlobalComponentHas) {
  static TTestForm* existing = nullptr;
  TFindGlobalComponent find = [](const AnsiString& name) -> TComponent* {
    return existing && SameText(existing->Name(), name) ? existing : nullptr;
  };
  std::unique_ptr<TTestForm> first = ReadForm(BaseForm);
  existing = first.get();
  RegisterFindGlobalComponentProc(find);
  std::unique_ptr<TTestForm> second = ReadForm(BaseForm);
  UnregisterFindGlobalComponentProc(find);
  existing = nullptr;
  EXPECT_EQ("Form1_1", second->Name());
}
