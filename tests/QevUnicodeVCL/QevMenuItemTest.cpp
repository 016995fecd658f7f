// Wide menu items: their texts in Windows menus, owner-drawn measuring and
// drawing on both roads, the menu-bar fix-up and the wide action link.
#include <memory>
#include <string>

#include "../Platform/PaintTarget.h"
#include "Forms.h"
#include "QevActnList.h"
#include "QevGraphics.h"
#include "QevMenus.h"
#include "QevTestSupport.h"

namespace {

const WideString Russian = L"&\x0424\x0430\x0439\x043B";            // "&????"
const WideString Open = L"\x041E\x0442&\x043A\x0440\x044B\x0442\x044C";  // "??&????"
const WideString Chinese = L"\x4E2D\x6587";                          // "??"

WideString EntryText(HMENU Menu, UINT Id, UINT By) {
  WCHAR text[256] = {};
  GetMenuStringW(Menu, Id, text, 256, By);
  return text;
}

// Read back the other way, by the whole record.
WideString EntryInfoText(HMENU Menu, UINT Position) {
  WCHAR text[256] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 256;
  EXPECT_TRUE(GetMenuItemInfoW(Menu, Position, TRUE, &info));
  return text;
}

UINT EntryType(HMENU Menu, UINT Position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE;
  EXPECT_TRUE(GetMenuItemInfoW(Menu, Position, TRUE, &info));
  return info.fType;
}

template <class Item>
Item* NewItem(TMenuItem* Parent, const WideString& Caption, TShortCut ShortCut = 0) {
  auto* item = new Item(nullptr);
  if constexpr (std::is_same_v<Item, TQevMenuItem>)
    item->SetCaption(Caption);
  else
    item->SetCaption(WideToAnsi(Caption));
  item->SetShortCut(ShortCut);
  Parent->Add(item);
  return item;
}

WideString WithShortCut(const WideString& Caption, TShortCut ShortCut) {
  return Caption + L"\t" + WideShortCutToText(ShortCut);
}

struct TMeasureLog {
  Integer Calls = 0;
  Integer Width = 0;
  void Measure(TObject*, TCanvas*, Integer& W, Integer&) {
    ++Calls;
    Width = W;
  }
  void Draw(TObject*, TCanvas*, TRect, TOwnerDrawState) {}
};

TEST(QevMenuItems, WideCaptionsShowWholeInMainMenusAndPopups) {
  TRoadSwitch wide(true);
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* menu = new TMainMenu(form.get());
  auto* file = NewItem<TQevMenuItem>(menu->Items(), Russian, scCtrl | 'F');
  auto* plain = NewItem<TMenuItem>(file, L"&New");
  auto* open = NewItem<TQevMenuItem>(file, Open, scCtrl | 'O');
  form->SetMenu(menu);
  HMENU bar = GetMenu(form->Handle());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(EntryText(bar, 0, MF_BYPOSITION), Russian);  // no shortcut on the bar
  EXPECT_EQ(EntryInfoText(bar, 0), Russian);
  EXPECT_EQ(EntryText(file->Handle(), 1, MF_BYPOSITION), WithShortCut(Open, scCtrl | 'O'));
  EXPECT_EQ(EntryInfoText(file->Handle(), 1), WithShortCut(Open, scCtrl | 'O'));

  // The platform writes the entry 8-bit on every change; the text stays wide.
  open->SetChecked(true);
  plain->SetVisible(false);
  plain->SetVisible(true);
  file->Insert(0, new TMenuItem(nullptr));
  file->SetVisible(false);
  file->SetVisible(true);
  open->SetShortCut(scCtrl | scShift | 'O');
  EXPECT_EQ(EntryText(bar, 0, MF_BYPOSITION), Russian);
  EXPECT_EQ(EntryText(file->Handle(), 2, MF_BYPOSITION),
            WithShortCut(Open, scCtrl | scShift | 'O'));
  open->SetCaption(Chinese);
  EXPECT_EQ(EntryText(file->Handle(), open->Command(), MF_BYCOMMAND),
            WithShortCut(Chinese, scCtrl | scShift | 'O'));

  TPopupMenu popup(nullptr);
  auto* copy = NewItem<TQevMenuItem>(popup.Items(), Chinese, scCtrl | 'C');
  auto* sub = NewItem<TQevMenuItem>(copy, Open, scCtrl | 'X');
  EXPECT_EQ(EntryText(popup.Handle(), 0, MF_BYPOSITION), Chinese);  // opens a popup: no shortcut
  EXPECT_EQ(EntryText(copy->Handle(), 0, MF_BYPOSITION), WithShortCut(Open, scCtrl | 'X'));
  copy->Remove(sub);
  delete sub;
  EXPECT_EQ(EntryText(popup.Handle(), 0, MF_BYPOSITION), WithShortCut(Chinese, scCtrl | 'C'));
}

TEST(QevMenuItems, HotKeyThePlatformMovedComesBackInTheSamePlace) {
  TRoadSwitch wide(true);
  TPopupMenu popup(nullptr);
  auto* item = NewItem<TQevMenuItem>(popup.Items(), L"\x0436&Open");
  ASSERT_EQ(item->TMenuItem::Caption(), "?&Open");
  item->TMenuItem::SetCaption("?O&pen");  // as automatic hot keys would
  EXPECT_EQ(item->Caption(), L"\x0436O&pen");
  EXPECT_EQ(EntryText(popup.Handle(), 0, MF_BYPOSITION), L"\x0436O&pen");
  item->TMenuItem::SetCaption("Other");  // more than the marks changed: the 8-bit text wins
  EXPECT_EQ(item->Caption(), L"Other");
}

// Owner-drawn items side by side: the wide one and a platform one with its
// 8-bit caption, measured and drawn on a memory bitmap in the menu font.
class OwnerDrawRoad : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    Popup.reset(new TPopupMenu(nullptr));
    Popup->SetOwnerDraw(true);
  }
  TQevMenuItem* Wide(const WideString& Caption, TShortCut ShortCut = 0) {
    return NewItem<TQevMenuItem>(Popup->Items(), Caption, ShortCut);
  }
  TMenuItem* Plain(const WideString& Caption, TShortCut ShortCut = 0) {
    return NewItem<TMenuItem>(Popup->Items(), Caption, ShortCut);
  }
  // The item's drawing as pixels, one string per row.
  std::string Drawing(TMenuItem* Item, TOwnerDrawState State, TRect Rect = {0, 0, 180, 22}) {
    TPaintTarget target(Width, Height);
    {
      TCanvas canvas;
      canvas.SetHandle(target.DC());
      AssignMenuFont(canvas.Font());
      Item->AdvancedDrawItem(&canvas, Rect, State, false);
    }
    std::string pixels;
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) pixels += std::to_string(target.Pixel(x, y)) + ",";
    return pixels;
  }
  Integer MeasuredWidth(TMenuItem* Item) {
    TPaintTarget target(1, 1);
    TCanvas canvas;
    canvas.SetHandle(target.DC());
    AssignMenuFont(canvas.Font());
    Integer width = 0, height = 0;
    Item->MeasureItem(&canvas, width, height);
    return width;
  }
  Integer WideWidth(const WideString& Text) {
    TPaintTarget target(1, 1);
    TCanvas canvas;
    canvas.SetHandle(target.DC());
    AssignMenuFont(canvas.Font());
    return WideCanvasTextWidth(&canvas, Text);
  }

  static constexpr int Width = 200, Height = 24;
  std::unique_ptr<TPopupMenu> Popup;
};
INSTANTIATE_TEST_SUITE_P(Roads, OwnerDrawRoad, testing::Values(true, false), RoadName);

