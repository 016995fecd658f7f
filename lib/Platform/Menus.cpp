#include "Menus.h"

#include <algorithm>

#include "Controls.h"
#include "WinApi.h"

QEV_RESOURCESTRING(Menus, SmkcBkSp, L"BkSp");
QEV_RESOURCESTRING(Menus, SmkcTab, L"Tab");
QEV_RESOURCESTRING(Menus, SmkcEsc, L"Esc");
QEV_RESOURCESTRING(Menus, SmkcEnter, L"Enter");
QEV_RESOURCESTRING(Menus, SmkcSpace, L"Space");
QEV_RESOURCESTRING(Menus, SmkcPgUp, L"PgUp");
QEV_RESOURCESTRING(Menus, SmkcPgDn, L"PgDn");
QEV_RESOURCESTRING(Menus, SmkcEnd, L"End");
QEV_RESOURCESTRING(Menus, SmkcHome, L"Home");
QEV_RESOURCESTRING(Menus, SmkcLeft, L"Left");
QEV_RESOURCESTRING(Menus, SmkcUp, L"Up");
QEV_RESOURCESTRING(Menus, SmkcRight, L"Right");
QEV_RESOURCESTRING(Menus, SmkcDown, L"Down");
QEV_RESOURCESTRING(Menus, SmkcIns, L"Ins");
QEV_RESOURCESTRING(Menus, SmkcDel, L"Del");
QEV_RESOURCESTRING(Menus, SmkcShift, L"Shift+");
QEV_RESOURCESTRING(Menus, SmkcCtrl, L"Ctrl+");
QEV_RESOURCESTRING(Menus, SmkcAlt, L"Alt+");

namespace {

AnsiString Res(const TResStringRec& rec) { return WideToAnsi(LoadResString(rec)); }

// The keyboard layout's name of any other key; empty without a scan code.
AnsiString SpecialKeyName(Byte Key) {
  UINT scanCode = MapVirtualKeyA(Key, 0);
  if (scanCode == 0) return AnsiString();
  char name[256];
  int length = GetKeyNameTextA(static_cast<LONG>(scanCode << 16), name, sizeof(name));
  return length > 0 ? AnsiString(name, static_cast<std::size_t>(length)) : AnsiString();
}

AnsiString KeyName(Byte Key) {
  static const TResStringRec* const Navigation[] = {&SmkcSpace, &SmkcPgUp, &SmkcPgDn,
                                                    &SmkcEnd,   &SmkcHome, &SmkcLeft,
                                                    &SmkcUp,    &SmkcRight, &SmkcDown};
  if (Key == 0x08) return Res(SmkcBkSp);
  if (Key == 0x09) return Res(SmkcTab);
  if (Key == 0x0D) return Res(SmkcEnter);
  if (Key == 0x1B) return Res(SmkcEsc);
  if (Key >= 0x20 && Key <= 0x28) return Res(*Navigation[Key - 0x20]);
  if (Key == 0x2D) return Res(SmkcIns);
  if (Key == 0x2E) return Res(SmkcDel);
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z'))
    return AnsiString(1, static_cast<char>(Key));
  if (Key >= 0x60 && Key <= 0x69) return AnsiString(1, static_cast<char>(Key - 0x60 + '0'));
  if (Key >= 0x70 && Key <= 0x87) return std::to_string(Key - 0x6F).insert(0, 1, 'F');
  return SpecialKeyName(Key);
}

}  // namespace

AnsiString ShortCutToText(TShortCut ShortCut) {
  AnsiString name = KeyName(static_cast<Byte>(ShortCut & 0xFF));
  if (name.empty()) return name;
  AnsiString result;
  if (ShortCut & scShift) result += Res(SmkcShift);
  if (ShortCut & scCtrl) result += Res(SmkcCtrl);
  if (ShortCut & scAlt) result += Res(SmkcAlt);
  return result + name;
}

QEV_RESOURCESTRING(Menus, SMenuIndexError, L"Menu index out of range");
QEV_RESOURCESTRING(Menus, SMenuReinserted, L"Menu inserted twice");
QEV_RESOURCESTRING(Menus, SMenuNotFound, L"Sub-menu is not in menu");
QEV_RESOURCESTRING(Menus, SOutOfMenuCommands, L"No menu command identifiers left");

