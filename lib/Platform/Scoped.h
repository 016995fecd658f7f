// Owners of Windows handles and guards that undo something when a scope is
// left, by return or by exception. Every module takes them from here, so each
// clean-up is written once.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "WinApi.h"

// ------------------------------------------------------------ scope guards

// Puts a variable back as it was when this goes.
template <typename T>
class TRestore {
 public:
  explicit TRestore(T& Var) : Var_(Var), Old_(Var) {}
  // Sets the variable to Value for the life of this.
  TRestore(T& Var, T Value) : Var_(Var), Old_(Var) { Var_ = std::move(Value); }
  ~TRestore() { Var_ = std::move(Old_); }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  T& Var_;
  T Old_;
};

// Runs Undo when the scope is left, unless dismissed first: dismissing at
// the end of a block makes it an undo on failure only.
template <typename F>
class TScopeExit {
 public:
  explicit TScopeExit(F Undo) : Undo_(std::move(Undo)) {}
  ~TScopeExit() {
    if (Armed_) Undo_();
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  void Dismiss() { Armed_ = false; }

 private:
  F Undo_;
  bool Armed_ = true;
};

// ------------------------------------------------------------ handle owners

// A deleter that calls a Win32 release function, for std::unique_ptr owners.
template <auto Release>
struct TReleaser {
  template <class T>
  void operator()(T* Handle) const {
    Release(Handle);
  }
};

// Kernel objects (not files opened with CreateFile: those fail with
// INVALID_HANDLE_VALUE, not null).
using THandleOwner = std::unique_ptr<void, TReleaser<CloseHandle>>;
using TModuleOwner = std::unique_ptr<std::remove_pointer_t<HMODULE>, TReleaser<FreeLibrary>>;
using TLocalOwner = std::unique_ptr<void, TReleaser<LocalFree>>;
using TGlobalOwner = std::unique_ptr<void, TReleaser<GlobalFree>>;
using TSidOwner = std::unique_ptr<void, TReleaser<FreeSid>>;
using TGdiObjectOwner = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, TReleaser<DeleteObject>>;

// An entry of a module bound by name, or nullptr without the module or entry.
template <class Function>
Function ProcAddress(HMODULE Module, const char* Name) {
  FARPROC p = Module ? GetProcAddress(Module, Name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(p));
}

// An entry of a system library bound by name on its first call; the library
// is loaded then and kept for the process. A run that never calls it neither
// loads the library nor pays for its memory (comctl32 and shell32 cost a
// screen saver that shows neither a common control nor a shell window
// megabytes). Holds no constructor code, so it may be a global.
template <class Function>
class TLateEntry {
 public:
  constexpr TLateEntry(const char* Library, const char* Name) : Library_(Library), Name_(Name) {}

  // The entry, or nullptr without the library or entry.
  Function Get() {
    if (!Bound_) {
      Entry_ = ProcAddress<Function>(LoadLibraryA(Library_), Name_);
      Bound_ = true;
    }
    return Entry_;
  }

  // Calls the entry; without it, returns Otherwise.
  template <class Result, class... Args>
  Result CallOr(Result Otherwise, Args... Arguments) {
    const Function entry = Get();
    return entry ? entry(Arguments...) : Otherwise;
  }

 private:
  const char* Library_;
  const char* Name_;
  Function Entry_ = nullptr;
  bool Bound_ = false;
};

// ------------------------------------------------------------ device contexts

// The DC of a window's client area (with its frame when WholeWindow), or of
// the screen for no window.
class TWindowDC {
 public:
  explicit TWindowDC(HWND Wnd, bool WholeWindow = false)
      : Wnd_(Wnd), DC_(WholeWindow ? GetWindowDC(Wnd) : GetDC(Wnd)) {}
  ~TWindowDC() {
    if (DC_) ReleaseDC(Wnd_, DC_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Handle() const { return DC_; }
  operator HDC() const { return DC_; }

 private:
  HWND Wnd_;
  HDC DC_;
};

class TScreenDC : public TWindowDC {
 public:
  TScreenDC() : TWindowDC(nullptr) {}
};

// Selects a GDI object into a DC and the previous one back.
class TSelectObject {
 public:
  TSelectObject(HDC DC, HGDIOBJ Object) : DC_(DC), Old_(SelectObject(DC, Object)) {}
  ~TSelectObject() {
    if (Old_ && Old_ != HGDI_ERROR) SelectObject(DC_, Old_);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC DC_;
  HGDIOBJ Old_;
};

// Saves a DC's state (origin, clipping, selections) and restores it.
class TSavedDC {
 public:
  explicit TSavedDC(HDC DC) : DC_(DC), Saved_(SaveDC(DC)) {}
  ~TSavedDC() {
    if (Saved_) RestoreDC(DC_, Saved_);
  }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC DC_;
  int Saved_;
};

// A window's paint DC between BeginPaint and EndPaint.
class TPaintDC {
 public:
  explicit TPaintDC(HWND Wnd) : Wnd_(Wnd), DC_(BeginPaint(Wnd, &Paint_)) {}
  ~TPaintDC() { EndPaint(Wnd_, &Paint_); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC Handle() const { return DC_; }
  operator HDC() const { return DC_; }
  const PAINTSTRUCT& Paint() const { return Paint_; }

 private:
  HWND Wnd_;
  PAINTSTRUCT Paint_{};
  HDC DC_;
};

// ------------------------------------------------------------ clipboard

class TClipboard;

// Keeps the clipboard open for a scope; the clipboard counts nested opens.
class TClipboardOpen {
 public:
  explicit TClipboardOpen(TClipboard* Clipboard);
  ~TClipboardOpen();
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;

 private:
  TClipboard* Clipboard_;
};
