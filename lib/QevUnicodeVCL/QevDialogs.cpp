#include "QevDialogs.h"

#include <algorithm>
#include <memory>

#include "QevClipBrd.h"
#include "QevExtCtrls.h"
#include "QevGraphics.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_DEFINE_CLASS(TQevMessageForm)

namespace {

struct TTypeInfo {
  const TResStringRec* Caption;
  WORD Icon;  // a system icon (IDI_...), 0 for none
};
// Indexed by TMsgDlgType; mtCustom has the application title and no icon.
const TTypeInfo TypeTable[] = {
    {&SMsgDlgWarning, 32515}, {&SMsgDlgError, 32513}, {&SMsgDlgInformation, 32516},
    {&SMsgDlgConfirm, 32514}, {nullptr, 0}};

struct TButtonInfo {
  const char* Name;
  const TResStringRec* Caption;
  TModalResult Result;
};
// Indexed by TMsgDlgBtn, in the order the buttons appear.
const TButtonInfo ButtonTable[] = {
    {"Yes", &SMsgDlgYes, mrYes},           {"No", &SMsgDlgNo, mrNo},
    {"OK", &SMsgDlgOK, mrOk},              {"Cancel", &SMsgDlgCancel, mrCancel},
    {"Abort", &SMsgDlgAbort, mrAbort},     {"Retry", &SMsgDlgRetry, mrRetry},
    {"Ignore", &SMsgDlgIgnore, mrIgnore},  {"All", &SMsgDlgAll, mrAll},
    {"NoToAll", &SMsgDlgNoToAll, mrNoToAll}, {"YesToAll", &SMsgDlgYesToAll, mrYesToAll},
    {"Help", &SMsgDlgHelp, mrNone}};
constexpr Integer ButtonKinds = static_cast<Integer>(std::size(ButtonTable));

constexpr Integer IconSize = 32;

// Measures as the box's windows will draw: a screen-compatible DC with the
// form's font (a form has no canvas of its own here).
class TMeasureCanvas {
 public:
  // GDI sets no error code of its own; a stale one must not be raised.
  explicit TMeasureCanvas(TFont* Font)
      : DC_((SetLastError(ERROR_SUCCESS), CreateCompatibleDC(nullptr))) {
    if (!DC_) RaiseLastOSError();
    Canvas_.SetHandle(DC_);
    Canvas_.SetFont(Font);
  }
  ~TMeasureCanvas() {
    Canvas_.SetHandle(nullptr);
    DeleteDC(DC_);
  }
  TMeasureCanvas(const TMeasureCanvas&) = delete;
  TMeasureCanvas& operator=(const TMeasureCanvas&) = delete;

  TCanvas* Canvas() { return &Canvas_; }
  TRect DrawTextRect(const WideString& Text, int Count, TRect Rect, UINT Flags) {
    Canvas_.RequiredState({csHandleValid, csFontValid});
    Qev_DrawTextW(Canvas_.Handle(), Text.c_str(), Count, &Rect, Flags);
    return Rect;
  }

