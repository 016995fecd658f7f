#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "PaintTarget.h"
#include "Scoped.h"
#include "StdCtrls.h"

namespace {

// Shaped like an exception report: a borderless memo, a bevel line, size
// limits, and handlers for painting, sizing, showing and keys.
class TReportLikeForm : public TForm {
  QEV_CLASS(TReportLikeForm, TForm)
 public:
  using TForm::TForm;
  void FormPaint(TObject*) {
    PaintedOn.push_back(Canvas()->Handle());
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(Rect(0, 0, 8, 8));
  }
  void FormResize(TObject*) { ++Resizes; }
  void FormShow(TObject*) {
    ++Shows;
    if (ShowFailure == 1) Abort();
    if (ShowFailure == 2) throw Exception(L"show failed");
    ++ShowsCompleted;
  }
  void FormHide(TObject*) { throw Exception(L"hide failed"); }
  void FormCloseQuery(TObject*, bool&) { VisibleAtClose = IsWindowVisible(Handle()) != FALSE; }
  void FormKeyDown(TObject*, Word& Key, TShiftState) { std::swap(LastKey, Key); }
  void TextMemoDblClick(TObject*) { ++DblClicks; }
  void Report(TObject*, Exception* E) { Reported.push_back(E->Message); }
  TMemo* Memo() { return dynamic_cast<TMemo*>(FindComponent("TextMemo")); }
  int Resizes = 0, Shows = 0, ShowsCompleted = 0, DblClicks = 0, ShowFailure = 0;
  Word LastKey = 0;
  std::vector<HDC> PaintedOn;
  std::vector<WideString> Reported;
  bool VisibleAtClose = false;
};

}  // namespace

QEV_DEFINE_CLASS(TReportLikeForm, QEV_METHOD(FormPaint), QEV_METHOD(FormResize),
                 QEV_METHOD(FormShow), QEV_METHOD(FormKeyDown), QEV_METHOD(TextMemoDblClick))

namespace {

using TFormPtr = std::unique_ptr<TReportLikeForm>;

TEST(FormEventsTest, FormStreamSetsTheNewPropertiesAndTheyHold) {
  TFormPtr form(NewForm<TReportLikeForm>(nullptr));
  TMemo* memo = form->Memo();
  auto* bevel = dynamic_cast<TBevel*>(form->FindComponent("Bevel1"));
  ASSERT_TRUE(memo && bevel);
  EXPECT_EQ(memo->Lines()->Text(), "First line\r\nSecond line\r\n");
  EXPECT_EQ(memo->ScrollBars(), ssVertical);
  EXPECT_EQ(memo->BorderStyle(), bsNone);
  form->SetColor(clInfoBk);
  EXPECT_EQ(memo->Color(), clInfoBk);  // ParentColor
  EXPECT_EQ(bevel->Shape(), bsTopLine);
  EXPECT_EQ(bevel->Style(), bsRaised);

  form->SetBounds(0, 0, 100, 500);  // no window yet
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 300);
  form->HandleNeeded();
  form->SetBounds(0, 0, 150, 250);
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 250);
  EXPECT_GT(form->Resizes, 0);
  form->Constraints()->SetMinHeight(280);  // holds at once
  EXPECT_EQ(form->Height(), 280);
  MINMAXINFO info{};
  info.ptMaxTrackSize = {5000, 5000};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 200);
  EXPECT_EQ(info.ptMinTrackSize.y, 280);
  EXPECT_EQ(info.ptMaxTrackSize.x, 5000);  // no limit
  EXPECT_EQ(info.ptMaxTrackSize.y, 300);

  SendMessageA(memo->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(memo->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(form->DblClicks, 1);
  SendMessageA(memo->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);  // KeyPreview
  EXPECT_EQ(form->LastKey, VK_ESCAPE);
}

TEST(FormEventsTest, OnPaintDrawsOnTheFormCanvasUnderWindowlessControls) {
  TFormPtr form(NewForm<TReportLikeForm>(nullptr));
  TPaintTarget target(240, 120);
  form->Perform(WM_PAINT, target.WParam(), 0);
  EXPECT_EQ(form->PaintedOn, std::vector<HDC>{target.DC()});
  EXPECT_EQ(target.Pixel(2, 2), RGB(255, 0, 0));
  EXPECT_EQ(target.Pixel(10, 50), ColorToRGB(clBtnHighlight));  // the raised bevel line
  EXPECT_EQ(target.Pixel(10, 51), ColorToRGB(clBtnShadow));

  form->Show();  // the window's own painting
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_EQ(form->PaintedOn.size(), 2u);
  EXPECT_NE(form->PaintedOn[1], nullptr);
}

// The report form ends its showing step with Abort; it must still run modally.
// (Show and Hide outside ShowModal hand such exceptions to their caller.)
TEST(FormEventsTest, ExceptionInOnShowGoesToTheApplicationAndShowModalRuns) {
  TFormPtr form(NewForm<TReportLikeForm>(nullptr));
  TRestore<TExceptionEvent> keep(Application->OnException);
  Application->OnException = TExceptionEvent::Bind<&TReportLikeForm::Report>(form.get());
  form->OnCloseQuery = TCloseQueryEvent::Bind<&TReportLikeForm::FormCloseQuery>(form.get());
  form->ShowFailure = 1;
  PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(form->Shows, 1);
  EXPECT_EQ(form->ShowsCompleted, 0);
  EXPECT_TRUE(form->VisibleAtClose);
  EXPECT_TRUE(form->Reported.empty());  // Abort is silent

  // Leaving, the form hides: a failing OnHide must not escape the clean-up.
  form->ShowFailure = 2;
  form->OnHide = TNotifyEvent::Bind<&TReportLikeForm::FormHide>(form.get());
  PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(form->Reported, (std::vector<WideString>{L"show failed", L"hide failed"}));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

}  // namespace
