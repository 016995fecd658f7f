#include "QevTrxDfmUtils.h"

#include "QevLXFlashMsg.h"
#include "QevLXUtils.h"
#include "QevMenus.h"
#include "QevSysUtils.h"
#include "QevTrxResourceUtils.h"

namespace {

// ------------------------------------------------------- property converters

WideString ShortCutValueToText(const AnsiString& Value) {
  return WideShortCutToText(static_cast<TShortCut>(StrToInt(Value)));
}

AnsiString TextToShortCutValue(const WideString& Text) {
  return IntToStr(WideTextToShortCut(Text));
}

struct TPropertyConverter {
  const char* Name;
  WideString (*ToText)(const AnsiString& Value);
  AnsiString (*FromText)(const WideString& Text);
};

constexpr TPropertyConverter Converters[] = {
    {"Caption", DfmStringToWide, WideToDfmString},
    {"Hint", DfmStringToWide, WideToDfmString},
    {"ShortCut", ShortCutValueToText, TextToShortCutValue},
    {"Title.Caption", DfmStringToWide, WideToDfmString},
};

const TPropertyConverter& ConverterOf(const TDfmProperty* Prop) {
  for (const TPropertyConverter& c : Converters)
    if (SameText(Prop->Name, c.Name)) return c;
  throw EQevInternalError(L"Property can not be converted for : " + AnsiToWide(Prop->Name));
}

// ----------------------------------------------------------------- strings

// Ends on the token after the value.
WideString ReadStringValue(TParser& Parser) {
  Parser.CheckToken(toString);
  WideString text = Parser.TokenWideString();
  while (Parser.NextToken() == '+') {
    Parser.NextToken();
    Parser.CheckToken(toString);
    text += Parser.TokenWideString();
  }
  return text;
}

// -------------------------------------------------------------------- lines

Integer IndentLevel(const AnsiString& Line) {
  const std::size_t blanks = Line.find_first_not_of(' ');
  return static_cast<Integer>(((blanks == AnsiString::npos ? Line.size() : blanks) + 1) / 2);
}

bool IsEndLine(const AnsiString& Line) { return SameText(Trim(Line), "end"); }

WideString ParseError(const AnsiString& Detail) {
  return L"Dfm parse error: " + AnsiToWide(Detail);
}

// ------------------------------------------------------------------- parser

// Parses objects from a list of lines, starting at its first.
class TDfmParser {
 public:
  TDfmParser(TStrings& Lines, TDfmPropertyList* AllProps) : Lines_(Lines), AllProps_(AllProps) {}

  bool AtEnd() const { return Index_ == Lines_.Count(); }

  // Owner null for the root; ItemName null unless Obj is a collection item.
  void Object(TDfmObject& Obj, TDfmForm& Form, TDfmObject* Owner, const AnsiString* ItemName,
              Integer Level) {
    Obj.Form = &Form;
    Obj.Owner = Owner ? Owner : &Obj;
    Obj.Level = Level;
    Header(Obj, ItemName);
    while (auto prop = Property(Obj)) Obj.Properties.push_back(std::move(prop));
    for (;;) {
      if (AtEnd()) throw EQevInternalError(ParseError("No more strings to find objects."));
      if (IsEndLine(Line())) break;
      auto child = std::make_unique<TDfmObject>();
      Object(*child, Form, ChildOwner(Obj), nullptr, Level + 1);
      Obj.Children.push_back(std::move(child));
    }
    if (AtEnd())
      throw EQevInternalError(L"Dfm parse error: Object %s has no ending.", {AnsiToWide(Obj.Name)});
    ++Index_;
  }

 private:
  AnsiString Line() const { return Lines_.Get(Index_); }

  void Header(TDfmObject& Obj, const AnsiString* ItemName) {
    const AnsiString line = Trim(Line());
    ++Index_;
    if (ItemName) {
      if (!SameText(line, "item"))
        throw Exception(L"Collection Item (%s) must be = 'item': %s",
                        {AnsiToWide(*ItemName), AnsiToWide(line)});
      Obj.Name = "item";
      Obj.Path = Obj.Owner->Path + "." + *ItemName;
      return;
    }
    const std::size_t blank = line.find(' ');
    Obj.HeaderWord = line.substr(0, blank);
    const AnsiString rest = blank == AnsiString::npos ? AnsiString() : Trim(line.substr(blank));
    const std::size_t colon = rest.find(':');
    if (colon == AnsiString::npos) {
      Obj.DfmClassName = rest;
    } else {
      Obj.Name = Trim(rest.substr(0, colon));
      Obj.DfmClassName = Trim(rest.substr(colon + 1));
    }
    Obj.Path = Obj.Owner == &Obj ? Obj.Name : Obj.Owner->Path + "." + Obj.Name;
  }

