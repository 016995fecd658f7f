// Timers, panels and images.
#include "ExtCtrls.h"

#include "Themes.h"
#include "WinApi.h"

QEV_RESOURCESTRING(ExtCtrls, SNoTimers, L"Not enough timers available");

QEV_DEFINE_CLASS(TTimer,
                 QEV_PROPERTY(Enabled, Enabled, SetEnabled).Default(true),
                 QEV_PROPERTY(Interval, Interval, SetInterval).Default(1000),
                 QEV_PROPERTY(OnTimer, OnTimer, SetOnTimer))
QEV_DEFINE_CLASS(TCustomPanel,
                 QEV_PROPERTY(Alignment, Alignment, SetAlignment).Default(taCenter),
                 QEV_PROPERTY(BevelInner, BevelInner, SetBevelInner).Default(bvNone),
                 QEV_PROPERTY(BevelOuter, BevelOuter, SetBevelOuter).Default(bvRaised),
                 QEV_PROPERTY(BevelWidth, BevelWidth, SetBevelWidth).Default(1),
                 QEV_PROPERTY(BorderWidth, BorderWidth, SetBorderWidth).Default(0),
                 QEV_PROPERTY(ParentBackground, ParentBackground, SetParentBackground)
                     .Default(false))
QEV_DEFINE_CLASS(TPanel)
QEV_DEFINE_CLASS(TBevel,
                 QEV_PROPERTY(Shape, Shape, SetShape).Default(bsBox),
                 QEV_PROPERTY(Style, Style, SetStyle).Default(bsLowered))
QEV_DEFINE_CLASS(TCustomControlBar)
QEV_DEFINE_CLASS(TControlBar)
QEV_DEFINE_CLASS(TImage,
                 QEV_PROPERTY(AutoSize, AutoSize, SetAutoSize).Default(false),
                 QEV_PROPERTY(Center, Center, SetCenter).Default(false),
                 QEV_PROPERTY(Picture, Picture, SetPicture),
                 QEV_PROPERTY(Stretch, Stretch, SetStretch).Default(false),
                 QEV_PROPERTY(Transparent, Transparent, SetTransparent).Default(false))

namespace {
constexpr wchar_t TimerWindowClass[] = L"QevTimerWindow";
constexpr UINT_PTR TimerID = 1;
}  // namespace

// The hidden window a timer owns; it finds its timer in GWLP_USERDATA.
struct TTimerWindow {
  static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (Msg != WM_TIMER || !timer) return DefWindowProcW(Wnd, Msg, WParam, LParam);
    try {
      timer->Timer();
    } catch (...) {
      HandleCurrentException(timer);
    }
    return 0;
  }

  static HWND Create(TTimer* Timer) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    if (!GetClassInfoExW(instance, TimerWindowClass, &wc)) {
      wc = {};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &Proc;
      wc.hInstance = instance;
      wc.lpszClassName = TimerWindowClass;
      if (!RegisterClassExW(&wc)) RaiseLastOSError();
    }
    SetLastError(ERROR_SUCCESS);  // a refused creation may set none
    HWND wnd = CreateWindowExW(0, TimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               instance, nullptr);
    if (!wnd) RaiseLastOSError();
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Timer));
    return wnd;
  }
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), Window_(TTimerWindow::Create(this)) {}

TTimer::~TTimer() {
  HWND wnd = static_cast<HWND>(Window_);
  KillTimer(wnd, TimerID);
  DestroyWindow(wnd);
}

void TTimer::SetEnabled(bool Value) {
  if (Value == Enabled_) return;
  Enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (Value == Interval_) return;
  Interval_ = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  OnTimer_ = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (OnTimer_) OnTimer_(this);
}

void TTimer::UpdateTimer() {
  HWND wnd = static_cast<HWND>(Window_);
  KillTimer(wnd, TimerID);
  if (Interval_ != 0 && Enabled_ && OnTimer_ && !SetTimer(wnd, TimerID, Interval_, nullptr))
    throw EOutOfResources(SNoTimers);
}

