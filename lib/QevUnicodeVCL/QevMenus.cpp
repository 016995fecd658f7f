#include "QevMenus.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "QevActnList.h"
#include "QevClasses.h"
#include "QevControls.h"
#include "QevGraphics.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

namespace {

const WideChar* const QevUnitSource = L"lib\\QevUnicodeVCL\\QevMenus";

// Keys whose names the platform's shortcut text gives from its own resources.
bool IsPlatformNamedKey(Byte Key) {
  return Key == 8 || Key == 9 || Key == 13 || Key == 27 || (Key >= 32 && Key <= 40) ||
         Key == 45 || Key == 46 || (Key >= 112 && Key <= 135);
}

bool IsCharacterKey(Byte Key) {
  return (Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z') || (Key >= 96 && Key <= 105);
}

// The keyboard layout's name of Key; empty when it has none.
WideString WideKeyName(Byte Key) {
  QEV_ASSERT(UnicodeApiAvailable, L"Assertion failure");
  if (IsCharacterKey(Key)) {
    // Dead keys have the top bit set; a key without a character gives 0.
    auto ch = static_cast<WideChar>(MapVirtualKeyW(Key, MAPVK_VK_TO_CHAR) & 0xFFFF);
    return ch ? WideString(1, ch) : WideString();
  }
  UINT scanCode = MapVirtualKeyW(Key, MAPVK_VK_TO_VSC);
  if (scanCode == 0) return WideString();
  WideChar name[256];
  int length = GetKeyNameTextW(static_cast<LONG>(scanCode << 16), name, 256);
  return length > 0 ? WideString(name, static_cast<std::size_t>(length)) : WideString();
}

// Removes Prefix from the front of Text when it is there (case-sensitive).
bool CutPrefix(WideString& Text, const WideString& Prefix) {
  if (Prefix.empty() || Text.compare(0, Prefix.size(), Prefix) != 0) return false;
  Text.erase(0, Prefix.size());
  return true;
}

// "(" "&" character ")" around the "&" at 0-based Index, with two characters after it.
bool IsFarEastGroupAt(const WideString& S, std::size_t Index) {
  return SysLocaleFarEast && Index >= 1 && Index + 2 < S.size() && S[Index - 1] == L'(' &&
         S[Index + 2] == L')';
}

bool IsSurrogatePairAt(const WideString& S, std::size_t Index) {
  return Index + 1 < S.size() && S[Index] >= 0xD800 && S[Index] <= 0xDBFF &&
         S[Index + 1] >= 0xDC00 && S[Index + 1] <= 0xDFFF;
}

// For each character of the ANSI form of Text (read back as wide), the index
// in Text of the character it came from; Text.size() stands for the end.
// A surrogate pair may give fewer ANSI characters than its two halves.
std::vector<std::size_t> AnsiToWideIndexes(const WideString& Text) {
  std::vector<std::size_t> indexes;
  for (std::size_t i = 0; i < Text.size();) {
    std::size_t units = IsSurrogatePairAt(Text, i) ? 2 : 1;
    std::size_t ansiUnits = AnsiToWide(WideToAnsi(Text.substr(i, units))).size();
    indexes.insert(indexes.end(), ansiUnits, i);
    i += units;
  }
  return indexes;
}

}  // namespace

WideString WideShortCutToText(TShortCut ShortCut) {
  auto key = static_cast<Byte>(ShortCut & 0xFF);
  if (!UnicodeApiAvailable || IsPlatformNamedKey(key)) return AnsiToWide(ShortCutToText(ShortCut));
  WideString name = WideKeyName(key);
  if (name.empty()) return name;
  WideString result;
  if (ShortCut & scShift) result += LoadResString(SmkcShift);
  if (ShortCut & scCtrl) result += LoadResString(SmkcCtrl);
  if (ShortCut & scAlt) result += LoadResString(SmkcAlt);
  return result + name;
}

TShortCut WideTextToShortCut(WideString Text) {
  TShortCut modifiers = 0;
  for (;;) {
    if (CutPrefix(Text, LoadResString(SmkcShift)))
      modifiers |= scShift;
    else if (CutPrefix(Text, L"^") || CutPrefix(Text, LoadResString(SmkcCtrl)))
      modifiers |= scCtrl;
    else if (CutPrefix(Text, LoadResString(SmkcAlt)))
      modifiers |= scAlt;
    else
      break;
  }
  if (Text.empty()) return 0;
  for (Word key = 0x08; key <= 0x255; ++key)
    if (WideSameText(WideShortCutToText(key), Text)) return static_cast<TShortCut>(modifiers | key);
  return 0;
}

Integer FindHotKeyIndex(const WideString& Caption) {
  Integer result = 0;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] != L'&' || i + 1 >= Caption.size()) continue;
    if (Caption[i + 1] != L'&') result = static_cast<Integer>(i + 2);
    ++i;  // the marked character or the second "&" of a literal one
  }
  return result;
}

