// Menus: shortcut texts, menu items and the main and popup menus built from
// them as real Windows menus. Items keep 8-bit captions; each visible item has
// one entry in its parent's Windows menu, updated in place when it changes.
#pragma once

#include "ActnList.h"
#include "Graphics.h"
#include "WinApi.h"

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// Names of keys and modifiers in shortcut texts.
extern const TResStringRec SmkcBkSp;   // "BkSp"
extern const TResStringRec SmkcTab;    // "Tab"
extern const TResStringRec SmkcEsc;    // "Esc"
extern const TResStringRec SmkcEnter;  // "Enter"
extern const TResStringRec SmkcSpace;  // "Space"
extern const TResStringRec SmkcPgUp;   // "PgUp"
extern const TResStringRec SmkcPgDn;   // "PgDn"
extern const TResStringRec SmkcEnd;    // "End"
extern const TResStringRec SmkcHome;   // "Home"
extern const TResStringRec SmkcLeft;   // "Left"
extern const TResStringRec SmkcUp;     // "Up"
extern const TResStringRec SmkcRight;  // "Right"
extern const TResStringRec SmkcDown;   // "Down"
extern const TResStringRec SmkcIns;    // "Ins"
extern const TResStringRec SmkcDel;    // "Del"
extern const TResStringRec SmkcShift;  // "Shift+"
extern const TResStringRec SmkcCtrl;   // "Ctrl+"
extern const TResStringRec SmkcAlt;    // "Alt+"
extern const TResStringRec SMenuIndexError;     // "Menu index out of range"
extern const TResStringRec SMenuReinserted;     // "Menu inserted twice"
extern const TResStringRec SMenuNotFound;       // "Sub-menu is not in menu"
extern const TResStringRec SOutOfMenuCommands;  // "No menu command identifiers left"

QEV_DECLARE_EXCEPTION(EMenuError, Exception);

// "Shift+Ctrl+Alt+" as set, then the key's name; empty when the key has no name.
AnsiString ShortCutToText(TShortCut ShortCut);
// The caption without its "&" marks ("&&" gives "&").
AnsiString StripHotkey(const AnsiString& Text);
// Equal apart from "&" marks and case, as captions with automatic hot keys are.
bool AnsiSameCaption(const AnsiString& A, const AnsiString& B);

// ------------------------------------------------------------------ menu items

enum TOwnerDrawStateItem {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
  odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
// The state bits (ODS_...) of a WM_DRAWITEM.
TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
QEV_ENUM_TYPEINFO(TBiDiMode, "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                  "bdRightToLeftReadingOnly");
enum TPopupAlignment { paLeft, paRight, paCenter };
QEV_ENUM_TYPEINFO(TPopupAlignment, "paLeft", "paRight", "paCenter");
enum TFindItemKind { fkCommand, fkHandle };

class TMenu;
class TMenuItem;
class TMenuActionLink;
bool MenuIsRightToLeft(const TMenu* Menu);

using TMenuMeasureItemEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, Integer& Width, Integer& Height)>;
using TMenuDrawItemEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;
// Makes the action link of a menu item: the "class" of its links.
using TMenuActionLinkClass = TMenuActionLink* (*)(TMenuItem* Client);

// The caption that makes an item a separator line.
constexpr const char* cLineCaption = "-";

// One item of a menu; with sub-items it opens a Windows popup menu (Handle).
// Every item has a command identifier of its own while it lives.
class TMenuItem : public TComponent {
  QEV_CLASS(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* AOwner);
  // Frees the sub-items, leaves the parent and releases the Windows menu.
  ~TMenuItem() override;

  // The Windows menu of the sub-items, made with their entries when first asked.
  HMENU Handle();
  bool HandleAllocated() const { return Handle_ != nullptr; }
  Word Command() const { return Command_; }

  Integer Count() const { return static_cast<Integer>(Items_.size()); }
  TMenuItem* Items(Integer Index) const;  // EMenuError out of range
  TMenuItem* Parent() const { return Parent_; }
  // EMenuError when Item already has a parent.
  void Add(TMenuItem* Item) { Insert(Count(), Item); }
  void Insert(Integer Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);  // EMenuError when it is not a sub-item
  void Delete(Integer Index);    // takes the item out without freeing it
  Integer IndexOf(const TMenuItem* Item) const;  // -1 when not a sub-item
  Integer MenuIndex() const { return Parent_ ? Parent_->IndexOf(this) : -1; }
  void SetMenuIndex(Integer Value);
  // The menu the tree belongs to, nullptr for a tree on its own.
  TMenu* GetParentMenu() const;
  bool IsLine() const { return Caption_ == cLineCaption; }
  // A sub-item of a main menu's root: an entry of the menu bar.
  bool IsTopLevel() const;

