// Common controls: page control with tab sheets, progress bar, status bar,
// tool bar and button, list view, extended combo box.
#pragma once

#include <vector>

#include "StdCtrls.h"

// Registers the common-control window classes of ICC_... Classes once.
void InitCommonControl(DWORD Classes);

// ------------------------------------------------------------ page control

class TPageControl;

// A page of a page control; its caption is the text of its tab.
class TTabSheet : public TWinControl {
  QEV_CLASS(TTabSheet, TWinControl)
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return PageControl_; }
  void SetPageControl(TPageControl* Value);
  // Position among the pages (-1 without page control).
  Integer PageIndex() const;
  void SetPageIndex(Integer Value);
  // Position among the visible tabs (-1 when the tab is hidden).
  Integer TabIndex() const;
  bool TabVisible() const { return TabVisible_; }
  void SetTabVisible(bool Value);

  void SetParent(TWinControl* AParent) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  friend class TPageControl;
  TPageControl* PageControl_ = nullptr;
  bool TabVisible_ = true;
};

// Tabs, or buttons in place of tabs, flat or raised.
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
QEV_ENUM_TYPEINFO(TTabStyle, "tsTabs", "tsButtons", "tsFlatButtons");

// A "SysTabControl32" window showing one of its sheets. Tabs() lists the
// visible sheets' captions with the sheet as object, in window order.
class TPageControl : public TWinControl {
  QEV_CLASS(TPageControl, TWinControl)
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  Integer PageCount() const { return static_cast<Integer>(Pages_.size()); }
  TTabSheet* Pages(Integer Index) const { return Pages_.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return ActivePage_; }
  void SetActivePage(TTabSheet* Page);
  Integer ActivePageIndex() const { return ActivePage_ ? ActivePage_->PageIndex() : -1; }
  void SetActivePageIndex(Integer Value);
  const TStrings* Tabs() const { return Tabs_; }
  // Button styles draw no frame around the pages.
  TTabStyle Style() const { return Style_; }
  void SetStyle(TTabStyle Value);
  // A fixed size of every tab; 0 leaves that side to the captions.
  Integer TabHeight() const { return TabHeight_; }
  void SetTabHeight(Integer Value);
  Integer TabWidth() const { return TabWidth_; }
  void SetTabWidth(Integer Value);
  // The selected tab of the window (-1: none).
  Integer TabIndex();
  void SetTabIndex(Integer Value);

  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void Dispatch(TMessage& Message) override;
  TNotifyEvent OnChange;
  using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
  TTabChangingEvent OnChanging;

 protected:
  friend class TTabSheet;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  // OnChanging: whether the selection may leave the current tab.
  virtual bool CanChange();
  // The selected tab's page becomes active; then OnChange.
  virtual void Change();
  virtual bool CanShowTab(Integer TabIndex);
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  // Rebuilds the tabs from the visible sheets (also the window's items).
  void UpdateTabs();
  // The caption of Page to its tab (TCM_SETITEMA).
  void UpdateTab(TTabSheet* Page);

 private:
  void UpdateTabList();
  void UpdateTabSize();
  void CNNotify(TMessage& Message);
  void CMDialogChar(TMessage& Message);

  std::vector<TTabSheet*> Pages_;
  TTabSheet* ActivePage_ = nullptr;
  TStringList* Tabs_;
  TTabStyle Style_ = tsTabs;
  Integer TabHeight_ = 0;
  Integer TabWidth_ = 0;
};

// ------------------------------------------------------------ progress bar

// A "msctls_progress32" window; the window holds the position once it exists.
class TProgressBar : public TWinControl {
  QEV_CLASS(TProgressBar, TWinControl)
 public:
  explicit TProgressBar(TComponent* AOwner);

