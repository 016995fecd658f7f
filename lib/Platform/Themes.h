// Visual styles: the theme's drawing of the system's control parts, from
// uxtheme bound by name (the library is not on every system).
#pragma once

#include "System.h"
#include "WinApi.h"

#include <uxtheme.h>
#include <vssym32.h>

// Test seam: false paints classic even where theme services are on.
extern bool ThemesAllowed;

// A theme is active and this program is themed.
bool ThemesEnabled();

// Child's parent draws its background into DC, where Rect (child's client
// coordinates; nullptr for all of it) lies.
void DrawParentBackground(HWND Child, HDC DC, const RECT* Rect);

// The theme data of a window class's parts, closed with the object; empty
// when the theme has none.
class TThemeData {
 public:
  TThemeData(HWND Wnd, const WideChar* ClassList);
  ~TThemeData();
  TThemeData(const TThemeData&) = delete;
  TThemeData& operator=(const TThemeData&) = delete;
  explicit operator bool() const { return Theme_ != nullptr; }

  void DrawBackground(HDC DC, int Part, int State, const RECT& Rect) const;
  void DrawPartText(HDC DC, int Part, int State, const WideString& Text, DWORD Flags,
                    const RECT& Rect) const;
  // What the part leaves inside Rect for its content; Rect without the theme.
  RECT ContentRect(HDC DC, int Part, int State, const RECT& Rect) const;
  // Picture Index of Images drawn as the part shows pictures in State.
  void DrawIcon(HDC DC, int Part, int State, const RECT& Rect, HIMAGELIST Images,
                int Index) const;

 private:
  HTHEME Theme_ = nullptr;
};