WideString HotKeyOfCaption(const WideString& Caption) {
  Integer index = FindHotKeyIndex(Caption);
  if (index == 0) return WideString();
  auto i = static_cast<std::size_t>(index - 1);
  return Caption.substr(i, IsSurrogatePairAt(Caption, i) ? 2 : 1);
}

WideString RemoveHotKeyMarks(const WideString& Caption) {
  WideString result = Caption;
  for (std::size_t i = 0; i < result.size();) {
    if (result[i] != L'&') {
      ++i;
    } else if (IsFarEastGroupAt(result, i)) {
      result.erase(i - 1, 4);
      --i;
    } else {
      result.erase(i, 1);
      ++i;  // the character after the mark stays as it is
    }
  }
  return result;
}

bool CaptionsMatchIgnoringHotKeys(const WideString& A, const WideString& B) {
  return WideSameText(RemoveHotKeyMarks(A), RemoveHotKeyMarks(B));
}

bool CaptionsMatchExactIgnoringHotKeys(const WideString& A, const WideString& B) {
  return RemoveHotKeyMarks(A) == RemoveHotKeyMarks(B);
}

void SyncHotKeyPosition(const WideString& AnsiSideCaption, WideString& WideCaption) {
  AnsiString ansiSide = WideToAnsi(AnsiSideCaption);
  if (ansiSide == WideToAnsi(WideCaption) ||
      !CaptionsMatchExactIgnoringHotKeys(AnsiToWide(ansiSide), AnsiToWide(WideToAnsi(WideCaption))))
    return;
  WideString result = RemoveHotKeyMarks(WideCaption);
  // Positions on the ANSI side count ANSI characters, which a surrogate pair
  // may outnumber, so each mark goes before the wide character it belongs to.
  std::vector<std::size_t> wideIndexes = AnsiToWideIndexes(result);
  std::size_t plain = 0, inserted = 0;  // unmarked ANSI characters passed, marks put in
  auto insertAt = [&](const WideString& mark) {
    std::size_t at = plain < wideIndexes.size() ? wideIndexes[plain] : result.size() - inserted;
    result.insert(at + inserted, mark);
    inserted += mark.size();
  };
  for (std::size_t i = 0; i < AnsiSideCaption.size(); ++i) {
    if (AnsiSideCaption[i] != L'&') {
      ++plain;
    } else if (IsFarEastGroupAt(AnsiSideCaption, i)) {
      --plain;  // the "(" belongs to the group, which the plain text lacks
      insertAt(AnsiSideCaption.substr(i - 1, 4));
      i += 2;
    } else {
      insertAt(L"&");
      if (i + 1 < AnsiSideCaption.size()) ++plain;
      ++i;
    }
  }
  WideCaption = result;
  if (WideToAnsi(WideCaption) != ansiSide)
    throw EQevInternalError(L"Internal Error: SyncHotKeyPosition Failed (\"%s\" <> \"%s\").",
                            {ansiSide, WideToAnsi(WideCaption)});
}

// ------------------------------------------------------------ wide menu items

QEV_DEFINE_CLASS(TQevMenuItem,
                 QEV_PROPERTY(Caption, Caption, SetCaption).Stored<&Self::IsCaptionStored>(),
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())

