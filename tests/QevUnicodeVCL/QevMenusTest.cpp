#include "QevMenus.h"
#include "QevTestSupport.h"

namespace {

class ShortCutRoad : public RoadTest {};
INSTANTIATE_TEST_SUITE_P(Roads, ShortCutRoad, testing::Values(true, false), RoadName);

// Stands in for a far-east system for the life of the object.
class TFarEastSwitch {
 public:
  explicit TFarEastSwitch(bool farEast) { SysLocaleFarEast = farEast; }
  ~TFarEastSwitch() { SysLocaleFarEast = Saved_; }
  TFarEastSwitch(const TFarEastSwitch&) = delete;
  TFarEastSwitch& operator=(const TFarEastSwitch&) = delete;

 private:
  bool Saved_ = SysLocaleFarEast;
};

// A caption as it comes back from its 8-bit form.
WideString AnsiForm(const WideString& s) { return AnsiToWide(WideToAnsi(s)); }

TEST_P(ShortCutRoad, NamesModifiersInTheirOrder) {
  EXPECT_EQ(WideShortCutToText(scCtrl | scShift | VK_F1), L"Shift+Ctrl+F1");
  EXPECT_EQ(WideShortCutToText(scAlt | 'Q'), L"Alt+Q");
  EXPECT_EQ(WideShortCutToText(scCtrl | scShift | 'A'), L"Shift+Ctrl+A");
  EXPECT_EQ(WideShortCutToText(VK_F5), AnsiToWide(ShortCutToText(VK_F5)));
  // The layout may give no character for a keypad digit: never a zero character.
  EXPECT_EQ(WideShortCutToText(scCtrl | VK_NUMPAD7).find(L'\0'), WideString::npos);
  EXPECT_EQ(WideShortCutToText(VK_DELETE), L"Del");
}

TEST_P(ShortCutRoad, KeyWithoutNameGivesEmptyText) {
  // 0xFF has no scan code; 0 is no key at all.
  EXPECT_EQ(WideShortCutToText(scCtrl | scAlt | 0xFF), L"");
  EXPECT_EQ(WideShortCutToText(scShift), L"");
}

TEST_P(ShortCutRoad, ReadsShortCutTexts) {
  EXPECT_EQ(WideTextToShortCut(L"^S"), scCtrl | 'S');
  EXPECT_EQ(WideTextToShortCut(L"Ctrl+s"), scCtrl | 'S');
  EXPECT_EQ(WideTextToShortCut(L"ctrl+S"), 0);  // modifiers are case-sensitive
  EXPECT_EQ(WideTextToShortCut(L"Shift+Ctrl+F1"), scShift | scCtrl | VK_F1);
  EXPECT_EQ(WideTextToShortCut(L"Alt+Shift+Q"), scAlt | scShift | 'Q');
  EXPECT_EQ(WideTextToShortCut(L""), 0);
  EXPECT_EQ(WideTextToShortCut(L"Ctrl+"), 0);
  EXPECT_EQ(WideTextToShortCut(L"Ctrl+NoSuchKey"), 0);
}

TEST(WideShortCutText, EveryNamedKeyReadsBackToTheSameText) {
  for (Word key = 8; key <= 0xFF; ++key) {
    WideString text = WideShortCutToText(static_cast<TShortCut>(scAlt | key));
    if (text.empty()) continue;
    TShortCut back = WideTextToShortCut(text);
    EXPECT_NE(back, 0) << key;
    EXPECT_TRUE(WideSameText(WideShortCutToText(back), text)) << key;
  }
}

TEST(HotKeys, FindsTheLastSingleMark) {
  EXPECT_EQ(FindHotKeyIndex(L"A&&B&C"), 6);
  EXPECT_EQ(FindHotKeyIndex(L"Save &As &Copy"), 11);
  EXPECT_EQ(FindHotKeyIndex(L"Save&"), 0);
  EXPECT_EQ(FindHotKeyIndex(L"Tom && Jerry"), 0);
  EXPECT_EQ(FindHotKeyIndex(L""), 0);
  EXPECT_EQ(HotKeyOfCaption(L"A&&B&C"), L"C");
  EXPECT_EQ(HotKeyOfCaption(L"Open &\u0436"), L"\u0436");
  EXPECT_EQ(HotKeyOfCaption(L"x&\U0001F600y"), L"\U0001F600");  // the whole pair
  EXPECT_EQ(HotKeyOfCaption(L"Tom && Jerry"), L"");
}

TEST(HotKeys, RemovesMarks) {
  EXPECT_EQ(RemoveHotKeyMarks(L"&&"), L"&");
  EXPECT_EQ(RemoveHotKeyMarks(L"&&&x"), L"&x");
  EXPECT_EQ(RemoveHotKeyMarks(L"A&&B&C&"), L"A&BC");
  EXPECT_EQ(RemoveHotKeyMarks(L"&\u0436\u4E2D"), L"\u0436\u4E2D");
  {
    TFarEastSwitch farEast(false);
    EXPECT_EQ(RemoveHotKeyMarks(L"File(&F)"), L"File(F)");
  }
  TFarEastSwitch farEast(true);
  EXPECT_EQ(RemoveHotKeyMarks(L"File(&F)"), L"File");
  EXPECT_EQ(RemoveHotKeyMarks(L"File(&F"), L"File(F");
}

TEST(HotKeys, ComparesCaptionsWithoutMarks) {
  EXPECT_TRUE(CaptionsMatchIgnoringHotKeys(L"&Open \u0436", L"OPEN \u0416&"));
  EXPECT_FALSE(CaptionsMatchExactIgnoringHotKeys(L"&Open", L"OPEN"));
  EXPECT_TRUE(CaptionsMatchExactIgnoringHotKeys(L"&Open", L"Op&en"));
  EXPECT_FALSE(CaptionsMatchIgnoringHotKeys(L"&Open", L"Close"));
}

TEST(SyncHotKeyPosition, FollowsTheMarksOfTheAnsiForm) {
  struct Case {
    const WideChar* Wide;
    const WideChar* Moved;  // where the platform puts the marks
  };
  for (const Case& c : {
           Case{L"&Open \u0436", L"O&pen \u0436"},
           Case{L"&Open \u0436", L"Open &\u0436"},              // before a non-ANSI character
           Case{L"Save && &Close \u0436", L"Save && C&lose \u0436"},
           Case{L"\U0001F600 &Open", L"\U0001F600 O&pen"},
           Case{L"&Open \U0001F600x", L"Open &\U0001F600x"},    // before a surrogate pair
           Case{L"\U0001F600\U0001F600ab", L"\U0001F600\U0001F600a&b"},
       }) {
    WideString wide = c.Wide;
    SyncHotKeyPosition(AnsiForm(c.Moved), wide);
    EXPECT_EQ(wide, c.Moved);
  }
}

// Code pages in which a surrogate pair becomes one "?", as on Windows.
class TPairAsOneChar {
 public:
  TPairAsOneChar() {
    Saved = WideToAnsiProc;
    WideToAnsiProc = &Convert;
  }
  ~TPairAsOneChar() { WideToAnsiProc = Saved; }
  TPairAsOneChar(const TPairAsOneChar&) = delete;
  TPairAsOneChar& operator=(const TPairAsOneChar&) = delete;

