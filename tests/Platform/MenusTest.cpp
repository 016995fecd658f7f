// Menu items, main and popup menus as real Windows menus, and their forms.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Forms.h"
#include "Menus.h"
#include "PaintTarget.h"
#include "TestSupport.h"

namespace {

std::string EntryText(HMENU Menu, UINT Position) {
  char text[256] = {};
  GetMenuStringA(Menu, Position, text, sizeof(text), MF_BYPOSITION);
  return text;
}

MENUITEMINFOA Entry(HMENU Menu, UINT Position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
  EXPECT_TRUE(GetMenuItemInfoA(Menu, Position, TRUE, &info));
  return info;
}

TMenuItem* NewItem(TMenuItem* Parent, const AnsiString& Caption, TShortCut ShortCut = 0) {
  auto* item = new TMenuItem(nullptr);
  item->SetCaption(Caption);
  item->SetShortCut(ShortCut);
  Parent->Add(item);
  return item;
}

// What the items reported.
struct TMenuLog {
  std::string Calls;
  TOwnerDrawState State;
  TRect Rect{};
  void Click(TObject* Sender) {
    Calls += "click " + static_cast<TMenuItem*>(Sender)->Caption() + ";";
  }
  void Measure(TObject*, TCanvas* Canvas, Integer& Width, Integer& Height) {
    Calls += Canvas && Canvas->HandleAllocated() ? "measure;" : "measure without canvas;";
    Width = 77;
    Height = 19;
  }
  void Draw(TObject*, TCanvas*, TRect ARect, TOwnerDrawState AState) {
    Calls += "draw;";
    Rect = ARect;
    State = AState;
  }
  void Popup(TObject*) { Calls += "popup;"; }
  void Execute(TObject* Sender) { Calls += std::string("execute ") + Sender->ClassName() + ";"; }
};

// A hidden form with a main menu File (Open Ctrl+O, line, Exit) and Help.
class MenusTest : public testing::Test {
 protected:
  void SetUp() override {
    Form.reset(new TForm(nullptr));
    Menu = new TMainMenu(Form.get());
    File = NewItem(Menu->Items(), "&File", scCtrl | 'F');
    Open = NewItem(File, "&Open", scCtrl | 'O');
    Line = NewItem(File, "-");
    Exit = NewItem(File, "E&xit");
    Help = NewItem(Menu->Items(), "&Help");
    Form->SetMenu(Menu);
  }
  HMENU Bar() { return GetMenu(Form->Handle()); }

