// The form-description text of the translation system: a form resource as a
// tree of objects and property lines that keeps every value as its source
// text, reads and replaces single texts, and renders the tree back into the
// exact text it came from.
#pragma once

#include <memory>
#include <vector>

#include "Classes.h"
#include "QevClasses.h"
#include "WinApi.h"

class TDfmForm;
class TDfmObject;

// One property line; a value that runs on over more deeply indented lines
// holds them verbatim after CR LF.
class TDfmProperty : public TObject {
 public:
  const char* ClassName() const override { return "TDfmProperty"; }

  TDfmObject* Owner = nullptr;
  // The items of a collection value; empty for every other value.
  std::vector<std::unique_ptr<TDfmObject>> Items;
  AnsiString Path;  // the owner's path + "." + Name: the text's translation identifier
  AnsiString Name;  // may be dotted (Font.Name)
  AnsiString Value;
};

using TDfmPropertyList = std::vector<TDfmProperty*>;  // does not own them

// One object of the text, or a collection item (Name "item", no header word).
class TDfmObject : public TObject {
 public:
  const char* ClassName() const override { return "TDfmObject"; }
  // The text of this object and everything below it, every line ending in
  // CR LF; a collection's value is first rebuilt from its items.
  AnsiString Render();

  TDfmForm* Form = nullptr;
  // Whose path prefixes this one's: the root for every component of the form
  // (the root's owner is itself), an object of an inline class for the
  // components directly inside it, the holder of a collection for its items.
  TDfmObject* Owner = nullptr;
  Integer Level = 0;
  AnsiString Path;
  AnsiString HeaderWord;    // "object", "inherited" or "inline" as written
  AnsiString Name;
  AnsiString DfmClassName;  // the text after ":"
  std::vector<std::unique_ptr<TDfmProperty>> Properties;
  std::vector<std::unique_ptr<TDfmObject>> Children;

 private:
  void RenderTo(AnsiString& Out);
};

class TDfmForm : public TDfmObject {
 public:
  const char* ClassName() const override { return "TDfmForm"; }

  // The form resource through the platform's binary-to-text converter into
  // LoadFromText.
  void LoadFromResource(HMODULE Module, const AnsiString& ResName, TDfmPropertyList* AllProps);
  // Parses the text as this (new) form and appends every property to AllProps
  // (if given). A text that does not render back unchanged is left with its
  // rendering in the two dump files and raises EQevInternalError.
  void LoadFromText(const AnsiString& Text, TDfmPropertyList* AllProps);

  // From the root's "QevTranslatableProps.WideStrings", each entry prefixed
  // with the form's name and "."; null when the form has none.
  std::unique_ptr<TQevStringList> TranslatableProps;
  // From the root's "QevInlineClasses.WideStrings"; null when none.
  std::unique_ptr<TQevStringList> InlineClasses;
};

using TDfmFormList = std::vector<std::unique_ptr<TDfmForm>>;

// Where a form that did not render back leaves its source and its rendering:
// Qev_Original_Dfm.txt and Qev_Rendered_Dfm.txt in the temporary folder.
WideString OriginalDfmDumpFile();
WideString RenderedDfmDumpFile();

// Every form resource of the module, parsed in resource order; AllProps gets
// every property of every form. FileName names the module in messages.
void ReadFormTranslationInfo(HMODULE Module, const WideString& FileName, TDfmFormList& Forms,
                             TDfmPropertyList& AllProps);
// Each form rendered, converted to the binary stream and written as RCDATA
// "T" + its name in upper case, language 0.
void WriteFormResources(HANDLE Update, TDfmFormList& Forms);

// The property's value as text through the converter registered for its
// Name (Caption, Title.Caption, Hint, ShortCut); EQevInternalError for any
// other property.
WideString PropertyToText(const TDfmProperty* Prop);
void SetPropertyFromText(TDfmProperty* Prop, const WideString& Text);

// A string value ('quoted' pieces, #nnn codes, pieces joined with "+").
WideString DfmStringToWide(const AnsiString& Value);
// The string value of Text, lines broken without indentation.
AnsiString WideToDfmString(const WideString& Text);
// The strings of a list value "( ... )"; an empty list for any other value.
void ReadDfmStringList(const AnsiString& Value, TQevStrings* List);