namespace {

// Record sizes by the structure, not by the bytes of one build: the wide
// queries use the record without its last field, which every NT accepts.
constexpr UINT MenuItemInfoSizeWithoutBitmap = offsetof(MENUITEMINFOW, hbmpItem);
constexpr UINT NonTextTypes = MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR;

bool Win98Plus() {
  return Win32MajorVersion > 4 || (Win32MajorVersion == 4 && Win32MinorVersion > 0);
}

WideString WideCaptionOf(TMenuItem* Item) {
  auto* wide = dynamic_cast<TQevMenuItem*>(Item);
  return wide ? wide->Caption() : AnsiToWide(Item->Caption());
}

// The text of an entry found by command, read by its length first.
WideString MenuItemText(HMENU Menu, UINT Command) {
  QEV_ASSERT(UnicodeApiAvailable, L"Assertion failure");
  int length = GetMenuStringW(Menu, Command, nullptr, 0, MF_BYCOMMAND);
  if (length <= 0) return WideString();
  WideString text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetMenuStringW(Menu, Command, text.data(), length + 1, MF_BYCOMMAND);
  text.resize(static_cast<std::size_t>(std::clamp(copied, 0, length)));
  return text;
}

void UpdateWideCaptionTree(TMenuItem* Item) {
  if (Item->ComponentState().Contains(csLoading) || Item->ComponentState().Contains(csDestroying))
    return;
  for (Integer i = Item->Count() - 1; i >= 0; --i) UpdateWideCaptionTree(Item->Items(i));
  if (dynamic_cast<TQevMenuItem*>(Item)) UpdateMenuItemWideCaption(Item, Item->GetParentMenu());
}

void SetAnsiCaption(TObject* Item, const AnsiString& Value) {
  static_cast<TMenuItem*>(Item)->TMenuItem::SetCaption(Value);
}

void SetAnsiHint(TObject* Item, const AnsiString& Value) {
  static_cast<TMenuItem*>(Item)->TMenuItem::SetHint(Value);
}

}  // namespace

WideString GetMenuItemWideHint(TMenuItem* Item) {
  auto* wide = dynamic_cast<TQevMenuItem*>(Item);
  return wide ? wide->Hint() : AnsiToWide(Item->Hint());
}

bool ItemHasValidImage(TMenuItem* Item) {
  QEV_ASSERT(Item, L"QEV Internal Error: ItemHasValidImage: item = nil");
  TMenu* menu = Item->GetParentMenu();
  TMenuImages* images = menu ? menu->Images() : nullptr;
  return (images && Item->ImageIndex() >= 0 && Item->ImageIndex() < images->Count) ||
         Item->HasBitmap();
}

void FixMainMenuOwnerDraw(TMainMenu* Menu) {
  if (!Menu || !Win98Plus()) return;
  HMENU handle = Menu->Handle();
  int count = GetMenuItemCount(handle);
  for (int position = 0; position < count; ++position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE;
    if (!GetMenuItemInfoA(handle, static_cast<UINT>(position), TRUE, &info)) break;
    if (!(info.fType & MFT_OWNERDRAW)) continue;
    TMenuItem* item = Menu->FindItem(info.wID, fkCommand);
    if (!item || item->OnDrawItem || item->OnAdvancedDrawItem || ItemHasValidImage(item)) continue;
    UINT type = info.fType & ~static_cast<UINT>(MFT_OWNERDRAW);
    if (UnicodeApiAvailable && dynamic_cast<TQevMenuItem*>(item)) {
      WideString caption = WideCaptionOf(item);
      MENUITEMINFOW wide{};
      wide.cbSize = sizeof(wide);
      wide.fMask = MIIM_STRING | MIIM_FTYPE;
      wide.fType = type;
      wide.dwTypeData = caption.data();
      SetMenuItemInfoW(handle, static_cast<UINT>(position), TRUE, &wide);
    } else {
      AnsiString caption = item->Caption();
      info.fMask = MIIM_STRING | MIIM_FTYPE;
      info.fType = type;
      info.dwTypeData = caption.data();
      SetMenuItemInfoA(handle, static_cast<UINT>(position), TRUE, &info);
    }
  }
}

