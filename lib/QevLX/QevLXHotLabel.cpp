#include "QevLXHotLabel.h"

#include "QevLXSafeWinInet.h"

QEV_DEFINE_CLASS(TQevHotLabel,
                 QEV_PROPERTY(HotColor, HotColor, SetHotColor).Type(TypeInfoTColor()).Default(clBlue),
                 QEV_PROPERTY(HotCursor, HotCursor, SetHotCursor)
                     .Type(TypeInfoTCursor())
                     .Default(crHandPoint),
                 QEV_PROPERTY(WebLink, WebLink, SetWebLink),
                 QEV_PROPERTY(OnMouseEnter, OnMouseEnter, OnMouseEnter),
                 QEV_PROPERTY(OnMouseLeave, OnMouseLeave, OnMouseLeave))

void TQevHotLabel::Click() {
  TQevLabel::Click();
  if (!WebLink_.empty()) SafeOpenWebLink(WebLink_);
}

// A second enter without a leave (the mouse came back before the leave was
// seen) must not save the hot colour as the label's own.
void TQevHotLabel::CMMouseEnter(TMessage& Message) {
  if (!Hot_) {
    SavedColor_ = Font()->Color();
    SavedCursor_ = Cursor();
    Hot_ = true;
  }
  Font()->SetColor(HotColor_);
  SetCursor(HotCursor_);
  if (OnMouseEnter) OnMouseEnter(this);
  TQevLabel::Dispatch(Message);
}

// Only a hot label has anything to restore.
void TQevHotLabel::CMMouseLeave(TMessage& Message) {
  if (Hot_) {
    Hot_ = false;
    Font()->SetColor(SavedColor_);
    SetCursor(SavedCursor_);
  }
  if (OnMouseLeave) OnMouseLeave(this);
  TQevLabel::Dispatch(Message);
}

void TQevHotLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    default: TQevLabel::Dispatch(Message);
  }
}

void Initialization_QevLXHotLabel() { RegisterClasses({TQevHotLabel::StaticClass()}); }

void Finalization_QevLXHotLabel() {}
