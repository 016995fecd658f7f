// Docking: a control docked into a windowed control, and the notifications
// that tell the dock site of what the docked control does.
#include "Controls.h"

bool TControl::ManualDock(TWinControl* NewDockSite) {
  if (!NewDockSite) return false;
  TPoint origin = NewDockSite->ClientOrigin();
  TDragDockObject dock{this, Rect(origin.x, origin.y, origin.x + Width(), origin.y + Height())};
  NewDockSite->Perform(CM_DOCKCLIENT, reinterpret_cast<WPARAM>(&dock),
                       MAKELPARAM(origin.x, origin.y));
  return HostDockSite_ == NewDockSite;
}

void TControl::Dock(TWinControl* NewDockSite, const TRect& ARect) {
  auto* self = dynamic_cast<TWinControl*>(this);
  // A site inside this control would make its parents a circle.
  if (NewDockSite == this || (self && self->ContainsControl(NewDockSite)))
    throw EInvalidOperation(L"A control cannot be docked into itself");
  // A window made for another parent (a form's own top-level one) cannot
  // follow the control; the new parent makes it anew.
  if (self) self->DestroyHandle();
  SetBounds(ARect.left, ARect.top, ARect.right - ARect.left, ARect.bottom - ARect.top);
  NewDockSite->DoAddDockClient(this, ARect);
  if (HostDockSite_ == NewDockSite) return;
  if (HostDockSite_) HostDockSite_->RemoveFreeNotification(this);
  HostDockSite_ = NewDockSite;
  NewDockSite->FreeNotification(this);
}

// Through Perform only: the site reads the pointers the message carries,
// which it may trust only when this program sent them.
void TControl::SendDockNotification(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!HostDockSite_ || ComponentState().Contains(csLoading) ||
      ComponentState().Contains(csDestroying))
    return;
  TDockNotifyRec notify{Msg, WParam, LParam};
  HostDockSite_->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(this),
                         reinterpret_cast<LPARAM>(&notify));
}

void TWinControl::DoAddDockClient(TControl* Client, const TRect&) { Client->SetParent(this); }
