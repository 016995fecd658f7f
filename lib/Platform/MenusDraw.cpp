// Owner-drawn menu entries: their size and their painting, and the menu
// font and state they are measured and painted with.
#include <algorithm>

#include "Menus.h"
#include "Scoped.h"

namespace {

// A canvas on a DC for the length of one owner-drawing call, with the menu font.
class TMenuCanvas : public TCanvas {
 public:
  explicit TMenuCanvas(HDC DC) : Saved_(SaveDC(DC)), DC_(DC) {
    SetHandle(DC);
    AssignMenuFont(Font());
  }
  ~TMenuCanvas() override {
    SetHandle(nullptr);
    RestoreDC(DC_, Saved_);
  }

 private:
  int Saved_;
  HDC DC_;
};

}  // namespace

TOwnerDrawState OwnerDrawStateOf(UINT ItemState) {
  static const struct {
    UINT Bit;
    TOwnerDrawStateItem Item;
  } Map[] = {{ODS_SELECTED, odSelected}, {ODS_GRAYED, odGrayed},     {ODS_DISABLED, odDisabled},
             {ODS_CHECKED, odChecked},   {ODS_FOCUS, odFocused},     {ODS_DEFAULT, odDefault},
             {ODS_HOTLIGHT, odHotLight}, {ODS_INACTIVE, odInactive}, {ODS_NOACCEL, odNoAccel},
             {ODS_NOFOCUSRECT, odNoFocusRect}, {ODS_COMBOBOXEDIT, odComboBoxEdit}};
  TOwnerDrawState state;
  for (const auto& entry : Map)
    if (ItemState & entry.Bit) state.Include(entry.Item);
  return state;
}

void AssignMenuFont(TFont* Font) { AssignNonClientFont(Font, &NONCLIENTMETRICSA::lfMenuFont); }

UINT MenuTextAlignment(const TMenu* Menu) {
  static const UINT Flags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  auto* popup = dynamic_cast<const TPopupMenu*>(Menu);
  return popup ? Flags[popup->Alignment()] : DT_LEFT;
}

namespace {
bool Win98Plus() {
  return Win32MajorVersion > 4 || (Win32MajorVersion == 4 && Win32MinorVersion > 0);
}
}  // namespace

void TMenuItem::MeasureItem(TCanvas* ACanvas, Integer& Width, Integer& Height) {
  TMenu* menu = GetParentMenu();
  TMenuImages* images = menu ? menu->Images() : nullptr;
  // Glyph room, caption and margins as AdvancedDrawItem lays them out.
  UINT style = MenuTextAlignment(menu) | DT_EXPANDTABS | DT_SINGLELINE | DT_CALCRECT | DT_NOCLIP;
  TRect text{0, 0, 0, 0};
  DrawMenuText(ACanvas, Caption_, text, style, false);
  Width = text.right - text.left + 6;
  Height = text.bottom - text.top + 4;
  if (images) {
    Width += images->Width;
    Height = std::max<Integer>(Height, images->Height + 4);
  } else if (HasBitmap()) {
    Width += 16;
  }
  if (ShortCut_ && !IsTopLevel()) {
    TRect shortCut{0, 0, 0, 0};
    DrawMenuText(ACanvas, ShortCutToText(ShortCut_), shortCut, style, false);
    Width += 20 + shortCut.right - shortCut.left;
  }
  if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State,
                                 bool TopLevel) {
  TMenu* menu = GetParentMenu();
  TMenuImages* images = menu ? menu->Images() : nullptr;
  if (menu && (menu->OwnerDraw() || images) && (OnAdvancedDrawItem || OnDrawItem)) {
    if (OnAdvancedDrawItem)
      OnAdvancedDrawItem(this, ACanvas, ARect, State);
    else
      OnDrawItem(this, ACanvas, ARect, State.Contains(odSelected));
    return;
  }
  const TRect item = ARect;
  const bool selected = State.Contains(odSelected);
  const bool highlight = selected && !(TopLevel && Win98Plus());
  const bool rightToLeft = menu && menu->IsRightToLeft();
  ACanvas->Brush()->SetColor(highlight ? clHighlight : clMenu);
  ACanvas->Font()->SetColor(highlight ? clHighlightText : clMenuText);
  ACanvas->FillRect(ARect);
  // The glyph's room; the text starts behind it.
  const bool imageValid = images && ((ImageIndex_ >= 0 && ImageIndex_ < images->Count) ||
                                     (Checked_ && !HasBitmap()));
  TRect glyph{ARect.left + 1, ARect.top, ARect.left + 1, ARect.bottom};
  const bool drawGlyph = imageValid || HasBitmap();
  if (drawGlyph)
    glyph.right += imageValid ? images->Width : 16;
  else if (images && !TopLevel)
    glyph.right += images->Width;
  if (rightToLeft) {
    Integer left = glyph.left;
    glyph.left = ARect.right - (glyph.right - ARect.left);
    glyph.right = ARect.right - (left - ARect.left);
  }
  if (drawGlyph) DrawGlyph(ACanvas, glyph);
  glyph.left -= 1;
  glyph.right += 2;
  if (rightToLeft)
    ARect.right = glyph.left - 1;
  else
    ARect.left = glyph.right + 1;
  ARect.left += 2;
  ARect.right -= 1;

  UINT style = MenuTextAlignment(menu) | DT_EXPANDTABS | DT_SINGLELINE;
  if (State.Contains(odNoAccel)) style |= DT_HIDEPREFIX;
  const TRect saved = ARect;
  DrawMenuText(ACanvas, Caption_, ARect, style | DT_CALCRECT | DT_NOCLIP, selected);
  if (rightToLeft) {
    ARect.left = saved.left;
    ARect.right = saved.right;
  }
  OffsetRect(&ARect, 0, ((saved.bottom - saved.top) - (ARect.bottom - ARect.top)) / 2);
  DrawMenuText(ACanvas, Caption_, ARect, style, selected);
  if (ShortCut_ && !TopLevel) {
    AnsiString text = ShortCutToText(ShortCut_);
    if (rightToLeft) {
      ARect.left = item.left + 10;
      ARect.right = ARect.left + ACanvas->TextWidth(text);
    } else {
      ARect.left = ARect.right;
      ARect.right = saved.right - 10;
    }
    DrawMenuText(ACanvas, text, ARect, DT_RIGHT, selected);
  }
}