  // Null at the first line without "=".
  std::unique_ptr<TDfmProperty> Property(TDfmObject& Obj) {
    if (AtEnd()) throw EQevInternalError(ParseError("No more strings to find properties."));
    const AnsiString line = Line();
    const std::size_t equals = line.find('=');
    if (equals == AnsiString::npos) return nullptr;
    ++Index_;
    auto prop = std::make_unique<TDfmProperty>();
    prop->Owner = &Obj;
    prop->Name = Trim(line.substr(0, equals));
    prop->Path = Obj.Path + "." + prop->Name;
    prop->Value = Trim(line.substr(equals + 1));
    for (; !AtEnd() && IndentLevel(Line()) >= Obj.Level + 2; ++Index_)
      prop->Value += "\r\n" + Line();
    if (AllProps_) AllProps_->push_back(prop.get());
    if (Obj.Level == 0) RootList(*Obj.Form, *prop);
    const std::size_t first = prop->Value.find_first_not_of(" \t\r\n");
    if (first != AnsiString::npos && prop->Value[first] == '<') Collection(*prop);
    return prop;
  }

  static void RootList(TDfmForm& Form, const TDfmProperty& Prop) {
    if (SameText(Prop.Name, "QevTranslatableProps.WideStrings")) {
      TQevStringList entries;
      ReadDfmStringList(Prop.Value, &entries);
      Form.TranslatableProps = std::make_unique<TQevStringList>();
      for (Integer i = 0; i < entries.Count(); ++i)
        Form.TranslatableProps->Add(AnsiToWide(Form.Name) + L"." + entries.Get(i));
      Form.TranslatableProps->SetSorted(true);
    } else if (SameText(Prop.Name, "QevInlineClasses.WideStrings")) {
      Form.InlineClasses = std::make_unique<TQevStringList>();
      ReadDfmStringList(Prop.Value, Form.InlineClasses.get());
      Form.InlineClasses->SetSorted(true);
    }
  }

  // Components of an object of an inline class belong to it, all others to
  // the form (whatever control they sit on).
  static TDfmObject* ChildOwner(TDfmObject& Obj) {
    TQevStringList* inlineClasses = Obj.Form->InlineClasses.get();
    if (inlineClasses && inlineClasses->IndexOf(AnsiToWide(Obj.DfmClassName)) >= 0) return &Obj;
    return Obj.Owner;
  }

  void Collection(TDfmProperty& Prop) {
    if (Prop.Value == "<>") return;
    TStringList lines;
    lines.SetText(Prop.Value);
    if (lines.Count() < 2)
      throw Exception(L"Collection Property must have 2 lines (" + AnsiToWide(Prop.Value) + L").");
    const AnsiString first = Trim(lines.Get(0)), last = Trim(lines.Get(lines.Count() - 1));
    if (first != "<")
      throw Exception(L"Collection must start with \"<\": '" + AnsiToWide(first) + L"'");
    if (last != "end>")
      throw Exception(L"Collection must end with \"end>\": '" + AnsiToWide(last) + L"'");
    lines.Delete(0);
    lines.Put(lines.Count() - 1, "end");
    TDfmParser items(lines, AllProps_);
    for (Integer n = 0; !items.AtEnd(); ++n) {
      auto item = std::make_unique<TDfmObject>();
      const AnsiString itemName = Prop.Name + "[" + IntToStr(n) + "]";
      items.Object(*item, *Prop.Owner->Form, Prop.Owner, &itemName, Prop.Owner->Level + 2);
      Prop.Items.push_back(std::move(item));
    }
  }

  TStrings& Lines_;
  Integer Index_ = 0;
  TDfmPropertyList* AllProps_;
};

// ----------------------------------------------------------------- checking

void WriteDumpFile(const WideString& FileName, const AnsiString& Text) {
  WideDeleteFile(FileName);
  TStringList lines;
  lines.SetText(Text);
  TQevFileStream file(FileName, fmCreate);
  lines.SaveToStream(&file);
}

}  // namespace

// --------------------------------------------------------------- TDfmObject

AnsiString TDfmObject::Render() {
  AnsiString out;
  RenderTo(out);
  return out;
}

