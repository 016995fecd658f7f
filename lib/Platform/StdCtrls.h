// Standard controls: label, edit box, push button, check box, group box.
#pragma once

#include <functional>

#include "Controls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
QEV_ENUM_TYPEINFO(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");
using TLeftRight = TAlignment;  // taLeftJustify or taRightJustify

// Whether Key is the accelerator of Caption: the character after a single
// "&" (case-insensitive; "&&" is a literal ampersand).
bool IsAccel(Word Key, const AnsiString& Caption);

// ------------------------------------------------------------------ label

// A text without window; its accelerator focuses FocusControl.
class TCustomLabel : public TGraphicControl {
  QEV_CLASS(TCustomLabel, TGraphicControl)
 public:
  explicit TCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return Alignment_; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return AutoSize_; }
  void SetAutoSize(bool Value);
  TWinControl* FocusControl() const { return FocusControl_; }
  void SetFocusControl(TWinControl* Value);
  bool ShowAccelChar() const { return ShowAccelChar_; }
  void SetShowAccelChar(bool Value);
  bool Transparent() const { return Transparent_; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return WordWrap_; }
  void SetWordWrap(bool Value);

  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;

 protected:
  // The text the label shows (its caption).
  virtual AnsiString GetLabelText();
  // Draws (or with DT_CALCRECT measures into Rect) the label text; disabled
  // labels have the raised look of the system.
  virtual void DoDrawText(TRect& Rect, UINT Flags);
  // Runs Draw with the label's font: once when enabled or measuring, else
  // twice for the raised look of a disabled label.
  void DrawLabelLook(TRect& Rect, UINT Flags, const std::function<void()>& Draw);
  void Paint() override;
  // Fits the bounds to the text when AutoSize is set.
  virtual void AdjustBounds();

 private:
  void CMDialogChar(TMessage& Message);

  TAlignment Alignment_ = taLeftJustify;
  bool AutoSize_ = true;
  TWinControl* FocusControl_ = nullptr;
  bool ShowAccelChar_ = true;
  bool Transparent_ = false;
  bool WordWrap_ = false;
};

class TLabel : public TCustomLabel {
  QEV_CLASS(TLabel, TCustomLabel)
 public:
  using TCustomLabel::TCustomLabel;
};

// --------------------------------------------------------------- edit box

// A one-line "EDIT" window.
class TCustomEdit : public TWinControl {
  QEV_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* AOwner);

  AnsiString Text() { return GetText(); }

  Integer MaxLength() const { return MaxLength_; }
  void SetMaxLength(Integer Value);
  // 0: plain text. With a window the character takes effect at once.
  AnsiChar PasswordChar() const { return PasswordChar_; }
  void SetPasswordChar(AnsiChar Value);
  bool ReadOnly() const { return ReadOnly_; }
  void SetReadOnly(bool Value);
  // bsSingle: the sunken edge; bsNone: no border. Recreates the window.
  TBorderStyle BorderStyle() const { return BorderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  bool Modified();
  void SetModified(bool Value);

  // The selection, in characters of the window's text.
  Integer SelStart();
  void SetSelStart(Integer Value);
  Integer SelLength();
  void SetSelLength(Integer Value);
  AnsiString SelText();
  void SelectAll();
  void Clear() { SetText(AnsiString()); }

  void Dispatch(TMessage& Message) override;
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Change();

 private:
  Integer MaxLength_ = 0;
  AnsiChar PasswordChar_ = '\0';
  bool ReadOnly_ = false;
  TBorderStyle BorderStyle_ = bsSingle;
  bool Modified_ = false;  // kept while there is no window
};

