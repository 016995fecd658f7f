#include "QevMenus.h"

#include <vector>

#include "QevSysUtils.h"

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