void TDfmObject::RenderTo(AnsiString& Out) {
  const AnsiString indent(2 * static_cast<std::size_t>(Level), ' ');
  Out += indent;
  if (!HeaderWord.empty() || Name.empty() || !DfmClassName.empty())
    Out += Trim(Name.empty() ? HeaderWord + " " + DfmClassName
                             : HeaderWord + " " + Name + ": " + DfmClassName);
  else
    Out += Name;
  Out += "\r\n";
  for (auto& prop : Properties) {
    if (!prop->Items.empty()) {
      AnsiString items;
      for (auto& item : prop->Items) item->RenderTo(items);
      items.erase(items.find_last_not_of(" \r\n") + 1);
      prop->Value = "<\r\n" + items + ">";
    }
    Out += indent + "  " + prop->Name + " = " + prop->Value + "\r\n";
  }
  for (auto& child : Children) child->RenderTo(Out);
  Out += indent + "end\r\n";
}

// ----------------------------------------------------------------- TDfmForm

void TDfmForm::LoadFromResource(HMODULE Module, const AnsiString& ResName,
                                TDfmPropertyList* AllProps) {
  TResourceStream resource(Module, ResName, MAKEINTRESOURCEA(10));
  TStringStream text;
  ObjectBinaryToText(&resource, &text);
  LoadFromText(text.DataString(), AllProps);
}

void TDfmForm::LoadFromText(const AnsiString& Text, TDfmPropertyList* AllProps) {
  TStringList lines;
  lines.SetText(Text);
  TDfmParser(lines, AllProps).Object(*this, *this, nullptr, nullptr, 0);
  const AnsiString rendered = Render();
  if (rendered == Text) return;
  WriteDumpFile(OriginalDfmDumpFile(), Text);
  WriteDumpFile(RenderedDfmDumpFile(), rendered);
  throw EQevInternalError(L"Internal Error: DFM did not render correctly.  See the files: \r\n  " +
                          OriginalDfmDumpFile() + L"\r\n  " + RenderedDfmDumpFile());
}

// ------------------------------------------------------------------ routines

// In the temporary folder, never the root of drive C, which a user may not write.
WideString OriginalDfmDumpFile() { return WideGetTempPath() + L"Qev_Original_Dfm.txt"; }
WideString RenderedDfmDumpFile() { return WideGetTempPath() + L"Qev_Rendered_Dfm.txt"; }

void ReadFormTranslationInfo(HMODULE Module, const WideString& FileName, TDfmFormList& Forms,
                             TDfmPropertyList& AllProps) {
  std::unique_ptr<TQevFlashForm> busy(ShowFlashMessage(L"Reading Translation Info for " + FileName));
  Forms.clear();
  AllProps.clear();
  TStringList names;
  GetFormResourceNames(Module, &names);
  for (Integer i = 0; i < names.Count(); ++i) {
    auto form = std::make_unique<TDfmForm>();
    form->LoadFromResource(Module, names.Get(i), &AllProps);
    Forms.push_back(std::move(form));
  }
}

void WriteFormResources(HANDLE Update, TDfmFormList& Forms) {
  for (auto& form : Forms) {
    TStringStream text(form->Render());
    TMemoryStream binary;
    ObjectTextToBinary(&text, &binary);
    const WideString name = QevWideUpperCase(L"T" + AnsiToWide(form->Name));
    Win32Check(UpdateResourceEntry(Update, MAKEINTRESOURCEW(10), name.c_str(),
                                   static_cast<DWORD>(binary.Size()), binary.Memory(), 0));
  }
}

WideString PropertyToText(const TDfmProperty* Prop) { return ConverterOf(Prop).ToText(Prop->Value); }

void SetPropertyFromText(TDfmProperty* Prop, const WideString& Text) {
  Prop->Value = ConverterOf(Prop).FromText(Text);
}

WideString DfmStringToWide(const AnsiString& Value) {
  TStringStream stream(Value);
  TParser parser(&stream);
  return ReadStringValue(parser);
}

AnsiString WideToDfmString(const WideString& Text) {
  return FormStringText(std::u16string(Text.begin(), Text.end()), 0);
}

void ReadDfmStringList(const AnsiString& Value, TQevStrings* List) {
  List->Clear();
  TStringStream stream(Value);
  TParser parser(&stream);
  if (parser.Token() != '(') return;
  parser.NextToken();
  while (parser.Token() != ')') List->Add(ReadStringValue(parser));
}
