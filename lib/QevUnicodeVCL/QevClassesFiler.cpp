// Form-file entries of wide values: the lines of wide string lists and the
// wide string and wide character properties of the layer's components.
#include <algorithm>

#include "QevClasses.h"
#include "QevSystem.h"

bool ApplyWideFormPropertiesAtRunTime = false;

namespace {

// The 8-bit properties of a form hold what the program shows at run time;
// the wide entries only restore the exact text in the designer.
bool ApplyRuleHolds(TReader* Reader) {
  TComponent* owner = Reader->Owner();
  return owner &&
         (owner->ComponentState().Contains(csDesigning) || ApplyWideFormPropertiesAtRunTime);
}

// Such text reads back the same from the 8-bit value in any ANSI code page.
bool IsPlain7Bit(const WideString& S) {
  return std::all_of(S.begin(), S.end(), [](WideChar c) { return c <= 0x7F; });
}

WideString AnsiToDefaultWide(const AnsiString& S) {
  return StringToWideStringEx(S, ConversionCodePage);
}

// An 8-bit string value in the layer's default code page, or any other as wide text.
WideString ReadLine(TReader* Reader) {
  TValueType type = Reader->NextValue();
  if (type == vaString || type == vaLString) return AnsiToDefaultWide(Reader->ReadString());
  return Reader->ReadWideString();
}

// "PW" (UTF-8, only read) and "P_UTF7" of a wide string property P.
class TQevWideStringPropertyFiler : public TObject {
 public:
  void DefineProperties(TFiler* Filer, TPersistent* Instance, const TPropInfo* PropInfo) {
    Instance_ = Instance;
    PropInfo_ = PropInfo;
    auto* writer = dynamic_cast<TWriter*>(Filer);
    AnsiString name = PropInfo->Name;
    Filer->DefineProperty(name + "W", TReaderProc::Bind<&Self::ReadDataUTF8>(this), nullptr,
                          false);
    Filer->DefineProperty(name + "_UTF7", TReaderProc::Bind<&Self::ReadDataUTF7>(this),
                          TWriterProc::Bind<&Self::WriteDataUTF7>(this),
                          writer && HasData(writer));
    Instance_ = nullptr;
    PropInfo_ = nullptr;
  }

 private:
  using Self = TQevWideStringPropertyFiler;

  void ReadDataUTF8(TReader* Reader) {
    AnsiString s = Reader->ReadString();
    if (ApplyRuleHolds(Reader)) SetWideStrProp(Instance_, PropInfo_, UTF8ToWideString(s));
  }

  void ReadDataUTF7(TReader* Reader) {
    AnsiString s = Reader->ReadString();
    if (ApplyRuleHolds(Reader)) SetWideStrProp(Instance_, PropInfo_, UTF7ToWideString(s));
  }

  void WriteDataUTF7(TWriter* Writer) {
    Writer->WriteString(WideStringToUTF7(GetWideStrProp(Instance_, PropInfo_)));
  }

  // A read-only property is skipped: its entry could not be read back.
  bool HasData(TWriter* Writer) const {
    if (!PropInfo_->Set || !IsStoredProp(Instance_, PropInfo_)) return false;
    WideString value = GetWideStrProp(Instance_, PropInfo_);
    if (TPersistent* ancestor = Writer->Ancestor())
      if (const TPropInfo* info = GetPropInfo(ancestor, PropInfo_->Name, {tkWString}))
        if (value == GetWideStrProp(ancestor, info)) return false;
    return !IsPlain7Bit(value);  // the empty value is plain
  }

  TPersistent* Instance_ = nullptr;
  const TPropInfo* PropInfo_ = nullptr;
};

// "PW" (a one-character wide string) and "P_UTF7" (only read) of a wide
// character property P.
class TQevWideCharPropertyFiler : public TObject {
 public:
  void DefineProperties(TFiler* Filer, TPersistent* Instance, const TPropInfo* PropInfo) {
    Instance_ = Instance;
    PropInfo_ = PropInfo;
    Writer_ = dynamic_cast<TWriter*>(Filer);
    AnsiString name = PropInfo->Name;
    Filer->DefineProperty(name + "W", TReaderProc::Bind<&Self::ReadDataW>(this),
                          TWriterProc::Bind<&Self::WriteDataW>(this), Writer_ && HasData());
    Filer->DefineProperty(name + "_UTF7", TReaderProc::Bind<&Self::ReadDataUTF7>(this), nullptr,
                          false);
    Instance_ = nullptr;
    PropInfo_ = nullptr;
    Writer_ = nullptr;
  }

 private:
  using Self = TQevWideCharPropertyFiler;

  void SetChar(const WideString& Text) {
    SetOrdProp(Instance_, PropInfo_, Text.empty() ? 0 : static_cast<Word>(Text[0]));
  }

  // Always applied: the character property has no 8-bit twin to keep.
  void ReadDataW(TReader* Reader) {
    WideString text;
    switch (Reader->NextValue()) {
      case vaString: text = AnsiToDefaultWide(Reader->ReadString()); break;
      case vaWString: text = Reader->ReadWideString(); break;
      default: throw EReadError(SInvalidPropertyValue);
    }
    if (text.size() > 1) throw EReadError(SInvalidPropertyValue);
    SetChar(text);
  }

  void ReadDataUTF7(TReader* Reader) {
    AnsiString s = Reader->ReadString();
    if (ApplyRuleHolds(Reader)) SetChar(UTF7ToWideString(s));
  }