QEV_DEFINE_CLASS(TMenuItem,
                 QEV_PROPERTY(Action, Action, SetAction),
                 QEV_PROPERTY(Bitmap, Bitmap, SetBitmap).Stored<&Self::HasBitmap>(),
                 QEV_PROPERTY(Caption, Caption, SetCaption),
                 QEV_PROPERTY(Checked, Checked, SetChecked).Default(false),
                 QEV_PROPERTY(Default, Default, SetDefault).Default(false),
                 QEV_PROPERTY(Enabled, Enabled, SetEnabled).Default(true),
                 QEV_PROPERTY(Hint, Hint, SetHint),
                 QEV_PROPERTY(ImageIndex, ImageIndex, SetImageIndex).Default(-1),
                 QEV_PROPERTY(ShortCut, ShortCut, SetShortCut).Default(TShortCut(0)),
                 QEV_PROPERTY(Visible, Visible, SetVisible).Default(true),
                 QEV_PROPERTY(OnAdvancedDrawItem, OnAdvancedDrawItem, OnAdvancedDrawItem),
                 QEV_PROPERTY(OnClick, OnClick, OnClick),
                 QEV_PROPERTY(OnDrawItem, OnDrawItem, OnDrawItem),
                 QEV_PROPERTY(OnMeasureItem, OnMeasureItem, OnMeasureItem))
QEV_DEFINE_CLASS(TMenu,
                 QEV_PROPERTY(BiDiMode, BiDiMode, SetBiDiMode).Default(bdLeftToRight),
                 QEV_PROPERTY(OwnerDraw, OwnerDraw, SetOwnerDraw).Default(false))
QEV_DEFINE_CLASS(TMainMenu)
QEV_DEFINE_CLASS(TPopupMenu,
                 QEV_PROPERTY(Alignment, Alignment, SetAlignment).Default(paLeft),
                 QEV_PROPERTY(OnPopup, OnPopup, OnPopup))

// ------------------------------------------------------------------- helpers

namespace {

// Command identifiers in use; 0 and 0xFFFF mean "none" in menu messages.
std::vector<bool>& UsedCommands() {
  static std::vector<bool> used(0x10000, false);
  return used;
}

Word NewCommand() {
  std::vector<bool>& used = UsedCommands();
  for (std::size_t id = 1; id < 0xFFFF; ++id)
    if (!used[id]) {
      used[id] = true;
      return static_cast<Word>(id);
    }
  throw EMenuError(SOutOfMenuCommands);
}

std::vector<TPopupMenu*> PopupMenus;
HWND PopupWindow = nullptr;
const WideChar PopupWindowClass[] = L"QevMenuPopupList";

LRESULT CALLBACK PopupListProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  try {
    switch (Msg) {
      case WM_COMMAND:
        if (HIWORD(WParam) == 0)
          for (TPopupMenu* menu : PopupMenus)
            if (menu->DispatchCommand(LOWORD(WParam))) return 0;
        break;
      case WM_INITMENUPOPUP:
        for (TPopupMenu* menu : PopupMenus)
          if (menu->DispatchPopup(reinterpret_cast<HMENU>(WParam))) return 0;
        break;
      case WM_MEASUREITEM:
        for (TPopupMenu* menu : PopupMenus)
          if (menu->DispatchMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(LParam))) return TRUE;
        break;
      case WM_DRAWITEM:
        for (TPopupMenu* menu : PopupMenus)
          if (menu->DispatchDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam))) return TRUE;
        break;
    }
  } catch (...) {
    HandleCurrentException(nullptr);
    return 0;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

}  // namespace

bool MenuIsRightToLeft(const TMenu* Menu) { return Menu->IsRightToLeft(); }

AnsiString StripHotkey(const AnsiString& Text) {
  AnsiString result;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&' && ++i == Text.size()) break;  // the mark goes, its character stays
    result += Text[i];
  }
  return result;
}

bool AnsiSameCaption(const AnsiString& A, const AnsiString& B) {
  return AnsiCompareText(StripHotkey(A), StripHotkey(B)) == 0;
}

