// Unicode twins of the extra controls: image, panel and control bar.
#pragma once

#include "ExtCtrls.h"
#include "QevGraphics.h"
#include "QevStdCtrls.h"

// Its picture is the layer's.
class TQevImage : public TQevWideControl<TImage> {
  QEV_CLASS(TQevImage, TQevWideControl<TImage>)
 public:
  explicit TQevImage(TComponent* AOwner);
  TQevPicture* Picture() const { return static_cast<TQevPicture*>(Picture_); }
  void SetPicture(TQevPicture* Value) { TImage::SetPicture(Value); }
  void Dispatch(TMessage& Message) override;
};

class TQevCustomPanel : public TQevWideControl<TCustomPanel> {
  QEV_CLASS(TQevCustomPanel, TQevWideControl<TCustomPanel>)
 public:
  using TQevWideControl::TQevWideControl;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, WideString());
  }
  void Paint() override;
};

class TQevPanel : public TQevCustomPanel {
  QEV_CLASS(TQevPanel, TQevCustomPanel)
 public:
  using TQevCustomPanel::TQevCustomPanel;
};

class TQevCustomControlBar : public TQevWideControl<TCustomControlBar> {
  QEV_CLASS(TQevCustomControlBar, TQevWideControl<TCustomControlBar>)
 public:
  using TQevWideControl::TQevWideControl;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, WideString());
  }
};

class TQevControlBar : public TQevCustomControlBar {
  QEV_CLASS(TQevControlBar, TQevCustomControlBar)
 public:
  using TQevCustomControlBar::TQevCustomControlBar;
};

void Initialization_QevExtCtrls();  // registers the published classes
void Finalization_QevExtCtrls();
