#include "QevStdCtrls.h"

#include "QevForms.h"
#include "QevGraphics.h"
#include "QevSysUtils.h"
#include "QevWindows.h"
#include "Scoped.h"
#include "Themes.h"

namespace {
constexpr const WideChar* QevUnitSource = L"lib\\QevUnicodeVCL\\QevStdCtrls";  // named by assertions
}  // namespace

QEV_DEFINE_CLASS(TQevCustomEdit, QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevEdit,
                 QEV_PROPERTY(Text, Text, SetText).Stored<&Self::IsCaptionStored>(),
                 QEV_PROPERTY(PasswordChar, PasswordChar, SetPasswordChar).Default(WideChar(0)))
QEV_DEFINE_CLASS(TQevCustomLabel, QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevLabel,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored))
QEV_DEFINE_CLASS(TQevButton,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored),
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevCustomCheckBox,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevCheckBox,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored))
QEV_DEFINE_CLASS(TQevCustomGroupBox,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevGroupBox,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored))

// ------------------------------------------------------- password character

// Through the code page both ways, so that a character outside it never
// stands for another one (0x80 is U+20AC in code page 1252, not U+0080).
AnsiChar AnsiPasswordChar(WideChar Value) {
  const WideString wide(1, Value);
  AnsiString ansi = WideToAnsi(wide);
  return ansi.size() == 1 && AnsiToWide(ansi) == wide ? ansi[0] : '*';
}

WideChar WidePasswordCharOf(AnsiChar Value) {
  WideString wide = AnsiToWide(AnsiString(1, Value));
  return wide.size() == 1 ? wide[0] : L'*';
}

// --------------------------------------------------------------------- edit

void CreateEditHandle(TWinControl* Control, const TCreateParams& Params) {
  if (UnicodeApiAvailable || !SysLocaleFarEast || !(Params.Style & ES_READONLY)) {
    CreateUnicodeHandle(Control, Params, L"EDIT");
    return;
  }
  TCreateParams writable = Params;
  writable.Style &= ~static_cast<DWORD>(ES_READONLY);
  CreateUnicodeHandle(Control, writable, L"EDIT");
  if (Control->HandleAllocated()) SendMessageA(Control->WindowHandle(), EM_SETREADONLY, 1, 0);
}

void TQevCustomEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  if (UnicodeApiAvailable)
    SendMessageW(WindowHandle(), EM_SETPASSWORDCHAR, SyncedPasswordChar(), 0);
}

WideChar TQevCustomEdit::SyncedPasswordChar() {
  const AnsiChar ansi = TCustomEdit::PasswordChar();
  if (AnsiPasswordChar(WidePasswordChar_) != ansi) WidePasswordChar_ = WidePasswordCharOf(ansi);
  return WidePasswordChar_;
}

void TQevCustomEdit::SetWidePasswordChar(WideChar Value) {
  if (Value == SyncedPasswordChar()) return;
  WidePasswordChar_ = Value;
  if (!UnicodeApiAvailable || !HandleAllocated()) {
    TCustomEdit::SetPasswordChar(AnsiPasswordChar(Value));
    return;
  }
  // Without a handle the platform neither sends its 8-bit character to the
  // window nor sets the text again.
  const HWND window = WindowHandle();
  {
    TScopeExit restore([this, window] { SetHandle(window); });
    SetHandle(nullptr);
    TCustomEdit::SetPasswordChar(AnsiPasswordChar(Value));
  }
  QEV_ASSERT(IsWindow(window), L"Assertion failure");
  SendMessageW(window, EM_SETPASSWORDCHAR, Value, 0);
  Invalidate();
}

// The wide window counts UTF-16 characters itself; an 8-bit one counts bytes.
Integer TQevCustomEdit::GetSelStart() {
  if (UnicodeApiAvailable) return TCustomEdit::SelStart();
  AnsiString text = GetText();
  const auto bytes = static_cast<size_t>(TCustomEdit::SelStart());
  return static_cast<Integer>(AnsiToWide(text.substr(0, bytes)).size());
}

void TQevCustomEdit::SetSelStart(Integer Value) {
  if (UnicodeApiAvailable) return TCustomEdit::SetSelStart(Value);
  WideString head = Text().substr(0, static_cast<size_t>(std::max<Integer>(Value, 0)));
  TCustomEdit::SetSelStart(static_cast<Integer>(WideToAnsi(head).size()));
}

Integer TQevCustomEdit::GetSelLength() {
  if (UnicodeApiAvailable) return TCustomEdit::SelLength();
  return static_cast<Integer>(GetSelText().size());
}

void TQevCustomEdit::SetSelLength(Integer Value) {
  if (UnicodeApiAvailable) return TCustomEdit::SetSelLength(Value);
  WideString text = Text();
  const auto start = std::min(static_cast<size_t>(GetSelStart()), text.size());
  WideString part = text.substr(start, static_cast<size_t>(std::max<Integer>(Value, 0)));
  TCustomEdit::SetSelLength(static_cast<Integer>(WideToAnsi(part).size()));
}

WideString TQevCustomEdit::GetSelText() {
  if (!UnicodeApiAvailable) return AnsiToWide(TCustomEdit::SelText());
  WideString text = Text();
  const auto start = std::min(static_cast<size_t>(TCustomEdit::SelStart()), text.size());
  return text.substr(start, static_cast<size_t>(TCustomEdit::SelLength()));
}