HWND PopupListWindow() {
  if (PopupWindow) return PopupWindow;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!GetClassInfoExW(instance, PopupWindowClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PopupListProc;
    wc.hInstance = instance;
    wc.lpszClassName = PopupWindowClass;
    if (!RegisterClassExW(&wc)) RaiseLastOSError();
  }
  // A real (hidden) window: message-only windows cannot own a popup menu. A
  // refused creation sets no code: the class lookup's must not be raised.
  SetLastError(ERROR_SUCCESS);
  PopupWindow = CreateWindowExW(WS_EX_TOOLWINDOW, PopupWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, instance, nullptr);
  if (!PopupWindow) RaiseLastOSError();
  return PopupWindow;
}

// ------------------------------------------------------------------ TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), Command_(NewCommand()) {}

TMenuItem::~TMenuItem() {
  Destroying();
  while (!Items_.empty()) delete Items_.back();
  if (Parent_) Parent_->Remove(this);
  delete ActionLink_;
  ActionLink_ = nullptr;
  if (Handle_) DestroyMenu(Handle_);
  delete Bitmap_;
  UsedCommands()[Command_] = false;
}

HMENU TMenuItem::Handle() {
  if (!Handle_) {
    Handle_ = Menu_ ? Menu_->CreateMenuHandle() : CreatePopupMenu();
    if (!Handle_) RaiseLastOSError();
    for (TMenuItem* item : Items_)
      if (item->Visible_) InsertEntry(item);
  }
  return Handle_;
}

TMenuItem* TMenuItem::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError(SMenuIndexError);
  return Items_[static_cast<std::size_t>(Index)];
}

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
  if (Item->Parent_) throw EMenuError(SMenuReinserted);
  if (Index < 0 || Index > Count()) throw EMenuError(SMenuIndexError);
  Items_.insert(Items_.begin() + Index, Item);
  Item->Parent_ = this;
  Item->MenuChanged(true);
  if (Count() == 1) MenuChanged(true);  // the entry opens a popup now
}

void TMenuItem::Remove(TMenuItem* Item) {
  Integer index = IndexOf(Item);
  if (index < 0) throw EMenuError(SMenuNotFound);
  Delete(index);
}

void TMenuItem::Delete(Integer Index) {
  TMenuItem* item = Items(Index);
  if (item->EntryMenu_) RemoveEntry(item);
  Items_.erase(Items_.begin() + Index);
  item->Parent_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) MenuChanged(Items_.empty());
}

Integer TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(Items_.begin(), Items_.end(), Item);
  return it == Items_.end() ? -1 : static_cast<Integer>(it - Items_.begin());
}

void TMenuItem::SetMenuIndex(Integer Value) {
  TMenuItem* parent = Parent_;
  if (!parent) return;
  Value = std::clamp<Integer>(Value, 0, parent->Count() - 1);
  Integer index = MenuIndex();
  if (Value == index) return;
  parent->Delete(index);
  parent->Insert(Value, this);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->Parent_) item = item->Parent_;
  return item->Menu_;
}

bool TMenuItem::IsTopLevel() const {
  return Parent_ && !Parent_->Parent_ && dynamic_cast<TMainMenu*>(Parent_->Menu_);
}

bool TMenuItem::IsOwnerDraw() const {
  TMenu* menu = GetParentMenu();
  return (menu && (menu->OwnerDraw() || menu->Images())) || HasBitmap();
}

// ---------------------------------------------------------------- properties