  std::unique_ptr<TForm> Form;
  TMainMenu* Menu = nullptr;
  TMenuItem *File = nullptr, *Open = nullptr, *Line = nullptr, *Exit = nullptr, *Help = nullptr;
  TMenuLog Log;
};

TEST_F(MenusTest, TheFormsBarShowsTheTreeWithShortCutsOnlyInPopups) {
  ASSERT_NE(Bar(), nullptr);
  EXPECT_EQ(Bar(), Menu->Handle());
  EXPECT_EQ(Menu->WindowHandle(), Form->Handle());
  ASSERT_EQ(GetMenuItemCount(Bar()), 2);
  EXPECT_EQ(EntryText(Bar(), 0), "&File");  // no shortcut text on the bar
  EXPECT_EQ(EntryText(Bar(), 1), "&Help");
  EXPECT_EQ(GetSubMenu(Bar(), 0), File->Handle());
  EXPECT_EQ(GetSubMenu(Bar(), 1), nullptr);
  HMENU file = File->Handle();
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(EntryText(file, 0), "&Open\tCtrl+O");
  EXPECT_TRUE(Entry(file, 1).fType & MFT_SEPARATOR);
  EXPECT_EQ(Entry(file, 2).wID, Exit->Command());
  EXPECT_NE(Open->Command(), Exit->Command());
  EXPECT_NE(File->Command(), Help->Command());
}

TEST_F(MenusTest, ChangesReachTheirOwnEntryAndLeaveTheOthers) {
  HMENU file = File->Handle();
  Open->SetChecked(true);
  Exit->SetEnabled(false);
  EXPECT_TRUE(GetMenuState(file, Open->Command(), MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(file, Exit->Command(), MF_BYCOMMAND) & MF_GRAYED);

  Open->SetVisible(false);
  ASSERT_EQ(GetMenuItemCount(file), 2);
  EXPECT_TRUE(Entry(file, 0).fType & MFT_SEPARATOR);
  auto* save = new TMenuItem(nullptr);
  save->SetCaption("&Save");
  File->Insert(1, save);  // between the hidden Open and the line
  EXPECT_EQ(EntryText(file, 0), "&Save");
  Open->SetVisible(true);
  EXPECT_EQ(EntryText(file, 0), "&Open\tCtrl+O");
  EXPECT_EQ(EntryText(file, 1), "&Save");
  EXPECT_TRUE(GetMenuState(file, Open->Command(), MF_BYCOMMAND) & MF_CHECKED);

  save->SetMenuIndex(3);
  EXPECT_EQ(EntryText(file, 3), "&Save");
  delete save;
  EXPECT_EQ(GetMenuItemCount(file), 3);
  Exit->SetCaption("&Quit");
  EXPECT_EQ(EntryText(file, 2), "&Quit");

  // An item that gets its first sub-item opens a popup from then on.
  TMenuItem* about = NewItem(Help, "&About");
  EXPECT_EQ(GetSubMenu(Bar(), 1), Help->Handle());
  Help->Remove(about);
  EXPECT_EQ(GetSubMenu(Bar(), 1), nullptr);
  EXPECT_THROW(Help->Remove(about), EMenuError);
  File->Add(about);
  EXPECT_THROW(Help->Add(about), EMenuError);  // an item has one parent
}

TEST_F(MenusTest, MenuLeavesTheWindowWhenFreedOrReplaced) {
  HWND wnd = Form->Handle();
  ASSERT_EQ(GetMenu(wnd), Menu->Handle());
  auto* other = new TMainMenu(nullptr);
  NewItem(other->Items(), "&Other");
  Form->SetMenu(other);
  EXPECT_EQ(GetMenu(wnd), other->Handle());
  EXPECT_EQ(Menu->WindowHandle(), nullptr);
  delete other;  // owned elsewhere: the form hears of it
  EXPECT_EQ(Form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(wnd), nullptr);

  Form->SetMenu(Menu);
  Form->RecreateWnd();  // the menu survives its window
  EXPECT_EQ(GetMenu(Form->Handle()), Menu->Handle());
  EXPECT_EQ(GetMenuItemCount(Menu->Handle()), 2);
  Form.reset();  // frees the menu it owns after its window
}

TEST_F(MenusTest, CommandsClickTheirItemsOrRunTheirActions) {
  Open->OnClick = TNotifyEvent::Bind<&TMenuLog::Click>(&Log);
  Exit->OnClick = TNotifyEvent::Bind<&TMenuLog::Click>(&Log);
  HWND wnd = Form->Handle();
  SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(Open->Command(), 0), 0);
  Exit->SetEnabled(false);
  SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(Exit->Command(), 0), 0);
  EXPECT_EQ(Log.Calls, "click &Open;");

  auto* action = new TAction(Form.get());
  action->SetCaption("Save");
  action->SetShortCut(scCtrl | 'S');
  action->SetOnExecute(TNotifyEvent::Bind<&TMenuLog::Execute>(&Log));
  Exit->OnClick = nullptr;
  Exit->SetAction(action);
  EXPECT_EQ(Exit->Caption(), "Save");
  EXPECT_TRUE(Exit->Enabled());
  EXPECT_EQ(EntryText(File->Handle(), 2), "Save\tCtrl+S");
  Log.Calls.clear();
  SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(Exit->Command(), 0), 0);
  EXPECT_EQ(Log.Calls, "execute TAction;");

  // An "&" the item got later keeps it linked.
  Exit->SetCaption("&Save");
  action->SetCaption("Store");
  action->SetChecked(true);
  EXPECT_EQ(Exit->Caption(), "Store");
  EXPECT_TRUE(Exit->Checked());
  delete action;
  EXPECT_EQ(Exit->Action(), nullptr);

  TPopupMenu popup(nullptr);
  TMenuItem* copy = NewItem(popup.Items(), "&Copy");
  copy->OnClick = TNotifyEvent::Bind<&TMenuLog::Click>(&Log);
  Log.Calls.clear();
  SendMessageA(PopupListWindow(), WM_COMMAND, MAKEWPARAM(copy->Command(), 0), 0);
  EXPECT_EQ(Log.Calls, "click &Copy;");
}

