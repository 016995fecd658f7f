#include "QevControls.h"

#include <algorithm>
#include <functional>

#include "QevClasses.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_DEFINE_CLASS(TWideCaptionHolder)

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevUnicodeVCL\\QevControls";  // named by assertions

// The holders sorted by the address of their control, at most one per control.
TList* CaptionHolders = nullptr;

Integer CompareHolderControl(void* Item, void* Target) {
  const TControl* control = static_cast<TWideCaptionHolder*>(Item)->Control();
  if (std::less<const void*>()(control, Target)) return -1;
  return control == Target ? 0 : 1;
}

// True and the holder's index when the control has one, else false and the
// index where its holder would go.
bool FindHolderIndex(const TControl* Control, Integer& Index) {
  if (!FindSortedListIndex(CaptionHolders, CompareHolderControl, const_cast<TControl*>(Control),
                           Index))
    return false;
  QEV_ASSERT(static_cast<TWideCaptionHolder*>(CaptionHolders->Get(Index))->Control() == Control,
             L"QEV Internal Error: FindWideCaptionHolderIndex failed.");
  return true;
}

// A Unicode window's text, by the count that GetWindowTextW copied: the
// announced length may be more than the window holds.
WideString UnicodeWindowText(HWND Wnd) {
  int length = GetWindowTextLengthW(Wnd);
  if (length <= 0) return WideString();
  WideString text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(Wnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::clamp(copied, 0, length)));
  return text;
}

// True when the control has a window and it is not a Unicode window.
bool HasAnsiWindow(TWinControl* Control) {
  return Control && Control->HandleAllocated() && !IsWindowUnicode(Control->WindowHandle());
}

void SetControlText(TObject* Object, const AnsiString& Value) {
  static_cast<TControl*>(Object)->SetText(Value);
}

void SetControlHint(TObject* Object, const AnsiString& Value) {
  static_cast<TControl*>(Object)->SetHint(Value);
}

}  // namespace

// ---------------------------------------------------------- held wide values

WideString ReconcileWideText(WideString& Held, const AnsiString& AnsiValue) {
  if (WideToAnsi(Held) != AnsiValue) Held = AnsiToWide(AnsiValue);
  return Held;
}

void SetHeldWideText(const WideString& Value, WideString& Held, AnsiString AnsiValue,
                     TAnsiTextSetter Setter, TObject* Object) {
  if (ReconcileWideText(Held, AnsiValue) == Value) return;
  AnsiString ansi = WideToAnsi(Value);
  // The same 8-bit form hides the change, also of a held text that did not
  // survive the 8-bit trip to one that does.
  if (ansi == AnsiValue) Setter(Object, AnsiString());
  // Held first, so that handlers of the setter's notices read the new value.
  Held = Value;
  Setter(Object, ansi);
}

// ----------------------------------------------------------- caption holders

TWideCaptionHolder::TWideCaptionHolder(TControl* AControl)
    : TComponent(nullptr), Control_(AControl) {
  Integer index = 0;
  bool found = FindHolderIndex(Control_, index);
  QEV_ASSERT(!found, L"QEV Internal Error: FindWideCaptionHolderIndex failed.");
  Control_->FreeNotification(this);
  CaptionHolders->Insert(index, this);
}

TWideCaptionHolder::~TWideCaptionHolder() {
  Integer index = 0;
  if (CaptionHolders && FindHolderIndex(Control_, index)) CaptionHolders->Delete(index);
}

void TWideCaptionHolder::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == Control_) delete this;
}

TWideCaptionHolder* FindWideCaptionHolder(TControl* Control, bool Create) {
  Integer index = 0;
  if (FindHolderIndex(Control, index))
    return static_cast<TWideCaptionHolder*>(CaptionHolders->Get(index));
  return Create ? new TWideCaptionHolder(Control) : nullptr;
}

// ------------------------------------------------------------ text accessors

WideString WideGetControlText(TControl* Control) {
  auto* win = dynamic_cast<TWinControl*>(Control);
  if (!UnicodeApiAvailable || HasAnsiWindow(win)) return AnsiToWide(Control->GetText());
  if (win && win->HandleAllocated()) return UnicodeWindowText(win->WindowHandle());
  // Without a window the platform's text may have changed since the wide
  // value was held, whatever kind of control this is.
  TWideCaptionHolder* holder = FindWideCaptionHolder(Control, false);
  if (!holder) return AnsiToWide(Control->GetText());
  return ReconcileWideText(holder->WideCaption, Control->GetText());
}

void WideSetControlText(TControl* Control, const WideString& Value) {
  auto* win = dynamic_cast<TWinControl*>(Control);
  if (!UnicodeApiAvailable || HasAnsiWindow(win)) {
    Control->SetText(WideToAnsi(Value));
  } else if (win && win->HandleAllocated()) {
    if (WideGetControlText(Control) == Value) return;
    Qev_SetWindowTextW(win->WindowHandle(), Value.c_str());
    Control->Perform(CM_TEXTCHANGED, 0, 0);
  } else {
    // A window made later takes its caption from the holder.
    SetHeldWideText(Value, FindWideCaptionHolder(Control, true)->WideCaption, Control->GetText(),
                    SetControlText, Control);
  }
}

WideString WideGetControlHint(TControl* Control) {
  if (UnicodeApiAvailable)
    if (TWideCaptionHolder* holder = FindWideCaptionHolder(Control, false))
      return ReconcileWideText(holder->WideHint, Control->Hint());
  return AnsiToWide(Control->Hint());
}

void WideSetControlHint(TControl* Control, const WideString& Value) {
  if (!UnicodeApiAvailable) {
    Control->SetHint(WideToAnsi(Value));
    return;
  }
  SetHeldWideText(Value, FindWideCaptionHolder(Control, true)->WideHint, Control->Hint(),
                  SetControlHint, Control);
}

PTypeInfo TypeInfoTWideCaption() {
  static const TTypeInfo Info{tkWString, "TWideCaption"};
  return &Info;
}

bool ControlCaptionStored(TControl* Control) {
  return !Control->ActionLink() || !Control->ActionLink()->IsCaptionLinked();
}

bool ControlHintStored(TControl* Control) {
  return !Control->ActionLink() || !Control->ActionLink()->IsHintLinked();
}

// ------------------------------------------------------------------- hints

WideString WideGetHintOfControlOrParent(TControl* Control) {
  for (; Control; Control = Control->Parent())
    if (WideString hint = WideGetControlHint(Control); !hint.empty()) return hint;
  return WideString();
}

WideString WideShortHint(const WideString& Hint) { return Hint.substr(0, Hint.find(L'|')); }

WideString WideLongHint(const WideString& Hint) {
  size_t bar = Hint.find(L'|');
  return bar == WideString::npos ? Hint : Hint.substr(bar + 1);
}

// -------------------------------------------------------------------- unit

void Initialization_QevControls() {
  CaptionHolders = new TList;
  Initialization_QevControlsWindow();
}

void Finalization_QevControls() {
  Finalization_QevControlsWindow();
  // Each holder leaves the list and its control's notifications as it goes.
  while (CaptionHolders->Count() > 0)
    delete static_cast<TWideCaptionHolder*>(CaptionHolders->Last());
  delete CaptionHolders;
  CaptionHolders = nullptr;
}
