// Common controls.
#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "Scoped.h"
#include "StdActns.h"

QEV_DEFINE_CLASS(TTabSheet,
                 QEV_PROPERTY(PageIndex, PageIndex, SetPageIndex).NotStored(),
                 QEV_PROPERTY(TabVisible, TabVisible, SetTabVisible).Default(true))
QEV_DEFINE_CLASS(TPageControl,
                 QEV_PROPERTY(Style, Style, SetStyle).Default(tsTabs),
                 QEV_PROPERTY(TabHeight, TabHeight, SetTabHeight).Default(0),
                 QEV_PROPERTY(TabWidth, TabWidth, SetTabWidth).Default(0),
                 QEV_PROPERTY(ActivePage, ActivePage, SetActivePage),
                 QEV_PROPERTY(OnChange, OnChange, OnChange),
                 QEV_PROPERTY(OnChanging, OnChanging, OnChanging))
QEV_DEFINE_CLASS(TProgressBar,
                 QEV_PROPERTY(Min, Min, SetMin).Default(0),
                 QEV_PROPERTY(Max, Max, SetMax).Default(100),
                 QEV_PROPERTY(Position, Position, SetPosition).Default(0),
                 QEV_PROPERTY(Step, Step, SetStep).Default(10),
                 QEV_PROPERTY(Smooth, Smooth, SetSmooth).Default(false))
QEV_DEFINE_CLASS(TAnimate,
                 QEV_PROPERTY(CommonAVI, CommonAVI, SetCommonAVI).Default(aviNone),
                 QEV_PROPERTY(StopFrame, StopFrame, SetStopFrame).Default(0),
                 QEV_PROPERTY(Active, Active, SetActive).Default(false))
QEV_DEFINE_CLASS(TStatusPanel,
                 QEV_PROPERTY(Alignment, Alignment, SetAlignment).Default(taLeftJustify),
                 QEV_PROPERTY(Bevel, Bevel, SetBevel).Default(pbLowered),
                 QEV_PROPERTY(Style, Style, SetStyle).Default(psText),
                 QEV_PROPERTY(Text, Text, SetText),
                 QEV_PROPERTY(Width, Width, SetWidth).Default(50))
QEV_DEFINE_CLASS(TStatusPanels)
QEV_DEFINE_CLASS(TCustomStatusBar,
                 QEV_PROPERTY(Align, Align, SetAlign).Default(alBottom),
                 QEV_PROPERTY(AutoHint, AutoHint, SetAutoHint).Default(false),
                 QEV_PROPERTY(Panels, Panels, SetPanels),
                 QEV_PROPERTY(SimplePanel, SimplePanel, SetSimplePanel).Default(false),
                 QEV_PROPERTY(SimpleText, SimpleText, SetSimpleText),
                 QEV_PROPERTY(SizeGrip, SizeGrip, SetSizeGrip).Default(true),
                 QEV_PROPERTY(OnDrawPanel, OnDrawPanel, OnDrawPanel),
                 QEV_PROPERTY(OnHint, OnHint, OnHint))
QEV_DEFINE_CLASS(TStatusBar)

namespace {
DWORD InitializedClasses = 0;
// comctl32 comes with the first common control, not at the program's start.
TLateEntry<decltype(&InitCommonControlsEx)> InitControls("comctl32.dll", "InitCommonControlsEx");
}  // namespace

void InitCommonControl(DWORD Classes) {
  if ((InitializedClasses & Classes) == Classes) return;
  INITCOMMONCONTROLSEX init{sizeof(init), Classes};
  if (InitControls.CallOr(FALSE, &init)) InitializedClasses |= Classes;
}

// -------------------------------------------------------------- tab sheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle_.Include(csAcceptsControls);
  Visible_ = false;  // until its page control shows it
  SetAlign(alClient);
  Color_ = clBtnFace;
}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (PageControl_ != Value) SetParent(Value);
}