TEST_F(MenusTest, OwnerDrawnEntriesAreMeasuredAndDrawnThroughTheForm) {
  HWND wnd = Form->Handle();
  EXPECT_FALSE(Entry(File->Handle(), 0).fType & MFT_OWNERDRAW);
  Menu->SetOwnerDraw(true);
  EXPECT_TRUE(Entry(File->Handle(), 0).fType & MFT_OWNERDRAW);
  EXPECT_TRUE(Entry(Bar(), 0).fType & MFT_OWNERDRAW);
  EXPECT_EQ(EntryText(File->Handle(), 0), "&Open\tCtrl+O");  // the text stays for the keyboard

  MEASUREITEMSTRUCT measure{ODT_MENU, 0, Open->Command(), 0, 0, 0};
  EXPECT_TRUE(SendMessageA(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
  EXPECT_GT(measure.itemWidth, 40u);  // caption, shortcut and margins
  EXPECT_GT(measure.itemHeight, 8u);
  Open->OnMeasureItem = TMenuMeasureItemEvent::Bind<&TMenuLog::Measure>(&Log);
  SendMessageA(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  EXPECT_EQ(measure.itemWidth, 77u);
  EXPECT_EQ(measure.itemHeight, 19u);

  TPaintTarget target(200, 40);
  DRAWITEMSTRUCT draw{ODT_MENU, 0, Open->Command(), ODA_DRAWENTIRE, ODS_SELECTED,
                      reinterpret_cast<HWND>(Bar()), target.DC(), {0, 0, 150, 20}, 0};
  EXPECT_TRUE(SendMessageA(wnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_EQ(target.Pixel(2, 2), ColorToRGB(clHighlight));
  EXPECT_TRUE(target.Contains({0, 0, 150, 20}, ColorToRGB(clHighlightText)));
  EXPECT_EQ(target.Pixel(160, 2), RGB(0, 0, 0));  // nothing outside the entry

  Open->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent::Bind<&TMenuLog::Draw>(&Log);
  draw.itemState = ODS_SELECTED | ODS_NOACCEL;
  SendMessageA(wnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
  EXPECT_EQ(Log.Calls, "measure;draw;");
  EXPECT_EQ(Log.State, (TOwnerDrawState{odSelected, odNoAccel}));
  EXPECT_EQ(Log.Rect.right, 150);

  // Another window's item is not the menu's.
  MEASUREITEMSTRUCT control{ODT_BUTTON, 5, 1, 0, 0, 0};
  EXPECT_FALSE(Menu->DispatchMeasureItem(control));

  // A glyph of its own makes an entry owner-drawn in a plain menu too.
  Menu->SetOwnerDraw(false);
  EXPECT_FALSE(Entry(Bar(), 1).fType & MFT_OWNERDRAW);
  Help->Bitmap()->SetSize(8, 8);
  EXPECT_TRUE(Entry(Bar(), 1).fType & MFT_OWNERDRAW);
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  EndMenu();
}

TEST_F(MenusTest, PopupOpensWithItsItemsMeasuredAndClosesAgain) {
  TPopupMenu popup(nullptr);
  popup.SetOwnerDraw(true);
  popup.OnPopup = TNotifyEvent::Bind<&TMenuLog::Popup>(&Log);
  TMenuItem* cut = NewItem(popup.Items(), "Cu&t");
  cut->OnMeasureItem = TMenuMeasureItemEvent::Bind<&TMenuLog::Measure>(&Log);
  SetTimer(nullptr, 0, 1, &CloseMenu);
  popup.Popup(20, 20);
  EXPECT_EQ(Log.Calls.substr(0, 14), "popup;measure;");
}

TEST(MenuStreams, ATreeRoundTripsThroughAFormStream) {
  std::unique_ptr<TMainMenu> menu(new TMainMenu(nullptr));
  menu->SetName("MainMenu1");
  auto* file = new TMenuItem(menu.get());
  file->SetName("File1");
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* open = new TMenuItem(menu.get());
  open->SetName("Open1");
  open->SetCaption("&Open");
  open->SetShortCut(scCtrl | 'O');
  open->SetChecked(true);
  file->Add(open);

  TMemoryStream binary;
  binary.WriteComponent(menu.get());
  binary.SetPosition(0);
  std::unique_ptr<TComponent> read(binary.ReadComponent(nullptr));
  auto* copy = dynamic_cast<TMainMenu*>(read.get());
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->Items()->Count(), 1);
  TMenuItem* fileCopy = copy->Items()->Items(0);
  EXPECT_EQ(fileCopy->Name(), "File1");
  EXPECT_EQ(fileCopy->GetParentComponent(), copy);
  ASSERT_EQ(fileCopy->Count(), 1);
  TMenuItem* openCopy = fileCopy->Items(0);
  EXPECT_EQ(openCopy->Caption(), "&Open");
  EXPECT_EQ(openCopy->ShortCut(), scCtrl | 'O');
  EXPECT_TRUE(openCopy->Checked());
  EXPECT_EQ(copy->FindItem(openCopy->Command(), fkCommand), openCopy);
  EXPECT_EQ(copy->FindItem(reinterpret_cast<UINT_PTR>(fileCopy->Handle()), fkHandle), fileCopy);
}

TEST(MenuCaptions, HotKeysAreIgnoredWhereCaptionsAreCompared) {
  EXPECT_EQ(StripHotkey("&Save && E&xit&"), "Save & Exit");
  EXPECT_TRUE(AnsiSameCaption("&Save", "save"));
  EXPECT_FALSE(AnsiSameCaption("Save", "Saved"));
}

}  // namespace
