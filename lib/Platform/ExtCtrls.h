// Timers, panels and images.
#pragma once

#include "Classes.h"
#include "StdCtrls.h"

// Calls OnTimer every Interval ms on the thread that created it, through a
// hidden window's WM_TIMER, while Enabled, Interval > 0 and OnTimer is set.
// An exception in OnTimer goes to ApplicationHandleException.
class TTimer : public TComponent {
  QEV_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool Value);
  Cardinal Interval() const { return Interval_; }
  void SetInterval(Cardinal Value);
  const TNotifyEvent& OnTimer() const { return OnTimer_; }
  void SetOnTimer(TNotifyEvent Value);

 protected:
  virtual void Timer();  // runs OnTimer

 private:
  friend struct TTimerWindow;
  // Raises EOutOfResources "Not enough timers available" when Windows has none.
  void UpdateTimer();

  void* Window_ = nullptr;  // HWND
  bool Enabled_ = true;
  Cardinal Interval_ = 1000;
  TNotifyEvent OnTimer_;
};

// ------------------------------------------------------------------ panel

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
QEV_ENUM_TYPEINFO(TBevelCut, "bvNone", "bvLowered", "bvRaised", "bvSpace");
using TPanelBevel = TBevelCut;

// Draws Width one-pixel frames around Rect, TopColor on the top and left,
// BottomColor on the bottom and right; Rect shrinks by one on every side
// for each.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width);

// A raised (or lowered) area holding other controls, with a caption in it.
class TCustomPanel : public TCustomControl {
  QEV_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment Alignment() const { return Alignment_; }
  void SetAlignment(TAlignment Value);
  TPanelBevel BevelInner() const { return BevelInner_; }
  void SetBevelInner(TPanelBevel Value);
  TPanelBevel BevelOuter() const { return BevelOuter_; }
  void SetBevelOuter(TPanelBevel Value);
  Integer BevelWidth() const { return BevelWidth_; }
  void SetBevelWidth(Integer Value);
  Integer BorderWidth() const { return BorderWidth_; }
  void SetBorderWidth(Integer Value);
  // Under a theme the panel shows its parent's background instead of its
  // colour; bevels are drawn either way.
  bool ParentBackground() const { return ParentBackground_; }
  void SetParentBackground(bool Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  // The bevels and the border around Rect, then Rect filled with the
  // panel's colour (unless it shows the parent's themed background); Rect
  // shrinks to the area inside them.
  void PaintFrame(TRect& Rect);
  // A theme is active and the panel shows its parent's background.
  bool ShowsParentBackground() const;
  // Aligned children stay inside the bevels and the border.
  void AlignControls(TControl* AControl, TRect& Rect) override;

 private:
  void Changed();

  TAlignment Alignment_ = taCenter;
  TPanelBevel BevelInner_ = bvNone;
  TPanelBevel BevelOuter_ = bvRaised;
  Integer BevelWidth_ = 1;
  Integer BorderWidth_ = 0;
  bool ParentBackground_ = false;
};

class TPanel : public TCustomPanel {
  QEV_CLASS(TPanel, TCustomPanel)
 public:
  using TCustomPanel::TCustomPanel;
};

// ------------------------------------------------------------------ bevel

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
QEV_ENUM_TYPEINFO(TBevelShape, "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine",
                  "bsRightLine", "bsSpacer");
enum TBevelStyle { bsLowered, bsRaised };
QEV_ENUM_TYPEINFO(TBevelStyle, "bsLowered", "bsRaised");

// A sunken or raised box, frame or line without window, drawn in the
// system's button shadow and highlight colours; bsSpacer draws nothing.
class TBevel : public TGraphicControl {
  QEV_CLASS(TBevel, TGraphicControl)
 public:
  explicit TBevel(TComponent* AOwner);

  TBevelShape Shape() const { return Shape_; }
  void SetShape(TBevelShape Value);
  TBevelStyle Style() const { return Style_; }
  void SetStyle(TBevelStyle Value);

 protected:
  void Paint() override;

 private:
  TBevelShape Shape_ = bsBox;
  TBevelStyle Style_ = bsLowered;
};

// ------------------------------------------------------------ control bar

// A strip that holds tool bars; the controls keep the places they are given.
class TCustomControlBar : public TCustomControl {
  QEV_CLASS(TCustomControlBar, TCustomControl)
 public:
  explicit TCustomControlBar(TComponent* AOwner);

 protected:
  void Paint() override;
};

class TControlBar : public TCustomControlBar {
  QEV_CLASS(TControlBar, TCustomControlBar)
 public:
  using TCustomControlBar::TCustomControlBar;
};

// ------------------------------------------------------------------ image

// Shows a picture: at its own size (centred with Center) or stretched over
// the control.
class TImage : public TGraphicControl {
  QEV_CLASS(TImage, TGraphicControl)
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* Picture() const { return Picture_; }
  void SetPicture(TPicture* Value) { Picture_->Assign(Value); }
  bool AutoSize() const { return AutoSize_; }
  void SetAutoSize(bool Value);
  bool Center() const { return Center_; }
  void SetCenter(bool Value);
  bool Stretch() const { return Stretch_; }
  void SetStretch(bool Value);
  bool Transparent() const { return Transparent_; }
  void SetTransparent(bool Value);
  // Where Paint draws the picture, in client coordinates.
  TRect DestRect();

 protected:
  void Paint() override;
  // Resizes to the picture with AutoSize, then repaints.
  void PictureChanged(TObject* Sender);
  // A descendant may replace the object; it then takes over OnChange.
  TPicture* Picture_;

 private:
  bool AutoSize_ = false;
  bool Center_ = false;
  bool Stretch_ = false;
  bool Transparent_ = false;
};

// Registers TTimer and the controls.
void Initialization_ExtCtrls();
void Finalization_ExtCtrls();