void UpdateMenuItemWideCaption(TMenuItem* Item, TMenu* Menu) {
  if (!UnicodeApiAvailable || !Item->Parent() || !Menu || !Item->Visible()) return;
  TComponentState state = Item->ComponentState();
  if (state.Contains(csLoading) || state.Contains(csDestroying)) return;
  HMENU parent = Item->Parent()->Handle();
  WideChar buffer[80];
  MENUITEMINFOW info{};
  info.cbSize = MenuItemInfoSizeWithoutBitmap;
  info.fMask = MIIM_TYPE;
  info.dwTypeData = buffer;
  info.cch = 80;
  if (!GetMenuItemInfoW(parent, Item->Command(), FALSE, &info) || (info.fType & NonTextTypes))
    return;
  WideString text = WideCaptionOf(Item);
  if (Item->Count() == 0 && Item->ShortCut() != 0 && !Item->IsTopLevel())
    text += L"\t" + WideShortCutToText(Item->ShortCut());
  if (MenuItemText(parent, Item->Command()) == text) return;
  info.cbSize = MenuItemInfoSizeWithoutBitmap;
  info.fMask = MIIM_TYPE;
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!SetMenuItemInfoW(parent, Item->Command(), FALSE, &info)) RaiseLastOSError();
  auto* mainMenu = dynamic_cast<TMainMenu*>(Menu);
  if (Item->Parent() == Menu->Items() && mainMenu && mainMenu->WindowHandle())
    DrawMenuBar(mainMenu->WindowHandle());
}

void UpdateMiddleEastMenu(TMenu* Menu) {
  if (!SysLocaleMiddleEast || !Menu) return;
  TMenuItem* root = Menu->Items();
  if (root->Count() > 0 && dynamic_cast<TQevMenuItem*>(root->Items(0)))
    UpdateMenuItemWideCaption(root->Items(0), Menu);
}

// -------------------------------------------------------------- TQevMenuItem

WideString TQevMenuItem::Caption() {
  SyncHotKeyPosition(AnsiToWide(TMenuItem::Caption()), WideCaption_);
  return ReconcileWideText(WideCaption_, TMenuItem::Caption());
}

void TQevMenuItem::SetCaption(const WideString& Value) {
  Caption();
  SetHeldWideText(Value, WideCaption_, TMenuItem::Caption(), &SetAnsiCaption, this);
}

WideString TQevMenuItem::Hint() { return ReconcileWideText(WideHint_, TMenuItem::Hint()); }

void TQevMenuItem::SetHint(const WideString& Value) {
  SetHeldWideText(Value, WideHint_, TMenuItem::Hint(), &SetAnsiHint, this);
}

bool TQevMenuItem::IsCaptionStored() const {
  return !ActionLink() || !ActionLink()->IsCaptionLinked();
}

bool TQevMenuItem::IsHintStored() const { return !ActionLink() || !ActionLink()->IsHintLinked(); }

void TQevMenuItem::DefineProperties(TFiler* Filer) {
  TMenuItem::DefineProperties(Filer);
  DefineWideProperties(Filer, this);
}

void TQevMenuItem::Loaded() {
  TMenuItem::Loaded();
  UpdateMenuItemWideCaption(this, GetParentMenu());
}

void TQevMenuItem::MenuChanged(bool Rebuild) {
  if (IgnoreMenuChanged_) return;
  TMenuItem::MenuChanged(Rebuild);
  UpdateWideCaptionTree(this);
  UpdateMiddleEastMenu(GetParentMenu());
}

TMenuActionLinkClass TQevMenuItem::GetActionLinkClass() {
  return [](TMenuItem* Client) -> TMenuActionLink* { return new TQevMenuActionLink(Client); };
}

void TQevMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (action && IsWideAction(action)) {
    if (!CheckDefaults || Caption().empty()) SetCaption(GetActionWideCaption(action));
    if (!CheckDefaults || Hint().empty()) SetHint(GetActionWideHint(action));
  }
  TMenuItem::ActionChange(Sender, CheckDefaults);
}

