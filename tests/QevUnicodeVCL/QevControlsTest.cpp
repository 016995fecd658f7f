#include <memory>
#include <vector>

#include "QevControls.h"
#include "QevTestSupport.h"

namespace {

const WideString Cyrillic = L"\x0436";                // not in code page 1252
const WideString Chinese = L"\x4E2D\x6587";           // two characters, "??" in 1252
const WideString OtherChinese = L"\x6587\x4E2D";      // another text, also "??"
const WideString Mixed = L"Caption \x0436\x4E2D";

// Notes the 8-bit and wide text each CM_TEXTCHANGED finds.
template <class Base>
class TRecording : public Base {
 public:
  TRecording() : Base(nullptr) {}
  std::vector<AnsiString> AnsiSeen;
  std::vector<WideString> WideSeen;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_TEXTCHANGED) {
      AnsiSeen.push_back(this->GetText());
      WideSeen.push_back(WideGetControlText(this));
    }
    Base::Dispatch(Message);
  }
};

using TLabelLike = TRecording<TGraphicControl>;

// A window control that makes a hidden top-level window when asked.
class TTestWinControl : public TRecording<TWinControl> {
 protected:
  void CreateParams(TCreateParams& Params) override {
    TWinControl::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE);
  }
};

// Announces more text than it holds, as windows may.
LRESULT CALLBACK GenerousWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT result = DefWindowProcW(Wnd, Msg, WParam, LParam);
  return Msg == WM_GETTEXTLENGTH ? result + 4 : result;
}

// A window control with a Unicode window of its own class.
class TUnicodeWinControl : public TTestWinControl {
 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = &GenerousWndProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"QevControlsTestUnicode";
    RegisterClassW(&cls);  // fails harmlessly when it is already there
    SetHandle(CreateWindowExW(0, cls.lpszClassName, nullptr, Params.Style, 0, 0, 10, 10, nullptr,
                              nullptr, cls.hInstance, nullptr));
  }
};

void RecordSetting(TObject* Log, const AnsiString& Value) {
  static_cast<TStringList*>(Log)->Add(Value);
}

class QevControlsRoadTest : public RoadTest {};

}  // namespace

// --------------------------------------------------------- held-value rule

TEST(QevControlsTest, SetHeldWideTextMakesThePlatformSeeAChange) {
  TStringList log;
  WideString held = Chinese;
  // Same 8-bit form as the current value: an empty text first.
  SetHeldWideText(OtherChinese, held, "??", RecordSetting, &log);
  EXPECT_EQ(OtherChinese, held);
  EXPECT_EQ("\r\n??\r\n", log.Text());

  log.Clear();
  SetHeldWideText(OtherChinese, held, "??", RecordSetting, &log);  // unchanged
  EXPECT_EQ(0, log.Count());

  // A text that survives the 8-bit trip needs no detour.
  SetHeldWideText(L"plain", held, "??", RecordSetting, &log);
  EXPECT_EQ("plain\r\n", log.Text());
  EXPECT_EQ(L"plain", held);

  // The held value is stale: the platform's value already is the new one.
  log.Clear();
  held = Chinese;
  SetHeldWideText(L"set", held, "set", RecordSetting, &log);
  EXPECT_EQ(0, log.Count());
  EXPECT_EQ(L"set", held);
}

// ------------------------------------------------------ windowless controls

TEST(QevControlsTest, WindowlessCaptionIsHeldUntilTheAnsiTextChanges) {
  TLabelLike label;
  WideSetControlText(&label, Mixed);
  EXPECT_EQ(Mixed, WideGetControlText(&label));
  EXPECT_EQ(WideToAnsi(Mixed), label.GetText());

  label.SetText(WideToAnsi(Mixed));  // equal 8-bit text: still held
  EXPECT_EQ(Mixed, WideGetControlText(&label));

  label.SetText("Other");  // behind the layer's back
  EXPECT_EQ(L"Other", WideGetControlText(&label));
  EXPECT_EQ(L"Other", FindWideCaptionHolder(&label, false)->WideCaption);
}