  Integer Min() const { return Min_; }
  void SetMin(Integer Value);
  Integer Max() const { return Max_; }
  void SetMax(Integer Value);
  // The window's position (PBM_GETPOS), else the one it will get.
  Integer Position();
  void SetPosition(Integer Value);
  Integer Step() const { return Step_; }
  void SetStep(Integer Value);
  void StepIt();
  void StepBy(Integer Delta);
  // One continuous bar instead of blocks (PBS_SMOOTH).
  bool Smooth() const { return Smooth_; }
  void SetSmooth(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  void SetRange();
  Integer Min_ = 0, Max_ = 100, Position_ = 0, Step_ = 10;
  bool Smooth_ = false;
};

// --------------------------------------------------------------- animation

// The system's own animations, played from shell32's resources.
enum TCommonAVI { aviNone, aviFindComputer };
QEV_ENUM_TYPEINFO(TCommonAVI, "aviNone", "aviFindComputer");

// A "SysAnimate32" window playing one of the system's animations. Where the
// system lacks the animation the control simply shows nothing.
class TAnimate : public TWinControl {
  QEV_CLASS(TAnimate, TWinControl)
 public:
  explicit TAnimate(TComponent* AOwner);

  bool Active() const { return Active_; }
  void SetActive(bool Value);
  TCommonAVI CommonAVI() const { return CommonAVI_; }
  void SetCommonAVI(TCommonAVI Value);
  // The last frame played (0: the animation's last).
  Integer StopFrame() const { return StopFrame_; }
  void SetStopFrame(Integer Value);
  // Whether the window holds an animation.
  bool Opened() const { return Opened_; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  void OpenAnimation();
  void UpdatePlaying();
  bool Active_ = false;
  bool Opened_ = false;
  TCommonAVI CommonAVI_ = aviNone;
  Integer StopFrame_ = 0;
};

// -------------------------------------------------------------- status bar

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
QEV_ENUM_TYPEINFO(TStatusPanelBevel, "pbNone", "pbLowered", "pbRaised");
// psOwnerDraw: the bar's OnDrawPanel paints the panel.
enum TStatusPanelStyle { psText, psOwnerDraw };
QEV_ENUM_TYPEINFO(TStatusPanelStyle, "psText", "psOwnerDraw");

class TCustomStatusBar;

// One part of a status bar.
class TStatusPanel : public TCollectionItem {
  QEV_CLASS(TStatusPanel, TCollectionItem)
 public:
  explicit TStatusPanel(TCollection* Collection);
  void Assign(TPersistent* Source) override;

  const AnsiString& Text() const { return Text_; }
  void SetText(const AnsiString& Value);
  Integer Width() const { return Width_; }
  void SetWidth(Integer Value);
  TAlignment Alignment() const { return Alignment_; }
  void SetAlignment(TAlignment Value);
  TStatusPanelBevel Bevel() const { return Bevel_; }
  void SetBevel(TStatusPanelBevel Value);
  TStatusPanelStyle Style() const { return Style_; }
  void SetStyle(TStatusPanelStyle Value);

 private:
  AnsiString Text_;
  Integer Width_ = 50;
  TAlignment Alignment_ = taLeftJustify;
  TStatusPanelBevel Bevel_ = pbLowered;
  TStatusPanelStyle Style_ = psText;
};

class TStatusPanels : public TCollection {
  QEV_CLASS(TStatusPanels, TCollection)
 public:
  // PanelClass: TStatusPanel or a descendant.
  TStatusPanels(TCustomStatusBar* StatusBar, const TClass* PanelClass);
  // The bar hears of the new panel only once it is fully made.
  TStatusPanel* Add();
  TStatusPanel* Items(Integer Index) const {
    return static_cast<TStatusPanel*>(TCollection::Items(Index));
  }

 protected:
  TPersistent* GetOwner() const override;
  void Update(TCollectionItem* Item) override;

 private:
  TCustomStatusBar* StatusBar_;
};

// A "msctls_statusbar32" window: its panels, or one simple text.
class TCustomStatusBar : public TWinControl {
  QEV_CLASS(TCustomStatusBar, TWinControl)
 public:
  explicit TCustomStatusBar(TComponent* AOwner);
  ~TCustomStatusBar() override;

