// The masked edit.
#include "Mask.h"

#include <algorithm>
#include <cstddef>

#include "Clipbrd.h"

QEV_DEFINE_CLASS(TCustomMaskEdit,
                 QEV_PROPERTY(EditMask, EditMask, SetEditMask),
                 QEV_PROPERTY(Text, Text, SetText))
QEV_DEFINE_CLASS(TMaskEdit)

// ------------------------------------------------------------------ TEditMask

TEditMask::TEditMask(const AnsiString& EditMask) {
  size_t i = 0;
  for (; i < EditMask.size() && EditMask[i] != ';'; ++i) {
    switch (AnsiChar c = EditMask[i]) {
      case '!': RightAligned_ = true; break;
      case '\\':
        if (i + 1 < EditMask.size()) Places_.push_back({pkLiteral, EditMask[++i]});
        break;
      case '0': Places_.push_back({pkDigit, 0}); break;
      case '9': Places_.push_back({pkDigitOpt, 0}); break;
      case '#': Places_.push_back({pkDigitSign, 0}); break;
      default: Places_.push_back({pkLiteral, c}); break;
    }
  }
  if (i >= EditMask.size()) return;
  const size_t blank = EditMask.find(';', i + 1);
  SaveLiterals_ = i + 1 >= EditMask.size() || EditMask[i + 1] != '0';
  if (blank != AnsiString::npos && blank + 1 < EditMask.size()) Blank_ = EditMask[blank + 1];
}

bool TEditMask::Takes(size_t Pos, AnsiChar C) const {
  const bool digit = C >= '0' && C <= '9';
  switch (Places_[Pos].Kind) {
    case pkDigit: case pkDigitOpt: return digit;
    case pkDigitSign: return digit || C == '+' || C == '-';
    default: return false;
  }
}

bool TEditMask::Accepts(size_t Pos, AnsiChar C) const {
  const TPlaceKind kind = Places_[Pos].Kind;
  const bool optional = kind == pkDigitOpt || kind == pkDigitSign;
  return Takes(Pos, C) || (optional && (C == ' ' || C == Blank_));
}

size_t TEditMask::NextInput(size_t Pos) const {
  while (Pos < Size() && IsLiteral(Pos)) ++Pos;
  return std::min(Pos, Size());
}

size_t TEditMask::PrevInput(size_t Pos) const {
  for (size_t i = std::min(Pos, Size()); i-- > 0;)
    if (!IsLiteral(i)) return i;
  return Size();
}

AnsiString TEditMask::Blanks(size_t Start, size_t End) const {
  AnsiString text;
  for (size_t i = Start; i < End && i < Size(); ++i) text += IsLiteral(i) ? Literal(i) : Blank_;
  return text;
}

AnsiString TEditMask::Format(const AnsiString& Value) const {
  if (Empty()) return Value;
  if (Value.size() == Size()) return FormatByPlace(Value);
  return SaveLiterals_ ? FormatByField(Value) : FormatInputs(Value);
}

AnsiString TEditMask::FormatByPlace(const AnsiString& Value) const {
  AnsiString text = Blanks(0, Size());
  for (size_t i = 0; i < Size(); ++i)
    if (Takes(i, Value[i])) text[i] = Value[i];
  return text;
}

// The value's characters up to the literal that closes a field fill that
// field, left to right.
AnsiString TEditMask::FormatByField(const AnsiString& Value) const {
  AnsiString text = Blanks(0, Size());
  size_t j = 0;
  for (size_t i = 0; i < Size();) {
    if (IsLiteral(i)) {
      if (j < Value.size() && Value[j] == Literal(i)) ++j;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < Size() && !IsLiteral(end)) ++end;
    const size_t stop = end < Size() ? std::min(Value.find(Literal(end), j), Value.size())
                                     : Value.size();
    AnsiString field = Value.substr(j, stop - j);
    j = stop;
    const size_t width = end - i;
    if (field.size() > width)
      field = RightAligned_ ? field.substr(field.size() - width) : field.substr(0, width);
    const size_t first = RightAligned_ ? end - field.size() : i;
    for (size_t t = 0; t < field.size(); ++t)
      if (Takes(first + t, field[t])) text[first + t] = field[t];
    i = end;
  }
  return text;
}

