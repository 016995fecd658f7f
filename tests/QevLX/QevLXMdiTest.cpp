// MDI frames and children of the framework form: the client window, Unicode
// children under it, a maximised child's bars docked into the main form's,
// and the update lock.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../Platform/MessagePump.h"
#include "ComCtrls.h"
#include "QevComCtrls.h"
#include "QevExtCtrls.h"
#include "QevLXForms.h"
#include "QevSysUtils.h"
#include "QevTestSupport.h"
#include "TestSupport.h"

#include <commctrl.h>  // after the project's <windows.h>

namespace {

// A form with a control bar holding a tool bar, and a status bar of the
// given panel widths, all registered as its MDI bars.
void AddMdiBars(TQevFormLX* Form, std::initializer_list<Integer> PanelWidths) {
  auto* controlBar = new TQevControlBar(Form);
  controlBar->SetParent(Form);
  controlBar->SetAlign(alTop);
  controlBar->SetHeight(30);
  auto* toolBar = new TToolBar(Form);
  toolBar->SetAlign(alNone);
  toolBar->SetParent(controlBar);
  toolBar->SetBounds(11, 2, 100, 26);
  auto* statusBar = new TQevStatusBar(Form);
  statusBar->SetParent(Form);
  for (Integer width : PanelWidths) statusBar->Panels()->Add()->SetWidth(width);
  Form->SetMDIControlBar(controlBar);
  Form->SetMDIToolBar(toolBar);
  Form->SetMDIStatusBar(statusBar);
}

std::vector<int> PartEdges(TWinControl* Bar) {
  std::vector<int> edges(8, 0);
  auto count = SendMessageA(Bar->Handle(), SB_GETPARTS, edges.size(),
                            reinterpret_cast<LPARAM>(edges.data()));
  edges.resize(static_cast<size_t>(count));
  return edges;
}

TQevFormLX* NewMdiChild(const WideString& Caption) {
  auto* child = NewForm<TQevFormLX>(nullptr);
  child->SetFormStyle(fsMDIChild);
  child->SetCaption(Caption);
  child->SetBounds(10, 10, 400, 300);
  return child;
}

// One MDI main form for the whole program: the application only forgets its
// main form when the form goes.
class QevLXMdiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->CreateForm(TQevFormLX::StaticClass(), &Main);
    Main->SetFormStyle(fsMDIForm);
    Main->SetBounds(0, 0, 800, 600);
    AddMdiBars(Main, {120, 80});
    Main->Show();
  }
  static void TearDownTestSuite() {
    delete Main;
    Main = nullptr;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  static TQevFormLX* Main;
};

TQevFormLX* QevLXMdiTest::Main = nullptr;

TEST(QevLXMdiNoFrameTest, ChildWithoutMdiMainFormIsRefused) {
  std::unique_ptr<TQevFormLX> child(NewMdiChild(L"x"));
  ExpectRaises<EInvalidOperation>([&] { child->HandleNeeded(); },
                                  L"Cannot create form. No MDI forms are currently active");
  std::unique_ptr<TQevFormLX> plain(NewForm<TQevFormLX>(nullptr));
  ExpectRaises<EQevInternalError>(
      [&] { plain->MDIChild_UpdateMdiDockState(true); },
      L"Internal Error: MDIChild_UpdateMdiDockState can only be called from MDI child forms.");
}

