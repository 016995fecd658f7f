#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileDialogTestSupport.h"
#include "QevClipBrd.h"
#include "QevDialogs.h"
#include "QevExtCtrls.h"
#include "QevGraphics.h"
#include "QevTestSupport.h"

using namespace std::string_literals;

namespace {

const WideString Divider = WideString(27, L'-') + L"\r\n";

// Works the modal message box from the application's idle time: each time
// the box waits for input, the next step runs (a step that posts nothing
// still gets the next one going). A box still open after the last step is
// closed, so a failing test cannot hang.
class TBoxDriver {
 public:
  using TStep = std::function<void(TQevMessageForm*)>;
  explicit TBoxDriver(std::vector<TStep> Steps) : Steps_(std::move(Steps)) {
    Application->OnIdle = TIdleEvent::Bind<&TBoxDriver::Idle>(this);
  }
  ~TBoxDriver() { Application->OnIdle = nullptr; }
  TBoxDriver(const TBoxDriver&) = delete;
  TBoxDriver& operator=(const TBoxDriver&) = delete;

  size_t StepsRun() const { return Next_; }

 private:
  void Idle(TObject*, bool&) {
    TQevMessageForm* box = ModalBox();
    if (!box) return;
    if (Next_ == Steps_.size()) {
      PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
      return;
    }
    Steps_[Next_++](box);
    PostMessageW(box->Handle(), WM_NULL, 0, 0);
  }
  static TQevMessageForm* ModalBox() {
    for (Integer i = 0; i < Screen->FormCount(); ++i)
      if (auto* box = dynamic_cast<TQevMessageForm*>(Screen->Forms(i)))
        if (box->FormState().Contains(fsModal) && box->IsShowing()) return box;
    return nullptr;
  }

  std::vector<TStep> Steps_;
  size_t Next_ = 0;
};

// A key as the keyboard sends it to the control with the focus.
void PressKey(TQevMessageForm* Box, WPARAM Key) {
  HWND target = GetFocus();
  if (!target || GetAncestor(target, GA_ROOT) != Box->Handle()) target = Box->Handle();
  PostMessageW(target, WM_KEYDOWN, Key, 1);
  PostMessageW(target, WM_KEYUP, Key, 0xC0000001);
}

// Ctrl held down in the thread's keyboard state for the life of the object.
class TCtrlDown {
 public:
  TCtrlDown() {
    GetKeyboardState(Saved_);
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    SetKeyboardState(state);
  }
  ~TCtrlDown() { SetKeyboardState(Saved_); }

 private:
  BYTE Saved_[256];
};

TQevButton* ButtonOf(TQevMessageForm* Box, const char* Name) {
  return dynamic_cast<TQevButton*>(Box->FindComponent(Name));
}

std::vector<TQevButton*> ButtonsOf(TQevMessageForm* Box) {
  std::vector<TQevButton*> result;
  for (Integer i = 0; i < Box->ComponentCount(); ++i)
    if (auto* button = dynamic_cast<TQevButton*>(Box->Components(i))) result.push_back(button);
  return result;
}

WideString WindowTextOf(HWND Wnd) {
  WCHAR buffer[256] = {};
  GetWindowTextW(Wnd, buffer, 256);
  return buffer;
}

WideString ClipboardWideText() {
  Clipboard()->Open();
  WideString result;
  if (HANDLE data = Clipboard()->GetAsHandle(CF_UNICODETEXT)) {
    if (auto* text = static_cast<const WideChar*>(GlobalLock(data))) {
      result = text;
      GlobalUnlock(data);
    }
  }
  Clipboard()->Close();
  return result;
}

// Replaces one message-box text through the runtime's resource-string loader.
class TTranslatedString {
 public:
  TTranslatedString(const TResStringRec& Rec, const WideString& Text) {
    Rec_ = &Rec;
    Text_ = Text;
    Saved_ = LoadResStringProc;
    LoadResStringProc = &Load;
  }
  ~TTranslatedString() { LoadResStringProc = Saved_; }

