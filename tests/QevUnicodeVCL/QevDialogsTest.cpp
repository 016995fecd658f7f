#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "QevClipBrd.h"
#include "QevDialogs.h"
#include "QevExtCtrls.h"
#include "QevGraphics.h"
#include "QevTestSupport.h"

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

}  // namespace
