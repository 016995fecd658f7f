// Painting: window backgrounds, windowless children, canvases of controls,
// and the hint window.
#include <memory>
#include <type_traits>

#include "Controls.h"
#include "Forms.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TControlCanvas)
QEV_DEFINE_CLASS(TGraphicControl)
QEV_DEFINE_CLASS(TCustomControl)
QEV_DEFINE_CLASS(THintWindow)

const TClass* HintWindowClass = THintWindow::StaticClass();

namespace {

// Custom controls and forms draw on their windows themselves (PaintWindow).
bool PaintsItself(TWinControl* Control) {
  return dynamic_cast<TCustomControl*>(Control) || dynamic_cast<TCustomForm*>(Control);
}

bool HasWindowlessChild(const TWinControl* Control) {
  for (Integer i = 0; i < Control->ControlCount(); ++i) {
    TControl* child = Control->Controls(i);
    if (child->Visible() && !dynamic_cast<TWinControl*>(child)) return true;
  }
  return false;
}

using TMemoryDCOwner = std::unique_ptr<std::remove_pointer_t<HDC>, TReleaser<DeleteDC>>;

}  // namespace

// ------------------------------------------------------ TWinControl painting

void TWinControl::WMPaint(TMessage& Message) {
  if (!Message.WParam && DoubleBuffered_) {
    TPaintDC dc(Handle_);
    PaintBuffered(dc, dc.Paint().rcPaint);
    return;
  }
  bool custom = PaintsItself(this);
  if (Message.WParam || (!custom && !HasWindowlessChild(this))) {
    if (Message.WParam && custom) PaintWindow(reinterpret_cast<HDC>(Message.WParam));
    else DefaultHandler(Message);
    if (Message.WParam) PaintControls(reinterpret_cast<HDC>(Message.WParam));
    return;
  }
  TPaintDC dc(Handle_);
  PaintWindow(dc);
  PaintControls(dc);
}

// The background, the window and its windowless children are drawn into a
// bitmap first and reach the screen in one copy. WParam == LParam marks the
// erase meant for the bitmap.
void TWinControl::PaintBuffered(HDC DC, const RECT& Area) {
  RECT client{};
  GetClientRect(Handle_, &client);
  TMemoryDCOwner memory(CreateCompatibleDC(DC));
  TGdiObjectOwner bitmap(memory ? CreateCompatibleBitmap(DC, client.right, client.bottom) : nullptr);
  if (!bitmap) {  // no room for the bitmap: straight onto the window
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
    PaintWindow(DC);
    PaintControls(DC);
    return;
  }
  TSelectObject selected(memory.get(), bitmap.get());
  auto buffer = reinterpret_cast<WPARAM>(memory.get());
  Perform(WM_ERASEBKGND, buffer, static_cast<LPARAM>(buffer));
  Perform(WM_PAINT, buffer, 0);
  BitBlt(DC, Area.left, Area.top, Area.right - Area.left, Area.bottom - Area.top, memory.get(),
         Area.left, Area.top, SRCCOPY);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage message{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefaultHandler(message);
}

void TWinControl::PaintControls(HDC DC) {
  for (TControl* child : Controls_) {
    if (dynamic_cast<TWinControl*>(child) || !child->Visible()) continue;
    TRect bounds = child->BoundsRect();
    if (!RectVisible(DC, &bounds)) continue;
    TSavedDC saved(DC);
    SetViewportOrgEx(DC, bounds.left, bounds.top, nullptr);
    IntersectClipRect(DC, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
    child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  }
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  if (DoubleBuffered_ && Message.WParam != static_cast<WPARAM>(Message.LParam)) {
    Message.Result = 1;  // WM_PAINT erases in its bitmap
    return;
  }
  if (ControlStyle_.Contains(csOpaque) || ClassErasesBackground_) {
    DefaultHandler(Message);
    return;
  }
  HBRUSH brush = CreateSolidBrush(ColorToRGB(Color_));
  RECT rect{};
  GetClientRect(Handle_, &rect);
  FillRect(reinterpret_cast<HDC>(Message.WParam), &rect, brush);
  DeleteObject(brush);
  Message.Result = 1;
}

// ------------------------------------------------------------ TControlCanvas

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value) {
  if (Control_ == Value) return;
  FreeHandle();
  Control_ = Value;
}

void TControlCanvas::FreeHandle() {
  if (!DeviceContext_) return;
  SetHandle(nullptr);
  ReleaseDC(Window_, DeviceContext_);
  DeviceContext_ = nullptr;
  Window_ = nullptr;
}

// Outside painting: a DC of the control's window (or its parent's, moved to
// the control's place).
void TControlCanvas::CreateHandle() {
  if (!Control_) {
    TCanvas::CreateHandle();
    return;
  }
  if (DeviceContext_) ReleaseDC(Window_, DeviceContext_);  // left behind by a lease
  DeviceContext_ = nullptr;
  auto* win = dynamic_cast<TWinControl*>(Control_);
  Window_ = win ? win->Handle() : Control_->Parent() ? Control_->Parent()->Handle() : nullptr;
  if (!Window_) {
    TCanvas::CreateHandle();
    return;
  }
  SetLastError(ERROR_SUCCESS);  // GetDCEx sets none
  DeviceContext_ = GetDCEx(Window_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!DeviceContext_) RaiseLastOSError();
  if (!win) SetViewportOrgEx(DeviceContext_, Control_->Left(), Control_->Top(), nullptr);
  SetHandle(DeviceContext_);
}

// ----------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), Canvas_(new TControlCanvas) {
  Canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { delete Canvas_; }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg != WM_PAINT || !Message.WParam) {
    TControl::Dispatch(Message);
    return;
  }
  TCanvasLease lease(Canvas_, reinterpret_cast<HDC>(Message.WParam));
  Paint();
}

// ------------------------------------------------------------ TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), Canvas_(new TControlCanvas) {
  Canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() { delete Canvas_; }

void TCustomControl::PaintWindow(HDC DC) {
  TCanvasLease lease(Canvas_, DC);
  Paint();
}

// --------------------------------------------------------------- THintWindow

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  Color_ = clInfoBk;
  Visible_ = false;
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WndParent = nullptr;
  Params.WindowClass.style |= CS_SAVEBITS;
}

void THintWindow::ActivateHint(TRect Rect, const AnsiString& AHint) {
  SetCaption(AHint);
  SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
  SetWindowPos(Handle(), HWND_TOPMOST, Rect.left, Rect.top, Rect.right - Rect.left,
               Rect.bottom - Rect.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ActivateHintData(TRect Rect, const AnsiString& AHint, void*) {
  ActivateHint(Rect, AHint);
}

TRect THintWindow::CalcHintRect(Integer MaxWidth, const AnsiString& AHint, void*) {
  RECT rect{0, 0, MaxWidth, 0};
  TScreenDC dc;
  TSelectObject font(dc, Font()->Handle());
  DrawTextA(dc, AHint.c_str(), -1, &rect, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  rect.right += 6;
  rect.bottom += 2;
  return rect;
}

void THintWindow::Paint() {
  RECT rect = ClientRect();
  rect.left += 2;
  rect.top += 2;
  Canvas()->Font()->Assign(Font());
  Canvas()->Font()->SetColor(clInfoText);
  HDC dc = Canvas()->Handle();
  Canvas()->RequiredState({csHandleValid, csFontValid});
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(clInfoText));
  AnsiString text = GetText();
  DrawTextA(dc, text.c_str(), -1, &rect, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