 private:
  static AnsiString Convert(const WideChar* p, Integer len) {
    AnsiString result;
    for (Integer i = 0; i < len; ++i) {
      bool pair = i + 1 < len && p[i] >= 0xD800 && p[i] <= 0xDBFF && p[i + 1] >= 0xDC00;
      result += pair ? AnsiString("?") : Saved(p + i, 1);
      if (pair) ++i;
    }
    return result;
  }
  static inline TWideToAnsiProc Saved = nullptr;
};

TEST(SyncHotKeyPosition, CountsASurrogatePairAsOneAnsiCharacter) {
  TPairAsOneChar pairAsOne;
  ASSERT_EQ(WideToAnsi(L"\U0001F600x"), "?x");
  struct Case {
    const WideChar* Wide;
    const WideChar* Moved;
  };
  for (const Case& c : {
           Case{L"\U0001F600 &Open", L"\U0001F600 O&pen"},
           Case{L"&Open \U0001F600x", L"Open &\U0001F600x"},
           Case{L"\U0001F600\U0001F600&ab", L"\U0001F600\U0001F600a&b"},
           Case{L"&\U0001F600 && b", L"\U0001F600 && &b"},
       }) {
    WideString wide = c.Wide;
    SyncHotKeyPosition(AnsiForm(c.Moved), wide);
    EXPECT_EQ(wide, c.Moved);
  }
}

TEST(SyncHotKeyPosition, LeavesOtherCaptionsAlone) {
  WideString wide = L"&Open";
  SyncHotKeyPosition(L"&Close", wide);  // not the same caption
  EXPECT_EQ(wide, L"&Open");
  wide = L"&\u0436x";
  SyncHotKeyPosition(AnsiForm(L"&\u4E2Dx"), wide);  // the same ANSI form
  EXPECT_EQ(wide, L"&\u0436x");
}

TEST(SyncHotKeyPosition, MovesFarEastGroups) {
  TFarEastSwitch farEast(true);
  WideString wide = L"\u0436(&F)x";
  SyncHotKeyPosition(L"?x(&F)", wide);
  EXPECT_EQ(wide, L"\u0436x(&F)");
}

}  // namespace
