// The memo: a multi-line edit box and the list of its lines.
#include <algorithm>
#include <vector>

#include "StdCtrls.h"

namespace {

// Where each line of Text starts: after every CR LF, as the EDIT window counts.
std::vector<Integer> LineStarts(const AnsiString& Text) {
  std::vector<Integer> starts{0};
  for (size_t i = Text.find("\r\n"); i != AnsiString::npos; i = Text.find("\r\n", i + 2))
    starts.push_back(static_cast<Integer>(i + 2));
  return starts;
}

// Lone CRs and LFs become CR LF: the window shows no other line break.
AnsiString WithCrLf(const AnsiString& Text) {
  AnsiString result;
  result.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    char c = Text[i];
    if (c != '\r' && c != '\n') {
      result += c;
      continue;
    }
    result += "\r\n";
    if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
  }
  return result;
}

}  // namespace

// The lines of a memo: every change goes straight to its text.
class TMemoStrings : public TStrings {
  QEV_CLASS(TMemoStrings, TStrings)
 public:
  explicit TMemoStrings(TCustomMemo* Memo) : Memo_(Memo) {}

  AnsiString Get(Integer Index) const override;
  Integer GetCount() const override;
  void Put(Integer Index, const AnsiString& S) override;
  AnsiString GetTextStr() const override { return Memo_->GetText(); }
  void SetTextStr(const AnsiString& Value) override { Memo_->SetText(WithCrLf(Value)); }
  void Clear() override { Memo_->Clear(); }
  void Delete(Integer Index) override;
  void Insert(Integer Index, const AnsiString& S) override;

 protected:
  // The window does not redraw while the lines are updated.
  void SetUpdateState(bool Updating) override;

 private:
  void CheckIndex(Integer Index, Integer Count) const {
    if (Index < 0 || Index >= Count) Error(SListIndexError, Index);
  }
  TCustomMemo* Memo_;
};

QEV_DEFINE_CLASS(TMemoStrings)
QEV_DEFINE_CLASS(TCustomMemo,
                 QEV_PROPERTY(Lines, Lines, SetLines),
                 QEV_PROPERTY(ScrollBars, ScrollBars, SetScrollBars).Default(ssNone),
                 QEV_PROPERTY(Text, GetText, SetText).NotStored(),  // Lines is
                 QEV_PROPERTY(WantReturns, WantReturns, SetWantReturns).Default(true),
                 QEV_PROPERTY(WordWrap, WordWrap, SetWordWrap).Default(true))
QEV_DEFINE_CLASS(TMemo)

Integer TMemoStrings::GetCount() const {
  Integer count = Memo_->RawLineCount();
  if (count > 0 && Memo_->LineLength(Memo_->LineIndex(count - 1)) == 0) --count;
  return count;
}

AnsiString TMemoStrings::Get(Integer Index) const {
  CheckIndex(Index, GetCount());
  Integer start = Memo_->LineIndex(Index);
  Integer length = Memo_->LineLength(start);
  if (!Memo_->HandleAllocated() || length > 0xFFFF)
    return Memo_->GetText().substr(static_cast<size_t>(start), static_cast<size_t>(length));
  AnsiString line(std::max<size_t>(static_cast<size_t>(length), sizeof(WORD)), '\0');
  *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(length);
  auto copied = SendMessageA(Memo_->WindowHandle(), EM_GETLINE, static_cast<WPARAM>(Index),
                             reinterpret_cast<LPARAM>(line.data()));
  line.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return line;
}

void TMemoStrings::Put(Integer Index, const AnsiString& S) {
  CheckIndex(Index, GetCount());
  Integer start = Memo_->LineIndex(Index);
  Memo_->ReplaceText(start, start + Memo_->LineLength(start), S);
}

void TMemoStrings::Delete(Integer Index) {
  CheckIndex(Index, GetCount());
  Integer start = Memo_->LineIndex(Index);
  Integer end = Memo_->LineIndex(Index + 1);
  if (end < 0) end = start + Memo_->LineLength(start);
  Memo_->ReplaceText(start, end, AnsiString());
}