void TMenuItem::SetCaption(const AnsiString& Value) {
  if (Caption_ == Value) return;
  Caption_ = Value;
  MenuChanged(true);  // may turn into a separator or back
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (ShortCut_ == Value) return;
  ShortCut_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetChecked(bool Value) {
  if (Checked_ == Value) return;
  Checked_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetEnabled(bool Value) {
  if (Enabled_ == Value) return;
  Enabled_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool Value) {
  if (Visible_ == Value) return;
  Visible_ = Value;
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
  if (Default_ == Value) return;
  Default_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetImageIndex(Integer Value) {
  if (ImageIndex_ == Value) return;
  ImageIndex_ = Value;
  MenuChanged(false);
}

TBitmap* TMenuItem::Bitmap() {
  if (!Bitmap_) {
    Bitmap_ = new TBitmap;
    Bitmap_->OnChange = TNotifyEvent::Bind<&TMenuItem::BitmapChanged>(this);
  }
  return Bitmap_;
}

void TMenuItem::SetBitmap(TBitmap* Value) { Bitmap()->Assign(Value); }

void TMenuItem::BitmapChanged(TObject*) { MenuChanged(true); }

// ------------------------------------------------------------ Windows entries

void TMenuItem::MenuChanged(bool Rebuild) {
  if (Parent_) Parent_->SyncEntry(this);
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, Rebuild);
}

Integer TMenuItem::EntryPosition(const TMenuItem* Item) const {
  Integer position = 0;
  for (const TMenuItem* item : Items_) {
    if (item == Item) break;
    if (item->EntryMenu_) ++position;
  }
  return position;
}

void TMenuItem::FillEntryInfo(MENUITEMINFOA& Info, AnsiString& Text) {
  Info = {};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
  Info.fType = IsLine() ? MFT_SEPARATOR : IsOwnerDraw() ? MFT_OWNERDRAW : MFT_STRING;
  Info.fState = (Checked_ ? MFS_CHECKED : 0) | (Enabled_ ? 0 : MFS_GRAYED) |
                (Default_ ? MFS_DEFAULT : 0);
  Info.wID = Command_;
  Info.hSubMenu = Items_.empty() ? nullptr : Handle();
  if (IsLine()) return;
  // Owner-drawn entries keep their text too: keyboard and FixMainMenuOwnerDraw use it.
  Text = Caption_;
  if (ShortCut_ && Items_.empty() && !IsTopLevel())
    Text.append(1, '\t').append(ShortCutToText(ShortCut_));
  Info.fMask |= MIIM_STRING;
  Info.dwTypeData = Text.data();
  Info.cch = static_cast<UINT>(Text.size());
}

void TMenuItem::InsertEntry(TMenuItem* Item) {
  MENUITEMINFOA info;
  AnsiString text;
  Item->FillEntryInfo(info, text);
  Win32Check(InsertMenuItemA(Handle_, static_cast<UINT>(EntryPosition(Item)), TRUE, &info));
  Item->EntryMenu_ = Handle_;
}

void TMenuItem::UpdateEntry(TMenuItem* Item) {
  MENUITEMINFOA info;
  AnsiString text;
  Item->FillEntryInfo(info, text);
  Win32Check(SetMenuItemInfoA(Handle_, static_cast<UINT>(EntryPosition(Item)), TRUE, &info));
}

void TMenuItem::RemoveEntry(TMenuItem* Item) {
  // RemoveMenu keeps the sub-menu, which the item owns.
  RemoveMenu(Handle_, static_cast<UINT>(EntryPosition(Item)), MF_BYPOSITION);
  Item->EntryMenu_ = nullptr;
}

void TMenuItem::SyncEntry(TMenuItem* Item) {
  if (!Handle_) return;  // made with every entry when first asked for
  if (Item->Visible_ && !Item->EntryMenu_)
    InsertEntry(Item);
  else if (!Item->Visible_ && Item->EntryMenu_)
    RemoveEntry(Item);
  else if (Item->Visible_)
    UpdateEntry(Item);
}

// ------------------------------------------------------------ actions, clicks

void TMenuItem::Click() {
  if (!Enabled_) return;
  // An OnClick of its own wins over the action's handler.
  if (OnClick && ActionLink_ && ActionLink_->Action() &&
      OnClick != ActionLink_->Action()->OnExecute())
    OnClick(this);
  else if (ActionLink_ && !ComponentState().Contains(csDesigning))
    ActionLink_->Execute(this);
  else if (OnClick)
    OnClick(this);
}

TBasicAction* TMenuItem::Action() const { return ActionLink_ ? ActionLink_->Action() : nullptr; }

TMenuActionLinkClass TMenuItem::GetActionLinkClass() {
  return [](TMenuItem* Client) { return new TMenuActionLink(Client); };
}

void TMenuItem::SetAction(TBasicAction* Value) {
  if (!Value) {
    delete ActionLink_;
    ActionLink_ = nullptr;
    return;
  }
  if (!ActionLink_) ActionLink_ = GetActionLinkClass()(this);
  ActionLink_->SetAction(Value);
  ActionLink_->OnChange = TNotifyEvent::Bind<&TMenuItem::DoActionChange>(this);
  ActionChange(Value, Value->ComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TMenuItem::DoActionChange(TObject* Sender) {
  if (ActionLink_ && Sender == ActionLink_->Action()) ActionChange(Sender, false);
}

void TMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || Caption_.empty()) SetCaption(action->Caption());
  if (!CheckDefaults || !Checked_) SetChecked(action->Checked());
  if (!CheckDefaults || Enabled_) SetEnabled(action->Enabled());
  if (!CheckDefaults || Hint_.empty()) SetHint(action->Hint());
  if (!CheckDefaults || ImageIndex_ == -1) SetImageIndex(action->ImageIndex());
  if (!CheckDefaults || ShortCut_ == 0) SetShortCut(action->ShortCut());
  if (!CheckDefaults || Visible_) SetVisible(action->Visible());
  if (!CheckDefaults || !OnClick) OnClick = action->OnExecute();
}

void TMenuItem::InitiateActions() {
  for (TMenuItem* item : Items_)
    if (item->ActionLink_) item->ActionLink_->Update();
}

// ------------------------------------------------------------------ streaming

void TMenuItem::GetChildren(TGetChildProc Proc, TComponent*) {
  for (TMenuItem* item : Items_) Proc(item);
}

void TMenuItem::SetChildOrder(TComponent* Child, Integer Order) {
  if (auto* item = dynamic_cast<TMenuItem*>(Child); item && item->Parent_ == this)
    item->SetMenuIndex(Order);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (Parent_ && Parent_->Menu_) return Parent_->Menu_;
  return Parent_;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (Parent_) Parent_->Remove(this);
  if (auto* menu = dynamic_cast<TMenu*>(Value))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(Value))
    item->Add(this);
}

void TMenuItem::ReadState(TReader* Reader) {
  if (Reader->Parent() && !Parent_) SetParentComponent(Reader->Parent());
  TComponent::ReadState(Reader);
}

void TMenuItem::Loaded() {
  TComponent::Loaded();
  if (Action()) ActionChange(Action(), true);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == Action()) SetAction(nullptr);
}

