#include "QevExtCtrls.h"

#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_DEFINE_CLASS(TQevImage,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>(),
                 QEV_PROPERTY(Picture, Picture, SetPicture))
QEV_DEFINE_CLASS(TQevCustomPanel,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevPanel,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored))
QEV_DEFINE_CLASS(TQevCustomControlBar,
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevControlBar)

// -------------------------------------------------------------------- image

TQevImage::TQevImage(TComponent* AOwner) : TQevWideControl(AOwner) {
  auto* picture = new TQevPicture;
  picture->OnChange = Picture_->OnChange;
  delete Picture_;
  Picture_ = picture;
}

void TQevImage::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_HINTSHOW) PrepareWideHintInfo(Message);
  inherited::Dispatch(Message);
}

// -------------------------------------------------------------------- panel

// Its bevels are 3-D frames with or without a theme; under one, a panel that
// shows its parent's background leaves its face to the erase.
void TQevCustomPanel::Paint() {
  if (!UnicodeApiAvailable) return TCustomPanel::Paint();
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  PaintFrame(rect);
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  // Centred on the height of one line whatever the alignment.
  const Integer height = WideCanvasTextHeight(canvas, L"W");
  rect.top = (rect.top + rect.bottom - height) / 2;
  rect.bottom = rect.top + height;
  static constexpr UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const WideString text = Caption();
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  Qev_DrawTextW(canvas->Handle(), text.c_str(), -1, &rect,
                DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_VCENTER | Alignments[Alignment()]));
}

// --------------------------------------------------------------------- unit

void Initialization_QevExtCtrls() {
  RegisterClasses({TQevImage::StaticClass(), TQevPanel::StaticClass(),
                   TQevControlBar::StaticClass()});
}

void Finalization_QevExtCtrls() {}