 private:
  static WideString Load(const TResStringRec& Rec) { return &Rec == Rec_ ? Text_ : Saved_(Rec); }
  static inline const TResStringRec* Rec_ = nullptr;
  static inline WideString Text_;
  static inline TLoadResStringProc Saved_ = nullptr;
};

TEST(WideShowMessage, ShowsWideTextUnderWideTitleWithOneOkButtonCentred) {
  const WideString title = L"Titel \u0436\u4E2D";
  const WideString text = L"Nachricht \u0436\u4E2D\u0416";
  const WideString savedTitle = QevApplication->GetTitle();
  QevApplication->SetTitle(title);
  WideString shownCaption, shownText;
  std::vector<TQevButton*> buttons;
  TRect bounds{};
  TBoxDriver driver({[&](TQevMessageForm* box) {
    shownCaption = WindowTextOf(box->Handle());
    shownText = box->Message->Caption();
    buttons = ButtonsOf(box);
    bounds = box->BoundsRect();
    EXPECT_EQ(box->FindComponent("Image"), nullptr);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->Name(), "OK");
    EXPECT_EQ(WindowTextOf(buttons[0]->Handle()), L"OK");
    EXPECT_TRUE(buttons[0]->Default());
    EXPECT_TRUE(buttons[0]->Cancel());
    PressKey(box, VK_ESCAPE);  // the cancel button closes it
  }});
  WideShowMessage(text);
  QevApplication->SetTitle(savedTitle);
  EXPECT_EQ(driver.StepsRun(), 1u);
  EXPECT_EQ(shownCaption, title);
  EXPECT_EQ(shownText, text);
  const Integer width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  EXPECT_EQ(bounds.left, (Screen->Width() - width) / 2);
  EXPECT_EQ(bounds.top, (Screen->Height() - height) / 2);
}

TEST(WideMessageDlgPos, PlacesTheBoxAtTheGivenCoordinates) {
  TRect bounds{};
  TBoxDriver driver({[&](TQevMessageForm* box) {
    bounds = box->BoundsRect();
    PressKey(box, VK_RETURN);
  }});
  EXPECT_EQ(WideMessageDlgPos(L"x", mtInformation, {mbOK}, 0, 17, -1), mrOk);
  EXPECT_EQ(bounds.left, 17);
  EXPECT_EQ(bounds.top, Screen->Height() / 2 - (bounds.bottom - bounds.top) / 2);
}

TEST(WideMessageDlg, YesIsDefaultAndNoIsCancel) {
  TBoxDriver driver({[&](TQevMessageForm* box) {
    EXPECT_TRUE(ButtonOf(box, "Yes")->Default());
    EXPECT_FALSE(ButtonOf(box, "No")->Default());
    EXPECT_FALSE(ButtonOf(box, "Yes")->Cancel());
    PressKey(box, VK_ESCAPE);
  }});
  EXPECT_EQ(WideMessageDlgPos(L"Weiter?", mtConfirmation, {mbNo, mbYes}, 0, -1, -1), mrNo);
}

TEST(WideMessageDlg, AbortRetryIgnoreHasRetryAsDefaultAndNoCancel) {
  bool openAfterEscape = false;
  TBoxDriver driver({[&](TQevMessageForm* box) {
                       for (TQevButton* button : ButtonsOf(box)) EXPECT_FALSE(button->Cancel());
                       EXPECT_TRUE(ButtonOf(box, "Retry")->Default());
                       PressKey(box, VK_ESCAPE);
                     },
                     [&](TQevMessageForm*) { openAfterEscape = true; },
                     [&](TQevMessageForm* box) { PressKey(box, VK_RETURN); }});
  EXPECT_EQ(WideMessageDlgPos(L"Fehler", mtError, {mbAbort, mbRetry, mbIgnore}, 0, -1, -1),
            mrRetry);
  EXPECT_TRUE(openAfterEscape);
}

TEST(TQevMessageForm, CtrlCCopiesCaptionMessageAndButtonsAsUnicodeText) {
  const WideString text = L"Zeile \u0436\r\nzwei";
  const WideString expected = Divider + L"Warning\r\n" + Divider + text + L"\r\n" + Divider +
                              L"Yes   No   No to All   \r\n" + Divider;
  QevClipboard()->SetAsWideText(L"old");
  std::optional<TCtrlDown> ctrl;
  TBoxDriver driver({[&](TQevMessageForm* box) {
                       ctrl.emplace();
                       PressKey(box, 'C');
                     },
                     [&](TQevMessageForm* box) {
                       ctrl.reset();
                       PressKey(box, VK_ESCAPE);
                     }});
  EXPECT_EQ(WideMessageDlgPos(text, mtWarning, {mbYes, mbNo, mbNoToAll}, 0, -1, -1), mrNo);
  EXPECT_EQ(ClipboardWideText(), expected);

  std::unique_ptr<TQevMessageForm> box(WideCreateMessageDialog(text, mtWarning, {mbNoToAll}));
  QevClipboard()->SetAsWideText(L"old");
  Word key = 'C';
  box->OnKeyDown(box.get(), key, {ssCtrl, ssShift});  // only Ctrl alone copies
  EXPECT_EQ(ClipboardWideText(), L"old");
}