AnsiString TEditMask::FormatInputs(const AnsiString& Value) const {
  AnsiString text = Blanks(0, Size());
  std::vector<size_t> inputs;
  for (size_t i = 0; i < Size(); ++i)
    if (!IsLiteral(i)) inputs.push_back(i);
  const size_t count = std::min(inputs.size(), Value.size());
  const size_t firstPlace = RightAligned_ ? inputs.size() - count : 0;
  const size_t firstChar = RightAligned_ ? Value.size() - count : 0;
  for (size_t t = 0; t < count; ++t) {
    const size_t place = inputs[firstPlace + t];
    if (Takes(place, Value[firstChar + t])) text[place] = Value[firstChar + t];
  }
  return text;
}

// With "!", the blank places before the first typed character are left out.
AnsiString TEditMask::Extract(const AnsiString& EditText) const {
  if (Empty()) return EditText;
  const AnsiString shown = Format(EditText);
  AnsiString text;
  bool leading = RightAligned_;
  for (size_t i = 0; i < Size(); ++i) {
    if (IsLiteral(i)) {
      if (SaveLiterals_) text += shown[i];
      continue;
    }
    if (leading && shown[i] == Blank_) continue;
    leading = false;
    text += shown[i];
  }
  return text;
}

AnsiString FormatMaskText(const AnsiString& EditMask, const AnsiString& Value) {
  return TEditMask(EditMask).Format(Value);
}

// ------------------------------------------------------------ TCustomMaskEdit

void TCustomMaskEdit::SetEditMask(const AnsiString& Value) {
  if (Value == EditMask_) return;
  const AnsiString text = Text();
  EditMask_ = Value;
  Mask_ = TEditMask(Value);
  SetText(text);
}

AnsiString TCustomMaskEdit::Text() { return Mask_.Extract(GetText()); }

void TCustomMaskEdit::SetText(const AnsiString& Value) { TControl::SetText(Mask_.Format(Value)); }

bool TCustomMaskEdit::Editable() { return IsMasked() && HandleAllocated() && !ReadOnly(); }

void TCustomMaskEdit::GetSel(size_t& Start, size_t& End) {
  DWORD start = 0, end = 0;
  SendMessageA(WindowHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  Start = start;
  End = end;
}

void TCustomMaskEdit::SetCaret(size_t Pos) {
  SendMessageA(WindowHandle(), EM_SETSEL, Pos, static_cast<LPARAM>(Pos));
}

void TCustomMaskEdit::Replace(size_t Pos, const AnsiString& Chars, size_t Caret) {
  SendMessageA(WindowHandle(), EM_SETSEL, Pos, static_cast<LPARAM>(Pos + Chars.size()));
  // No undo: an undone step could leave text of another shape.
  SendMessageA(WindowHandle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Chars.c_str()));
  SetCaret(Caret);
}

void TCustomMaskEdit::TypeChar(AnsiChar C) {
  size_t start = 0, end = 0;
  GetSel(start, end);
  if (start != end) BlankSelection();
  const size_t pos = Mask_.NextInput(start);
  if (pos < Mask_.Size() && Mask_.Accepts(pos, C)) {
    const AnsiChar shown = C == ' ' ? Mask_.Blank() : C;
    Replace(pos, AnsiString(1, shown), Mask_.NextInput(pos + 1));
    return;
  }
  // A literal typed: taken as read when the caret has just passed it, else
  // the caret moves past the next literal when it is that one.
  if (start > 0 && Mask_.IsLiteral(start - 1) && Mask_.Literal(start - 1) == C) return;
  size_t literal = start;
  while (literal < Mask_.Size() && !Mask_.IsLiteral(literal)) ++literal;
  if (literal < Mask_.Size() && Mask_.Literal(literal) == C) {
    SetCaret(Mask_.NextInput(literal + 1));
    return;
  }
  MessageBeep(0);
}