// Form streams set the parent; a page control parent makes the sheet its page.
void TTabSheet::SetParent(TWinControl* AParent) {
  auto* pages = dynamic_cast<TPageControl*>(AParent);
  if (PageControl_ && PageControl_ != pages) PageControl_->RemovePage(this);
  TWinControl::SetParent(AParent);
  if (pages && PageControl_ != pages) pages->InsertPage(this);
}

Integer TTabSheet::PageIndex() const {
  if (!PageControl_) return -1;
  auto& pages = PageControl_->Pages_;
  return static_cast<Integer>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(Integer Value) {
  if (!PageControl_) return;
  auto& pages = PageControl_->Pages_;
  pages.erase(std::find(pages.begin(), pages.end(), this));
  Value = std::clamp<Integer>(Value, 0, static_cast<Integer>(pages.size()));
  pages.insert(pages.begin() + Value, this);
  PageControl_->UpdateTabs();
}

Integer TTabSheet::TabIndex() const {
  return PageControl_ ? PageControl_->Tabs_->IndexOfObject(const_cast<TTabSheet*>(this)) : -1;
}

void TTabSheet::SetTabVisible(bool Value) {
  if (TabVisible_ == Value) return;
  TabVisible_ = Value;
  if (PageControl_) PageControl_->UpdateTabs();
}

void TTabSheet::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WindowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}

void TTabSheet::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED && PageControl_) PageControl_->UpdateTab(this);
  TWinControl::Dispatch(Message);
}

// ----------------------------------------------------------- page control

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner), Tabs_(new TStringList) {
  ControlStyle_ = {csAcceptsControls, csDoubleClicks};
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TPageControl::~TPageControl() {
  // The sheets are freed with the children; they must not call back.
  for (TTabSheet* page : Pages_) page->PageControl_ = nullptr;
  Pages_.clear();
  ActivePage_ = nullptr;
  delete Tabs_;
  Tabs_ = nullptr;
}

void TPageControl::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_TAB_CLASSES);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, WC_TABCONTROLA);
  Params.Style |= WS_CLIPCHILDREN;
  if (Style_ != tsTabs) Params.Style |= TCS_BUTTONS;
  if (Style_ == tsFlatButtons) Params.Style |= TCS_FLATBUTTONS;
  if (TabWidth_ > 0) Params.Style |= TCS_FIXEDWIDTH;
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateTabSize();
  UpdateTabs();
}

void TPageControl::SetStyle(TTabStyle Value) {
  if (Style_ == Value) return;
  Style_ = Value;
  RecreateWnd();
}

void TPageControl::SetTabHeight(Integer Value) {
  if (TabHeight_ == Value) return;
  TabHeight_ = Value;
  UpdateTabSize();
}

void TPageControl::SetTabWidth(Integer Value) {
  if (TabWidth_ == Value) return;
  const bool fixed = (TabWidth_ > 0) != (Value > 0);
  TabWidth_ = Value;
  if (fixed) RecreateWnd();  // the fixed-width style goes with it
  else UpdateTabSize();
}

void TPageControl::UpdateTabSize() {
  if (!HandleAllocated() || (TabWidth_ <= 0 && TabHeight_ <= 0)) return;
  SendMessageA(WindowHandle(), TCM_SETITEMSIZE, 0,
               MAKELPARAM(std::max<Integer>(TabWidth_, 0), std::max<Integer>(TabHeight_, 0)));
  Realign();
}

void TPageControl::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TTabSheet* page : Pages_)
    if (page->Owner() == Root) Proc(page);
}

void TPageControl::InsertPage(TTabSheet* Page) {
  Pages_.push_back(Page);
  Page->PageControl_ = this;
  UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto it = std::find(Pages_.begin(), Pages_.end(), Page);
  if (it == Pages_.end()) return;
  TTabSheet* next = nullptr;
  if (Page == ActivePage_) {
    if (it + 1 != Pages_.end()) next = *(it + 1);
    else if (it != Pages_.begin()) next = *(it - 1);
    ActivePage_ = nullptr;
  }
  Pages_.erase(it);
  Page->PageControl_ = nullptr;
  UpdateTabs();
  if (next) SetActivePage(next);
}

