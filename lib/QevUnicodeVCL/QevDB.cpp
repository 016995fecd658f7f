// Unicode data-set fields.
#include "QevDB.h"

#include "Mask.h"
#include "QevSysUtils.h"
#include "QevSystem.h"

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevUnicodeVCL\\QevDB";

WideString Widen(const AnsiString& Text) { return StringToWideStringEx(Text, ConversionCodePage); }
AnsiString Narrow(const WideString& Text) { return WideStringToStringEx(Text, ConversionCodePage); }

constexpr AnsiChar Escape = '\x80';

// Bytes above $80 become two bytes, none of them above $80.
AnsiString EscapeBytes(const AnsiString& Bytes) {
  AnsiString escaped;
  for (AnsiChar c : Bytes) {
    const auto b = static_cast<Byte>(c);
    if (b < 0x80) {
      escaped += c;
    } else {
      escaped += Escape;
      escaped += b == 0x80 ? Escape : static_cast<AnsiChar>(b - 0x80);
    }
  }
  return escaped;
}

AnsiString UnescapeBytes(const AnsiString& Escaped) {
  AnsiString bytes;
  for (size_t i = 0; i < Escaped.size(); ++i) {
    if (Escaped[i] != Escape || i + 1 == Escaped.size()) {
      bytes += Escaped[i];
      continue;
    }
    const auto next = static_cast<Byte>(Escaped[++i]);
    bytes += next == 0x80 ? Escape : static_cast<AnsiChar>((next + 0x80) & 0xFF);
  }
  return bytes;
}

struct TCodePageRow {
  TQevStringFieldCodePageEnum Value;
  Word CodePage;
};
constexpr TCodePageRow CodePageRows[] = {
    {fcpOther, 0},          {fcpThai, 874},       {fcpJapanese, 932},
    {fcpSimplifiedChinese, 936}, {fcpTraditionalChinese, 950}, {fcpKorean, 949},
    {fcpCentralEuropean, 1250},  {fcpCyrillic, 1251},          {fcpLatinWestern, 1252},
    {fcpGreek, 1253},       {fcpTurkish, 1254},   {fcpHebrew, 1255},
    {fcpArabic, 1256},      {fcpBaltic, 1257},    {fcpVietnamese, 1258}};

[[noreturn]] void UnexpectedEncodingMode() {
  throw EQevInternalError(L"Internal Error: Unexpected EncodingMode");
}

// An empty text clears the field as the platform does; any other is parsed
// the wide way.
template <class Base>
void SetWideDateText(Base* Field, const AnsiString& Value, TDateTime (*Parse)(const WideString&)) {
  if (Value.empty()) Field->Base::SetAsString(Value);
  else Field->SetAsDateTime(Parse(Widen(Value)));
}

}  // namespace

QEV_DEFINE_CLASS(TQevDateTimeField)
QEV_DEFINE_CLASS(TQevDateField)
QEV_DEFINE_CLASS(TQevTimeField)
QEV_DEFINE_CLASS(TQevWideStringField,
                 QEV_PROPERTY(OnGetText, OnGetText, SetOnGetText),
                 QEV_PROPERTY(OnSetText, OnSetText, SetOnSetText))
QEV_DEFINE_CLASS(TQevStringField,
                 QEV_PROPERTY(EncodingMode, EncodingMode, SetEncodingMode).Default(emUTF8),
                 QEV_PROPERTY(FixedCodePageEnum, FixedCodePageEnum, SetFixedCodePageEnum)
                     .NotStored(),
                 QEV_PROPERTY(FixedCodePage, FixedCodePage, SetFixedCodePage)
                     .Stored<&Self::IsFixedCodePageStored>(),
                 QEV_PROPERTY(RawVariantAccess, RawVariantAccess, SetRawVariantAccess)
                     .Default(false),
                 QEV_PROPERTY(OnGetText, OnGetText, SetOnGetText),
                 QEV_PROPERTY(OnSetText, OnSetText, SetOnSetText))

// --------------------------------------------------------- wide field text

IQevWideStringField& TQevWideFieldText::WideField() const {
  auto* wide = dynamic_cast<IQevWideStringField*>(Field_);
  QEV_ASSERT(wide, L"Assertion failure");
  return *wide;
}

void TQevWideFieldText::SetOnGetText(TFieldGetWideTextEvent Value) {
  OnGetText_ = Value;
  Field_->SetOnGetText(Value ? TFieldGetTextEvent::Bind<&TQevWideFieldText::BridgeGetText>(this)
                             : TFieldGetTextEvent());
}

void TQevWideFieldText::SetOnSetText(TFieldSetWideTextEvent Value) {
  OnSetText_ = Value;
  Field_->SetOnSetText(Value ? TFieldSetTextEvent::Bind<&TQevWideFieldText::BridgeSetText>(this)
                             : TFieldSetTextEvent());
}

void TQevWideFieldText::BridgeGetText(TField* Sender, AnsiString& Text, bool DisplayText) {
  WideString text = Widen(Text);
  OnGetText_(Sender, text, DisplayText);
  Text = Narrow(text);
}

void TQevWideFieldText::BridgeSetText(TField* Sender, const AnsiString& Text) {
  OnSetText_(Sender, Widen(Text));
}