// ----------------------------------------------------------- TMenuActionLink

namespace {
TCustomAction* CustomAction(TBasicAction* Action) { return dynamic_cast<TCustomAction*>(Action); }
}  // namespace

bool TMenuActionLink::IsCaptionLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsCaptionLinked() && action &&
         AnsiSameCaption(Client_->Caption(), action->Caption());
}

bool TMenuActionLink::IsCheckedLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsCheckedLinked() && action && Client_->Checked() == action->Checked();
}

bool TMenuActionLink::IsEnabledLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsEnabledLinked() && action && Client_->Enabled() == action->Enabled();
}

bool TMenuActionLink::IsHintLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsHintLinked() && action && Client_->Hint() == action->Hint();
}

bool TMenuActionLink::IsImageIndexLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsImageIndexLinked() && action &&
         Client_->ImageIndex() == action->ImageIndex();
}

bool TMenuActionLink::IsShortCutLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsShortCutLinked() && action && Client_->ShortCut() == action->ShortCut();
}

bool TMenuActionLink::IsVisibleLinked() {
  TCustomAction* action = CustomAction(Action_);
  return TActionLink::IsVisibleLinked() && action && Client_->Visible() == action->Visible();
}

bool TMenuActionLink::IsOnExecuteLinked() {
  return TActionLink::IsOnExecuteLinked() && Action_ && Client_->OnClick == Action_->OnExecute();
}

void TMenuActionLink::SetCaption(const AnsiString& Value) {
  if (IsCaptionLinked()) Client_->SetCaption(Value);
}
void TMenuActionLink::SetChecked(bool Value) {
  if (IsCheckedLinked()) Client_->SetChecked(Value);
}
void TMenuActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) Client_->SetEnabled(Value);
}
void TMenuActionLink::SetHint(const AnsiString& Value) {
  if (IsHintLinked()) Client_->SetHint(Value);
}
void TMenuActionLink::SetImageIndex(Integer Value) {
  if (IsImageIndexLinked()) Client_->SetImageIndex(Value);
}
void TMenuActionLink::SetShortCut(TShortCut Value) {
  if (IsShortCutLinked()) Client_->SetShortCut(Value);
}
void TMenuActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) Client_->SetVisible(Value);
}
void TMenuActionLink::SetOnExecute(TNotifyEvent Value) {
  if (IsOnExecuteLinked()) Client_->OnClick = Value;
}

