#include "QevFormatStrUtils.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "QevSysUtils.h"

QEV_RESOURCESTRING(QevFormatStrUtils, SInvalidFormatSpecifier, L"Invalid Format Specifier: %s");
QEV_RESOURCESTRING(QevFormatStrUtils, SMismatchedArgumentTypes,
                   L"Argument types for index %d do not match. (%s <> %s)");
QEV_RESOURCESTRING(QevFormatStrUtils, SMismatchedArgumentCounts,
                   L"Number of format specifiers do not match.");

// ================================================================ parser

TFormatStrParser::TFormatStrParser(std::wstring_view Text)
    : Cursor_(Text.data()), End_(Text.data() + Text.size()) {}

std::wstring_view TFormatStrParser::TakeTextBeforeSpecifier() {
  const WideChar* start = Cursor_;
  const WideChar* percent = std::wmemchr(Cursor_, L'%', static_cast<std::size_t>(End_ - Cursor_));
  Cursor_ = percent ? percent : End_;
  return {start, static_cast<std::size_t>(Cursor_ - start)};
}

bool TFormatStrParser::TakeChar(WideChar c) {
  if (AtEnd() || *Cursor_ != c) return false;
  Parsed_.AddChar(c);
  ++Cursor_;
  return true;
}

void TFormatStrParser::ExpectChar(WideChar c) {
  if (!TakeChar(c)) RaiseInvalidFormatSpecifier();
}

bool TFormatStrParser::TakeDigit() {
  if (AtEnd() || *Cursor_ < L'0' || *Cursor_ > L'9') return false;
  ExpectChar(*Cursor_);
  return true;
}

bool TFormatStrParser::ParseDigits() {
  int count = 0;
  while (TakeDigit()) ++count;
  if (count > 6) RaiseInvalidFormatSpecifier();
  return count > 0;
}

void TFormatStrParser::ExpectDigits() {
  if (!ParseDigits()) RaiseInvalidFormatSpecifier();
}

void TFormatStrParser::ParseTypeLetter() {
  static constexpr WideChar Letters[] = L"defgmnpsuxDEFGMNPSUX";
  if (AtEnd() || *Cursor_ == L'\0' || !std::wcschr(Letters, *Cursor_))
    RaiseInvalidFormatSpecifier();
  ExpectChar(*Cursor_);
}

bool TFormatStrParser::ParseArgumentIndex(Integer& n) const {
  // A parser of its own, so that nothing here is consumed; an over-long
  // number is reported with what it took.
  TFormatStrParser lookAhead({Cursor_, static_cast<std::size_t>(End_ - Cursor_)});
  n = -1;
  if (!lookAhead.ParseDigits()) return false;
  n = static_cast<Integer>(std::wcstol(lookAhead.Parsed_.Value().c_str(), nullptr, 10));
  return lookAhead.TakeChar(L':');
}

void TFormatStrParser::TakeImplicitArgument() {
  ++ImplicitSpecCount_;
  ++LastArgIndex_;
}

bool TFormatStrParser::ParseFormatSpecifier() {
  ExpectChar(L'%');
  if (AtEnd() || TakeChar(L' ') || TakeChar(L'%')) return false;
  Integer n;
  if (ParseArgumentIndex(n)) {
    ++ExplicitSpecCount_;
    // The runtime goes on from an explicit index, whether it is lower or not.
    LastArgIndex_ = n;
  } else {
    TakeImplicitArgument();
    Parsed_.AddString(std::to_wstring(LastArgIndex_) + L":");
  }
  // The index written out above or its colon; after an implicit index a width.
  if (TakeChar(L'*')) {
    TakeImplicitArgument();
    TakeChar(L':');
  } else if (ParseDigits()) {
    TakeChar(L':');
  }
  TakeChar(L'-');
  if (TakeChar(L'*'))
    TakeImplicitArgument();
  else
    ParseDigits();
  if (TakeChar(L'.')) {
    if (TakeChar(L'*'))
      TakeImplicitArgument();  // the runtime takes the precision from an argument too
    else
      ExpectDigits();
  }
  ParseTypeLetter();
  return true;
}

void TFormatStrParser::RaiseInvalidFormatSpecifier() const {
  const WideString text =
      Parsed_.Value() + WideString(Cursor_, static_cast<std::size_t>(End_ - Cursor_));
  throw EQevGeneralError(SInvalidFormatSpecifier, {text});
}

// ============================================================ comparison

namespace {

// The argument table keeps each line's class in its object.
TObject* ArgTypeObject(Integer type) {
  return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(type));
}