TEST_F(QevLXMdiTest, MainFormHasClientBetweenItsBars) {
  HWND client = Main->ClientHandle();
  ASSERT_NE(client, nullptr);
  char name[32] = {};
  GetClassNameA(client, name, sizeof(name));
  EXPECT_EQ(0, lstrcmpiA(name, "MDIClient"));
  EXPECT_EQ(GetParent(client), Main->Handle());
  RECT area{};
  GetWindowRect(client, &area);
  MapWindowPoints(nullptr, Main->Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_EQ(area.top, Main->MDIControlBar()->Top() + Main->MDIControlBar()->Height());
  EXPECT_EQ(area.bottom, Main->MDIStatusBar()->Top());
  EXPECT_EQ(Main->ActiveMDIChild(), nullptr);
  EXPECT_EQ(Main->MDIChildCount(), 0);
  const TColor barColor = Main->MDIControlBar()->Color();
  EXPECT_TRUE(barColor == clMenuBar || barColor == clMenu);
}

// A new frame window gets a new client (also when the old window went behind
// the form's back) and the Unicode layer keeps the wide caption across it.
TEST_F(QevLXMdiTest, NewFrameWindowGetsANewClientAndKeepsWideCaption) {
  HWND oldClient = Main->ClientHandle();
  DestroyWindow(Main->Handle());
  EXPECT_FALSE(Main->HandleAllocated());
  EXPECT_EQ(Main->ClientHandle(), nullptr);
  Main->HandleNeeded();
  ShowWindow(Main->Handle(), SW_SHOWNORMAL);
  ASSERT_NE(Main->ClientHandle(), nullptr);
  EXPECT_NE(Main->ClientHandle(), oldClient);
  EXPECT_FALSE(IsWindow(oldClient));

  const WideString caption = L"\x0436\x4E2D frame";
  Main->SetCaption(caption);
  oldClient = Main->ClientHandle();
  Main->RecreateWnd();
  ASSERT_NE(Main->ClientHandle(), nullptr);
  EXPECT_NE(Main->ClientHandle(), oldClient);
  EXPECT_TRUE(IsWindowUnicode(Main->Handle()));
  EXPECT_EQ(Main->Caption(), caption);
  WCHAR text[64] = {};
  GetWindowTextW(Main->Handle(), text, 64);
  EXPECT_EQ(WideString(text), caption);
}

TEST_F(QevLXMdiTest, UpdateLockIsBalancedAndFreezesTheClient) {
  HWND client = Main->ClientHandle();
  BeginMdiUpdate();
  BeginMdiUpdate();
  EXPECT_EQ(MdiUpdateLevel(), 2);
  EXPECT_FALSE(GetWindowLongPtrA(client, GWL_STYLE) & WS_VISIBLE);  // WM_SETREDRAW 0
  EndMdiUpdate();
  EXPECT_FALSE(GetWindowLongPtrA(client, GWL_STYLE) & WS_VISIBLE);
  EndMdiUpdate();
  EXPECT_TRUE(GetWindowLongPtrA(client, GWL_STYLE) & WS_VISIBLE);
  EndMdiUpdate();  // unbalanced: ignored, the next lock still works
  EXPECT_EQ(MdiUpdateLevel(), 0);
  BeginMdiUpdate();
  EXPECT_EQ(MdiUpdateLevel(), 1);
  EXPECT_FALSE(GetWindowLongPtrA(client, GWL_STYLE) & WS_VISIBLE);
  EndMdiUpdate();
  EXPECT_TRUE(GetWindowLongPtrA(client, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(QevLXMdiTest, UnicodeChildDocksItsBarsWhileMaximised) {
  const WideString caption = L"\x0436\x4E2D child";
  std::unique_ptr<TQevFormLX> child(NewMdiChild(caption));
  AddMdiBars(child.get(), {60, 90});
  TQevStatusBar* bar = child->MDIStatusBar();
  TToolBar* toolBar = child->MDIToolBar();
  bar->SetBounds(0, 250, 380, 19);
  const TRect ownBounds = bar->BoundsRect();
  child->Show();

  HWND wnd = child->Handle();
  EXPECT_TRUE(IsWindowUnicode(wnd));
  EXPECT_EQ(GetParent(wnd), Main->ClientHandle());
  EXPECT_TRUE(child->FormState().Contains(fsCreatedMDIChild));
  WCHAR text[64] = {};
  GetWindowTextW(wnd, text, 64);
  EXPECT_EQ(WideString(text), caption);
  EXPECT_EQ(child->Caption(), caption);
  EXPECT_EQ(Main->ActiveMDIChild(), child.get());
  ASSERT_EQ(Main->MDIChildCount(), 1);
  EXPECT_EQ(Main->MDIChildren(0), child.get());
  EXPECT_FALSE(child->MdiDocked());
  EXPECT_EQ(PartEdges(Main->MDIStatusBar()), (std::vector<int>{120, -1}));

  child->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(wnd));
  ASSERT_TRUE(child->MdiDocked());
  TQevStatusBar* mainBar = Main->MDIStatusBar();
  EXPECT_EQ(bar->Parent(), mainBar);
  EXPECT_EQ(GetParent(bar->Handle()), mainBar->Handle());
  EXPECT_EQ(bar->Left(), 120 + 2);
  EXPECT_EQ(bar->Top(), 0);
  EXPECT_EQ(bar->Width(), 60 + 90 - 2);
  EXPECT_EQ(bar->Height(), mainBar->Height());
  EXPECT_EQ(bar->Align(), alNone);
  EXPECT_FALSE(bar->SizeGrip());
  EXPECT_EQ(Main->DockedChildStatusBar(), bar);
  EXPECT_EQ(toolBar->Parent(), Main->MDIControlBar());
  EXPECT_EQ(toolBar->Left(), Main->MDIToolBar()->Left() + 1);
  EXPECT_TRUE(toolBar->Visible());
  // The main bar's own parts make room for the docked bar.
  EXPECT_EQ(PartEdges(mainBar), (std::vector<int>{120 + 150, -1}));
  UpdateWindow(mainBar->Handle());  // the separators paint without harm

  // The client switching menus shows the child restored for a moment only:
  // the bars stay where they are (a new parent would mean a new window).
  HWND barWnd = bar->Handle();
  SendMessageA(Main->ClientHandle(), WM_MDISETMENU, 0, 0);
  EXPECT_EQ(child->WindowState(), wsMaximized);
  EXPECT_TRUE(child->MdiDocked());
  EXPECT_EQ(bar->Parent(), mainBar);
  EXPECT_EQ(bar->WindowHandle(), barWnd);

  child->SetWindowState(wsNormal);
  EXPECT_FALSE(child->MdiDocked());
  EXPECT_EQ(bar->Parent(), child.get());
  EXPECT_EQ(bar->Align(), alBottom);
  EXPECT_TRUE(bar->SizeGrip());
  EXPECT_EQ(bar->Width(), ownBounds.right - ownBounds.left);
  EXPECT_EQ(toolBar->Parent(), child->MDIControlBar());
  EXPECT_EQ(toolBar->Left(), 0);
  EXPECT_EQ(Main->DockedChildStatusBar(), nullptr);
  EXPECT_EQ(PartEdges(mainBar), (std::vector<int>{120, -1}));
  EXPECT_EQ(MdiUpdateLevel(), 0);
}

TEST_F(QevLXMdiTest, FreeingADockedChildGivesTheMainBarItsPartsBack) {
  auto* child = NewMdiChild(L"going");
  AddMdiBars(child, {70});
  child->SetWindowState(wsMaximized);
  child->Show();
  ASSERT_TRUE(child->MdiDocked());
  TQevStatusBar* mainBar = Main->MDIStatusBar();
  EXPECT_EQ(Main->DockedChildStatusBar(), child->MDIStatusBar());
  EXPECT_EQ(PartEdges(mainBar), (std::vector<int>{120 + 70, -1}));

  child->BeforeDestruction();
  delete child;
  EXPECT_EQ(Main->DockedChildStatusBar(), nullptr);
  EXPECT_EQ(mainBar->ControlCount(), 0);
  EXPECT_EQ(PartEdges(mainBar), (std::vector<int>{120, -1}));
  EXPECT_EQ(Main->MDIChildCount(), 0);
  EXPECT_EQ(MdiUpdateLevel(), 0);
  UpdateWindow(mainBar->Handle());
}

TEST_F(QevLXMdiTest, ClosingAChildFreesIt) {
  auto* child = NewMdiChild(L"closed");
  child->Show();
  HWND wnd = child->Handle();
  child->Close();
  Application->ProcessMessages();  // the posted release
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(Main->MDIChildCount(), 0);
  if (IsWindow(wnd)) {  // still there (minimised): free it for the next test
    child->BeforeDestruction();
    delete child;
  }
}

TEST_F(QevLXMdiTest, EightBitRoadMakesAnAnsiChild) {
  TRoadSwitch road(false);
  std::unique_ptr<TQevFormLX> child(NewMdiChild(L"Fenster \x00E4"));
  child->Show();
  HWND wnd = child->Handle();
  EXPECT_FALSE(IsWindowUnicode(wnd));
  EXPECT_EQ(GetParent(wnd), Main->ClientHandle());
  EXPECT_EQ(GetWindowTextOf(wnd), "Fenster \xE4");
  EXPECT_EQ(child->DefWndProc(), &DefMDIChildProcA);
  EXPECT_EQ(Main->ActiveMDIChild(), child.get());
  child->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(wnd));
  EXPECT_EQ(Main->DockedChildStatusBar(), nullptr);  // a child without bars docks nothing
  child->BeforeDestruction();
  child.reset();
  EXPECT_EQ(Main->MDIChildCount(), 0);
  EXPECT_EQ(SendMessageA(Main->ClientHandle(), WM_MDIGETACTIVE, 0, 0), 0);
}

}  // namespace