// ----------------------------------------------------------------------- TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), Items_(new TMenuItem(nullptr)) {
  Items_->Menu_ = this;
}

TMenu::~TMenu() {
  Items_->Menu_ = nullptr;  // the items no longer report to a menu being freed
  delete Items_;
}

void TMenu::SetOwnerDraw(bool Value) {
  if (OwnerDraw_ == Value) return;
  OwnerDraw_ = Value;
  UpdateItems();
}

void TMenu::SetImages(TMenuImages* Value) {
  if (Images_ == Value) return;
  Images_ = Value;
  UpdateItems();
}

void TMenu::SetBiDiMode(TBiDiMode Value) {
  if (BiDiMode_ == Value) return;
  BiDiMode_ = Value;
  UpdateItems();
}

void TMenu::UpdateItems() {
  if (!Items_->HandleAllocated()) return;
  std::vector<TMenuItem*> pending(Items_->Items_.begin(), Items_->Items_.end());
  while (!pending.empty()) {
    TMenuItem* item = pending.back();
    pending.pop_back();
    item->MenuChanged(true);
    pending.insert(pending.end(), item->Items_.begin(), item->Items_.end());
  }
}

void TMenu::MenuChanged(TMenuItem*, bool) {}

TMenuItem* TMenu::FindItem(UINT_PTR Value, TFindItemKind Kind) const {
  std::vector<TMenuItem*> pending{Items_};
  while (!pending.empty()) {
    TMenuItem* item = pending.back();
    pending.pop_back();
    if (item != Items_ && Kind == fkCommand && item->Command() == Value) return item;
    if (Kind == fkHandle && item->Handle_ && reinterpret_cast<UINT_PTR>(item->Handle_) == Value)
      return item;
    pending.insert(pending.end(), item->Items_.begin(), item->Items_.end());
  }
  return nullptr;
}

bool TMenu::DispatchCommand(Word ACommand) {
  TMenuItem* item = FindItem(ACommand, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU AHandle) {
  TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(AHandle), fkHandle);
  if (!item) return false;
  item->InitiateActions();
  return true;
}

void TMenu::GetChildren(TGetChildProc Proc, TComponent* Root) { Items_->GetChildren(Proc, Root); }

void TMenu::SetChildOrder(TComponent* Child, Integer Order) { Items_->SetChildOrder(Child, Order); }

// ------------------------------------------------------------------- TMainMenu

TMainMenu::~TMainMenu() { SetWindowHandle(nullptr); }

void TMainMenu::SetWindowHandle(HWND Value) {
  if (WindowHandle_ == Value) return;
  // Windows frees the menu of a window that goes, so the bar lets go first.
  if (WindowHandle_ && IsWindow(WindowHandle_)) ::SetMenu(WindowHandle_, nullptr);
  WindowHandle_ = Value;
  if (WindowHandle_) Win32Check(::SetMenu(WindowHandle_, Handle()));
}

void TMainMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
  TMenu::MenuChanged(Source, Rebuild);
  if (WindowHandle_) SendMessageA(WindowHandle_, CM_MENUCHANGED, 0, 0);
}

// ------------------------------------------------------------------ TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { PopupMenus.push_back(this); }

TPopupMenu::~TPopupMenu() {
  PopupMenus.erase(std::remove(PopupMenus.begin(), PopupMenus.end(), this), PopupMenus.end());
}

void TPopupMenu::Popup(Integer X, Integer Y) {
  static const UINT Flags[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  if (OnPopup) OnPopup(this);
  Items()->InitiateActions();
  HWND owner = PopupListWindow();
  TrackPopupMenu(Handle(), Flags[Alignment_] | TPM_RIGHTBUTTON, X, Y, 0, owner, nullptr);
}

// ---------------------------------------------------------------------- unit

void Initialization_Menus() {
  RegisterClasses({TMenuItem::StaticClass(), TMainMenu::StaticClass(),
                   TPopupMenu::StaticClass()});
}

void Finalization_Menus() {
  if (PopupWindow) DestroyWindow(PopupWindow);
  PopupWindow = nullptr;
}