TEST_P(OwnerDrawRoad, MeasuringAddsTheWideWidthOnlyOnNT) {
  const WideString caption = L"\x0416\x0416\x0416\x0416 \x4E2D\x4E2D";
  TQevMenuItem* wide = Wide(caption, scCtrl | 'O');
  TMenuItem* plain = Plain(caption, scCtrl | 'O');
  TMeasureLog log;
  wide->OnMeasureItem = TMenuMeasureItemEvent::Bind<&TMeasureLog::Measure>(&log);
  Integer wideWidth = MeasuredWidth(wide);
  Integer plainWidth = MeasuredWidth(plain);
  if (GetParam())
    EXPECT_EQ(wideWidth - plainWidth,
              WideWidth(caption) - WideWidth(AnsiToWide(WideToAnsi(caption))));
  else
    EXPECT_EQ(wideWidth, plainWidth);
  EXPECT_NE(WideWidth(caption), WideWidth(AnsiToWide(WideToAnsi(caption))));
  EXPECT_EQ(log.Calls, 1);  // once, with the final width
  EXPECT_EQ(log.Width, wideWidth);
}

TEST_P(OwnerDrawRoad, DrawsWideTextWhereThePlatformDrawsItsOwn) {
  // A caption the code page holds looks exactly as the platform draws it.
  for (TOwnerDrawState state : {TOwnerDrawState{}, TOwnerDrawState{odSelected}}) {
    EXPECT_EQ(Drawing(Wide(L"&Open", scCtrl | 'O'), state),
              Drawing(Plain(L"&Open", scCtrl | 'O'), state));
    TQevMenuItem* disabled = Wide(L"Close");
    disabled->SetEnabled(false);
    TMenuItem* plainDisabled = Plain(L"Close");
    plainDisabled->SetEnabled(false);
    EXPECT_EQ(Drawing(disabled, state), Drawing(plainDisabled, state));
  }
  // One it does not hold: on NT the wide characters, on 9x the platform's "?".
  std::string wide = Drawing(Wide(Chinese), {});
  std::string plain = Drawing(Plain(Chinese), {});
  if (GetParam())
    EXPECT_NE(wide, plain);
  else
    EXPECT_EQ(wide, plain);
}

