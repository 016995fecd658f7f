#include <gtest/gtest.h>

#include <memory>

#include "Forms.h"
#include "StdCtrls.h"

namespace {

// One edit session on a memo's lines; returns the text it leaves.
AnsiString EditLines(TMemo* Memo) {
  TStrings* lines = Memo->Lines();
  lines->Add("one");
  lines->Add("three");
  lines->Insert(1, "two");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Get(1), "two");
  lines->Put(0, "first");
  lines->Delete(2);
  EXPECT_THROW(lines->Insert(3, "beyond"), EStringListError);
  AnsiString built = Memo->GetText();
  Memo->SetText("a\r\nb");  // a last line without a break
  lines->Add("c");
  EXPECT_EQ(Memo->GetText(), "a\r\nb\r\nc");
  lines->SetText("x\ny\r");  // lone breaks become CR LF
  EXPECT_EQ(lines->Count(), 2);
  EXPECT_EQ(lines->Text(), "x\r\ny\r\n");
  return built;
}

TEST(MemoTest, LinesFollowTheTextAndStyleChangesRecreateTheWindow) {
  std::unique_ptr<TForm> form(new TForm(nullptr));
  form->SetBorderStyle(bsNone);
  auto* windowless = new TMemo(form.get());
  EXPECT_EQ(EditLines(windowless), "first\r\ntwo\r\n");
  EXPECT_FALSE(windowless->HandleAllocated());

  auto* memo = new TMemo(form.get());
  memo->SetParent(form.get());
  memo->SetReadOnly(true);
  auto style = [&] { return GetWindowLongPtrA(memo->Handle(), GWL_STYLE); };
  EXPECT_FALSE(style() & (ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL));  // wraps by default
  memo->SetBounds(0, 0, 60, 200);
  memo->Lines()->SetText("many words that cannot share one narrow line");
  EXPECT_GT(memo->Lines()->Count(), 2);  // the lines it shows

  HWND first = memo->Handle();
  memo->SetScrollBars(ssVertical);
  memo->SetWordWrap(false);
  EXPECT_NE(memo->Handle(), first);
  EXPECT_EQ(style() & (ES_AUTOHSCROLL | ES_READONLY | WS_HSCROLL | WS_VSCROLL),
            ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL);
  memo->Lines()->Clear();
  EXPECT_EQ(EditLines(memo), "first\r\ntwo\r\n");  // as without a window
  EXPECT_EQ(GetWindowTextOf(memo->Handle()), "x\r\ny\r\n");
  memo->SetBorderStyle(bsNone);
  EXPECT_FALSE(GetWindowLongPtrA(memo->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  memo->SetWantReturns(false);  // Enter is left to the form
  EXPECT_FALSE(SendMessageA(memo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
}

}  // namespace
