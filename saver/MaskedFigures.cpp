#include "MaskedFigures.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

enum TFigureKind { fkCount, fkDate, fkDecimal };

std::optional<TFigureKind> KindOf(TStatIndex Index) {
  switch (Index) {
    case siWorldPresentPeople: case siVintraPresentPeople: return fkCount;
    case siWorldPresentDate: case siVintraPresentDate: return fkDate;
    case siVintraGrowthPerSecond: return fkDecimal;
    default: return std::nullopt;
  }
}

using TParts = std::vector<AnsiString>;

bool IsDigits(const AnsiString& Text) {
  return std::all_of(Text.begin(), Text.end(), [](AnsiChar c) { return c >= '0' && c <= '9'; });
}

std::optional<AnsiString> Ascii(const WideString& Text) {
  AnsiString s;
  for (WideChar c : Text) {
    if (c >= 0x80) return std::nullopt;
    s += static_cast<AnsiChar>(c);
  }
  return s;
}

AnsiString Without(AnsiString Text, AnsiChar C) {
  Text.erase(std::remove(Text.begin(), Text.end(), C), Text.end());
  return Text;
}

TParts Split(const AnsiString& Text, AnsiChar Separator) {
  TParts parts(1);
  for (AnsiChar c : Text) {
    if (c == Separator) parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

AnsiString TrimLeft(const AnsiString& Text, AnsiChar C) {
  const size_t first = Text.find_first_not_of(C);
  return first == AnsiString::npos ? AnsiString() : Text.substr(first);
}

AnsiString TrimRight(const AnsiString& Text, AnsiChar C) {
  return Text.substr(0, Text.find_last_not_of(C) + 1);  // npos + 1 == 0
}

AnsiString Trim(const AnsiString& Text, AnsiChar C) { return TrimRight(TrimLeft(Text, C), C); }

AnsiString PadLeft(const AnsiString& Text, size_t Width) {
  return AnsiString(Width - std::min(Width, Text.size()), '0') + Text;
}

AnsiString PadRight(const AnsiString& Text, size_t Width) {
  return Text + AnsiString(Width - std::min(Width, Text.size()), '0');
}

// A number's digits without leading zeros; "0" for none.
AnsiString Significant(const AnsiString& Digits) {
  const AnsiString s = TrimLeft(Digits, '0');
  return s.empty() ? AnsiString("0") : s;
}

AnsiString Grouped(const AnsiString& Digits) {
  AnsiString text;
  for (size_t i = 0; i < Digits.size(); ++i) {
    if (i > 0 && (Digits.size() - i) % 3 == 0) text += ',';
    text += Digits[i];
  }
  return text;
}

// The input places of each run between the mask's literals, as Text shows them.
TParts Fields(const TEditMask& Mask, const AnsiString& Text) {
  const AnsiString shown = Mask.Format(Text);
  TParts fields;
  bool open = false;
  for (size_t i = 0; i < Mask.Size(); ++i) {
    if (!Mask.IsLiteral(i) && !open) fields.emplace_back();
    open = !Mask.IsLiteral(i);
    if (open) fields.back() += shown[i];
  }
  return fields;
}

std::vector<size_t> FieldWidths(const TEditMask& Mask) {
  std::vector<size_t> widths;
  for (const AnsiString& field : Fields(Mask, Mask.Blanks(0, Mask.Size())))
    widths.push_back(field.size());
  return widths;
}

// The edit text whose input places hold Inputs in order.
AnsiString Placed(const TEditMask& Mask, const AnsiString& Inputs) {
  AnsiString text = Mask.Blanks(0, Mask.Size());
  for (size_t i = 0, k = 0; i < Mask.Size() && k < Inputs.size(); ++i)
    if (!Mask.IsLiteral(i)) text[i] = Inputs[k++];
  return text;
}

// ------------------------------------------------ figure into the input places
// Each gives the characters of all input places in order, fields of Widths.

std::optional<AnsiString> CountInputs(const AnsiString& Figure,
                                      const std::vector<size_t>& Widths) {
  const AnsiString digits = Without(Figure, ',');
  const size_t places = std::accumulate(Widths.begin(), Widths.end(), size_t(0));
  const AnsiString number = TrimLeft(digits, '0');
  if (digits.empty() || !IsDigits(digits) || number.size() > places) return std::nullopt;
  return PadLeft(number, places);
}

std::optional<AnsiString> DateInputs(const AnsiString& Figure,
                                     const std::vector<size_t>& Widths) {
  const TParts parts = Split(Figure, '/');
  if (parts.size() != Widths.size()) return std::nullopt;
  AnsiString inputs;
  for (size_t i = 0; i < parts.size(); ++i) {
    const size_t width = Widths[i];
    const bool year = i + 1 == parts.size();
    if (parts[i].empty() || !IsDigits(parts[i]) || parts[i].size() > width ||
        (year && parts[i].size() != width))
      return std::nullopt;
    inputs += PadLeft(parts[i], width);
  }
  return inputs;
}

std::optional<AnsiString> DecimalInputs(const AnsiString& Figure,
                                        const std::vector<size_t>& Widths) {
  TParts parts = Split(Without(Figure, ','), '.');
  if (parts.size() == 1) parts.emplace_back();
  if (parts.size() != 2 || Widths.size() != 2 || parts[0].size() + parts[1].size() == 0 ||
      !IsDigits(parts[0]) || !IsDigits(parts[1]))
    return std::nullopt;
  const AnsiString whole = TrimLeft(parts[0], '0'), fraction = TrimRight(parts[1], '0');
  if (whole.size() > Widths[0] || fraction.size() > Widths[1]) return std::nullopt;
  return PadLeft(whole, Widths[0]) + PadRight(fraction, Widths[1]);
}

// ---------------------------------------------------- edit text into a figure

std::optional<AnsiString> CountFigure(const TParts& Fields, AnsiChar Blank) {
  AnsiString digits;
  for (const AnsiString& field : Fields) digits += field;
  digits = TrimLeft(digits, Blank);
  if (digits.empty() || !IsDigits(digits)) return std::nullopt;
  return Grouped(Significant(digits));
}

std::optional<AnsiString> DateFigure(const TParts& Fields, AnsiChar Blank) {
  AnsiString figure;
  for (size_t i = 0; i < Fields.size(); ++i) {
    const bool year = i + 1 == Fields.size();
    const AnsiString part = year ? Fields[i] : Trim(Fields[i], Blank);
    if (part.empty() || !IsDigits(part)) return std::nullopt;
    if (i > 0) figure += '/';
    figure += PadLeft(part, Fields[i].size());
  }
  return figure;
}

std::optional<AnsiString> DecimalFigure(const TParts& Fields, AnsiChar Blank) {
  if (Fields.size() != 2) return std::nullopt;
  const AnsiString whole = Trim(Fields[0], Blank), fraction = Trim(Fields[1], Blank);
  if (whole.size() + fraction.size() == 0 || !IsDigits(whole) || !IsDigits(fraction))
    return std::nullopt;
  const AnsiString shortFraction = TrimRight(fraction, '0');
  return Significant(whole) + (shortFraction.empty() ? AnsiString() : "." + shortFraction);
}

}  // namespace

std::optional<AnsiString> FigureEditText(TStatIndex Index, const WideString& Figure,
                                         const TEditMask& Mask) {
  const std::optional<TFigureKind> kind = KindOf(Index);
  const std::optional<AnsiString> figure = Ascii(Figure);
  if (!kind || !figure || Mask.Empty()) return std::nullopt;
  const std::vector<size_t> widths = FieldWidths(Mask);
  std::optional<AnsiString> inputs;
  switch (*kind) {
    case fkCount: inputs = CountInputs(*figure, widths); break;
    case fkDate: inputs = DateInputs(*figure, widths); break;
    case fkDecimal: inputs = DecimalInputs(*figure, widths); break;
  }
  if (!inputs) return std::nullopt;
  return Placed(Mask, *inputs);
}

std::optional<WideString> EditTextFigure(TStatIndex Index, const AnsiString& EditText,
                                         const TEditMask& Mask) {
  const std::optional<TFigureKind> kind = KindOf(Index);
  if (!kind || Mask.Empty()) return std::nullopt;
  const TParts fields = Fields(Mask, EditText);
  std::optional<AnsiString> figure;
  switch (*kind) {
    case fkCount: figure = CountFigure(fields, Mask.Blank()); break;
    case fkDate: figure = DateFigure(fields, Mask.Blank()); break;
    case fkDecimal: figure = DecimalFigure(fields, Mask.Blank()); break;
  }
  if (!figure) return std::nullopt;
  return AnsiToWide(*figure);
}