struct TFailingCanvas {
  void Refuse(TObject*) { throw Exception(L"no painting"); }
};

TEST_P(OwnerDrawRoad, TextsSurviveADrawingThatFails) {
  TQevMenuItem* item = Wide(Chinese, scCtrl | 'P');
  TPaintTarget target(Width, Height);
  TCanvas canvas;
  canvas.SetHandle(target.DC());
  TFailingCanvas failing;
  canvas.OnChanging = TNotifyEvent::Bind<&TFailingCanvas::Refuse>(&failing);
  auto draw = [&] { item->AdvancedDrawItem(&canvas, {0, 0, 100, 20}, {}, false); };
  EXPECT_EQ(MessageOf<Exception>(draw), L"no painting");
  EXPECT_EQ(item->Caption(), Chinese);
  EXPECT_EQ(item->ShortCut(), scCtrl | 'P');
  Popup->SetOwnerDraw(false);  // the entry shows the texts it has
  if (GetParam()) {
    EXPECT_EQ(EntryText(Popup->Handle(), 0, MF_BYPOSITION), WithShortCut(Chinese, scCtrl | 'P'));
  }
}

TEST_P(OwnerDrawRoad, RightToLeftShortCutStaysInsideItsItem) {
  Popup->SetBiDiMode(bdRightToLeft);
  TQevMenuItem* item = Wide(Chinese, scCtrl | 'P');
  TPaintTarget target(Width, Height);
  const COLORREF outside = RGB(1, 2, 3);
  {
    TCanvas canvas;
    canvas.SetHandle(target.DC());
    canvas.Brush()->SetColor(static_cast<TColor>(outside));
    canvas.FillRect({0, 0, Width, Height});
    AssignMenuFont(canvas.Font());
    item->AdvancedDrawItem(&canvas, {60, 0, 190, 20}, {}, false);
  }
  for (int x = 0; x < 60; ++x) ASSERT_EQ(target.Pixel(x, 10), outside) << x;
  // The shortcut goes to the left end of the item, the caption to the right.
  EXPECT_TRUE(target.Contains({60, 0, 120, 20}, ColorToRGB(clMenuText)));
  EXPECT_TRUE(target.Contains({150, 0, 190, 20}, ColorToRGB(clMenuText)));
}

