// Format strings of the runtime's Format syntax: a canonical form with an
// explicit argument index on every specifier, and a check that two texts take
// the same arguments (a translation must keep the original's arguments).
#pragma once

#include <string_view>

#include "QevClasses.h"

extern const TResStringRec SInvalidFormatSpecifier;    // "Invalid Format Specifier: %s"
extern const TResStringRec SMismatchedArgumentTypes;   // "Argument types for index %d ..."
extern const TResStringRec SMismatchedArgumentCounts;  // "Number of format specifiers ..."

// Argument classes of the type letters.
enum : Integer {
  fatInteger = 0,  // d u x, and every "*"
  fatFloat = 1,    // e f g m n
  fatPointer = 2,  // p
  fatString = 3,   // s
};

// Reads a format text one specifier at a time and writes each into Parsed with
// the explicit index of the first argument it takes. Arguments are counted as
// the runtime's Format takes them: an explicit index sets the position, each
// "*" (width or precision) and then the value take one argument each.
// The text is not copied; it must outlive the parser.
class TFormatStrParser : public TObject {
 public:
  explicit TFormatStrParser(std::wstring_view Text);
  const char* ClassName() const override { return "TFormatStrParser"; }

  bool AtEnd() const { return Cursor_ == End_; }
  // The text from the cursor up to the next "%" (or the end); the cursor
  // moves past it.
  std::wstring_view TakeTextBeforeSpecifier();
  // Cursor at a "%": appends the specifier to Parsed; false for "%%", "% " and
  // a "%" that ends the text, which are appended unchanged. A malformed one
  // raises EQevGeneralError "Invalid Format Specifier: %s" with Parsed and
  // the rest of the text.
  bool ParseFormatSpecifier();

  TBufferedWideString& Parsed() { return Parsed_; }
  Integer ExplicitSpecCount() const { return ExplicitSpecCount_; }
  // Specifiers without an index plus every "*".
  Integer ImplicitSpecCount() const { return ImplicitSpecCount_; }
  // The argument taken last; -1 before the first.
  Integer LastArgIndex() const { return LastArgIndex_; }

 private:
  bool TakeChar(WideChar c);
  void ExpectChar(WideChar c);
  bool TakeDigit();
  // At most 6 digits.
  bool ParseDigits();
  void ExpectDigits();
  void ParseTypeLetter();
  // Looks ahead without consuming: n := the digits at the cursor (-1 for
  // none); true when a ":" follows them.
  bool ParseArgumentIndex(Integer& n) const;
  void TakeImplicitArgument();
  [[noreturn]] void RaiseInvalidFormatSpecifier() const;

  TBufferedWideString Parsed_;
  const WideChar* Cursor_;
  const WideChar* End_;
  Integer ExplicitSpecCount_ = 0;
  Integer ImplicitSpecCount_ = 0;
  Integer LastArgIndex_ = -1;
};

// The argument class of a specifier's type letter (its last character);
// EQevInternalError for any other letter.
Integer GetFormatArgType(const WideString& Specifier);

// Every specifier with an explicit index. A text with a single implicit
// specifier, or with explicit ones only, is returned unchanged.
WideString ConvertFormatToExplicitIndexes(const WideString& Text);
// Clears List and adds each specifier of Text as the parser writes it.
void GetFormatSpecifiers(const WideString& Text, TQevStrings* List);
// The index of a specifier written "%n:...", -1 when it has none; raises
// EConvertError when the text before ":" is no number.
Integer GetSpecifierIndex(const WideString& Specifier);
// The highest argument index that the specifiers take (-1 for none).
Integer GetHighestArgumentIndex(const TQevStrings* Specifiers);
// One line per argument index: the first specifier that takes it (empty for
// none) and, as its object, the argument class (fatInteger for none). Two
// different classes at one index raise EQevGeneralError.
void BuildArgumentTable(const TQevStrings* Specifiers, TQevStringList* Table);
// The argument class of a table line.
Integer ArgumentTableType(const TQevStringList* Table, Integer Index);
// Raises EQevGeneralError unless both texts take the same number of arguments
// with the same classes.
void CompareFormatStrings(const WideString& A, const WideString& B);
