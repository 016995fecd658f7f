// The masked edit: an 8-bit edit whose text keeps the shape of an edit mask,
// for figures and dates typed into fixed places.
//
// An edit mask has up to three fields separated by ";": the mask, then "0"
// when Text leaves the literal characters out (anything else keeps them),
// then the character shown in blank places ("_" when missing). In the mask:
//   0  a digit, required        9  a digit or blank       #  a digit, sign or blank
//   !  (anywhere) a short field is padded with blanks at its start, and Text
//      leaves out the blank places before the first typed character
//   \  the next character is a literal
// Every other character is a literal: shown as it stands, never typed over.
#pragma once

#include <vector>

#include "StdCtrls.h"

// A parsed edit mask; an empty one masks nothing.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const AnsiString& EditMask);

  bool Empty() const { return Places_.empty(); }
  size_t Size() const { return Places_.size(); }
  AnsiChar Blank() const { return Blank_; }
  bool IsLiteral(size_t Pos) const { return Places_[Pos].Kind == pkLiteral; }
  AnsiChar Literal(size_t Pos) const { return Places_[Pos].Literal; }
  // Whether C may be typed into the input place Pos (a blank counts for the
  // optional places).
  bool Accepts(size_t Pos, AnsiChar C) const;
  // The first input place at or after Pos; Size() when none.
  size_t NextInput(size_t Pos) const;
  // The last input place before Pos; Size() when none.
  size_t PrevInput(size_t Pos) const;
  // The literals of [Start, End) with blanks in the input places.
  AnsiString Blanks(size_t Start, size_t End) const;

  // The edit text for Value: a shown text (of the mask's length) place by
  // place; else, when Text keeps literals, field by field from the left
  // between the literals; else the characters into the input places. Short
  // fields (all places, without literals) are padded with blanks at the end,
  // or at the start with "!". Characters a place does not take are blanks.
  AnsiString Format(const AnsiString& Value) const;
  // The Text of an edit text, as the mask's second field says.
  AnsiString Extract(const AnsiString& EditText) const;

 private:
  enum TPlaceKind { pkLiteral, pkDigit, pkDigitOpt, pkDigitSign };
  struct TPlace {
    TPlaceKind Kind;
    AnsiChar Literal;
  };
  bool Takes(size_t Pos, AnsiChar C) const;
  AnsiString FormatByPlace(const AnsiString& Value) const;
  AnsiString FormatByField(const AnsiString& Value) const;
  AnsiString FormatInputs(const AnsiString& Value) const;

  std::vector<TPlace> Places_;
  bool SaveLiterals_ = true;
  bool RightAligned_ = false;
  AnsiChar Blank_ = '_';
};

// Value formatted into EditMask as the masked edit shows it (literals,
// Value's characters and blanks); an empty mask leaves Value as it is.
AnsiString FormatMaskText(const AnsiString& EditMask, const AnsiString& Value);

// Typed characters fill the next input place, literals are skipped, Backspace
// and Delete blank places, and the caret never rests on a literal.
class TCustomMaskEdit : public TCustomEdit {
  QEV_CLASS(TCustomMaskEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;

  const AnsiString& EditMask() const { return EditMask_; }
  // The current text is formatted into the new mask.
  void SetEditMask(const AnsiString& Value);
  bool IsMasked() const { return !Mask_.Empty(); }
  // The text as shown: literals, typed characters and blanks.
  AnsiString EditText() { return GetText(); }
  // With a mask, as the mask's second field says: the shown text with its
  // blanks, or the typed characters only; with "!" without the blanks before
  // the first typed character.
  AnsiString Text();
  // Formatted into the mask; every WM_SETTEXT is.
  void SetText(const AnsiString& Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(AnsiChar& Key) override;

 private:
  bool Editable();
  void GetSel(size_t& Start, size_t& End);
  void SetCaret(size_t Pos);
  // Replaces the characters from Pos on by Chars (as many) and leaves the caret at Caret.
  void Replace(size_t Pos, const AnsiString& Chars, size_t Caret);
  void TypeChar(AnsiChar C);
  void BlankSelection();
  void BackSpace();
  void DeleteChar();
  void PasteText();
  // Moves a caret that rests on a literal to the next input place that way.
  void KeepCaretOffLiterals(bool Forward);

  AnsiString EditMask_;
  TEditMask Mask_;
};

class TMaskEdit : public TCustomMaskEdit {
  QEV_CLASS(TMaskEdit, TCustomMaskEdit)
 public:
  using TCustomMaskEdit::TCustomMaskEdit;
};

void Initialization_Mask();  // registers TMaskEdit
void Finalization_Mask();