// Before a line the text goes with its break; after a last line without one,
// the break goes first.
void TMemoStrings::Insert(Integer Index, const AnsiString& S) {
  CheckIndex(Index, GetCount() + 1);
  Integer at = Memo_->LineIndex(Index);
  AnsiString text = S + "\r\n";
  if (at < 0) {
    Integer previous = Memo_->LineIndex(Index - 1);
    at = previous + Memo_->LineLength(previous);
    text = "\r\n" + S;
  }
  Memo_->ReplaceText(at, at, text);
}

void TMemoStrings::SetUpdateState(bool Updating) {
  if (!Memo_->HandleAllocated()) return;
  SendMessageA(Memo_->WindowHandle(), WM_SETREDRAW, !Updating, 0);
  if (!Updating) Memo_->Refresh();
}

// ------------------------------------------------------------------ TCustomMemo

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), Lines_(new TMemoStrings(this)), Brush_(new TBrush) {
  SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() {
  delete Brush_;
  delete Lines_;
}

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  static constexpr DWORD Bars[] = {0, WS_HSCROLL, WS_VSCROLL, WS_HSCROLL | WS_VSCROLL};
  Params.Style |= ES_MULTILINE | Bars[ScrollBars_];
  if (WordWrap_) Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (ScrollBars_ == Value) return;
  ScrollBars_ = Value;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool Value) {
  if (WordWrap_ == Value) return;
  WordWrap_ = Value;
  RecreateWnd();
}

Integer TCustomMemo::RawLineCount() {
  if (!HandleAllocated()) return static_cast<Integer>(LineStarts(GetText()).size());
  return static_cast<Integer>(SendMessageA(WindowHandle(), EM_GETLINECOUNT, 0, 0));
}

// -1 would ask the window for the caret's line.
Integer TCustomMemo::LineIndex(Integer Line) {
  if (Line < 0) return -1;
  if (HandleAllocated())
    return static_cast<Integer>(SendMessageA(WindowHandle(), EM_LINEINDEX, Line, 0));
  std::vector<Integer> starts = LineStarts(GetText());
  return static_cast<size_t>(Line) < starts.size() ? starts[static_cast<size_t>(Line)] : -1;
}

Integer TCustomMemo::LineLength(Integer CharIndex) {
  if (HandleAllocated())
    return static_cast<Integer>(SendMessageA(WindowHandle(), EM_LINELENGTH, CharIndex, 0));
  AnsiString text = GetText();
  std::vector<Integer> starts = LineStarts(text);
  auto next = std::upper_bound(starts.begin(), starts.end(), CharIndex);
  Integer end = next == starts.end() ? static_cast<Integer>(text.size()) : *next - 2;
  return end - *(next - 1);
}

void TCustomMemo::ReplaceText(Integer Start, Integer End, const AnsiString& Text) {
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), EM_SETSEL, static_cast<WPARAM>(Start), End);
    SendMessageA(WindowHandle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Text.c_str()));
    return;
  }
  AnsiString text = GetText();
  text.replace(static_cast<size_t>(Start), static_cast<size_t>(End - Start), Text);
  SetText(text);
}

void TCustomMemo::KeyPress(AnsiChar& Key) {
  if (Key == '\r' && !WantReturns_) Key = '\0';
  TCustomEdit::KeyPress(Key);
}

void TCustomMemo::CNCtlColor(TMessage& Message) {
  auto dc = reinterpret_cast<HDC>(Message.WParam);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  Brush_->SetColor(Color());
  Message.Result = reinterpret_cast<LRESULT>(Brush_->Handle());
}

void TCustomMemo::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_CTLCOLOREDIT: case CN_CTLCOLORSTATIC: CNCtlColor(Message); return;
    case WM_GETDLGCODE:
      TCustomEdit::Dispatch(Message);
      if (!WantReturns_) Message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
      return;
    default: TCustomEdit::Dispatch(Message);
  }
}
