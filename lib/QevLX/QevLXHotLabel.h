// The web-link label: it takes a hot colour and cursor while the mouse is
// over it and opens its web address when clicked.
#pragma once

#include "QevStdCtrls.h"

class TQevHotLabel : public TQevLabel {
  QEV_CLASS(TQevHotLabel, TQevLabel)
 public:
  using TQevLabel::TQevLabel;

  TColor HotColor() const { return HotColor_; }
  void SetHotColor(TColor Value) { HotColor_ = Value; }
  TCursor HotCursor() const { return HotCursor_; }
  void SetHotCursor(TCursor Value) { HotCursor_ = Value; }
  const WideString& WebLink() const { return WebLink_; }
  void SetWebLink(const WideString& Value) { WebLink_ = Value; }
  // Between a mouse enter and the next mouse leave.
  bool Hot() const { return Hot_; }

  // OnClick, then the web link opened (SafeOpenWebLink: it raises while
  // WinInet is off); an empty link opens nothing.
  void Click() override;
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 private:
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

  TColor HotColor_ = clBlue;
  TCursor HotCursor_ = crHandPoint;
  WideString WebLink_;
  // The label's own colour and cursor, saved at the enter that made it hot.
  TColor SavedColor_ = 0;
  TCursor SavedCursor_ = crDefault;
  bool Hot_ = false;
};

void Initialization_QevLXHotLabel();  // registers TQevHotLabel
void Finalization_QevLXHotLabel();