TEST(QevControlsTest, WindowlessCaptionWithTheSameAnsiFormNotifiesTwice) {
  TLabelLike label;
  WideSetControlText(&label, Chinese);
  label.AnsiSeen.clear();
  label.WideSeen.clear();
  WideSetControlText(&label, OtherChinese);
  EXPECT_EQ((std::vector<AnsiString>{"", "??"}), label.AnsiSeen);
  // The last notice already reads the new wide text.
  EXPECT_EQ(OtherChinese, label.WideSeen.back());
  EXPECT_EQ(OtherChinese, WideGetControlText(&label));
}

// ------------------------------------------------------- window controls

// Counts the text changes a control is told of.
struct TTextChanges {
  TControl* Control;
  int Count = 0;
  void Message(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED) ++Count;
    Control->WndProc(Message);
  }
};

TEST(QevControlsTest, CaptionWithTheSameAnsiFormBeforeTheWindowIsStillAChange) {
  TTestWinControl control;
  TTextChanges changes{&control};
  control.WindowProc = TWndMethod::Bind<&TTextChanges::Message>(&changes);
  WideSetControlText(&control, Chinese);
  WideSetControlText(&control, OtherChinese);
  EXPECT_EQ(OtherChinese, WideGetControlText(&control));
  EXPECT_EQ(3, changes.Count);  // "??", then "" and "??" again
  WideSetControlText(&control, OtherChinese);
  EXPECT_EQ(3, changes.Count);
}

TEST(QevControlsTest, CaptionSetBeforeTheWindowIsHeldAndReconciled) {
  TTestWinControl control;
  WideSetControlText(&control, Mixed);
  EXPECT_FALSE(control.HandleAllocated());
  EXPECT_EQ(Mixed, WideGetControlText(&control));
  EXPECT_EQ(WideToAnsi(Mixed), control.GetText());

  control.SetText("Plain");  // the platform's setter
  EXPECT_EQ(L"Plain", WideGetControlText(&control));

  WideSetControlText(&control, Chinese);
  control.Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Again"));
  EXPECT_EQ(L"Again", WideGetControlText(&control));
}

TEST(QevControlsTest, AnsiWindowTakesTheAnsiForm) {
  TTestWinControl control;
  control.HandleNeeded();
  ASSERT_TRUE(control.HandleAllocated());
  ASSERT_FALSE(IsWindowUnicode(control.WindowHandle()));
  WideSetControlText(&control, Mixed);
  EXPECT_EQ(WideToAnsi(Mixed), GetWindowTextOf(control.WindowHandle()));
  EXPECT_EQ(AnsiToWide(WideToAnsi(Mixed)), WideGetControlText(&control));
  EXPECT_EQ(nullptr, FindWideCaptionHolder(&control, false));
}

TEST(QevControlsTest, UnicodeWindowKeepsItsTextExactly) {
  TUnicodeWinControl control;
  control.HandleNeeded();
  ASSERT_TRUE(IsWindowUnicode(control.WindowHandle()));
  WideSetControlText(&control, Mixed);
  WCHAR buffer[64] = {};
  GetWindowTextW(control.WindowHandle(), buffer, 64);
  EXPECT_EQ(Mixed, WideString(buffer));
  // The window announces more than it holds; only the copied text counts.
  EXPECT_EQ(Mixed, WideGetControlText(&control));
  EXPECT_EQ(1u, control.AnsiSeen.size());

  WideSetControlText(&control, Mixed);  // unchanged: no notice
  EXPECT_EQ(1u, control.AnsiSeen.size());
}

// ------------------------------------------------------------------ hints

TEST(QevControlsTest, HintIsHeldUntilTheAnsiHintChanges) {
  TLabelLike label;
  WideSetControlHint(&label, Cyrillic + L"|" + Chinese);
  EXPECT_EQ(Cyrillic + L"|" + Chinese, WideGetControlHint(&label));
  EXPECT_EQ("?|??", label.Hint());

  WideSetControlHint(&label, Cyrillic + L"|" + OtherChinese);  // same 8-bit form
  EXPECT_EQ(Cyrillic + L"|" + OtherChinese, WideGetControlHint(&label));

  label.SetHint("short|long");
  EXPECT_EQ(L"short|long", WideGetControlHint(&label));
}