// -------------------------------------------------------------------- label

void TQevCustomLabel::DoDrawText(TRect& Rect, UINT Flags) {
  if (!UnicodeApiAvailable) return TCustomLabel::DoDrawText(Rect, Flags);
  WideString text = GetWideLabelText();
  // An empty text still measures one line.
  if ((Flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == L"&"))) text += L' ';
  if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
  Flags = DrawTextBiDiModeFlags(Flags);
  DrawLabelLook(Rect, Flags, [&] {
    Qev_DrawTextW(Canvas()->Handle(), text.c_str(), static_cast<int>(text.size()), &Rect, Flags);
  });
}

void TQevCustomLabel::CMDialogChar(TMessage& Message) {
  TWinControl* target = FocusControl();
  if (target && Enabled() && ShowAccelChar() && IsHotKeyOf(Message) && target->CanFocus()) {
    target->SetFocus();
    Message.Result = 1;
  }
}

void TQevCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_HINTSHOW:
      PrepareWideHintInfo(Message);
      inherited::Dispatch(Message);
      return;
    default: inherited::Dispatch(Message);
  }
}

// ------------------------------------------------------------------ buttons

// A key that is no hot key of the wide caption goes to the children, never to
// the platform's test of the 8-bit caption ("&?" would take any "?").
void TQevButton::Dispatch(TMessage& Message) {
  if (Message.Msg != CM_DIALOGCHAR) return inherited::Dispatch(Message);
  if (IsHotKeyOf(Message) && CanFocus()) {
    Click();
    Message.Result = 1;
  } else {
    TButtonControl::Dispatch(Message);
  }
}

void TQevCustomCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg != CM_DIALOGCHAR) return inherited::Dispatch(Message);
  if (IsHotKeyOf(Message) && CanFocus()) {
    SetFocus();
    if (Focused()) Toggle();
    Message.Result = 1;
  } else {
    TButtonControl::Dispatch(Message);
  }
}

// ---------------------------------------------------------------- group box

void TQevCustomGroupBox::Dispatch(TMessage& Message) {
  if (Message.Msg != CM_DIALOGCHAR) return inherited::Dispatch(Message);
  if (IsHotKeyOf(Message) && CanFocus()) {
    SelectFirst();
    Message.Result = 1;
  } else {
    TCustomControl::Dispatch(Message);
  }
}

void TQevCustomGroupBox::Paint() {
  if (!UnicodeApiAvailable) return TCustomGroupBox::Paint();
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(ClientRect());
  if (ThemesEnabled())
    if (TThemeData theme(WindowHandle(), L"BUTTON"); theme) return PaintThemed(theme);
  PaintClassic();
}

// The caption cuts the theme's frame, which runs through its middle.
void TQevCustomGroupBox::PaintThemed(const TThemeData& Theme) {
  TCanvas* canvas = Canvas();
  const WideString text = Caption();
  const TSize extent = text.empty() ? TSize{0, 0} : WideCanvasTextExtent(canvas, text);
  HDC dc = canvas->Handle();
  const LONG left = UseRightToLeftAlignment() ? Width() - 8 - extent.cx : 8;
  const TRect caption = text.empty() ? TRect{} : Rect(left, 0, left + extent.cx, extent.cy);
  TRect frame = ClientRect();
  frame.top = extent.cy / 2;
  const int state = Enabled() ? GBS_NORMAL : GBS_DISABLED;
  {
    TSavedDC clipped(dc);
    ExcludeClipRect(dc, caption.left, caption.top, caption.right, caption.bottom);
    Theme.DrawBackground(dc, BP_GROUPBOX, state, frame);
  }
  if (!text.empty()) Theme.DrawPartText(dc, BP_GROUPBOX, state, text, 0, caption);
}

void TQevCustomGroupBox::PaintClassic() {
  TCanvas* canvas = Canvas();
  const Integer height = WideCanvasTextHeight(canvas, L"0");
  TRect frame = Rect(0, height / 2 - 1, Width(), Height());
  if (Ctl3D()) {
    ++frame.left;
    ++frame.top;
    canvas->Brush()->SetColor(clBtnHighlight);
    canvas->FrameRect(frame);
    OffsetRect(&frame, -1, -1);
    canvas->Brush()->SetColor(clBtnShadow);
  } else {
    canvas->Brush()->SetColor(clWindowFrame);
  }
  canvas->FrameRect(frame);
  const WideString text = Caption();
  if (text.empty()) return;
  TRect textRect = Rect(8, 0, 0, height);
  if (UseRightToLeftAlignment())
    textRect = Rect(frame.right - WideCanvasTextWidth(canvas, text) - 8, 0, 0, height);
  const UINT flags = DrawTextBiDiModeFlags(DT_SINGLELINE);
  canvas->RequiredState({csHandleValid, csFontValid});
  Qev_DrawTextW(canvas->Handle(), text.c_str(), -1, &textRect, flags | DT_CALCRECT);
  canvas->Brush()->SetColor(Color());
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  Qev_DrawTextW(canvas->Handle(), text.c_str(), -1, &textRect, flags);
}

// ---------------------------------------------------------------------- unit

void Initialization_QevStdCtrls() {
  RegisterClasses({TQevEdit::StaticClass(), TQevLabel::StaticClass(), TQevButton::StaticClass(),
                   TQevCheckBox::StaticClass(), TQevGroupBox::StaticClass()});
}

void Finalization_QevStdCtrls() {}
