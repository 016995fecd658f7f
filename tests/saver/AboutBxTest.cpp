// The about box read from its description: the version, the keywords that
// slide the credits in (typed in any case) and where the slide ends.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "AboutBx.h"
#include "QevLXHotLabel.h"
#include "QevLXUtils.h"
#include "QevLXVerUtils.h"

namespace {

class AboutBxTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { Initialization_AboutBx(); }
  static void TearDownTestSuite() { Finalization_AboutBx(); }
  void SetUp() override { Box_.reset(NewForm<TAboutBox>(nullptr)); }

  void Type(const char* Keys) {
    for (const char* k = Keys; *k; ++k) {
      AnsiChar key = *k;
      Box_->FormKeyPress(Box_.get(), key);
    }
  }
  bool CreditsShown() { return Box_->SpecialPanel()->Top() == 0; }
  // Where the four sliding controls stand.
  std::array<Integer, 4> Places() {
    return {Box_->MerekLbl()->Left(), Box_->DovanLbl()->Left(), Box_->MerekWebLink()->Top(),
            Box_->DovanWebLink()->Top()};
  }

  std::unique_ptr<TAboutBox> Box_;
};

TEST_F(AboutBxTest, KeywordsInAnyCaseShowTheCreditsOthersBetweenTheLettersDoNot) {
  Type("wAux");  // a key between the letters
  EXPECT_FALSE(CreditsShown());
  Type("tbraq");  // keys before a keyword do not matter
  EXPECT_TRUE(CreditsShown());
  Box_->SpecialPanelClick(Box_.get());
  EXPECT_FALSE(CreditsShown());
  Type("ToZe");
  EXPECT_TRUE(CreditsShown());
  Box_->SpecialPanelClick(Box_.get());
  Box_->Label1Click(Box_.get());
  EXPECT_TRUE(CreditsShown());
}

TEST_F(AboutBxTest, ShowsTheVersionAndSlidesTheCreditsInFromAllSidesForFortyTicks) {
  EXPECT_EQ(L"Version " + VersionNumberToStr(GetFileVersionNumber(WideGetExeFileName()), 2),
            Box_->Version()->Caption());
  EXPECT_FALSE(CreditsShown());
  const std::array<Integer, 4> home = Places();
  Type("wux");
  EXPECT_EQ((std::array<Integer, 4>{home[0] - 280, home[1] + 280, home[2] - 280, home[3] + 280}),
            Places());
  for (int tick = 0; tick < 20; ++tick) Box_->Timer1Timer(Box_.get());
  Type("WUX");  // a second keyword restarts the slide
  EXPECT_EQ(home[0] - 280, Box_->MerekLbl()->Left());
  for (int tick = 0; tick < 39; ++tick) Box_->Timer1Timer(Box_.get());
  EXPECT_TRUE(Box_->Timer1()->Enabled());
  Box_->Timer1Timer(Box_.get());
  EXPECT_EQ(home, Places());
  EXPECT_FALSE(Box_->Timer1()->Enabled());
}

}  // namespace
