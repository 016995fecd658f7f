// Stand-ins for the comdlg32 file functions, and a driver that works a real
// file dialog from inside its own modal loop.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Dialogs.h"

#include <dlgs.h>

// Stands in for GetOpenFileName/GetSaveFileName of Record's kind (OPENFILENAMEA
// or W): keeps the record and its texts ("<null>" for none; the filter with
// its zeros), runs During, and answers with Answer, the buffer with its zeros,
// as a confirmation with the read-only box ticked and filter 3 chosen
// (nullopt: cancelled).
template <class Record>
struct TFakeFileDialog {
  using Char = std::remove_pointer_t<decltype(Record::lpstrFile)>;
  using String = std::basic_string<Char>;
  static inline std::optional<String> Answer;
  static inline std::function<void(Record*)> During;
  static inline Record Seen{};
  static inline String Filter, InitialDir, DefExt, File, Title;
  static inline const char* Called = nullptr;

  static void Reset() {
    Answer.reset();
    During = nullptr;
    Called = nullptr;
  }
  static String Text(const Char* p) {
    const char* none = "<null>";
    return p ? String(p) : String(none, none + 6);
  }
  template <const char* Name>
  static BOOL WINAPI Run(Record* R) {
    Called = Name;
    Seen = *R;
    std::size_t n = 0;
    while (R->lpstrFilter && (R->lpstrFilter[n] || R->lpstrFilter[n + 1])) ++n;
    Filter = R->lpstrFilter ? String(R->lpstrFilter, n + 2) : Text(nullptr);
    InitialDir = Text(R->lpstrInitialDir);
    DefExt = Text(R->lpstrDefExt);
    File = Text(R->lpstrFile);
    Title = Text(R->lpstrTitle);
    if (During) During(R);
    if (!Answer) return FALSE;
    Answer->copy(R->lpstrFile, R->nMaxFile);
    R->Flags |= OFN_READONLY;
    R->nFilterIndex = 3;
    return TRUE;
  }
};
inline constexpr char OpenName[] = "open", SaveName[] = "save";

// Dialog is a file dialog class. When the dialog shows, and after each step,
// the next step runs from a message posted to the dialog's hook window, so a
// step runs once the dialog has handled what the step before posted to it.
// A dialog still open after the last step is cancelled; the guard cancels a
// dialog that never shows, so a failing test cannot hang.
template <class Dialog>
class TDrivenDialog : public Dialog {
 public:
  using TStep = std::function<void(TDrivenDialog*)>;
  explicit TDrivenDialog(std::vector<TStep> Steps)
      : Dialog(nullptr), Steps_(std::move(Steps)), Guard_(SetTimer(nullptr, 0, 30000, &Guard)) {
    this->OnCanClose = TCloseQueryEvent::Bind<&TDrivenDialog::CanCloseEvent>(this);
  }
  ~TDrivenDialog() override { KillTimer(nullptr, Guard_); }

  // Types Text into the dialog's file name box and confirms.
  void Confirm(const WideString& Text) {
    HWND dialog = GetParent(this->Handle());
    HWND box = GetDlgItem(dialog, edt1);
    SetWindowTextW(box ? box : GetDlgItem(dialog, cmb13), Text.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }

  // Answers OnCanClose; unset: the dialog may close.
  std::function<void(bool& CanClose)> WhenCanClose;
  size_t StepsRun() const { return Next_; }
  int Shows = 0, Closes = 0;

  void WndProc(TMessage& Message) override {
    if (Message.Msg != StepMessage) return Dialog::WndProc(Message);
    if (Next_ == Steps_.size()) return Cancel(GetParent(this->Handle()));
    Steps_[Next_++](this);
    PostMessageW(this->Handle(), StepMessage, 0, 0);
  }

 protected:
  void DoShow() override {
    ++Shows;
    Dialog::DoShow();
    PostMessageW(this->Handle(), StepMessage, 0, 0);
  }
  void DoClose() override {
    ++Closes;
    Dialog::DoClose();
  }

 private:
  static constexpr UINT StepMessage = WM_APP + 17;
  static void Cancel(HWND Wnd) { PostMessageW(Wnd, WM_COMMAND, IDCANCEL, 0); }
  // Only this thread's dialog: other test programs may show theirs meanwhile.
  static void CALLBACK Guard(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND Wnd, LPARAM) -> BOOL {
          wchar_t name[16] = {};
          GetClassNameW(Wnd, name, 16);
          if (std::wstring(name) == L"#32770") Cancel(Wnd);
          return TRUE;
        },
        0);
  }
  void CanCloseEvent(TObject*, bool& CanClose) {
    if (WhenCanClose) WhenCanClose(CanClose);
  }

  std::vector<TStep> Steps_;
  size_t Next_ = 0;
  UINT_PTR Guard_;
};