void TPageControl::UpdateTabList() {
  Tabs_->Clear();
  for (TTabSheet* page : Pages_)
    if (page->TabVisible()) Tabs_->AddObject(page->Caption(), page);
}

void TPageControl::UpdateTabs() {
  UpdateTabList();
  if (!HandleAllocated()) return;
  HWND wnd = WindowHandle();
  SendMessageA(wnd, TCM_DELETEALLITEMS, 0, 0);
  for (Integer i = 0; i < Tabs_->Count(); ++i) {
    AnsiString text = Tabs_->Get(i);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(wnd, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    item.mask = TCIF_PARAM;
    item.lParam = reinterpret_cast<LPARAM>(Tabs_->GetObject(i));
    SendMessageA(wnd, TCM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  if (ActivePage_) SetTabIndex(ActivePage_->TabIndex());
  Realign();
}

void TPageControl::UpdateTab(TTabSheet* Page) {
  UpdateTabList();
  Integer index = Page->TabIndex();
  if (index < 0 || !HandleAllocated()) return;
  AnsiString text = Page->Caption();
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageA(WindowHandle(), TCM_SETITEMA, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
}

Integer TPageControl::TabIndex() {
  if (!HandleAllocated()) return ActivePage_ ? ActivePage_->TabIndex() : -1;
  return static_cast<Integer>(SendMessageA(WindowHandle(), TCM_GETCURSEL, 0, 0));
}

void TPageControl::SetTabIndex(Integer Value) {
  if (HandleAllocated()) SendMessageA(WindowHandle(), TCM_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page && Page->PageControl_ != this) return;
  if (Page == ActivePage_) return;
  TTabSheet* old = ActivePage_;
  ActivePage_ = Page;
  if (Page) {
    SetTabIndex(Page->TabIndex());
    Page->BringToFront();
    Page->SetVisible(true);
  }
  if (old) old->SetVisible(false);
}

void TPageControl::SetActivePageIndex(Integer Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? Pages(Value) : nullptr);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

bool TPageControl::CanShowTab(Integer TabIndex) {
  return TabIndex >= 0 && TabIndex < Tabs_->Count();
}

void TPageControl::Change() {
  Integer index = TabIndex();
  if (index >= 0 && index < Tabs_->Count())
    SetActivePage(static_cast<TTabSheet*>(Tabs_->GetObject(index)));
  if (OnChange) OnChange(this);
}

// Sheets fill the display area of the tabs.
void TPageControl::AlignControls(TControl* AControl, TRect& Rect) {
  if (HandleAllocated()) {
    Rect = ClientRect();
    SendMessageA(WindowHandle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Rect));
  }
  TWinControl::AlignControls(AControl, Rect);
}

void TPageControl::CNNotify(TMessage& Message) {
  const auto* header = reinterpret_cast<const NMHDR*>(Message.LParam);
  switch (header->code) {
    case TCN_SELCHANGING: Message.Result = CanChange() ? 0 : 1; break;
    case TCN_SELCHANGE: Change(); break;
    default: TWinControl::Dispatch(Message); break;
  }
}

void TPageControl::CMDialogChar(TMessage& Message) {
  for (TTabSheet* page : Pages_) {
    Integer tab = page->TabIndex();
    if (!IsAccel(static_cast<Word>(Message.WParam), page->Caption()) || !CanShowTab(tab) ||
        !CanFocus())
      continue;
    Message.Result = 1;
    if (CanChange()) {
      SetTabIndex(tab);
      Change();
    }
    return;
  }
  TWinControl::Dispatch(Message);
}

void TPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: CNNotify(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    default: TWinControl::Dispatch(Message);
  }
}

// ----------------------------------------------------------- progress bar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_PROGRESS_CLASS);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, PROGRESS_CLASSA);
  if (Smooth_) Params.Style |= PBS_SMOOTH;
}

void TProgressBar::SetSmooth(bool Value) {
  if (Smooth_ == Value) return;
  Smooth_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  SetRange();
  SendMessageA(WindowHandle(), PBM_SETSTEP, static_cast<WPARAM>(Step_), 0);
  SendMessageA(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(Position_), 0);
}

void TProgressBar::DestroyWnd() {
  Position_ = Position();
  TWinControl::DestroyWnd();
}

void TProgressBar::SetRange() {
  if (HandleAllocated())
    SendMessageA(WindowHandle(), PBM_SETRANGE32, static_cast<WPARAM>(Min_), Max_);
}

void TProgressBar::SetMin(Integer Value) {
  Min_ = Value;
  SetRange();
}

void TProgressBar::SetMax(Integer Value) {
  Max_ = Value;
  SetRange();
}

Integer TProgressBar::Position() {
  if (!HandleAllocated()) return Position_;
  return static_cast<Integer>(SendMessageA(WindowHandle(), PBM_GETPOS, 0, 0));
}

void TProgressBar::SetPosition(Integer Value) {
  Position_ = Value;
  if (HandleAllocated()) SendMessageA(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(Value), 0);
}

void TProgressBar::SetStep(Integer Value) {
  Step_ = Value;
  if (HandleAllocated()) SendMessageA(WindowHandle(), PBM_SETSTEP, static_cast<WPARAM>(Value), 0);
}

void TProgressBar::StepIt() {
  if (HandleAllocated()) SendMessageA(WindowHandle(), PBM_STEPIT, 0, 0);
  else SetPosition(Position_ + Step_);
}

void TProgressBar::StepBy(Integer Delta) {
  if (HandleAllocated()) SendMessageA(WindowHandle(), PBM_DELTAPOS, static_cast<WPARAM>(Delta), 0);
  else SetPosition(Position_ + Delta);
}

// --------------------------------------------------------------- animation

namespace {

// The module holding the system's animations; loaded once for the process.
HMODULE AnimationModule() {
  static const HMODULE module = [] {
    HMODULE loaded = GetModuleHandleW(L"shell32.dll");
    return loaded ? loaded : LoadLibraryW(L"shell32.dll");
  }();
  return module;
}

WORD AnimationResource(TCommonAVI Avi) { return Avi == aviFindComputer ? 152 : 0; }

}  // namespace

TAnimate::TAnimate(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 100, 80); }