TEST(QevControlsTest, ShortAndLongHints) {
  EXPECT_EQ(L"short", WideShortHint(L"short|long|more"));
  EXPECT_EQ(L"long|more", WideLongHint(L"short|long|more"));
  EXPECT_EQ(Chinese, WideShortHint(Chinese));
  EXPECT_EQ(Chinese, WideLongHint(Chinese));
  EXPECT_EQ(L"", WideLongHint(Cyrillic + L"|"));
}

TEST(QevControlsTest, HintComesFromTheFirstParentThatHasOne) {
  TTestWinControl outer;
  TTestWinControl* inner = new TTestWinControl;  // freed by its parent
  inner->SetParent(&outer);
  TLabelLike* label = new TLabelLike;
  label->SetParent(inner);
  EXPECT_EQ(L"", WideGetHintOfControlOrParent(label));
  EXPECT_EQ(L"", WideGetHintOfControlOrParent(nullptr));

  WideSetControlHint(&outer, Chinese);
  EXPECT_EQ(Chinese, WideGetHintOfControlOrParent(label));
  WideSetControlHint(inner, Cyrillic);
  EXPECT_EQ(Cyrillic, WideGetHintOfControlOrParent(label));
  WideSetControlHint(label, Mixed);
  EXPECT_EQ(Mixed, WideGetHintOfControlOrParent(label));
}

// --------------------------------------------------------- stored tests

TEST(QevControlsTest, TextsFromAnActionAreNotStored) {
  TLabelLike label;
  EXPECT_TRUE(ControlCaptionStored(&label));
  EXPECT_TRUE(ControlHintStored(&label));
  TAction action(nullptr);
  action.SetCaption("Go");
  action.SetHint("Go on");
  label.SetAction(&action);
  EXPECT_FALSE(ControlCaptionStored(&label));
  EXPECT_FALSE(ControlHintStored(&label));

  WideSetControlText(&label, Chinese);
  WideSetControlHint(&label, Chinese);
  EXPECT_TRUE(ControlCaptionStored(&label));
  EXPECT_TRUE(ControlHintStored(&label));
  label.SetAction(nullptr);
}

// ------------------------------------------------------------ holders

TEST(QevControlsTest, HolderGoesWithItsControl) {
  std::vector<std::unique_ptr<TLabelLike>> labels(5);
  for (auto& label : labels) {
    label = std::make_unique<TLabelLike>();
    WideSetControlText(label.get(), Chinese);
  }
  TControl* freed = labels[2].get();
  ASSERT_NE(nullptr, FindWideCaptionHolder(freed, false));
  labels[2].reset();
  EXPECT_EQ(nullptr, FindWideCaptionHolder(freed, false));
  for (auto& label : labels) {
    if (label) {
      EXPECT_EQ(Chinese, WideGetControlText(label.get()));
    }
  }
}

TEST(QevControlsTest, UnitEndFreesHoldersOfLivingControls) {
  auto label = std::make_unique<TLabelLike>();
  WideSetControlHint(label.get(), Chinese);
  Finalization_QevControls();
  Initialization_QevControls();
  EXPECT_EQ(nullptr, FindWideCaptionHolder(label.get(), false));
  EXPECT_EQ(L"??", WideGetControlHint(label.get()));
  label.reset();  // no notice reaches the freed holder
}

// ------------------------------------------------------------ both roads

// The ANSI road keeps nothing beside the platform's 8-bit texts.
TEST_P(QevControlsRoadTest, CaptionsAndHints) {
  TLabelLike label;
  TTestWinControl control;
  WideSetControlText(&label, Chinese);
  WideSetControlHint(&label, Chinese);
  WideSetControlText(&control, Cyrillic);
  EXPECT_EQ(GetParam() ? Chinese : L"??", WideGetControlText(&label));
  EXPECT_EQ(GetParam() ? Chinese : L"??", WideGetControlHint(&label));
  EXPECT_EQ(GetParam() ? Cyrillic : L"?", WideGetControlText(&control));
  EXPECT_EQ(GetParam(), FindWideCaptionHolder(&label, false) != nullptr);
  EXPECT_EQ("??", label.GetText());
  EXPECT_EQ("?", control.GetText());
}

INSTANTIATE_TEST_SUITE_P(Roads, QevControlsRoadTest, testing::Bool(), RoadName);
