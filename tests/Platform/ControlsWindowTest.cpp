#include <gtest/gtest.h>

#include <memory>

#include "Forms.h"

namespace {

// The mouse is put over the window for real: WM_SETCURSOR finds the control
// under it through GetCursorPos.
TEST(ControlsWindowTest, SetCursorShowsTheCursorOfTheWindowlessChildUnderTheMouse) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(bsNone);  // Wine waits for a window manager when hiding framed windows
  form->SetBounds(10, 10, 200, 100);
  auto* link = new TGraphicControl(form.get());
  link->SetParent(form.get());
  link->SetBounds(20, 20, 50, 20);
  link->SetCursor(crHandPoint);
  form->Show();
  HWND wnd = form->Handle();
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW), hand = LoadCursorA(nullptr, IDC_HAND);
  auto cursorAt = [&](int X, int Y) {
    POINT pos{X, Y};
    ClientToScreen(wnd, &pos);
    SetCursorPos(pos.x, pos.y);
    SetCursor(nullptr);
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(hand, cursorAt(30, 25));
  EXPECT_EQ(arrow, cursorAt(150, 70));  // the form's own (its class cursor)
  link->SetVisible(false);
  EXPECT_EQ(arrow, cursorAt(30, 25));
}

}  // namespace