 private:
  HDC DC_;
  TCanvas Canvas_;
};

// Dialog base units: the average width of the Latin letters and their height.
TSize AverageCharSize(TCanvas* Canvas) {
  WideString letters;
  for (WideChar c = L'A'; c <= L'Z'; ++c) letters += c;
  for (WideChar c = L'a'; c <= L'z'; ++c) letters += c;
  const TSize extent = WideCanvasTextExtent(Canvas, letters);
  return {extent.cx / 52, extent.cy};
}

struct TLayout {
  Integer HorzMargin, VertMargin, HorzSpacing, VertSpacing;
  Integer ButtonWidth, ButtonHeight, ButtonSpacing;
  TRect TextRect;
  Integer IconTextWidth, IconTextHeight;
  Integer ButtonGroupWidth;
};

TLayout MeasureLayout(TQevMessageForm* Form, const WideString& Msg, bool WithIcon,
                      TMsgDlgButtons Buttons) {
  TMeasureCanvas measure(Form->Font());
  const TSize units = AverageCharSize(measure.Canvas());
  TLayout l{};
  l.HorzMargin = MulDiv(8, units.cx, 4);
  l.VertMargin = MulDiv(8, units.cy, 8);
  l.HorzSpacing = MulDiv(10, units.cx, 4);
  l.VertSpacing = MulDiv(10, units.cy, 8);
  l.ButtonWidth = MulDiv(50, units.cx, 4);
  Integer count = 0;
  for (Integer b = 0; b < ButtonKinds; ++b) {
    if (!Buttons.Contains(static_cast<TMsgDlgBtn>(b))) continue;
    ++count;
    const TRect r = measure.DrawTextRect(GetButtonCaption(static_cast<TMsgDlgBtn>(b)), -1, TRect{},
                                         Form->DrawTextBiDiModeFlags(DT_CALCRECT | DT_SINGLELINE));
    l.ButtonWidth = std::max(l.ButtonWidth, static_cast<Integer>(r.right + 8));
  }
  l.ButtonHeight = MulDiv(14, units.cy, 8);
  l.ButtonSpacing = MulDiv(4, units.cx, 4);
  // No prefix: an "&" in a message (a URL's query, a file name) is text.
  l.TextRect = measure.DrawTextRect(
      Msg, static_cast<int>(Msg.size()) + 1, Rect(0, 0, Screen->Width() / 2, 0),
      Form->DrawTextBiDiModeFlags(DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX));
  l.IconTextWidth = l.TextRect.right;
  l.IconTextHeight = l.TextRect.bottom;
  if (WithIcon) {
    l.IconTextWidth += IconSize + l.HorzSpacing;
    l.IconTextHeight = std::max(l.IconTextHeight, IconSize);
  }
  l.ButtonGroupWidth = count ? l.ButtonWidth * count + l.ButtonSpacing * (count - 1) : 0;
  return l;
}

void AddIcon(TQevMessageForm* Form, WORD Icon, const TLayout& L) {
  auto* image = new TQevImage(Form);
  image->SetName("Image");
  image->SetParent(Form);
  image->Picture()->Icon()->SetHandle(LoadIconA(nullptr, MAKEINTRESOURCEA(Icon)));
  image->SetBounds(L.HorzMargin, L.VertMargin, IconSize, IconSize);
}

void AddMessage(TQevMessageForm* Form, const WideString& Msg, const TLayout& L) {
  auto* label = new TQevLabel(Form);
  Form->Message = label;
  label->SetName("Message");
  label->SetParent(Form);
  label->SetShowAccelChar(false);
  label->SetWordWrap(true);
  label->SetCaption(Msg);
  const Integer left = L.IconTextWidth - L.TextRect.right + L.HorzMargin;
  label->SetBounds(left, L.VertMargin, L.TextRect.right, L.TextRect.bottom);
}

void AddButtons(TQevMessageForm* Form, TMsgDlgButtons Buttons, const TLayout& L,
                TNotifyEvent HelpClick) {
  const TMsgDlgBtn defaultButton =
      Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : mbRetry;
  const TMsgDlgBtn cancelButton =
      Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
  Integer x = (Form->ClientWidth() - L.ButtonGroupWidth) / 2;
  const Integer y = L.IconTextHeight + L.VertMargin + L.VertSpacing;
  for (Integer b = 0; b < ButtonKinds; ++b) {
    const auto kind = static_cast<TMsgDlgBtn>(b);
    if (!Buttons.Contains(kind)) continue;
    auto* button = new TQevButton(Form);
    button->SetName(ButtonTable[b].Name);
    button->SetParent(Form);
    button->SetCaption(GetButtonCaption(kind));
    button->SetModalResult(ButtonTable[b].Result);
    button->SetDefault(kind == defaultButton);
    button->SetCancel(kind == cancelButton);
    button->SetBounds(x, y, L.ButtonWidth, L.ButtonHeight);
    if (kind == mbHelp) button->OnClick = HelpClick;
    x += L.ButtonWidth + L.ButtonSpacing;
  }
}

}  // namespace

// ------------------------------------------------------------ message form