void TAnimate::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_ANIMATE_CLASS);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, ANIMATE_CLASSA);
  Params.Style |= ACS_TRANSPARENT;
}

void TAnimate::CreateWnd() {
  TWinControl::CreateWnd();
  OpenAnimation();
}

// A missing animation is no error: the window stays empty.
void TAnimate::OpenAnimation() {
  Opened_ = false;
  if (!HandleAllocated()) return;
  const WORD id = AnimationResource(CommonAVI_);
  HMODULE module = id ? AnimationModule() : nullptr;
  if (module)
    Opened_ = SendMessageA(WindowHandle(), ACM_OPENA, reinterpret_cast<WPARAM>(module),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(id))) != 0;
  else
    SendMessageA(WindowHandle(), ACM_OPENA, 0, 0);  // closes the one shown
  UpdatePlaying();
}

void TAnimate::UpdatePlaying() {
  if (!Opened_) return;
  if (!Active_) {
    SendMessageA(WindowHandle(), ACM_STOP, 0, 0);
    return;
  }
  const WORD last = StopFrame_ > 0 ? static_cast<WORD>(StopFrame_) : 0xFFFF;
  SendMessageA(WindowHandle(), ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, last));
}

void TAnimate::SetActive(bool Value) {
  if (Active_ == Value) return;
  Active_ = Value;
  UpdatePlaying();
}