class TEdit : public TCustomEdit {
  QEV_CLASS(TEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

// ------------------------------------------------------------------- memo

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
QEV_ENUM_TYPEINFO(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth");

// A multi-line "EDIT" window; Lines is its text as a list of lines.
class TCustomMemo : public TCustomEdit {
  QEV_CLASS(TCustomMemo, TCustomEdit)
 public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;

  // The lines of the text, in step with the window: a line ends at CR LF and,
  // in a window that wraps, where it wraps; an empty last line is no item.
  // Setting Text normalises lone CRs and LFs to CR LF.
  TStrings* Lines() const { return Lines_; }
  void SetLines(TStrings* Value) { Lines_->Assign(Value); }
  // Recreate the window when it exists.
  TScrollStyle ScrollBars() const { return ScrollBars_; }
  void SetScrollBars(TScrollStyle Value);
  bool WordWrap() const { return WordWrap_; }
  void SetWordWrap(bool Value);
  // Off: Enter is the form's (default button) and types nothing.
  bool WantReturns() const { return WantReturns_; }
  void SetWantReturns(bool Value) { WantReturns_ = Value; }

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyPress(AnsiChar& Key) override;

 private:
  friend class TMemoStrings;
  // The EDIT line messages, answered from the text while there is no window.
  Integer RawLineCount();
  Integer LineIndex(Integer Line);    // -1: no such line
  Integer LineLength(Integer CharIndex);
  void ReplaceText(Integer Start, Integer End, const AnsiString& Text);
  // The window's colours: Color and the font's colour.
  void CNCtlColor(TMessage& Message);

  TStrings* Lines_;
  TScrollStyle ScrollBars_ = ssNone;
  bool WordWrap_ = true;
  bool WantReturns_ = true;
  TBrush* Brush_;
};

class TMemo : public TCustomMemo {
  QEV_CLASS(TMemo, TCustomMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

// ---------------------------------------------------------------- buttons

// A "BUTTON" window; its BN_CLICKED notification is the click.
class TButtonControl : public TWinControl {
  QEV_CLASS(TButtonControl, TWinControl)
 public:
  explicit TButtonControl(TComponent* AOwner);

 protected:
  friend class TButtonActionLink;
  TControlActionLinkClass GetActionLinkClass() override;
  virtual bool GetChecked() { return false; }
  virtual void SetChecked(bool) {}
  // Set while a change made by the program must not fire OnClick.
  bool ClicksDisabled_ = false;
};

// The link of button controls, which also follow the action's Checked.
class TButtonActionLink : public TWinControlActionLink {
 public:
  using TWinControlActionLink::TWinControlActionLink;
  static TControlActionLink* Make(TControl* Client);
  const char* ClassName() const override { return "TButtonActionLink"; }
  bool IsCheckedLinked() override;

 protected:
  void SetChecked(bool Value) override;

 private:
  // Only button controls hand out this link class.
  TButtonControl* Button() const { return static_cast<TButtonControl*>(Client_); }
};

// A push button that can set its form's ModalResult and answer Enter
// (Default) or Escape (Cancel).
class TButton : public TButtonControl {
  QEV_CLASS(TButton, TButtonControl)
 public:
  explicit TButton(TComponent* AOwner);

  bool Default() const { return Default_; }
  void SetDefault(bool Value);
  bool Cancel() const { return Cancel_; }
  void SetCancel(bool Value) { Cancel_ = Value; }
  TModalResult ModalResult() const { return ModalResult_; }
  void SetModalResult(TModalResult Value) { ModalResult_ = Value; }

  // Sets the form's ModalResult (when the button has one), then OnClick.
  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);

  bool Default_ = false;
  bool Cancel_ = false;
  TModalResult ModalResult_ = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
QEV_ENUM_TYPEINFO(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed");

// A three-state "BUTTON" window that the library toggles itself.
class TCustomCheckBox : public TButtonControl {
  QEV_CLASS(TCustomCheckBox, TButtonControl)
 public:
  explicit TCustomCheckBox(TComponent* AOwner);

  TLeftRight Alignment() const { return Alignment_; }
  void SetAlignment(TLeftRight Value);
  bool AllowGrayed() const { return AllowGrayed_; }
  void SetAllowGrayed(bool Value) { AllowGrayed_ = Value; }
  TCheckBoxState State() const { return State_; }
  // Fires OnClick unless the change comes from the form stream.
  virtual void SetState(TCheckBoxState Value);
  bool Checked() const { return State_ == cbChecked; }
  void SetChecked(bool Value) override { SetState(Value ? cbChecked : cbUnchecked); }

  // Unchecked -> checked (grayed first with AllowGrayed) -> unchecked.
  virtual void Toggle();
  void Dispatch(TMessage& Message) override;

 protected:
  bool GetChecked() override { return Checked(); }
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  void CMDialogChar(TMessage& Message);

  TLeftRight Alignment_ = taRightJustify;
  bool AllowGrayed_ = false;
  TCheckBoxState State_ = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
  QEV_CLASS(TCheckBox, TCustomCheckBox)
 public:
  using TCustomCheckBox::TCustomCheckBox;
};

// ------------------------------------------------------------- group box

// A captioned frame around other controls; its accelerator focuses the
// first of them.
class TCustomGroupBox : public TCustomControl {
  QEV_CLASS(TCustomGroupBox, TCustomControl)
 public:
  explicit TCustomGroupBox(TComponent* AOwner);
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  void CMDialogChar(TMessage& Message);
};

class TGroupBox : public TCustomGroupBox {
  QEV_CLASS(TGroupBox, TCustomGroupBox)
 public:
  using TCustomGroupBox::TCustomGroupBox;
};

void Initialization_StdCtrls();  // registers the published control classes
void Finalization_StdCtrls();