  void WriteDataW(TWriter* Writer) {
    Writer->WriteWideChar(static_cast<WideChar>(GetOrdProp(Instance_, PropInfo_)));
  }

  bool HasData() const {
    if (!IsStoredProp(Instance_, PropInfo_)) return false;
    Int64 value = GetOrdProp(Instance_, PropInfo_);
    if (const TPropInfo* info = AncestorProp(Writer_->Ancestor()))
      if (value == GetOrdProp(Writer_->Ancestor(), info)) return false;
    return !IsDefaultValue(value);
  }

  const TPropInfo* AncestorProp(TPersistent* Ancestor) const {
    return Ancestor ? GetPropInfo(Ancestor, PropInfo_->Name, {tkWChar}) : nullptr;
  }

  // The ancestor's value while writing a descendant of the root's ancestor,
  // otherwise the declared default.
  bool IsDefaultValue(Int64 Value) const {
    if (!PropInfo_->Get || !PropInfo_->Set) return true;
    TComponent* root = Writer_->Root();
    TComponent* rootAncestor = Writer_->RootAncestor();
    bool ancestorValid = Writer_->Ancestor() && rootAncestor && root &&
                         root->ClassType()->InheritsFrom(rootAncestor->ClassType());
    if (ancestorValid)
      if (const TPropInfo* info = AncestorProp(Writer_->Ancestor()))
        return Value == GetOrdProp(Writer_->Ancestor(), info);
    return PropInfo_->Default != NoDefault && Value == PropInfo_->Default;
  }

  TPersistent* Instance_ = nullptr;
  const TPropInfo* PropInfo_ = nullptr;
  TWriter* Writer_ = nullptr;
};

}  // namespace

void DefineWideProperties(TFiler* Filer, TPersistent* Instance) {
  const std::vector<const TPropInfo*>& props = GetPropList(Instance->ClassType());
  if (props.empty()) return;
  TQevWideStringPropertyFiler wideStrings;
  TQevWideCharPropertyFiler wideChars;
  for (const TPropInfo* p : props) {
    if (p->PropType->Kind == tkWString)
      wideStrings.DefineProperties(Filer, Instance, p);
    else if (p->PropType->Kind == tkWChar)
      wideChars.DefineProperties(Filer, Instance, p);
  }
}

// ---------------------------------------------------------------- TQevStrings

void TQevStrings::DefineProperties(TFiler* Filer) {
  bool stored = dynamic_cast<TWriter*>(Filer) && WideStringsStored(Filer);
  bool utf7 = false;
  for (Integer i = 0; stored && !utf7 && i < GetCount(); ++i) utf7 = !IsPlain7Bit(Get(i));
  Filer->DefineProperty("Strings", TReaderProc::Bind<&TQevStrings::ReadStrings>(this), nullptr,
                        false);
  Filer->DefineProperty("WideStrings", TReaderProc::Bind<&TQevStrings::ReadStrings>(this),
                        TWriterProc::Bind<&TQevStrings::WriteWideStrings>(this), stored);
  Filer->DefineProperty("WideStringsW", TReaderProc::Bind<&TQevStrings::ReadStringsUTF8>(this),
                        nullptr, false);
  Filer->DefineProperty("WideStrings_UTF7",
                        TReaderProc::Bind<&TQevStrings::ReadStringsUTF7>(this),
                        TWriterProc::Bind<&TQevStrings::WriteStringsUTF7>(this), utf7);
}

bool TQevStrings::WideStringsStored(TFiler* Filer) const {
  if (TPersistent* ancestor = Filer->Ancestor()) {
    auto* lines = dynamic_cast<TQevStrings*>(ancestor);
    return !lines || !Equals(lines);
  }
  return GetCount() > 0;
}

// One string value is the whole text, split into lines; a list holds a line
// per value.
void TQevStrings::ReadStrings(TReader* Reader) {
  switch (Reader->NextValue()) {
    case vaString:
    case vaLString: return SetTextStr(AnsiToDefaultWide(Reader->ReadString()));
    case vaWString: return SetTextStr(Reader->ReadWideString());
    default: break;
  }
  Reader->ReadListBegin();
  WithUpdate(this, [&] {
    Clear();
    while (!Reader->EndOfList()) Add(ReadLine(Reader));
  });
  Reader->ReadListEnd();
}

// An older form's lines fill a list that nothing else filled yet.
void TQevStrings::ReadStringsUTF8(TReader* Reader) {
  ReadEncodedList(Reader, ApplyRuleHolds(Reader) || GetCount() == 0, &UTF8ToWideString);
}

void TQevStrings::ReadStringsUTF7(TReader* Reader) {
  ReadEncodedList(Reader, ApplyRuleHolds(Reader), &UTF7ToWideString);
}

void TQevStrings::ReadEncodedList(TReader* Reader, bool Apply,
                                  WideString (*Decode)(const AnsiString&)) {
  Reader->ReadListBegin();
  if (Apply) {
    WithUpdate(this, [&] {
      Clear();
      while (!Reader->EndOfList()) Add(Decode(Reader->ReadString()));
    });
  } else {
    while (!Reader->EndOfList()) Reader->ReadString();
  }
  Reader->ReadListEnd();
}

void TQevStrings::WriteWideStrings(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer i = 0; i < GetCount(); ++i) Writer->WriteWideString(Get(i));
  Writer->WriteListEnd();
}

void TQevStrings::WriteStringsUTF7(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer i = 0; i < GetCount(); ++i) Writer->WriteString(WideStringToUTF7(Get(i)));
  Writer->WriteListEnd();
}