  const AnsiString& Caption() const { return Caption_; }
  void SetCaption(const AnsiString& Value);
  const AnsiString& Hint() const { return Hint_; }
  void SetHint(const AnsiString& Value) { Hint_ = Value; }
  TShortCut ShortCut() const { return ShortCut_; }
  void SetShortCut(TShortCut Value);
  bool Checked() const { return Checked_; }
  void SetChecked(bool Value);
  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool Value);
  bool Visible() const { return Visible_; }
  void SetVisible(bool Value);
  // Windows shows a default item in bold.
  bool Default() const { return Default_; }
  void SetDefault(bool Value);
  Integer ImageIndex() const { return ImageIndex_; }
  void SetImageIndex(Integer Value);
  // The item's own glyph, made when first asked; owner-drawn while not empty.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);
  bool HasBitmap() const { return Bitmap_ && !Bitmap_->Empty(); }

  // Runs OnClick, or the action when OnClick is the action's handler or empty.
  virtual void Click();
  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

  // Size of an owner-drawn entry: caption, shortcut and glyph room; then OnMeasureItem.
  virtual void MeasureItem(TCanvas* ACanvas, Integer& Width, Integer& Height);
  // Paints an owner-drawn entry; an owner-drawn menu's items with draw
  // handlers are painted by the handlers alone.
  virtual void AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State,
                                bool TopLevel);
  // Whether the entry is owner-drawn: the menu is, or has images, or the item has a bitmap.
  bool IsOwnerDraw() const;

  TBasicAction* Action() const;
  void SetAction(TBasicAction* Value);
  TMenuActionLink* ActionLink() const { return ActionLink_; }
  // Updates the actions of the sub-items (before the popup opens).
  void InitiateActions();

  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  // An item read from a form joins the menu or item it is written in.
  void ReadState(TReader* Reader) override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  friend class TMenu;
  friend class TMenuActionLink;
  // The item's entry follows the item again and the menu hears of it;
  // Rebuild: its kind, visibility or sub-menu changed.
  virtual void MenuChanged(bool Rebuild);
  virtual TMenuActionLinkClass GetActionLinkClass();
  // Copies the action's properties (with CheckDefaults only onto defaults).
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  // Draws, or with DT_CALCRECT measures, a text as menus show it: right to
  // left in such a menu, bold for the default item, embossed when disabled.
  // Draw(Rect, Flags) puts the text on the canvas.
  template <class DrawProc>
  void DrawMenuTextWith(TCanvas* ACanvas, TRect& Rect, UINT Flags, bool Selected, DrawProc Draw);
  void DrawMenuText(TCanvas* ACanvas, const AnsiString& Text, TRect& Rect, UINT Flags,
                    bool Selected);

 private:
  void DoActionChange(TObject* Sender);
  void BitmapChanged(TObject* Sender);
  // Entries of the sub-items in Handle_, by their position among the shown ones.
  Integer EntryPosition(const TMenuItem* Item) const;
  void InsertEntry(TMenuItem* Item);
  void UpdateEntry(TMenuItem* Item);
  void RemoveEntry(TMenuItem* Item);
  void SyncEntry(TMenuItem* Item);
  void FillEntryInfo(MENUITEMINFOA& Info, AnsiString& Text);
  void DrawGlyph(TCanvas* ACanvas, const TRect& Glyph);

  HMENU Handle_ = nullptr;
  HMENU EntryMenu_ = nullptr;  // the Windows menu holding this item's entry
  TMenu* Menu_ = nullptr;      // set on a menu's root item only
  TMenuItem* Parent_ = nullptr;
  std::vector<TMenuItem*> Items_;
  Word Command_;
  AnsiString Caption_;
  AnsiString Hint_;
  TShortCut ShortCut_ = 0;
  bool Checked_ = false;
  bool Enabled_ = true;
  bool Visible_ = true;
  bool Default_ = false;
  Integer ImageIndex_ = -1;
  TBitmap* Bitmap_ = nullptr;
  TMenuActionLink* ActionLink_ = nullptr;
};

template <class DrawProc>
void TMenuItem::DrawMenuTextWith(TCanvas* ACanvas, TRect& Rect, UINT Flags, bool Selected,
                                 DrawProc Draw) {
  TMenu* menu = GetParentMenu();
  if (menu && MenuIsRightToLeft(menu)) Flags |= DT_RIGHT | DT_RTLREADING;
  ACanvas->Brush()->SetStyle(bsClear);
  if (Default_) ACanvas->Font()->SetStyle(ACanvas->Font()->Style() + TFontStyles{fsBold});
  if (!Enabled_) {
    if (!Selected) {
      OffsetRect(&Rect, 1, 1);
      ACanvas->Font()->SetColor(clBtnHighlight);
      ACanvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
      Draw(Rect, Flags);
      OffsetRect(&Rect, -1, -1);
    }
    bool sameColours = ColorToRGB(clHighlight) == ColorToRGB(clBtnShadow);
    ACanvas->Font()->SetColor(Selected && sameColours ? clBtnHighlight : clBtnShadow);
  }
  ACanvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  Draw(Rect, Flags);
}