TEST(QevMenuItems, FixMainMenuOwnerDrawLeavesOnlyItemsThatNeedIt) {
  TRoadSwitch wide(true);
  std::unique_ptr<TForm> form(new TForm(nullptr));
  TMenuImages images{2, 16, 16};
  auto* menu = new TMainMenu(form.get());
  menu->SetImages(&images);  // the platform draws every bar entry itself now
  NewItem<TQevMenuItem>(menu->Items(), Russian);
  auto* pictured = NewItem<TQevMenuItem>(menu->Items(), L"Pictured");
  pictured->SetImageIndex(1);
  auto* handled = NewItem<TQevMenuItem>(menu->Items(), L"Handled");
  TMeasureLog log;
  handled->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent::Bind<&TMeasureLog::Draw>(&log);
  NewItem<TMenuItem>(menu->Items(), L"Plain");
  form->SetMenu(menu);
  HMENU bar = menu->Handle();
  for (UINT i = 0; i < 4; ++i) ASSERT_TRUE(EntryType(bar, i) & MFT_OWNERDRAW);

  FixMainMenuOwnerDraw(menu);
  EXPECT_FALSE(EntryType(bar, 0) & MFT_OWNERDRAW);
  EXPECT_EQ(EntryText(bar, 0, MF_BYPOSITION), Russian);
  EXPECT_TRUE(EntryType(bar, 1) & MFT_OWNERDRAW);
  EXPECT_TRUE(EntryType(bar, 2) & MFT_OWNERDRAW);
  EXPECT_FALSE(EntryType(bar, 3) & MFT_OWNERDRAW);
  EXPECT_EQ(EntryText(bar, 3, MF_BYPOSITION), L"Plain");
  FixMainMenuOwnerDraw(nullptr);
  menu->SetImages(nullptr);
}

TEST(QevMenuItems, ItemHasValidImageByIndexOrBitmap) {
  TPopupMenu popup(nullptr);
  auto* item = NewItem<TQevMenuItem>(popup.Items(), L"Item");
  EXPECT_FALSE(ItemHasValidImage(item));
  TMenuImages images{2, 16, 16};
  popup.SetImages(&images);
  EXPECT_FALSE(ItemHasValidImage(item));  // index -1
  item->SetImageIndex(1);
  EXPECT_TRUE(ItemHasValidImage(item));
  item->SetImageIndex(2);
  EXPECT_FALSE(ItemHasValidImage(item));
  item->Bitmap();  // an empty bitmap is no image
  EXPECT_FALSE(ItemHasValidImage(item));
  item->Bitmap()->SetSize(4, 4);
  EXPECT_TRUE(ItemHasValidImage(item));
  popup.SetImages(nullptr);
  WideString message = MessageOf<EAssertionFailed>([] { ItemHasValidImage(nullptr); });
  EXPECT_EQ(message.find(L"QEV Internal Error: ItemHasValidImage: item = nil "
                         L"(lib\\QevUnicodeVCL\\QevMenus"),
            0u);
}

TEST(QevMenuItems, LinkedItemFollowsTheWideActionEvenWithAMovedHotKey) {
  TRoadSwitch wide(true);
  TPopupMenu popup(nullptr);
  TQevAction action(nullptr);
  action.SetCaption(Chinese);
  action.SetHint(L"Hint \x0436");
  auto* item = NewItem<TQevMenuItem>(popup.Items(), L"");
  item->SetAction(&action);
  EXPECT_EQ(item->Caption(), Chinese);
  EXPECT_EQ(GetMenuItemWideHint(item), L"Hint \x0436");
  EXPECT_EQ(EntryText(popup.Handle(), 0, MF_BYPOSITION), Chinese);
  EXPECT_FALSE(item->IsCaptionStored());  // the action supplies it
  EXPECT_FALSE(item->IsHintStored());

  action.SetCaption(L"\x6587\x4E2D");  // the same 8-bit form "??"
  EXPECT_EQ(item->Caption(), L"\x6587\x4E2D");
  item->TMenuItem::SetCaption("&??");  // an automatic hot key
  action.SetCaption(Open);
  EXPECT_EQ(item->Caption(), Open);
  EXPECT_EQ(EntryText(popup.Handle(), 0, MF_BYPOSITION), Open);
  action.SetHint(L"\x4E2D");
  EXPECT_EQ(item->Hint(), L"\x4E2D");

  item->SetCaption(L"Own");  // no longer the action's
  EXPECT_TRUE(item->IsCaptionStored());
  item->SetAction(nullptr);
}

TEST(QevMenuItems, HintsOfAnyItem) {
  TMenuItem plain(nullptr);
  plain.SetHint("Plain|Long");
  EXPECT_EQ(GetMenuItemWideHint(&plain), L"Plain|Long");
  TQevMenuItem wide(nullptr);
  wide.SetHint(L"\x0436|\x4E2D");
  EXPECT_EQ(GetMenuItemWideHint(&wide), L"\x0436|\x4E2D");
  EXPECT_EQ(wide.TMenuItem::Hint(), "?|?");
}

}  // namespace
