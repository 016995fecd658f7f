#include "QevComCtrls.h"

#include <commctrl.h>

#include <memory>

#include "QevForms.h"
#include "QevStdActns.h"
#include "QevSysUtils.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TQevTabSheet,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored),
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevPageControl,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevProgressBar,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevStatusPanel, QEV_PROPERTY(Text, Text, SetText))
QEV_DEFINE_CLASS(TQevStatusPanels)
QEV_DEFINE_CLASS(TQevCustomStatusBar,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevStatusBar,
                 QEV_PROPERTY(Panels, Panels, SetPanels),
                 QEV_PROPERTY(SimpleText, SimpleText, SetSimpleText))

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevUnicodeVCL\\QevComCtrls";  // named by assertions

// A copy of an 8-bit tab item as a wide one, without its text.
TCITEMW WideItemWithoutText(const TCITEMA& Item) {
  return TCITEMW{Item.mask & ~static_cast<UINT>(TCIF_TEXT), Item.dwState, Item.dwStateMask,
                 nullptr, Item.cchTextMax, Item.iImage, Item.lParam};
}

WideString SheetCaption(TTabSheet* Sheet) {
  if (auto* wide = dynamic_cast<TQevTabSheet*>(Sheet)) return wide->Caption();
  return AnsiToWide(Sheet->Caption());
}

AnsiString AnsiTextOf(LPARAM Text) {
  return Text ? AnsiString(reinterpret_cast<const char*>(Text)) : AnsiString();
}

void SetStatusBarSimpleText(TObject* Bar, const AnsiString& Value) {
  static_cast<TCustomStatusBar*>(Bar)->SetSimpleText(Value);
}

void SetPanelText(TObject* Panel, const AnsiString& Value) {
  static_cast<TStatusPanel*>(Panel)->SetText(Value);
}

}  // namespace

void CreateUnicodeHandle_ComCtl(TWinControl* Control, const TCreateParams& Params,
                                const WideString& ClassName) {
  QEV_ASSERT(!ClassName.empty(),
             L"QEV Internal Error: Only call CreateUnicodeHandle_ComCtl for Common Controls.");
  CreateUnicodeHandle(Control, Params, ClassName);
  if (UnicodeApiAvailable) SendMessageW(Control->WindowHandle(), CCM_SETUNICODEFORMAT, 1, 0);
}

WideString MatchLeadingTabs(const WideString& WideText, const AnsiString& AnsiText) {
  Integer have = CountLeadingTabs(WideText), want = CountLeadingTabs(AnsiText);
  if (have >= want) return WideText.substr(static_cast<size_t>(have - want));
  return WideString(static_cast<size_t>(want - have), L'\t') + WideText;
}

// -------------------------------------------------------------- tab sheet

void TQevTabSheet::CreateWindowHandle(const TCreateParams& Params) {
  CreateUnicodeHandle(this, Params, WideString());
}

void TQevTabSheet::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_SETTEXT && UnicodeApiAvailable && !HandleAllocated() && !SettingText_)
    WMSetText(Message);
  else
    TTabSheet::Dispatch(Message);
}

// An 8-bit caption set without window (form loading, the platform) replaces
// the held wide one; the layer's own 8-bit form of it passes. The held value
// is compared as it is: reconciling it here with the still old 8-bit text
// would lose the wide caption being set.
void TQevTabSheet::WMSetText(TMessage& Message) {
  AnsiString text = AnsiTextOf(Message.LParam);
  TWideCaptionHolder* holder = FindWideCaptionHolder(this, false);
  AnsiString current = holder ? WideToAnsi(holder->WideCaption) : Text_;
  if (text == current) {
    TTabSheet::Dispatch(Message);
    return;
  }
  {
    TRestore<bool> setting(SettingText_, true);
    SetCaption(AnsiToWide(text));
  }
  Message.Result = TRUE;
}

// ----------------------------------------------------------- page control

void TQevPageControl::CreateWindowHandle(const TCreateParams& Params) {
  CreateUnicodeHandle_ComCtl(this, Params, WC_TABCONTROLW);
}

void TQevPageControl::WndProc(TMessage& Message) {
  bool wide = UnicodeApiAvailable && HandleAllocated() && Message.LParam;
  if (wide && Message.Msg == TCM_SETITEMA)
    TCMSetItem(Message);
  else if (wide && Message.Msg == TCM_INSERTITEMA)
    TCMInsertItem(Message);
  else
    TQevComCtlOf::WndProc(Message);
}

