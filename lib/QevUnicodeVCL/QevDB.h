// Unicode data-set fields: a wide-string field, an 8-bit string field that
// stores wide text in a chosen encoding, and date and time fields that parse
// text the wide way. A data set maps its field classes with
// GetUnicodeFieldClass when it creates its fields.
#pragma once

#include "DB.h"
#include "WinApi.h"

inline constexpr GUID IID_IQevWideStringField = {
    0x679C5F1A, 0x4356, 0x4696, {0xA8, 0xF3, 0x9C, 0x7C, 0x69, 0x70, 0xA9, 0xF6}};

// Wide text of a field: found with dynamic_cast on a TField.
class IQevWideStringField {
 public:
  virtual WideString GetAsWideString() const = 0;
  virtual void SetAsWideString(const WideString& Value) = 0;
  virtual WideString GetWideDisplayText() const = 0;
  virtual WideString GetWideEditText() const = 0;
  virtual void SetWideEditText(const WideString& Value) = 0;

 protected:
  virtual ~IQevWideStringField() = default;
};

using TFieldGetWideTextEvent = TEvent<void(TField* Sender, WideString& Text, bool DoDisplayText)>;
using TFieldSetWideTextEvent = TEvent<void(TField* Sender, const WideString& Text)>;

// The wide text events of a field and the wide display and edit texts. An
// assigned wide event also stands as the field's 8-bit event, through a
// bridge that converts with the layer's code page.
class TQevWideFieldText {
 public:
  explicit TQevWideFieldText(TField* Field) : Field_(Field) {}
  TQevWideFieldText(const TQevWideFieldText&) = delete;
  TQevWideFieldText& operator=(const TQevWideFieldText&) = delete;

  const TFieldGetWideTextEvent& OnGetText() const { return OnGetText_; }
  void SetOnGetText(TFieldGetWideTextEvent Value);
  const TFieldSetWideTextEvent& OnSetText() const { return OnSetText_; }
  void SetOnSetText(TFieldSetWideTextEvent Value);

  // The wide event, else the field's own 8-bit event widened, else the
  // value (display text with an edit mask: formatted into it).
  WideString Text(bool Display) const;
  void SetEditText(const WideString& Value);

 private:
  void BridgeGetText(TField* Sender, AnsiString& Text, bool DisplayText);
  void BridgeSetText(TField* Sender, const AnsiString& Text);
  IQevWideStringField& WideField() const;

  TField* Field_;
  TFieldGetWideTextEvent OnGetText_;
  TFieldSetWideTextEvent OnSetText_;
};

class TQevDateTimeField : public TDateTimeField {
  QEV_CLASS(TQevDateTimeField, TDateTimeField)
 public:
  using TDateTimeField::TDateTimeField;
  // Non-empty text is parsed by the wide conversion of the field's type.
  void SetAsString(const AnsiString& Value) override;
};

class TQevDateField : public TDateField {
  QEV_CLASS(TQevDateField, TDateField)
 public:
  using TDateField::TDateField;
  void SetAsString(const AnsiString& Value) override;
};

class TQevTimeField : public TTimeField {
  QEV_CLASS(TQevTimeField, TTimeField)
 public:
  using TTimeField::TTimeField;
  void SetAsString(const AnsiString& Value) override;
};

class TQevWideStringField : public TWideStringField, public IQevWideStringField {
  QEV_CLASS(TQevWideStringField, TWideStringField)
 public:
  using TWideStringField::TWideStringField;

  WideString GetAsWideString() const override;
  void SetAsWideString(const WideString& Value) override;
  WideString GetWideDisplayText() const override { return Text_.Text(true); }
  WideString GetWideEditText() const override { return Text_.Text(false); }
  void SetWideEditText(const WideString& Value) override { Text_.SetEditText(Value); }

  const TFieldGetWideTextEvent& OnGetText() const { return Text_.OnGetText(); }
  void SetOnGetText(TFieldGetWideTextEvent Value) { Text_.SetOnGetText(Value); }
  const TFieldSetWideTextEvent& OnSetText() const { return Text_.OnSetText(); }
  void SetOnSetText(TFieldSetWideTextEvent Value) { Text_.SetOnSetText(Value); }

 private:
  TQevWideFieldText Text_{this};
};