void TMenuItem::DrawGlyph(TCanvas* ACanvas, const TRect& Glyph) {
  if (HasBitmap()) {
    Integer x = Glyph.left + (Glyph.right - Glyph.left - Bitmap_->Width()) / 2;
    Integer y = Glyph.top + (Glyph.bottom - Glyph.top - Bitmap_->Height()) / 2;
    ACanvas->Draw(x, y, Bitmap_);
  } else if (Checked_) {
    // The stand-in image list has no pictures: a checked item shows the check mark.
    TRect mark = Glyph;
    DrawFrameControl(ACanvas->Handle(), &mark, DFC_MENU, DFCS_MENUCHECK);
  }
}

void TMenuItem::DrawMenuText(TCanvas* ACanvas, const AnsiString& Text, TRect& Rect, UINT Flags,
                             bool Selected) {
  AnsiString text = Text;
  // An empty text (or a lone "&") measures no height without a character.
  if ((Flags & DT_CALCRECT) && (text.empty() || text == "&")) text += ' ';
  DrawMenuTextWith(ACanvas, Rect, Flags, Selected, [&](TRect& R, UINT F) {
    ::DrawTextA(ACanvas->Handle(), text.c_str(), static_cast<int>(text.size()), &R, F);
  });
}

// ---------------------------------------------------------- menu messages

bool TMenu::DispatchMeasureItem(MEASUREITEMSTRUCT& Data) {
  if (Data.CtlType != ODT_MENU) return false;
  TMenuItem* item = FindItem(Data.itemID, fkCommand);
  if (!item) return false;
  TScreenDC dc;
  TMenuCanvas canvas(dc);
  Integer width = static_cast<Integer>(Data.itemWidth);
  Integer height = static_cast<Integer>(Data.itemHeight);
  item->MeasureItem(&canvas, width, height);
  Data.itemWidth = static_cast<UINT>(std::max<Integer>(width, 0));
  Data.itemHeight = static_cast<UINT>(std::max<Integer>(height, 0));
  return true;
}

bool TMenu::DispatchDrawItem(const DRAWITEMSTRUCT& Data) {
  if (Data.CtlType != ODT_MENU) return false;
  TMenuItem* item = FindItem(Data.itemID, fkCommand);
  if (!item) return false;
  TMenuCanvas canvas(Data.hDC);
  item->AdvancedDrawItem(&canvas, Data.rcItem, OwnerDrawStateOf(Data.itemState),
                         item->IsTopLevel());
  return true;
}