// The link between a menu item and its action.
class TMenuActionLink : public TActionLink {
 public:
  explicit TMenuActionLink(TMenuItem* AClient) : TActionLink(AClient), Client_(AClient) {}
  const char* ClassName() const override { return "TMenuActionLink"; }
  bool IsCaptionLinked() override;
  bool IsCheckedLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsImageIndexLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;

 protected:
  bool IsOnExecuteLinked() override;
  void SetCaption(const AnsiString& Value) override;
  void SetChecked(bool Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const AnsiString& Value) override;
  void SetImageIndex(Integer Value) override;
  void SetShortCut(TShortCut Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(TNotifyEvent Value) override;
  TMenuItem* Client_;
};

// ----------------------------------------------------------------------- menus

// What menus know of an image list: no pictures, only how many and how wide,
// which is all that sizing and owner drawing ask of it. Not owned by the menu.
struct TMenuImages {
  Integer Count = 0;
  Integer Width = 16;
  Integer Height = 16;
};

// A tree of items under an invisible root item, whose Windows menu is the menu's.
class TMenu : public TComponent {
  QEV_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  TMenuItem* Items() const { return Items_; }
  HMENU Handle() { return Items_->Handle(); }
  bool OwnerDraw() const { return OwnerDraw_; }
  void SetOwnerDraw(bool Value);
  TMenuImages* Images() const { return Images_; }
  void SetImages(TMenuImages* Value);
  TBiDiMode BiDiMode() const { return BiDiMode_; }
  void SetBiDiMode(TBiDiMode Value);
  bool IsRightToLeft() const { return BiDiMode_ != bdLeftToRight; }

  // The item of a command identifier or of a Windows popup menu; nullptr when none.
  TMenuItem* FindItem(UINT_PTR Value, TFindItemKind Kind) const;
  // Clicks the item of the command; whether the menu has it.
  bool DispatchCommand(Word ACommand);
  // Updates the actions of the popup that is about to open; whether it is the menu's.
  bool DispatchPopup(HMENU AHandle);
  // WM_MEASUREITEM / WM_DRAWITEM of an owner-drawn entry; whether it is the menu's.
  bool DispatchMeasureItem(MEASUREITEMSTRUCT& Data);
  bool DispatchDrawItem(const DRAWITEMSTRUCT& Data);

  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

 protected:
  friend class TMenuItem;
  virtual HMENU CreateMenuHandle() { return CreatePopupMenu(); }
  // An item's entry changed.
  virtual void MenuChanged(TMenuItem* Source, bool Rebuild);
  // Every entry again, for a change that concerns them all.
  void UpdateItems();

 private:
  TMenuItem* Items_;
  bool OwnerDraw_ = false;
  TMenuImages* Images_ = nullptr;
  TBiDiMode BiDiMode_ = bdLeftToRight;
};

// The menu bar of a form, which shows it on its window.
class TMainMenu : public TMenu {
  QEV_CLASS(TMainMenu, TMenu)
 public:
  using TMenu::TMenu;
  ~TMainMenu() override;  // leaves the window first
  // The window whose bar shows the menu (nullptr: none); set by the form.
  HWND WindowHandle() const { return WindowHandle_; }
  void SetWindowHandle(HWND Value);

 protected:
  HMENU CreateMenuHandle() override { return CreateMenu(); }
  // The window hears CM_MENUCHANGED, so that its bar is drawn again.
  void MenuChanged(TMenuItem* Source, bool Rebuild) override;

 private:
  HWND WindowHandle_ = nullptr;
};

// A menu that opens at a point; its commands and owner drawing are served by
// a hidden window of the unit.
class TPopupMenu : public TMenu {
  QEV_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  TPopupAlignment Alignment() const { return Alignment_; }
  void SetAlignment(TPopupAlignment Value) { Alignment_ = Value; }
  // OnPopup, the items' actions, then the menu at the screen point until it closes.
  virtual void Popup(Integer X, Integer Y);
  TNotifyEvent OnPopup;

 private:
  TPopupAlignment Alignment_ = paLeft;
};

// The window that owns every popup menu while it is open.
HWND PopupListWindow();
// The DrawText alignment of Menu's texts: a popup menu's own, left elsewhere.
UINT MenuTextAlignment(const TMenu* Menu);

// The font Windows draws menus with.
void AssignMenuFont(TFont* Font);

void Initialization_Menus();  // registers the classes forms create
void Finalization_Menus();