// Only a pointer equal to one of this control's pages is taken for a sheet:
// the lParam of a foreign item is never read.
TTabSheet* TQevPageControl::PageOfParam(LPARAM Param) const {
  for (Integer i = 0; i < PageCount(); ++i)
    if (reinterpret_cast<LPARAM>(Pages(i)) == Param) return Pages(i);
  return nullptr;
}

TTabSheet* TQevPageControl::SheetOfItem(UINT Mask, LPARAM Param, WPARAM Index) const {
  if (Mask & TCIF_PARAM) return PageOfParam(Param);
  if ((Mask & TCIF_TEXT) && Index < static_cast<WPARAM>(Tabs()->Count()))
    return PageOfParam(reinterpret_cast<LPARAM>(Tabs()->GetObject(static_cast<Integer>(Index))));
  return nullptr;
}

// The item goes on wide, with the sheet's caption as its text; the caller's
// record stays as it was.
void TQevPageControl::TCMSetItem(TMessage& Message) {
  const auto& item = *reinterpret_cast<const TCITEMA*>(Message.LParam);
  TCITEMW wide = WideItemWithoutText(item);
  WideString text;
  if (TTabSheet* sheet = SheetOfItem(item.mask, item.lParam, Message.WParam)) {
    text = SheetCaption(sheet);
    wide.mask |= TCIF_TEXT;
    wide.pszText = text.data();
  }
  TMessage setItem{TCM_SETITEMW, Message.WParam, reinterpret_cast<LPARAM>(&wide)};
  TQevComCtlOf::WndProc(setItem);
  Message.Result = setItem.Result;
}

// A tab is made without text: its text comes with the following TCM_SETITEMA.
void TQevPageControl::TCMInsertItem(TMessage& Message) {
  TCITEMA item = *reinterpret_cast<const TCITEMA*>(Message.LParam);
  item.mask &= ~static_cast<UINT>(TCIF_TEXT);
  item.pszText = nullptr;
  TMessage insert{TCM_INSERTITEMA, Message.WParam, reinterpret_cast<LPARAM>(&item)};
  TQevComCtlOf::WndProc(insert);
  Message.Result = insert.Result;
}

void TQevPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_DOCKCLIENT: CMDockClient(Message); return;
    case CM_DOCKNOTIFICATION: CMDockNotification(Message); return;
    default: TQevComCtlOf::Dispatch(Message);
  }
}

void TQevPageControl::CMDialogChar(TMessage& Message) {
  auto key = static_cast<Word>(Message.WParam);
  for (Integer i = 0; i < PageCount(); ++i) {
    TTabSheet* page = Pages(i);
    Integer tab = page->TabIndex();
    if (!IsWideHotKey(key, SheetCaption(page)) || !CanShowTab(tab) || !CanFocus()) continue;
    Message.Result = 1;
    if (CanChange()) {
      SetTabIndex(tab);
      Change();
    }
    return;
  }
  TWinControl::Dispatch(Message);  // on to the children
}

// A failing dock leaves no sheet behind.
void TQevPageControl::CMDockClient(TMessage& Message) {
  Message.Result = 0;
  const TDragDockObject& dock = *TCMDockClient(Message).DockSource;
  TControl* client = dock.Control;
  TRestore<TQevTabSheet*> creating(NewDockSheet_, new TQevTabSheet(this));
  {
    std::unique_ptr<TQevTabSheet> sheet(NewDockSheet_);
    if (auto* form = dynamic_cast<TCustomForm*>(client)) sheet->SetCaption(WideGetControlText(form));
    sheet->SetPageControl(this);
    client->Dock(this, dock.DockRect);
    sheet.release();
  }
  NewDockSheet_->SetTabVisible(client->Visible());
  if (client->Visible()) SetActivePage(NewDockSheet_);
  client->SetAlign(alClient);
}

void TQevPageControl::DoAddDockClient(TControl* Client, const TRect&) {
  if (NewDockSheet_) Client->SetParent(NewDockSheet_);
}

// Found by comparing pointers only: the client itself is not read.
TTabSheet* TQevPageControl::PageOfClient(const TControl* Client) const {
  for (Integer i = 0; i < PageCount(); ++i)
    for (Integer j = 0; j < Pages(i)->ControlCount(); ++j)
      if (Pages(i)->Controls(j) == Client) return Pages(i);
  return nullptr;
}