void TCustomMaskEdit::BlankSelection() {
  size_t start = 0, end = 0;
  GetSel(start, end);
  if (start == end) return;
  Replace(start, Mask_.Blanks(start, end), start);
  KeepCaretOffLiterals(true);
}

void TCustomMaskEdit::BackSpace() {
  size_t start = 0, end = 0;
  GetSel(start, end);
  if (start != end) {
    BlankSelection();
    return;
  }
  const size_t pos = Mask_.PrevInput(start);
  if (pos < Mask_.Size()) Replace(pos, AnsiString(1, Mask_.Blank()), pos);
}

void TCustomMaskEdit::DeleteChar() {
  size_t start = 0, end = 0;
  GetSel(start, end);
  if (start != end) {
    BlankSelection();
    return;
  }
  const size_t pos = Mask_.NextInput(start);
  if (pos < Mask_.Size()) Replace(pos, AnsiString(1, Mask_.Blank()), pos);
}

void TCustomMaskEdit::PasteText() {
  for (AnsiChar c : Clipboard()->AsText()) TypeChar(c);
}

void TCustomMaskEdit::KeepCaretOffLiterals(bool Forward) {
  size_t start = 0, end = 0;
  GetSel(start, end);
  if (start != end || start >= Mask_.Size() || !Mask_.IsLiteral(start)) return;
  size_t pos = Forward ? Mask_.NextInput(start) : Mask_.PrevInput(start);
  if (!Forward && pos == Mask_.Size()) pos = Mask_.NextInput(start);  // no input place before
  SetCaret(pos);
}

void TCustomMaskEdit::KeyDown(Word& Key, TShiftState Shift) {
  TCustomEdit::KeyDown(Key, Shift);
  if (!Editable()) return;
  if (Key == VK_DELETE) {
    if (Shift.Contains(ssShift)) Perform(WM_COPY, 0, 0);  // Shift+Delete cuts
    DeleteChar();
    Key = 0;
  } else if (Key == VK_INSERT && Shift.Contains(ssShift)) {
    PasteText();
    Key = 0;
  }
}

void TCustomMaskEdit::KeyPress(AnsiChar& Key) {
  TCustomEdit::KeyPress(Key);
  if (!Editable()) return;
  const auto code = static_cast<unsigned char>(Key);
  if (code == VK_BACK) BackSpace();
  else if (code >= ' ') TypeChar(Key);
  else return;  // control keys: Ctrl+C and the like, and Ctrl+V, Ctrl+X through their messages
  Key = 0;
}

void TCustomMaskEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETTEXT:
      if (IsMasked() && Message.LParam) {
        const AnsiString shown = Mask_.Format(reinterpret_cast<const char*>(Message.LParam));
        Message.LParam = reinterpret_cast<LPARAM>(shown.c_str());
        TCustomEdit::Dispatch(Message);
        return;
      }
      break;
    case WM_PASTE: case WM_CUT: case WM_CLEAR:
      if (!Editable()) break;
      if (Message.Msg == WM_PASTE) PasteText();
      else {
        if (Message.Msg == WM_CUT) Perform(WM_COPY, 0, 0);
        BlankSelection();
      }
      return;
    case WM_KEYDOWN:
      TCustomEdit::Dispatch(Message);
      if (!IsMasked() || !HandleAllocated()) return;
      if (Message.WParam == VK_LEFT || Message.WParam == VK_HOME || Message.WParam == VK_UP)
        KeepCaretOffLiterals(false);
      else if (Message.WParam == VK_RIGHT || Message.WParam == VK_END || Message.WParam == VK_DOWN)
        KeepCaretOffLiterals(true);
      return;
    case WM_LBUTTONUP: case WM_SETFOCUS:
      TCustomEdit::Dispatch(Message);
      if (IsMasked() && HandleAllocated()) KeepCaretOffLiterals(true);
      return;
    default: break;
  }
  TCustomEdit::Dispatch(Message);
}

void Initialization_Mask() { RegisterClasses({TMaskEdit::StaticClass()}); }

void Finalization_Mask() {}