class TQevMessageFormRoads : public RoadTest {};

TEST_P(TQevMessageFormRoads, LongTranslatedCaptionWidensEveryButton) {
  std::unique_ptr<TQevMessageForm> plain(WideCreateMessageDialog(L"m", mtCustom, {mbOK, mbCancel}));
  const Integer plainWidth = ButtonOf(plain.get(), "OK")->Width();
  EXPECT_EQ(ButtonOf(plain.get(), "Cancel")->Width(), plainWidth);

  const WideString longCaption = L"Einverstanden, und weiter mit der \u00DCberpr\u00FCfung";
  TTranslatedString translation(SMsgDlgOK, longCaption);
  std::unique_ptr<TQevMessageForm> box(WideCreateMessageDialog(L"m", mtCustom, {mbOK, mbCancel}));
  TQevButton* ok = ButtonOf(box.get(), "OK");
  TQevButton* cancel = ButtonOf(box.get(), "Cancel");
  EXPECT_EQ(ok->Caption(), longCaption);
  EXPECT_GT(ok->Width(), plainWidth);
  EXPECT_EQ(cancel->Width(), ok->Width());
  EXPECT_LT(ok->Left() + ok->Width(), cancel->Left());
  EXPECT_LE(cancel->Left() + cancel->Width(), box->ClientWidth());
  EXPECT_EQ(ok->Left(), box->ClientWidth() - (cancel->Left() + cancel->Width()));  // centred
}

INSTANTIATE_TEST_SUITE_P(Roads, TQevMessageFormRoads, testing::Bool(), RoadName);

TEST(TQevMessageForm, IconStandsBeforeTheMessage) {
  std::unique_ptr<TQevMessageForm> box(WideCreateMessageDialog(L"m", mtInformation, {mbOK}));
  EXPECT_EQ(box->Caption(), L"Information");
  auto* image = dynamic_cast<TQevImage*>(box->FindComponent("Image"));
  ASSERT_NE(image, nullptr);
  EXPECT_NE(image->Picture()->Icon()->Handle(), nullptr);
  EXPECT_EQ(image->Width(), 32);
  EXPECT_GT(box->Message->Left(), image->Left() + image->Width());
  EXPECT_EQ(box->Message->Top(), image->Top());

  std::unique_ptr<TQevMessageForm> custom(WideCreateMessageDialog(L"m", mtCustom, {mbOK}));
  EXPECT_EQ(custom->Message->Left(), image->Left());
}

// An "&" in a message is text, not a mnemonic: the label keeps it and is
// measured with it.
TEST(TQevMessageForm, AmpersandInMessageIsShownAsText) {
  std::unique_ptr<TQevMessageForm> box(
      WideCreateMessageDialog(L"http://x/?a=1&b=2", mtCustom, {mbOK}));
  std::unique_ptr<TQevMessageForm> without(
      WideCreateMessageDialog(L"http://x/?a=1b=2", mtCustom, {mbOK}));
  EXPECT_FALSE(box->Message->ShowAccelChar());
  EXPECT_GT(box->Message->Width(), without->Message->Width());
}

// ------------------------------------------------------------- file dialogs

using TFakeW = TFakeFileDialog<OPENFILENAMEW>;

class QevFileDialogTest : public testing::Test {
 protected:
  void SetUp() override { TFakeW::Reset(); }
  TRoadSwitch Wide_{true};
  TRestore<TOpenFileNameFuncW> Open_{GetOpenFileNameProcW, &TFakeW::Run<OpenName>};
  TRestore<TOpenFileNameFuncW> Save_{GetSaveFileNameProcW, &TFakeW::Run<SaveName>};
};