void TAnimate::SetCommonAVI(TCommonAVI Value) {
  if (CommonAVI_ == Value) return;
  CommonAVI_ = Value;
  OpenAnimation();
}

void TAnimate::SetStopFrame(Integer Value) {
  StopFrame_ = Value;
  UpdatePlaying();
}

// ------------------------------------------------------------- status bar

TStatusPanel::TStatusPanel(TCollection* Collection) : TCollectionItem(Collection) {}

void TStatusPanel::Assign(TPersistent* Source) {
  auto* panel = dynamic_cast<TStatusPanel*>(Source);
  if (!panel) {
    TCollectionItem::Assign(Source);
    return;
  }
  Text_ = panel->Text_;
  Width_ = panel->Width_;
  Alignment_ = panel->Alignment_;
  Bevel_ = panel->Bevel_;
  Style_ = panel->Style_;
  Changed(true);
}

void TStatusPanel::SetText(const AnsiString& Value) {
  if (Text_ == Value) return;
  Text_ = Value;
  Changed(false);
}

void TStatusPanel::SetWidth(Integer Value) {
  Width_ = Value;
  Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment Value) {
  Alignment_ = Value;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
  Bevel_ = Value;
  Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
  Style_ = Value;
  Changed(false);
}

TStatusPanels::TStatusPanels(TCustomStatusBar* StatusBar, const TClass* PanelClass)
    : TCollection(PanelClass), StatusBar_(StatusBar) {}

TStatusPanel* TStatusPanels::Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }

TPersistent* TStatusPanels::GetOwner() const { return StatusBar_; }

void TStatusPanels::Update(TCollectionItem* Item) {
  if (Item) StatusBar_->UpdatePanel(Item->Index());
  else StatusBar_->UpdatePanels();
}

TCustomStatusBar::TCustomStatusBar(TComponent* AOwner)
    : TWinControl(AOwner), Canvas_(new TCanvas) {
  Panels_ = CreatePanels();
  ControlStyle_ = {csCaptureMouse, csClickEvents, csDoubleClicks};
  Color_ = clBtnFace;
  SetBounds(0, 0, 0, 19);
  SetAlign(alBottom);
}

TCustomStatusBar::~TCustomStatusBar() {
  TStatusPanels* panels = Panels_;
  Panels_ = nullptr;  // the panels' removals must not reach the window
  delete panels;
  delete Canvas_;
}

TStatusPanels* TCustomStatusBar::CreatePanels() { return new TStatusPanels(this, GetPanelClass()); }

const TClass* TCustomStatusBar::GetPanelClass() const { return TStatusPanel::StaticClass(); }

void TCustomStatusBar::ResetPanels() {
  delete Panels_;
  Panels_ = nullptr;
  Panels_ = CreatePanels();
}

void TCustomStatusBar::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_BAR_CLASSES);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, STATUSCLASSNAMEA);
  // The bar keeps the place the library aligns it to.
  Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
  if (SizeGrip_) Params.Style |= SBARS_SIZEGRIP;
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomStatusBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdatePanels();
}

void TCustomStatusBar::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_DRAWITEM) {
    CNDrawItem(Message);
    return;
  }
  TWinControl::Dispatch(Message);
  // The bar puts the text's drawing type into the high word.
  if (Message.Msg == WM_GETTEXTLENGTH) Message.Result = LOWORD(Message.Result);
}

void TCustomStatusBar::CNDrawItem(TMessage& Message) {
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
  auto index = static_cast<Integer>(item.itemID);
  if (index < 0 || index >= Panels_->Count()) return;
  {
    TCanvasLease lease(Canvas_, item.hDC);
    DrawPanel(Panels_->Items(index), item.rcItem);
  }
  Message.Result = TRUE;
}

void TCustomStatusBar::DrawPanel(TStatusPanel* Panel, const TRect& Rect) {
  if (OnDrawPanel) OnDrawPanel(this, Panel, Rect);
}