  TStatusPanels* Panels() const { return Panels_; }
  void SetPanels(TStatusPanels* Value) { Panels_->Assign(Value); }
  bool SimplePanel() const { return SimplePanel_; }
  void SetSimplePanel(bool Value);
  const AnsiString& SimpleText() const { return SimpleText_; }
  void SetSimpleText(const AnsiString& Value);
  bool SizeGrip() const { return SizeGrip_; }
  void SetSizeGrip(bool Value);
  // Shows the application's hints (the hint action) unless OnHint takes them.
  bool AutoHint() const { return AutoHint_; }
  void SetAutoHint(bool Value) { AutoHint_ = Value; }
  // The canvas on the panel being drawn, while OnDrawPanel runs.
  TCanvas* Canvas() const { return Canvas_; }

  // The panels' widths and texts to the window.
  void UpdatePanels();
  // The text of one panel, with its alignment as leading tabs.
  void UpdatePanel(Integer Index);
  void Dispatch(TMessage& Message) override;
  // A hint action's hint goes to panel 0, or to SimpleText in simple mode or
  // without panels.
  bool ExecuteAction(TBasicAction* Action) override;

  TNotifyEvent OnHint;
  using TDrawPanelEvent =
      TEvent<void(TCustomStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;
  TDrawPanelEvent OnDrawPanel;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // OnHint when set; whether it took the hint.
  virtual bool DoHint();
  virtual void DrawPanel(TStatusPanel* Panel, const TRect& Rect);
  virtual TStatusPanels* CreatePanels();
  virtual const TClass* GetPanelClass() const;
  // Replaces the still empty panels by CreatePanels(): for descendants'
  // constructors, where their overrides are in force.
  void ResetPanels();

 private:
  void CNDrawItem(TMessage& Message);

  TStatusPanels* Panels_ = nullptr;
  TCanvas* Canvas_;
  bool SimplePanel_ = false;
  AnsiString SimpleText_;
  bool SizeGrip_ = true;
  bool AutoHint_ = false;
};

class TStatusBar : public TCustomStatusBar {
  QEV_CLASS(TStatusBar, TCustomStatusBar)
 public:
  using TCustomStatusBar::TCustomStatusBar;
};

// ------------------------------------------------------------------ tool bar

// A "ToolbarWindow32" window: a strip that other bars may take in (no buttons).
class TToolBar : public TWinControl {
  QEV_CLASS(TToolBar, TWinControl)
 public:
  explicit TToolBar(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
};

// A tool bar's button as actions see it: caption, hint and click; it paints nothing.
class TToolButton : public TGraphicControl {
  QEV_CLASS(TToolButton, TGraphicControl)
 public:
  explicit TToolButton(TComponent* AOwner);

 protected:
  TControlActionLinkClass GetActionLinkClass() override;
};

// The link of tool buttons.
class TToolButtonActionLink : public TControlActionLink {
 public:
  using TControlActionLink::TControlActionLink;
  static TControlActionLink* Make(TControl* Client);
  const char* ClassName() const override { return "TToolButtonActionLink"; }
};

// ------------------------------------- list view and extended combo box
// In ComCtrlsListView.cpp. Like every common control here, each registers its
// window class when its first window is made, so comctl32 stays unloaded until then.

// A "SysListView32" window; an action reaches its caption and hint.
class TCustomListView : public TWinControl {
  QEV_CLASS(TCustomListView, TWinControl)
 public:
  explicit TCustomListView(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
  TControlActionLinkClass GetActionLinkClass() override;
};

// The link of list views.
class TListViewActionLink : public TWinControlActionLink {
 public:
  using TWinControlActionLink::TWinControlActionLink;
  static TControlActionLink* Make(TControl* Client);
  const char* ClassName() const override { return "TListViewActionLink"; }
};

// A "ComboBoxEx32" window; an action reaches its text and hint.
class TCustomComboBoxEx : public TWinControl {
  QEV_CLASS(TCustomComboBoxEx, TWinControl)
 public:
  explicit TCustomComboBoxEx(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  TControlActionLinkClass GetActionLinkClass() override;
};

// The link of extended combo boxes.
class TComboBoxExActionLink : public TWinControlActionLink {
 public:
  using TWinControlActionLink::TWinControlActionLink;
  static TControlActionLink* Make(TControl* Client);
  const char* ClassName() const override { return "TComboBoxExActionLink"; }
};

void Initialization_ComCtrls();  // registers the published control classes
void Finalization_ComCtrls();