TEST_F(QevFileDialogTest, WideRecordCarriesFilterFolderExtensionAndBuffer) {
  TQevSaveDialog dialog(nullptr);
  dialog.SetFilter(L"Text \u0436|*.txt|All|*.*");
  dialog.SetInitialDir(L"C:\\Temp\u4E2D\\");
  dialog.SetDefaultExt(L"txt");
  dialog.SetFileName(L"stats\u0436");
  dialog.SetTitle(L"Save \u4E2D");
  dialog.SetOptions({ofAllowMultiSelect});
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(TFakeW::Called, SaveName);
  EXPECT_EQ(TFakeW::Filter, L"Text \u0436\0*.txt\0All\0*.*\0\0"s);
  EXPECT_EQ(TFakeW::InitialDir, L"C:\\Temp\u4E2D");
  EXPECT_EQ(TFakeW::DefExt, L"txt");
  EXPECT_EQ(TFakeW::File, L"stats\u0436");
  EXPECT_EQ(TFakeW::Title, L"Save \u4E2D");
  EXPECT_EQ(TFakeW::Seen.nMaxFile, MultiSelectBufferSize);
  EXPECT_EQ(TFakeW::Seen.Flags, DWORD(OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ALLOWMULTISELECT));
  EXPECT_EQ(TFakeW::Seen.lCustData, reinterpret_cast<LPARAM>(&dialog));
  EXPECT_EQ(dialog.FileName(), L"stats\u0436");

  // No filter is an empty one; an old-style dialog takes the extension of
  // the file name.
  dialog.SetFilter(L"");
  dialog.SetDefaultExt(L"");
  dialog.SetFileName(L"report.csv");
  dialog.SetOptions({ofOldStyleDialog});
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(TFakeW::Filter, L"<null>");
  EXPECT_EQ(TFakeW::DefExt, L"csv");
}

TEST_F(QevFileDialogTest, MultiSelectionGivesFullWideNamesAndAnAnsiCopy) {
  TQevOpenDialog dialog(nullptr);
  dialog.SetOptions({ofAllowMultiSelect});
  TFakeW::Answer = L"C:\\Data\u0436\0a.txt\0D:\\b.txt\0\\x.txt\0\0"s;
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(TFakeW::Called, OpenName);
  const WideString names = L"C:\\Data\u0436\\a.txt\r\nD:\\b.txt\r\n\\x.txt\r\n";
  EXPECT_EQ(dialog.Files()->Text(), names);
  EXPECT_EQ(dialog.TOpenDialog::Files()->Text(), WideToAnsi(names));
  EXPECT_EQ(dialog.FileName(), L"C:\\Data\u0436\\a.txt");
  EXPECT_EQ(dialog.Options(), TOpenOptions({ofAllowMultiSelect, ofReadOnly}));
  EXPECT_EQ(dialog.FilterIndex(), 3);

  TFakeW::Answer.reset();
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Files()->Count(), 0);
  EXPECT_EQ(dialog.TOpenDialog::Files()->Count(), 0);
  EXPECT_EQ(dialog.FileName(), L"C:\\Data\u0436\\a.txt");
}

// OnCanClose sees the confirmed names; after its refusal and a cancel the
// dialog's FileName is what it was before.
TEST_F(QevFileDialogTest, RefusedConfirmationLeavesFileNameAsItWas) {
  TDrivenDialog<TQevOpenDialog> dialog({});
  dialog.SetFileName(L"old\u0436");
  WideString asked;
  dialog.WhenCanClose = [&](bool& CanClose) {
    asked = dialog.FileName() + L"|" + dialog.Files()->Text();
    CanClose = false;
  };
  UINT_PTR hookResult = 0;
  TFakeW::During = [&](LPOPENFILENAMEW R) {
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               nullptr, nullptr);
    R->lpfnHook(wnd, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(R));
    lstrcpyW(R->lpstrFile, L"C:\\new\u0436.txt");
    OFNOTIFYW notify{{wnd, 0, CDN_FILEOK}, R, nullptr};
    hookResult = R->lpfnHook(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    DestroyWindow(wnd);
  };
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(hookResult, 1u);
  EXPECT_EQ(asked, L"C:\\new\u0436.txt|C:\\new\u0436.txt\r\n");
  EXPECT_EQ(dialog.FileName(), L"old\u0436");
  EXPECT_EQ(dialog.TOpenDialog::FileName(), WideToAnsi(L"old\u0436"));
}