bool TCustomStatusBar::DoHint() {
  if (!OnHint) return false;
  OnHint(this);
  return true;
}

bool TCustomStatusBar::ExecuteAction(TBasicAction* Action) {
  auto* hint = dynamic_cast<THintAction*>(Action);
  if (!AutoHint_ || !hint || DoHint()) return TWinControl::ExecuteAction(Action);
  if (SimplePanel_ || Panels_->Count() == 0)
    SetSimpleText(hint->Hint());
  else
    Panels_->Items(0)->SetText(hint->Hint());
  return true;
}

void TCustomStatusBar::SetSimplePanel(bool Value) {
  if (SimplePanel_ == Value) return;
  SimplePanel_ = Value;
  UpdatePanels();
}

void TCustomStatusBar::SetSimpleText(const AnsiString& Value) {
  if (SimpleText_ == Value) return;
  SimpleText_ = Value;
  if (HandleAllocated())
    SendMessageA(WindowHandle(), SB_SETTEXTA, SB_SIMPLEID,
                 reinterpret_cast<LPARAM>(SimpleText_.c_str()));
}

void TCustomStatusBar::SetSizeGrip(bool Value) {
  if (SizeGrip_ == Value) return;
  SizeGrip_ = Value;
  RecreateWnd();
}

void TCustomStatusBar::UpdatePanels() {
  if (!HandleAllocated() || !Panels_) return;
  HWND wnd = WindowHandle();
  SendMessageA(wnd, SB_SIMPLE, SimplePanel_, 0);
  if (SimplePanel_) {
    SendMessageA(wnd, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(SimpleText_.c_str()));
    return;
  }
  // Right edges; the last part reaches the end of the bar.
  std::vector<int> edges;
  int right = 0;
  for (Integer i = 0; i < Panels_->Count(); ++i) {
    right += Panels_->Items(i)->Width();
    edges.push_back(i + 1 == Panels_->Count() ? -1 : right);
  }
  if (edges.empty()) edges.push_back(-1);
  SendMessageA(wnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (Integer i = 0; i < Panels_->Count(); ++i) UpdatePanel(i);
}

void TCustomStatusBar::UpdatePanel(Integer Index) {
  if (!HandleAllocated() || !Panels_ || SimplePanel_) return;
  if (Index < 0 || Index >= Panels_->Count()) return;
  TStatusPanel* panel = Panels_->Items(Index);
  static constexpr const char* Tabs[] = {"", "\t\t", "\t"};  // by TAlignment
  static constexpr WPARAM Bevels[] = {SBT_NOBORDERS, 0, SBT_POPOUT};
  AnsiString text = Tabs[panel->Alignment()] + panel->Text();
  WPARAM part = static_cast<WPARAM>(Index) | Bevels[panel->Bevel()];
  if (panel->Style() == psOwnerDraw) {
    SendMessageA(WindowHandle(), SB_SETTEXTA, part | SBT_OWNERDRAW,
                 reinterpret_cast<LPARAM>(panel));
    return;
  }
  SendMessageA(WindowHandle(), SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
}

// ---------------------------------------------------------------- tool bar

QEV_DEFINE_CLASS(TToolBar, QEV_PROPERTY(Align, Align, SetAlign).Default(alTop))

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks};
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

// No divider, no automatic placement: the parent lays the bar out.
void TToolBar::CreateParams(TCreateParams& Params) {
  InitCommonControl(ICC_BAR_CLASSES);
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, TOOLBARCLASSNAMEA);
  Params.Style |= CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN | TBSTYLE_FLAT;
}

void Initialization_ComCtrls() {
  RegisterClasses({TPageControl::StaticClass(), TTabSheet::StaticClass(),
                   TProgressBar::StaticClass(), TStatusBar::StaticClass(),
                   TAnimate::StaticClass()});
  RegisterClass(TToolBar::StaticClass());
}

void Finalization_ComCtrls() {}