TQevMessageForm::TQevMessageForm(TComponent* AOwner) : TQevForm(AOwner) {
  AssignNonClientFont(Font(), &NONCLIENTMETRICSA::lfMessageFont);
  SetBorderStyle(bsDialog);
  SetKeyPreview(true);
  OnKeyDown = TKeyEvent::Bind<&TQevMessageForm::CopyKeyDown>(this);
}

WideString TQevMessageForm::FormText() {
  const WideString divider = WideString(27, L'-') + L"\r\n";
  WideString buttons;
  for (Integer i = 0; i < ComponentCount(); ++i)
    if (auto* button = dynamic_cast<TQevButton*>(Components(i)))
      buttons += button->Caption() + L"   ";
  std::erase(buttons, L'&');
  return divider + Caption() + L"\r\n" + divider + (Message ? Message->Caption() : WideString()) +
         L"\r\n" + divider + buttons + L"\r\n" + divider;
}

void TQevMessageForm::CopyKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (Shift != TShiftState{ssCtrl} || Key != 'C') return;
  MessageBeep(0);
  QevClipboard()->SetAsWideText(FormText());
}

void TQevMessageForm::HelpButtonClick(TObject*) {
  if (!HelpFile.empty())
    WinHelpA(Handle(), HelpFile.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(HelpContext));
}

// ---------------------------------------------------------------- routines

WideString GetMessageCaption(TMsgDlgType DlgType) {
  if (DlgType == mtCustom) return QevApplication->GetTitle();
  if (static_cast<unsigned>(DlgType) > mtCustom)
    throw EQevInternalError(L"Unexpected MsgType in GetMessageCaption.");
  return LoadResString(*TypeTable[DlgType].Caption);
}

WideString GetButtonCaption(TMsgDlgBtn Button) {
  if (static_cast<unsigned>(Button) >= std::size(ButtonTable))
    throw EQevInternalError(L"Unexpected MsgDlgBtn in GetButtonCaption.");
  return LoadResString(*ButtonTable[Button].Caption);
}

TQevMessageForm* WideCreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType,
                                         TMsgDlgButtons Buttons) {
  const WideString caption = GetMessageCaption(DlgType);
  std::unique_ptr<TQevMessageForm> form(new TQevMessageForm(Application));
  const WORD icon = TypeTable[DlgType].Icon;
  const TLayout layout = MeasureLayout(form.get(), Msg, icon != 0, Buttons);
  const TLayout& l = layout;
  form->SetClientSize(std::max(l.IconTextWidth, l.ButtonGroupWidth) + 2 * l.HorzMargin,
                      l.IconTextHeight + l.ButtonHeight + l.VertSpacing + 2 * l.VertMargin);
  const Integer width = form->Width(), height = form->Height();
  form->SetBounds(Screen->Width() / 2 - width / 2, Screen->Height() / 2 - height / 2, width, height);
  form->SetCaption(caption);
  if (icon) AddIcon(form.get(), icon, layout);
  AddMessage(form.get(), Msg, layout);
  AddButtons(form.get(), Buttons, layout,
             TNotifyEvent::Bind<&TQevMessageForm::HelpButtonClick>(form.get()));
  return form.release();
}

Integer WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                              THelpContext HelpCtx, Integer X, Integer Y,
                              const WideString& HelpFileName) {
  std::unique_ptr<TQevMessageForm> form(WideCreateMessageDialog(Msg, DlgType, Buttons));
  form->HelpContext = HelpCtx;
  form->HelpFile = WideToAnsi(HelpFileName);
  if (X >= 0) form->SetLeft(X);
  if (Y >= 0) form->SetTop(Y);
  if (X < 0 && Y < 0) form->SetPosition(poScreenCenter);
  return form->ShowModal();
}

Integer WideMessageDlgPos(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                          THelpContext HelpCtx, Integer X, Integer Y) {
  return WideMessageDlgPosHelp(Msg, DlgType, Buttons, HelpCtx, X, Y, WideString());
}

void WideShowMessagePos(const WideString& Msg, Integer X, Integer Y) {
  WideMessageDlgPos(Msg, mtCustom, {mbOK}, 0, X, Y);
}

void WideShowMessage(const WideString& Msg) { WideShowMessagePos(Msg, -1, -1); }