// Each "*" of a specifier takes an integer argument before its value does.
Integer StarCount(const WideString& specifier) {
  return static_cast<Integer>(std::count(specifier.begin(), specifier.end(), L'*'));
}

void SetArgumentType(TQevStringList* table, Integer index, const WideString& specifier,
                     Integer type) {
  const WideString line = table->Get(index);
  if (line.empty()) {
    table->Put(index, specifier);
    table->PutObject(index, ArgTypeObject(type));
  } else if (ArgumentTableType(table, index) != type) {
    throw EQevGeneralError(SMismatchedArgumentTypes, {index, line, specifier});
  }
}

}  // namespace

Integer GetFormatArgType(const WideString& Specifier) {
  const WideChar letter = Specifier.empty() ? L'\0' : Specifier.back();
  switch (letter | 0x20) {  // either case
    case L'd': case L'u': case L'x': return fatInteger;
    case L'e': case L'f': case L'g': case L'm': case L'n': return fatFloat;
    case L'p': return fatPointer;
    case L's': return fatString;
  }
  const WideString text(1, letter);
  throw EQevInternalError(L"Internal Error: Unexpected format type (%s)", {text});
}

WideString ConvertFormatToExplicitIndexes(const WideString& Text) {
  TFormatStrParser parser(Text);
  for (;;) {
    const std::wstring_view before = parser.TakeTextBeforeSpecifier();
    if (parser.AtEnd()) {
      if ((parser.ExplicitSpecCount() == 0 && parser.ImplicitSpecCount() == 1) ||
          (parser.ExplicitSpecCount() > 0 && parser.ImplicitSpecCount() == 0))
        return Text;
      return parser.Parsed().Value() + WideString(before);
    }
    parser.Parsed().AddString(WideString(before));
    parser.ParseFormatSpecifier();
  }
}

void GetFormatSpecifiers(const WideString& Text, TQevStrings* List) {
  List->Clear();
  TFormatStrParser parser(Text);
  for (parser.TakeTextBeforeSpecifier(); !parser.AtEnd(); parser.TakeTextBeforeSpecifier()) {
    parser.Parsed().Clear();
    if (parser.ParseFormatSpecifier()) List->Add(parser.Parsed().Value());
  }
}

Integer GetSpecifierIndex(const WideString& Specifier) {
  const std::size_t colon = Specifier.find(L':');
  if (colon == WideString::npos) return -1;
  return StrToInt(WideToAnsi(Specifier.substr(1, colon - 1)));
}

Integer GetHighestArgumentIndex(const TQevStrings* Specifiers) {
  Integer highest = -1;
  Integer index = -1;
  for (Integer i = 0; i < Specifiers->Count(); ++i) {
    const WideString specifier = Specifiers->Get(i);
    const Integer own = GetSpecifierIndex(specifier);
    index = (own >= 0 ? own : index + 1) + StarCount(specifier);
    highest = std::max(highest, index);
  }
  return highest;
}

void BuildArgumentTable(const TQevStrings* Specifiers, TQevStringList* Table) {
  const Integer highest = GetHighestArgumentIndex(Specifiers);
  Table->Clear();
  for (Integer i = 0; i <= highest; ++i) Table->Add(L"");
  Integer previous = -1;
  for (Integer i = 0; i < Specifiers->Count(); ++i) {
    const WideString specifier = Specifiers->Get(i);
    Integer index = GetSpecifierIndex(specifier);
    if (index < 0) index = previous + 1;
    for (Integer stars = StarCount(specifier); stars > 0; --stars)
      SetArgumentType(Table, index++, specifier, fatInteger);
    SetArgumentType(Table, index, specifier, GetFormatArgType(specifier));
    previous = index;
  }
}

Integer ArgumentTableType(const TQevStringList* Table, Integer Index) {
  return static_cast<Integer>(reinterpret_cast<std::intptr_t>(Table->GetObject(Index)));
}

void CompareFormatStrings(const WideString& A, const WideString& B) {
  TQevStringList specifiersA, specifiersB, tableA, tableB;
  GetFormatSpecifiers(A, &specifiersA);
  BuildArgumentTable(&specifiersA, &tableA);
  GetFormatSpecifiers(B, &specifiersB);
  BuildArgumentTable(&specifiersB, &tableB);
  if (tableA.Count() != tableB.Count()) throw EQevGeneralError(SMismatchedArgumentCounts);
  for (Integer i = 0; i < tableA.Count(); ++i) {
    if (ArgumentTableType(&tableA, i) != ArgumentTableType(&tableB, i)) {
      const WideString lineA = tableA.Get(i), lineB = tableB.Get(i);
      throw EQevGeneralError(SMismatchedArgumentTypes, {i, lineA, lineB});
    }
  }
}
