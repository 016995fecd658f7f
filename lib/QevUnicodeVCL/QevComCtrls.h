// Unicode common controls: tab sheets and page controls, progress bars and
// status bars. The platform hands their texts to the windows in 8-bit
// messages; on the wide road these controls turn those messages into wide
// ones that carry the held wide texts.
#pragma once

#include "ComCtrls.h"
#include "QevActnList.h"
#include "QevClasses.h"
#include "QevControls.h"

// Creates Control's Unicode window of the common-control class ClassName
// (which must be given) and, on the wide road, switches the window to wide
// notifications.
void CreateUnicodeHandle_ComCtl(TWinControl* Control, const TCreateParams& Params,
                                const WideString& ClassName);

// The number of tab characters at the start of Text.
template <class S>
Integer CountLeadingTabs(const S& Text) {
  size_t first = Text.find_first_not_of(typename S::value_type('\t'));
  return static_cast<Integer>(first == S::npos ? Text.size() : first);
}
// WideText with as many leading tabs as AnsiText has: status bars align by them.
WideString MatchLeadingTabs(const WideString& WideText, const AnsiString& AnsiText);

// What every control of this unit adds to its platform base: the wide Hint,
// the form-file wide entries and the wide action links.
template <class Base>
class TQevComCtlOf : public Base {
 public:
  using Base::Base;
  WideString Hint() { return WideGetControlHint(this); }
  void SetHint(const WideString& Value) { WideSetControlHint(this, Value); }
  bool IsHintStored() const { return ControlHintStored(const_cast<TQevComCtlOf*>(this)); }

 protected:
  void DefineProperties(TFiler* Filer) override {
    Base::DefineProperties(Filer);
    DefineWideProperties(Filer, this);
  }
  TControlActionLinkClass GetActionLinkClass() override {
    return WideActionLinkClassFor(this, Base::GetActionLinkClass());
  }
  void ActionChange(TObject* Sender, bool CheckDefaults) override {
    WideControlActionChange(this, Sender, CheckDefaults);
    Base::ActionChange(Sender, CheckDefaults);
  }
};

// ------------------------------------------------------------ page control

// A page with a wide tab caption.
class TQevTabSheet : public TQevComCtlOf<TTabSheet> {
  QEV_CLASS(TQevTabSheet, TTabSheet)
 public:
  using TQevComCtlOf::TQevComCtlOf;
  TWideCaption Caption() { return WideGetControlText(this); }
  void SetCaption(const TWideCaption& Value) { WideSetControlText(this, Value); }
  bool IsCaptionStored() const { return ControlCaptionStored(const_cast<TQevTabSheet*>(this)); }
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override;

 private:
  void WMSetText(TMessage& Message);
  bool SettingText_ = false;
};

// Tab texts reach the window only wide, each from its sheet's caption; a
// sheet's hot key in its wide caption selects it. A control docked into it
// gets a sheet of its own, whose caption follows the control's first line.
class TQevPageControl : public TQevComCtlOf<TPageControl> {
  QEV_CLASS(TQevPageControl, TPageControl)
 public:
  using TQevComCtlOf::TQevComCtlOf;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override;
  void DoAddDockClient(TControl* Client, const TRect& ARect) override;

 private:
  void TCMSetItem(TMessage& Message);
  void TCMInsertItem(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMDockClient(TMessage& Message);
  void CMDockNotification(TMessage& Message);
  // The page that holds Client; nullptr when none.
  TTabSheet* PageOfClient(const TControl* Client) const;
  // Only while CM_DOCKCLIENT makes it.
  TQevTabSheet* NewDockSheet_ = nullptr;
  // The sheet an item record concerns; nullptr when none of this control's.
  TTabSheet* SheetOfItem(UINT Mask, LPARAM Param, WPARAM Index) const;
  TTabSheet* PageOfParam(LPARAM Param) const;
};

// ------------------------------------------------------------ progress bar

class TQevProgressBar : public TQevComCtlOf<TProgressBar> {
  QEV_CLASS(TQevProgressBar, TProgressBar)
 public:
  using TQevComCtlOf::TQevComCtlOf;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override;
};

// -------------------------------------------------------------- status bar

// A panel with a wide Text held beside the platform's 8-bit one.
class TQevStatusPanel : public TStatusPanel {
  QEV_CLASS(TQevStatusPanel, TStatusPanel)
 public:
  using TStatusPanel::TStatusPanel;
  void Assign(TPersistent* Source) override;
  WideString Text() { return ReconcileWideText(WideText_, TStatusPanel::Text()); }
  void SetText(const WideString& Value);

 protected:
  void DefineProperties(TFiler* Filer) override;

 private:
  WideString WideText_;
};

class TQevStatusPanels : public TStatusPanels {
  QEV_CLASS(TQevStatusPanels, TStatusPanels)
 public:
  // PanelClass: TQevStatusPanel or a descendant.
  using TStatusPanels::TStatusPanels;
  TQevStatusPanel* Add() { return static_cast<TQevStatusPanel*>(TStatusPanels::Add()); }
  TQevStatusPanel* Items(Integer Index) const {
    return static_cast<TQevStatusPanel*>(TStatusPanels::Items(Index));
  }
};

// Panel texts and the simple text reach the window wide, with the alignment
// tabs the platform gave their 8-bit forms.
class TQevCustomStatusBar : public TQevComCtlOf<TCustomStatusBar> {
  QEV_CLASS(TQevCustomStatusBar, TCustomStatusBar)
 public:
  explicit TQevCustomStatusBar(TComponent* AOwner);
  TQevStatusPanels* Panels() const {
    return static_cast<TQevStatusPanels*>(TCustomStatusBar::Panels());
  }
  void SetPanels(TQevStatusPanels* Value) { TCustomStatusBar::SetPanels(Value); }
  WideString SimpleText();
  void SetSimpleText(const WideString& Value);
  void WndProc(TMessage& Message) override;
  // A wide hint action's hint goes to panel 0's or the simple wide text.
  bool ExecuteAction(TBasicAction* Action) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override;
  TStatusPanels* CreatePanels() override;
  const TClass* GetPanelClass() const override;

 private:
  void SBSetText(TMessage& Message);
  WideString WideSimpleText_;
};

class TQevStatusBar : public TQevCustomStatusBar {
  QEV_CLASS(TQevStatusBar, TQevCustomStatusBar)
 public:
  using TQevCustomStatusBar::TQevCustomStatusBar;
};

void Initialization_QevComCtrls();  // registers the classes forms create
void Finalization_QevComCtrls();