// The 8-bit road runs the platform's dialog; the wide list follows its names,
// and a cancel leaves none in either list.
TEST_F(QevFileDialogTest, AnsiRoadRunsThePlatformDialog) {
  using TFakeA = TFakeFileDialog<OPENFILENAMEA>;
  TRoadSwitch ansi(false);
  TRestore<TOpenFileNameFuncA> open(GetOpenFileNameProcA, &TFakeA::Run<OpenName>);
  TQevOpenDialog dialog(nullptr);
  TFakeA::Answer = "C:\\x.txt";
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(TFakeW::Called, nullptr);
  EXPECT_EQ(dialog.Files()->Text(), L"C:\\x.txt\r\n");
  TFakeA::Reset();
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Files()->Count(), 0);
  EXPECT_EQ(dialog.TOpenDialog::Files()->Count(), 0);
}

TEST(TQevSaveDialog, FormDescriptionSetsItsProperties) {
  Initialization_QevDialogs();
  TStringStream input(
      "object Form: TForm object SaveDialog1: TQevSaveDialog DefaultExt = 'txt' "
      "FileName = 'webstats' InitialDir = 'C:\\Windows\\Desktop' "
      "Options = [ofOverwritePrompt] end end");
  TMemoryStream binary;
  ObjectTextToBinary(&input, &binary);
  binary.SetPosition(0);
  TForm form(nullptr);
  binary.ReadComponent(&form);
  auto* dialog = dynamic_cast<TQevSaveDialog*>(form.FindComponent("SaveDialog1"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->DefaultExt(), L"txt");
  EXPECT_EQ(dialog->FileName(), L"webstats");
  EXPECT_EQ(dialog->InitialDir(), L"C:\\Windows\\Desktop");
  EXPECT_EQ(dialog->Options(), TOpenOptions({ofOverwritePrompt}));
}

// The real dialog on the wide road: the path it shows is answered whole
// however long, a refusal keeps it open, and the wide name comes back.
TEST(TQevSaveDialog, RealDialogAnswersLongPathsAndReturnsTheWideName) {
  TRoadSwitch wide(true);
  TTempFolder temp;
  const WideString dir = temp.Path() + L"Dialog\u0436";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  TTempFolder::CreateFileWithText(dir + L"\\seen.txt", "x");
  const WideString longName(250, L'n');  // with the folder beyond 261 characters
  WideString shownPath, askedPath;
  int asked = 0;
  TDrivenDialog<TQevSaveDialog> dialog({[&](auto* d) {
                                          shownPath = d->FileName();
                                          d->Confirm(L"stats\u4E2D");
                                        },
                                        [&](auto* d) { d->Confirm(L"stats\u4E2D"); }});
  dialog.SetInitialDir(dir + L"\\");
  dialog.SetDefaultExt(L"txt");
  dialog.SetFileName(longName);
  dialog.WhenCanClose = [&](bool& CanClose) {
    askedPath = dialog.FileName();
    CanClose = ++asked > 1;
  };
  struct TIncludeCount {
    int Count = 0;
    void Include(const OFNOTIFYEXW& OFN, bool&) { Count += OFN.hdr.code == CDN_INCLUDEITEM; }
  } included;
  dialog.SetOptions(dialog.Options() + TOpenOptions{ofEnableIncludeNotify});
  dialog.OnIncludeItem = TIncludeItemEventW::Bind<&TIncludeCount::Include>(&included);

  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.StepsRun(), 2u);
  EXPECT_EQ(dialog.Shows, 1);
  EXPECT_EQ(dialog.Closes, 1);
  EXPECT_GT(included.Count, 0);
  EXPECT_EQ(shownPath, dir + L"\\" + longName);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(askedPath, dir + L"\\stats\u4E2D");  // as typed: the dialog adds the extension
  const WideString chosen = dir + L"\\stats\u4E2D.txt";
  EXPECT_EQ(dialog.FileName(), chosen);
  EXPECT_EQ(dialog.Files()->Text(), chosen + L"\r\n");
  EXPECT_EQ(dialog.TOpenDialog::Files()->Text(), WideToAnsi(chosen) + "\r\n");
}

}  // namespace
