#include <gtest/gtest.h>

#include <memory>

#include "Forms.h"
#include "PaintTarget.h"
#include "Scoped.h"

namespace {

// Paints a blue square into its corner and notes what kind of DC it had.
class TBufferProbe : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  DWORD PaintedOn = 0;

 protected:
  void Paint() override {
    PaintedOn = GetObjectType(Canvas()->Handle());
    Canvas()->Brush()->SetColor(clBlue);
    Canvas()->FillRect(Rect(0, 0, 10, 10));
  }
};

TEST(ControlsPaintTest, DoubleBufferedControlPaintsThroughABitmapAndSkipsTheSystemErase) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(10, 10, 100, 100);
  auto* probe = new TBufferProbe(form.get());
  probe->SetParent(form.get());
  probe->SetBounds(0, 0, 40, 40);
  probe->SetColor(clRed);
  probe->SetDoubleBuffered(true);
  form->Show();
  HWND wnd = probe->Handle();
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), probe->PaintedOn);
  {
    TWindowDC dc(wnd);
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 5, 5));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 20, 20));  // erased in the bitmap
  }
  TPaintTarget target(40, 40);
  EXPECT_EQ(1, SendMessageA(wnd, WM_ERASEBKGND, target.WParam(), 0));
  EXPECT_EQ(RGB(0, 0, 0), target.Pixel(20, 20));
}

}  // namespace