// A docked client's new text becomes its tab's caption, up to the first line
// break. A Unicode window hands its text on wide.
void TQevPageControl::CMDockNotification(TMessage& Message) {
  TCMDockNotification notify(Message);
  auto* page = dynamic_cast<TQevTabSheet*>(PageOfClient(notify.Client));
  if (!page || notify.NotifyRec->ClientMsg != WM_SETTEXT) {
    TQevComCtlOf::Dispatch(Message);
    return;
  }
  auto* win = dynamic_cast<TWinControl*>(notify.Client);
  LPARAM text = notify.NotifyRec->MsgLParam;
  WideString caption;
  if (win && win->HandleAllocated() && IsWindowUnicode(win->WindowHandle()))
    caption = text ? reinterpret_cast<const WideChar*>(text) : L"";
  else
    caption = AnsiToWide(AnsiTextOf(text));
  page->SetCaption(caption.substr(0, caption.find_first_of(L"\r\n")));
}

// ----------------------------------------------------------- progress bar

void TQevProgressBar::CreateWindowHandle(const TCreateParams& Params) {
  CreateUnicodeHandle_ComCtl(this, Params, PROGRESS_CLASSW);
}

// ------------------------------------------------------------- status bar

void TQevStatusPanel::Assign(TPersistent* Source) {
  TStatusPanel::Assign(Source);
  if (auto* panel = dynamic_cast<TQevStatusPanel*>(Source)) SetText(panel->Text());
}

void TQevStatusPanel::SetText(const WideString& Value) {
  SetHeldWideText(Value, WideText_, TStatusPanel::Text(), SetPanelText, this);
}

void TQevStatusPanel::DefineProperties(TFiler* Filer) {
  TStatusPanel::DefineProperties(Filer);
  DefineWideProperties(Filer, this);
}

TQevCustomStatusBar::TQevCustomStatusBar(TComponent* AOwner) : TQevComCtlOf(AOwner) {
  ResetPanels();
}

TStatusPanels* TQevCustomStatusBar::CreatePanels() {
  return new TQevStatusPanels(this, GetPanelClass());
}

const TClass* TQevCustomStatusBar::GetPanelClass() const { return TQevStatusPanel::StaticClass(); }

void TQevCustomStatusBar::CreateWindowHandle(const TCreateParams& Params) {
  CreateUnicodeHandle_ComCtl(this, Params, STATUSCLASSNAMEW);
}

WideString TQevCustomStatusBar::SimpleText() {
  const AnsiString& ansi = TCustomStatusBar::SimpleText();
  WideSimpleText_ = MatchLeadingTabs(WideSimpleText_, ansi);
  return ReconcileWideText(WideSimpleText_, ansi);
}

void TQevCustomStatusBar::SetSimpleText(const WideString& Value) {
  SetHeldWideText(Value, WideSimpleText_, TCustomStatusBar::SimpleText(), SetStatusBarSimpleText,
                  this);
}

void TQevCustomStatusBar::WndProc(TMessage& Message) {
  bool wide = UnicodeApiAvailable && HandleAllocated();
  if (wide && Message.Msg == SB_SETTEXTA && !(Message.WParam & SBT_OWNERDRAW))
    SBSetText(Message);
  else if (wide && Message.Msg == WM_GETTEXTLENGTH)
    Message.Result = static_cast<LRESULT>(SimpleText().size());
  else
    TQevComCtlOf::WndProc(Message);
}

// A part without panel (a foreign part number) keeps the text it was sent.
void TQevCustomStatusBar::SBSetText(TMessage& Message) {
  AnsiString ansi = AnsiTextOf(Message.LParam);
  Integer part = LOBYTE(Message.WParam);
  WideString text;
  if (part == SB_SIMPLEID)
    text = SimpleText();
  else if (part < Panels()->Count())
    text = Panels()->Items(part)->Text();
  else
    text = AnsiToWide(ansi);
  text = MatchLeadingTabs(text, ansi);
  TMessage setText{SB_SETTEXTW, Message.WParam, reinterpret_cast<LPARAM>(text.c_str())};
  TQevComCtlOf::WndProc(setText);
  Message.Result = setText.Result;
}

bool TQevCustomStatusBar::ExecuteAction(TBasicAction* Action) {
  auto* hint = dynamic_cast<TQevHintAction*>(Action);
  if (!AutoHint() || !hint) return TQevComCtlOf::ExecuteAction(Action);
  // The platform's handler would ask OnHint a second time.
  if (DoHint()) return TWinControl::ExecuteAction(Action);
  if (SimplePanel() || Panels()->Count() == 0)
    SetSimpleText(hint->Hint());
  else
    Panels()->Items(0)->SetText(hint->Hint());
  return true;
}

// ------------------------------------------------------------------- unit

void Initialization_QevComCtrls() {
  RegisterClasses({TQevPageControl::StaticClass(), TQevTabSheet::StaticClass(),
                   TQevProgressBar::StaticClass(), TQevStatusBar::StaticClass()});
}

void Finalization_QevComCtrls() {}
