// Unicode twins of the standard controls: wide captions, texts, hints and
// password characters, Unicode windows and wide drawing with the wide API;
// without it each behaves as its platform base.
#pragma once

#include "QevActnList.h"
#include "QevClasses.h"
#include "QevControls.h"
#include "QevForms.h"
#include "StdCtrls.h"
#include "Themes.h"

// The overrides every Unicode control shares: wide texts through the held
// values, the wide form-file entries and the wide action links. The classes
// built on it publish the wide accessors they show.
template <class Base>
class TQevWideControl : public Base {
 public:
  using Base::Base;
  TWideCaption Caption() { return WideGetControlText(this); }
  void SetCaption(const TWideCaption& Value) { WideSetControlText(this, Value); }
  bool IsCaptionStored() { return ControlCaptionStored(this); }
  WideString Hint() { return WideGetControlHint(this); }
  void SetHint(const WideString& Value) { WideSetControlHint(this, Value); }
  bool IsHintStored() { return ControlHintStored(this); }

 protected:
  void DefineProperties(TFiler* Filer) override {
    Base::DefineProperties(Filer);
    DefineWideProperties(Filer, this);
  }
  void ActionChange(TObject* Sender, bool CheckDefaults) override {
    WideControlActionChange(this, Sender, CheckDefaults);
    Base::ActionChange(Sender, CheckDefaults);
  }
  TControlActionLinkClass GetActionLinkClass() override {
    return WideActionLinkClassFor(this, Base::GetActionLinkClass());
  }
  // The hot key test of the wide controls: Alt with a character.
  bool IsHotKeyOf(const TMessage& Message) {
    return IsWideHotKey(static_cast<Word>(Message.WParam), Caption());
  }
};

// What the platform's 8-bit field holds for a wide password character: its
// one byte in the conversion code page, else an asterisk.
AnsiChar AnsiPasswordChar(WideChar Value);
// The wide character an 8-bit password character stands for.
WideChar WidePasswordCharOf(AnsiChar Value);

// ------------------------------------------------------------------ edit

// Creates an edit's window. A read-only edit of the 8-bit road on a far-east
// system is made read-only after its creation (its window would not be
// otherwise).
void CreateEditHandle(TWinControl* Control, const TCreateParams& Params);

class TQevCustomEdit : public TQevWideControl<TCustomEdit> {
  QEV_CLASS(TQevCustomEdit, TQevWideControl<TCustomEdit>)
 public:
  using TQevWideControl::TQevWideControl;
  WideString Text() { return Caption(); }
  void SetText(const WideString& Value) { SetCaption(Value); }

  // The wide character the window shows for each one typed (0: plain text).
  // Form loading may change the 8-bit one; reading follows it then.
  WideChar SyncedPasswordChar();
  void SetWidePasswordChar(WideChar Value);
  WideChar PasswordChar() { return SyncedPasswordChar(); }
  void SetPasswordChar(WideChar Value) { SetWidePasswordChar(Value); }

  // The selection in UTF-16 characters of the wide text, on both roads.
  virtual Integer GetSelStart();
  virtual void SetSelStart(Integer Value);
  virtual Integer GetSelLength();
  virtual void SetSelLength(Integer Value);
  virtual WideString GetSelText();
  Integer SelStart() { return GetSelStart(); }
  Integer SelLength() { return GetSelLength(); }
  WideString SelText() { return GetSelText(); }

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateEditHandle(this, Params);
  }
  void CreateWnd() override;

 private:
  WideChar WidePasswordChar_ = 0;
};

class TQevEdit : public TQevCustomEdit {
  QEV_CLASS(TQevEdit, TQevCustomEdit)
 public:
  using TQevCustomEdit::TQevCustomEdit;
};

// ----------------------------------------------------------------- label

class TQevCustomLabel : public TQevWideControl<TCustomLabel> {
  QEV_CLASS(TQevCustomLabel, TQevWideControl<TCustomLabel>)
 public:
  using TQevWideControl::TQevWideControl;
  void Dispatch(TMessage& Message) override;
  // The text the label shows; the base shows its wide caption.
  virtual WideString GetWideLabelText() { return Caption(); }

 protected:
  AnsiString GetLabelText() override { return WideToAnsi(GetWideLabelText()); }
  void DoDrawText(TRect& Rect, UINT Flags) override;

 private:
  void CMDialogChar(TMessage& Message);
};

class TQevLabel : public TQevCustomLabel {
  QEV_CLASS(TQevLabel, TQevCustomLabel)
 public:
  using TQevCustomLabel::TQevCustomLabel;
};

// ---------------------------------------------------------------- buttons

class TQevButton : public TQevWideControl<TButton> {
  QEV_CLASS(TQevButton, TQevWideControl<TButton>)
 public:
  using TQevWideControl::TQevWideControl;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, L"BUTTON");
  }
};

class TQevCustomCheckBox : public TQevWideControl<TCustomCheckBox> {
  QEV_CLASS(TQevCustomCheckBox, TQevWideControl<TCustomCheckBox>)
 public:
  using TQevWideControl::TQevWideControl;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, L"BUTTON");
  }
};

class TQevCheckBox : public TQevCustomCheckBox {
  QEV_CLASS(TQevCheckBox, TQevCustomCheckBox)
 public:
  using TQevCustomCheckBox::TQevCustomCheckBox;
};

// ------------------------------------------------------------- group box

class TQevCustomGroupBox : public TQevWideControl<TCustomGroupBox> {
  QEV_CLASS(TQevCustomGroupBox, TQevWideControl<TCustomGroupBox>)
 public:
  using TQevWideControl::TQevWideControl;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, WideString());
  }
  // Themed where theme services are on, classic elsewhere.
  void Paint() override;

 private:
  void PaintThemed(const TThemeData& Theme);
  void PaintClassic();
};

class TQevGroupBox : public TQevCustomGroupBox {
  QEV_CLASS(TQevGroupBox, TQevCustomGroupBox)
 public:
  using TQevCustomGroupBox::TQevCustomGroupBox;
};

void Initialization_QevStdCtrls();  // registers the published classes
void Finalization_QevStdCtrls();