// ------------------------------------------------------------------ panel

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width) {
  Canvas->Pen()->SetWidth(1);
  --Rect.bottom;
  --Rect.right;
  for (Integer i = 0; i < Width; ++i) {
    Canvas->Pen()->SetColor(TopColor);
    Canvas->MoveTo(Rect.left, Rect.bottom);
    Canvas->LineTo(Rect.left, Rect.top);
    Canvas->LineTo(Rect.right, Rect.top);
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->LineTo(Rect.right, Rect.bottom);
    Canvas->LineTo(Rect.left - 1, Rect.bottom);
    InflateRect(&Rect, -1, -1);
  }
  ++Rect.bottom;
  ++Rect.right;
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                   csDoubleClicks};
  SetBounds(0, 0, 185, 41);
  Color_ = clBtnFace;
}

void TCustomPanel::Changed() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  Alignment_ = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel Value) {
  BevelInner_ = Value;
  Changed();
}

void TCustomPanel::SetBevelOuter(TPanelBevel Value) {
  BevelOuter_ = Value;
  Changed();
}

void TCustomPanel::SetBevelWidth(Integer Value) {
  BevelWidth_ = Value;
  Changed();
}

void TCustomPanel::SetBorderWidth(Integer Value) {
  BorderWidth_ = Value;
  Changed();
}

// Its parent's background reaches it through the erase, which an opaque
// control skips.
void TCustomPanel::SetParentBackground(bool Value) {
  if (ParentBackground_ == Value) return;
  ParentBackground_ = Value;
  if (Value) ControlStyle_.Exclude(csOpaque);
  else ControlStyle_.Include(csOpaque);
  Invalidate();
}

bool TCustomPanel::ShowsParentBackground() const { return ParentBackground_ && ThemesEnabled(); }

void TCustomPanel::AlignControls(TControl* AControl, TRect& Rect) {
  Integer inset = BorderWidth_;
  if (BevelOuter_ != bvNone) inset += BevelWidth_;
  if (BevelInner_ != bvNone) inset += BevelWidth_;
  InflateRect(&Rect, -inset, -inset);
  TCustomControl::AlignControls(AControl, Rect);
}

void TCustomPanel::PaintFrame(TRect& Rect) {
  TCanvas* canvas = Canvas();
  auto bevel = [&](TPanelBevel Cut) {
    if (Cut == bvNone) return;
    bool lowered = Cut == bvLowered;
    Frame3D(canvas, Rect, lowered ? clBtnShadow : clBtnHighlight,
            lowered ? clBtnHighlight : clBtnShadow, BevelWidth_);
  };
  const bool parentBackground = ShowsParentBackground();
  bevel(BevelOuter_);
  if (parentBackground) InflateRect(&Rect, -BorderWidth_, -BorderWidth_);
  else Frame3D(canvas, Rect, Color(), Color(), BorderWidth_);
  bevel(BevelInner_);
  if (parentBackground) return;
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(Rect);
}

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  PaintFrame(rect);
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  // Centred vertically on the height of one line whatever the alignment.
  TEXTMETRICA metrics{};
  GetTextMetricsA(canvas->Handle(), &metrics);
  rect.top = (rect.top + rect.bottom - metrics.tmHeight) / 2;
  rect.bottom = rect.top + metrics.tmHeight;
  static constexpr UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  AnsiString text = Caption();
  DrawTextA(canvas->Handle(), text.c_str(), -1, &rect,
            DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | Alignments[Alignment_]);
}

void TCustomPanel::Dispatch(TMessage& Message) {
  // A double-buffered panel erases only into its bitmap (WParam == LParam).
  if (Message.Msg == WM_ERASEBKGND && ShowsParentBackground() &&
      (!DoubleBuffered() || Message.WParam == static_cast<WPARAM>(Message.LParam))) {
    DrawParentBackground(WindowHandle(), reinterpret_cast<HDC>(Message.WParam), nullptr);
    Message.Result = 1;
    return;
  }
  if (Message.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::Dispatch(Message);
}

// ------------------------------------------------------------------ bevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape Value) {
  if (Shape_ == Value) return;
  Shape_ = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  if (Style_ == Value) return;
  Style_ = Value;
  Invalidate();
}