void TQevMenuItem::MeasureItem(TCanvas* ACanvas, Integer& Width, Integer& Height) {
  if (!UnicodeApiAvailable || IsLine()) return TMenuItem::MeasureItem(ACanvas, Width, Height);
  // The handler sees the width with the wide texts, so it runs last.
  {
    TRestore<TMenuMeasureItemEvent> handler(OnMeasureItem, nullptr);
    TMenuItem::MeasureItem(ACanvas, Width, Height);
  }
  Width +=
      WideTextWidth(ACanvas, Caption()) - WideTextWidth(ACanvas, AnsiToWide(TMenuItem::Caption()));
  if (ShortCut() != 0)
    Width += WideTextWidth(ACanvas, WideShortCutToText(ShortCut())) -
             WideTextWidth(ACanvas, AnsiToWide(ShortCutToText(ShortCut())));
  if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

Integer TQevMenuItem::WideTextWidth(TCanvas* ACanvas, const WideString& Text) {
  TRect rect{0, 0, 0, 0};
  DrawWideText(ACanvas, Text, rect,
               MenuTextAlignment(GetParentMenu()) | DT_EXPANDTABS | DT_SINGLELINE | DT_CALCRECT |
                   DT_NOCLIP,
               false);
  return rect.right - rect.left;
}

void TQevMenuItem::AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State,
                                    bool TopLevel) {
  TMenu* menu = GetParentMenu();
  bool handlersDraw =
      menu && (menu->OwnerDraw() || menu->Images()) && (OnAdvancedDrawItem || OnDrawItem);
  if (!UnicodeApiAvailable || IsLine() || handlersDraw)
    return TMenuItem::AdvancedDrawItem(ACanvas, ARect, State, TopLevel);
  // The platform paints everything but the texts, which it would paint 8-bit.
  const WideString caption = Caption();
  const TShortCut shortCut = ShortCut();
  auto setTexts = [this](const WideString& Caption, TShortCut Key) {
    TRestore<bool> ignore(IgnoreMenuChanged_, true);
    SetCaption(Caption);
    SetShortCut(Key);
  };
  setTexts(WideString(), 0);
  {
    // The texts come back even when the platform's painting fails.
    TScopeExit restore([&] { setTexts(caption, shortCut); });
    TMenuItem::AdvancedDrawItem(ACanvas, ARect, State, TopLevel);
  }
  DrawWideCaption(ACanvas, ARect, State, TopLevel);
}