enum TQevStringFieldEncodingMode : Byte {
  emNone, emUTF8, emUTF7, emFixedCodePage, emFixedCodePage_Safe
};
QEV_ENUM_TYPEINFO(TQevStringFieldEncodingMode, "emNone", "emUTF8", "emUTF7", "emFixedCodePage",
                  "emFixedCodePage_Safe");

enum TQevStringFieldCodePageEnum : Byte {
  fcpOther, fcpThai, fcpJapanese, fcpSimplifiedChinese, fcpTraditionalChinese, fcpKorean,
  fcpCentralEuropean, fcpCyrillic, fcpLatinWestern, fcpGreek, fcpTurkish, fcpHebrew, fcpArabic,
  fcpBaltic, fcpVietnamese
};
QEV_ENUM_TYPEINFO(TQevStringFieldCodePageEnum, "fcpOther", "fcpThai", "fcpJapanese",
                  "fcpSimplifiedChinese", "fcpTraditionalChinese", "fcpKorean",
                  "fcpCentralEuropean", "fcpCyrillic", "fcpLatinWestern", "fcpGreek",
                  "fcpTurkish", "fcpHebrew", "fcpArabic", "fcpBaltic", "fcpVietnamese");

// Wide text stored as 8-bit text in EncodingMode (UTF-8 by default). The
// stored form must fit Size whole: a longer one is refused with
// EDatabaseError naming the field, never cut inside a character.
// emFixedCodePage_Safe escapes the converted bytes so that none exceeds $80:
// $80 is written $80 $80, a byte B above $80 as $80 followed by B - $80.
class TQevStringField : public TStringField, public IQevWideStringField {
  QEV_CLASS(TQevStringField, TStringField)
 public:
  explicit TQevStringField(TComponent* AOwner);

  WideString GetAsWideString() const override;
  void SetAsWideString(const WideString& Value) override;
  WideString GetWideDisplayText() const override { return Text_.Text(true); }
  WideString GetWideEditText() const override { return Text_.Text(false); }
  void SetWideEditText(const WideString& Value) override { Text_.SetEditText(Value); }

  // The wide value through the layer's code page.
  AnsiString GetAsString() const override;
  void SetAsString(const AnsiString& Value) override;
  // Without RawVariantAccess the wide value (Null without one).
  Variant GetAsVariant() const override;

  TQevStringFieldEncodingMode EncodingMode() const { return EncodingMode_; }
  void SetEncodingMode(TQevStringFieldEncodingMode Value) { EncodingMode_ = Value; }
  Word FixedCodePage() const { return FixedCodePage_; }
  void SetFixedCodePage(Word Value) { FixedCodePage_ = Value; }
  // fcpOther when FixedCodePage has no row; setting fcpOther keeps it.
  TQevStringFieldCodePageEnum FixedCodePageEnum() const;
  void SetFixedCodePageEnum(TQevStringFieldCodePageEnum Value);
  bool RawVariantAccess() const { return RawVariantAccess_; }
  void SetRawVariantAccess(bool Value) { RawVariantAccess_ = Value; }
  bool IsFixedCodePageStored() const { return EncodingMode_ == emFixedCodePage; }

  const TFieldGetWideTextEvent& OnGetText() const { return Text_.OnGetText(); }
  void SetOnGetText(TFieldGetWideTextEvent Value) { Text_.SetOnGetText(Value); }
  const TFieldSetWideTextEvent& OnSetText() const { return Text_.OnSetText(); }
  void SetOnSetText(TFieldSetWideTextEvent Value) { Text_.SetOnSetText(Value); }

 protected:
  void SetVarValue(const Variant& Value) override;

 private:
  WideString Decode(const AnsiString& Stored) const;
  AnsiString Encode(const WideString& Value) const;

  TQevWideFieldText Text_{this};
  TQevStringFieldEncodingMode EncodingMode_ = emUTF8;
  Word FixedCodePage_ = 1252;
  bool RawVariantAccess_ = false;
};

// The Unicode counterpart of exactly these classes: TDateTimeField,
// TDateField, TTimeField, TWideStringField, TStringField; any other class as
// it is.
const TClass* GetUnicodeFieldClass(const TClass* FieldClass);

void Initialization_QevDB();  // registers the field classes for form streams