// A lowered bevel is shadow over highlight, a raised one the other way round;
// a box has the first colour on its top and left edges.
void TBevel::Paint() {
  TCanvas* canvas = Canvas();
  TColor first = Style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = Style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  auto line = [canvas](TColor Color, Integer X1, Integer Y1, Integer X2, Integer Y2) {
    canvas->Pen()->SetColor(Color);
    canvas->MoveTo(X1, Y1);
    canvas->LineTo(X2, Y2);
  };
  auto box = [&](TColor TopLeft, TColor BottomRight, const TRect& R) {
    line(TopLeft, R.left, R.bottom, R.left, R.top);
    line(TopLeft, R.left, R.top, R.right, R.top);
    line(BottomRight, R.right, R.top, R.right, R.bottom);
    line(BottomRight, R.right, R.bottom, R.left, R.bottom);
  };
  canvas->Pen()->SetWidth(1);
  Integer w = Width(), h = Height();
  switch (Shape_) {
    case bsBox: box(first, second, Rect(0, 0, w - 1, h - 1)); break;
    case bsFrame:
      box(second, second, Rect(1, 1, w - 1, h - 1));
      box(first, first, Rect(0, 0, w - 2, h - 2));
      break;
    case bsTopLine:
      line(first, 0, 0, w, 0);
      line(second, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(first, 0, h - 2, w, h - 2);
      line(second, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(first, 0, 0, 0, h);
      line(second, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(first, w - 2, 0, w - 2, h);
      line(second, w - 1, 0, w - 1, h);
      break;
    case bsSpacer: break;
  }
}

// ------------------------------------------------------------ control bar

TCustomControlBar::TCustomControlBar(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csOpaque, csDoubleClicks};
  SetBounds(0, 0, 100, 50);
  Color_ = clBtnFace;
}

void TCustomControlBar::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(ClientRect());
}

// ------------------------------------------------------------------ image

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), Picture_(new TPicture) {
  Picture_->OnChange = TNotifyEvent::Bind<&TImage::PictureChanged>(this);
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { delete Picture_; }

void TImage::SetAutoSize(bool Value) {
  AutoSize_ = Value;
  PictureChanged(this);
}

void TImage::SetCenter(bool Value) {
  Center_ = Value;
  Invalidate();
}

void TImage::SetStretch(bool Value) {
  Stretch_ = Value;
  Invalidate();
}

void TImage::SetTransparent(bool Value) {
  Transparent_ = Value;
  if (Value) ControlStyle_.Exclude(csOpaque);
  else ControlStyle_.Include(csOpaque);
  Invalidate();
}

void TImage::PictureChanged(TObject*) {
  if (AutoSize_ && Picture_->Width() > 0 && Picture_->Height() > 0)
    SetBounds(Left(), Top(), Picture_->Width(), Picture_->Height());
  if (TGraphic* graphic = Picture_->Graphic()) graphic->SetTransparent(Transparent_);
  Invalidate();
}

TRect TImage::DestRect() {
  if (Stretch_) return ClientRect();
  Integer w = Picture_->Width(), h = Picture_->Height();
  if (!Center_) return Rect(0, 0, w, h);
  Integer x = (Width() - w) / 2, y = (Height() - h) / 2;
  return Rect(x, y, x + w, y + h);
}

void TImage::Paint() {
  if (TGraphic* graphic = Picture_->Graphic(); graphic && !graphic->Empty())
    Canvas()->StretchDraw(DestRect(), graphic);
}

void Initialization_ExtCtrls() {
  RegisterClasses({TTimer::StaticClass(), TPanel::StaticClass(), TBevel::StaticClass(),
                   TControlBar::StaticClass(), TImage::StaticClass()});
}

void Finalization_ExtCtrls() {}