WideString TQevWideFieldText::Text(bool Display) const {
  WideString text;
  if (OnGetText_) {
    OnGetText_(Field_, text, Display);
    return text;
  }
  if (Field_->OnGetText()) return Widen(Display ? Field_->DisplayText() : Field_->Text());
  const WideString value = WideField().GetAsWideString();
  if (Display && !Field_->EditMask().empty())
    return Widen(FormatMaskText(Field_->EditMask(), Narrow(value)));
  return value;
}

void TQevWideFieldText::SetEditText(const WideString& Value) {
  if (OnSetText_) OnSetText_(Field_, Value);
  else if (Field_->OnSetText()) Field_->SetEditText(Narrow(Value));
  else WideField().SetAsWideString(Value);
}

// ------------------------------------------------------- date time fields

void TQevDateTimeField::SetAsString(const AnsiString& Value) {
  SetWideDateText<TDateTimeField>(this, Value, &WideStrToDateTime);
}

void TQevDateField::SetAsString(const AnsiString& Value) {
  SetWideDateText<TDateField>(this, Value, &WideStrToDate);
}

void TQevTimeField::SetAsString(const AnsiString& Value) {
  SetWideDateText<TTimeField>(this, Value, &WideStrToTime);
}

// ------------------------------------------------------ wide string field

WideString TQevWideStringField::GetAsWideString() const {
  Variant value;
  return GetData(&value) ? VarToWideStr(value) : WideString();
}

void TQevWideStringField::SetAsWideString(const WideString& Value) {
  TWideStringField::SetAsWideString(Value);
}

// ----------------------------------------------------------- string field

TQevStringField::TQevStringField(TComponent* AOwner) : TStringField(AOwner) {}

TQevStringFieldCodePageEnum TQevStringField::FixedCodePageEnum() const {
  for (const TCodePageRow& row : CodePageRows)
    if (row.CodePage == FixedCodePage_) return row.Value;
  return fcpOther;
}

void TQevStringField::SetFixedCodePageEnum(TQevStringFieldCodePageEnum Value) {
  if (Value == fcpOther) return;
  for (const TCodePageRow& row : CodePageRows)
    if (row.Value == Value) FixedCodePage_ = row.CodePage;
}

WideString TQevStringField::Decode(const AnsiString& Stored) const {
  switch (EncodingMode_) {
    case emNone: return Widen(Stored);
    case emUTF8: return UTF8ToWideString(Stored);
    case emUTF7:
      try {
        return UTF7ToWideString(Stored);
      } catch (...) {
        TraceDroppedException(L"TQevStringField::Decode");  // not UTF-7: read as 8-bit text
        return Widen(Stored);
      }
    case emFixedCodePage: return StringToWideStringEx(Stored, FixedCodePage_);
    case emFixedCodePage_Safe: return StringToWideStringEx(UnescapeBytes(Stored), FixedCodePage_);
  }
  UnexpectedEncodingMode();
}

AnsiString TQevStringField::Encode(const WideString& Value) const {
  switch (EncodingMode_) {
    case emNone: return Narrow(Value);
    case emUTF8: return WideStringToUTF8(Value);
    case emUTF7: return WideStringToUTF7(Value);
    case emFixedCodePage: return WideStringToStringEx(Value, FixedCodePage_);
    case emFixedCodePage_Safe: return EscapeBytes(WideStringToStringEx(Value, FixedCodePage_));
  }
  UnexpectedEncodingMode();
}

WideString TQevStringField::GetAsWideString() const {
  Variant stored;
  return GetData(&stored) ? Decode(VarToStr(stored)) : WideString();
}

// The platform's store refuses an encoded form longer than Size.
void TQevStringField::SetAsWideString(const WideString& Value) {
  TStringField::SetAsString(Encode(Value));
}

AnsiString TQevStringField::GetAsString() const { return Narrow(GetAsWideString()); }
void TQevStringField::SetAsString(const AnsiString& Value) { SetAsWideString(Widen(Value)); }

Variant TQevStringField::GetAsVariant() const {
  if (RawVariantAccess_) return TStringField::GetAsVariant();
  return IsNull() ? Null() : Variant(GetAsWideString());
}

void TQevStringField::SetVarValue(const Variant& Value) {
  if (RawVariantAccess_) TStringField::SetAsString(VarToStr(Value));  // the stored bytes
  else SetAsWideString(VarToWideStr(Value));
}

// ------------------------------------------------------------------- unit

const TClass* GetUnicodeFieldClass(const TClass* FieldClass) {
  if (FieldClass == TDateTimeField::StaticClass()) return TQevDateTimeField::StaticClass();
  if (FieldClass == TDateField::StaticClass()) return TQevDateField::StaticClass();
  if (FieldClass == TTimeField::StaticClass()) return TQevTimeField::StaticClass();
  if (FieldClass == TWideStringField::StaticClass()) return TQevWideStringField::StaticClass();
  if (FieldClass == TStringField::StaticClass()) return TQevStringField::StaticClass();
  return FieldClass;
}

void Initialization_QevDB() {
  RegisterClasses({TQevDateTimeField::StaticClass(), TQevDateField::StaticClass(),
                   TQevTimeField::StaticClass(), TQevWideStringField::StaticClass(),
                   TQevStringField::StaticClass()});
}
