#include "Menus.h"

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