void TQevMenuItem::DrawWideCaption(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State,
                                   bool TopLevel) {
  TMenu* menu = GetParentMenu();
  TMenuImages* images = menu ? menu->Images() : nullptr;
  const TRect item = ARect;
  const bool win98Plus = Win98Plus();
  const bool win2K = Win32MajorVersion > 4;
  const bool selected = State.Contains(odSelected);
  const bool rightToLeft = menu && menu->IsRightToLeft();
  const WideString caption = Caption();

  // The glyph's room, as the platform laid it out.
  const bool imageValid = images && ((ImageIndex() >= 0 && ImageIndex() < images->Count) ||
                                     (Checked() && !HasBitmap()));
  const bool drawGlyph = imageValid || HasBitmap();
  TRect glyph{ARect.left + 1, ARect.top, ARect.left + 1, ARect.bottom};
  if (drawGlyph) {
    glyph.right += imageValid ? images->Width : 16;
    // The pushed-in glyph of a checked item; its pattern brush would not
    // touch text drawn with a clear brush, so only the room is kept.
    if (Checked() && !selected) ++glyph.left;
  } else if (images && !TopLevel) {
    glyph.right += images->Width;
  }
  if (rightToLeft) {
    Integer left = glyph.left;
    glyph.left = ARect.right - (glyph.right - ARect.left);
    glyph.right = ARect.right - (left - ARect.left);
  }
  glyph.left -= 1;
  glyph.right += 2;
  if (TopLevel && win98Plus && !selected && !Win51OrLater) OffsetRect(&ARect, 0, -1);
  // The text starts behind the glyph, selected or not.
  if (rightToLeft)
    ARect.right = glyph.left - 1;
  else
    ARect.left = glyph.right + 1;
  ARect.left += 2;
  ARect.right -= 1;

  UINT style = MenuTextAlignment(menu) | DT_EXPANDTABS | DT_SINGLELINE;
  if (win2K && State.Contains(odNoAccel)) style |= DT_HIDEPREFIX;
  const TRect saved = ARect;
  if (State.Contains(odDefault))
    ACanvas->Font()->SetStyle(ACanvas->Font()->Style() + TFontStyles{fsBold});
  DrawWideText(ACanvas, caption, ARect, style | DT_CALCRECT | DT_NOCLIP, selected);
  if (rightToLeft) {
    ARect.left = saved.left;
    ARect.right = saved.right;
  }
  OffsetRect(&ARect, 0, ((saved.bottom - saved.top) - (ARect.bottom - ARect.top)) / 2);
  if (TopLevel && selected && win98Plus && !Win51OrLater) OffsetRect(&ARect, 1, 0);
  DrawWideText(ACanvas, caption, ARect, style, selected);
  if (ShortCut() != 0 && !TopLevel) {
    WideString text = WideShortCutToText(ShortCut());
    if (rightToLeft) {
      // From the item's own left edge, which is not 0 in every menu.
      ARect.left = item.left + 10;
      ARect.right = ARect.left + WideCanvasTextWidth(ACanvas, text);
    } else {
      ARect.left = ARect.right;
      ARect.right = saved.right - 10;
    }
    DrawWideText(ACanvas, text, ARect, DT_RIGHT, selected);
  }
}

void TQevMenuItem::DrawWideText(TCanvas* ACanvas, const WideString& Text, TRect& Rect, UINT Flags,
                                bool Selected) {
  if (!UnicodeApiAvailable || IsLine())
    return DrawMenuText(ACanvas, WideToAnsi(Text), Rect, Flags, Selected);
  WideString text = Text;
  if ((Flags & DT_CALCRECT) && (text.empty() || text == L"&")) text += L' ';
  DrawMenuTextWith(ACanvas, Rect, Flags, Selected, [&](TRect& R, UINT F) {
    Qev_DrawTextW(ACanvas->Handle(), text.c_str(), static_cast<int>(text.size()), &R, F);
  });
}

// -------------------------------------------------------- TQevMenuActionLink

namespace {
TCustomAction* LinkedAction(TBasicAction* Action) { return static_cast<TCustomAction*>(Action); }
}  // namespace

bool TQevMenuActionLink::IsCaptionLinked() {
  return TMenuActionLink::IsCaptionLinked() &&
         CaptionsMatchIgnoringHotKeys(GetActionWideCaption(LinkedAction(Action_)),
                                      WideCaptionOf(Client_));
}

bool TQevMenuActionLink::IsHintLinked() {
  return TMenuActionLink::IsHintLinked() &&
         GetActionWideHint(LinkedAction(Action_)) == GetMenuItemWideHint(Client_);
}

void TQevMenuActionLink::SetCaption(const AnsiString& Value) {
  if (!IsCaptionLinked()) return;
  WideString caption = ActionLinkWideCaption(LinkedAction(Action_), AnsiToWide(Value));
  if (auto* wide = dynamic_cast<TQevMenuItem*>(Client_))
    wide->SetCaption(caption);
  else
    Client_->SetCaption(WideToAnsi(caption));
}

void TQevMenuActionLink::SetHint(const AnsiString& Value) {
  if (!IsHintLinked()) return;
  WideString hint = ActionLinkWideHint(LinkedAction(Action_), AnsiToWide(Value));
  if (auto* wide = dynamic_cast<TQevMenuItem*>(Client_))
    wide->SetHint(hint);
  else
    Client_->SetHint(WideToAnsi(hint));
}

// ---------------------------------------------------------------------- unit

void Initialization_QevMenus() { RegisterClass(TQevMenuItem::StaticClass()); }

void Finalization_QevMenus() {}
