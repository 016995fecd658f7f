// Wide shortcut texts and the hot-key marks of wide captions.
#pragma once

#include "Menus.h"

// The key names come from the keyboard layout on NT; elsewhere, and for the
// keys the platform names itself, the platform's text. Empty when the key has
// no name, whatever the modifiers.
WideString WideShortCutToText(TShortCut ShortCut);
// Modifier prefixes are case-sensitive ("^" is Ctrl), the key name is not;
// 0 when the text names no shortcut.
TShortCut WideTextToShortCut(WideString Text);

// 1-based index of the character after the last single "&"; 0 when none.
Integer FindHotKeyIndex(const WideString& Caption);
// The marked character; a marked surrogate pair stays whole. Empty when none.
WideString HotKeyOfCaption(const WideString& Caption);
// "&&" gives "&"; on a far-east system "(&F)" groups go entirely.
WideString RemoveHotKeyMarks(const WideString& Caption);
bool CaptionsMatchIgnoringHotKeys(const WideString& A, const WideString& B);
bool CaptionsMatchExactIgnoringHotKeys(const WideString& A, const WideString& B);
// Puts the marks of WideCaption where the platform put them in the ANSI form
// of the same caption (given as wide text). Nothing happens when the ANSI
// forms are equal or differ in more than their marks; EQevInternalError when
// the result's ANSI form still differs.
void SyncHotKeyPosition(const WideString& AnsiSideCaption, WideString& WideCaption);

// ------------------------------------------------------------ wide menu items

// The wide hint of any menu item.
WideString GetMenuItemWideHint(TMenuItem* Item);
// Its image index lies inside its menu's images, or it has a bitmap that is
// not empty. Item must be given.
bool ItemHasValidImage(TMenuItem* Item);
// Turns the menu bar's owner-drawn entries that need no owner drawing (no
// draw handler, no valid image) back into text entries. Menu may be nullptr.
void FixMainMenuOwnerDraw(TMainMenu* Menu);
// Writes the item's wide caption, and its shortcut text after a TAB, into its
// text entry in Windows (NT only). Menu: the item's menu.
void UpdateMenuItemWideCaption(TMenuItem* Item, TMenu* Menu);
// On a middle-east system the menu's first item, when it is a wide one, has
// its wide caption written again (Windows mirrors the bar and loses it).
void UpdateMiddleEastMenu(TMenu* Menu);

// A menu item with wide Caption and Hint. The platform keeps building,
// measuring and drawing it with the 8-bit texts; the item writes its wide
// caption into Windows after every change, corrects the measured width, and
// draws its wide text over what the platform drew of an owner-drawn entry.
// On the 9x road it is its platform base.
class TQevMenuItem : public TMenuItem {
  QEV_CLASS(TQevMenuItem, TMenuItem)
 public:
  using TMenuItem::TMenuItem;

  // Reading first moves the "&" marks to where the platform put them.
  WideString Caption();
  void SetCaption(const WideString& Value);
  WideString Hint();
  void SetHint(const WideString& Value);
  // Not written to forms while the action supplies them.
  bool IsCaptionStored() const;
  bool IsHintStored() const;

  void Loaded() override;
  void MeasureItem(TCanvas* ACanvas, Integer& Width, Integer& Height) override;
  void AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State,
                        bool TopLevel) override;

 protected:
  void DefineProperties(TFiler* Filer) override;
  void MenuChanged(bool Rebuild) override;
  TMenuActionLinkClass GetActionLinkClass() override;
  void ActionChange(TObject* Sender, bool CheckDefaults) override;

 private:
  void DrawWideCaption(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State, bool TopLevel);
  // The wide counterpart of the platform's DrawMenuText.
  void DrawWideText(TCanvas* ACanvas, const WideString& Text, TRect& Rect, UINT Flags,
                    bool Selected);
  Integer WideTextWidth(TCanvas* ACanvas, const WideString& Text);

  bool IgnoreMenuChanged_ = false;  // while drawing swaps the texts
  WideString WideCaption_;
  WideString WideHint_;
};

// The action link of a wide menu item: captions compare wide and ignoring
// "&" marks, and reach the item whole.
class TQevMenuActionLink : public TMenuActionLink {
 public:
  using TMenuActionLink::TMenuActionLink;
  const char* ClassName() const override { return "TQevMenuActionLink"; }
  bool IsCaptionLinked() override;
  bool IsHintLinked() override;

 protected:
  void SetCaption(const AnsiString& Value) override;
  void SetHint(const AnsiString& Value) override;
};

void Initialization_QevMenus();  // registers the classes forms create
void Finalization_QevMenus();
