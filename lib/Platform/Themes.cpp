#include "Themes.h"

#include "Scoped.h"

bool ThemesAllowed = true;

namespace {

// comctl32, which every program here loads, brings uxtheme with it where
// the system has one.
template <class Function>
Function ThemeProc(const char* Name) {
  return ProcAddress<Function>(GetModuleHandleW(L"uxtheme.dll"), Name);
}

}  // namespace

bool ThemesEnabled() {
  if (!ThemesAllowed) return false;
  using TBoolProc = BOOL(WINAPI*)();
  auto appThemed = ThemeProc<TBoolProc>("IsAppThemed");
  auto themeActive = ThemeProc<TBoolProc>("IsThemeActive");
  return appThemed && themeActive && appThemed() && themeActive();
}

void DrawParentBackground(HWND Child, HDC DC, const RECT* Rect) {
  using TDraw = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
  if (auto draw = ThemeProc<TDraw>("DrawThemeParentBackground")) draw(Child, DC, Rect);
}

TThemeData::TThemeData(HWND Wnd, const WideChar* ClassList) {
  if (auto open = ThemeProc<HTHEME(WINAPI*)(HWND, LPCWSTR)>("OpenThemeData"))
    Theme_ = open(Wnd, ClassList);
}

TThemeData::~TThemeData() {
  if (!Theme_) return;
  if (auto close = ThemeProc<HRESULT(WINAPI*)(HTHEME)>("CloseThemeData")) close(Theme_);
}

void TThemeData::DrawBackground(HDC DC, int Part, int State, const RECT& Rect) const {
  using TDraw = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
  if (auto draw = ThemeProc<TDraw>("DrawThemeBackground"))
    draw(Theme_, DC, Part, State, &Rect, nullptr);
}

void TThemeData::DrawPartText(HDC DC, int Part, int State, const WideString& Text, DWORD Flags,
                              const RECT& Rect) const {
  using TDraw = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);
  if (auto draw = ThemeProc<TDraw>("DrawThemeText"))
    draw(Theme_, DC, Part, State, Text.c_str(), static_cast<int>(Text.size()), Flags, 0, &Rect);
}

RECT TThemeData::ContentRect(HDC DC, int Part, int State, const RECT& Rect) const {
  using TGet = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, RECT*);
  RECT content = Rect;
  auto get = ThemeProc<TGet>("GetThemeBackgroundContentRect");
  if (!get || FAILED(get(Theme_, DC, Part, State, &Rect, &content))) content = Rect;
  return content;
}

void TThemeData::DrawIcon(HDC DC, int Part, int State, const RECT& Rect, HIMAGELIST Images,
                          int Index) const {
  using TDraw = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, HIMAGELIST, int);
  if (auto draw = ThemeProc<TDraw>("DrawThemeIcon"))
    draw(Theme_, DC, Part, State, &Rect, Images, Index);
}
