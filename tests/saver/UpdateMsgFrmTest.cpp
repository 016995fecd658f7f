// The announcement after a manual web update: it shows the defaults the
// download brought, and its link opens web addresses only.
#include <gtest/gtest.h>

#include <memory>

#include "QevLXHotLabel.h"
#include "Scoped.h"
#include "UpdateMsgFrm.h"
#include "defaults.h"

namespace {

class UpdateMsgFrmTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { Initialization_UpdateMsgFrm(); }
  static void TearDownTestSuite() { Finalization_UpdateMsgFrm(); }
  static std::unique_ptr<TUpdateMsgForm> Announcement(const WideString& Url) {
    StatDefaults[siUpdateUrl] = Url;
    return std::unique_ptr<TUpdateMsgForm>(CreateUpdateMessage());
  }
  TRestore<TStatArray> Defaults_{StatDefaults};
};

TEST_F(UpdateMsgFrmTest, ShowsTheDownloadedDefaultsAndLinksOnlyWebAddresses) {
  StatDefaults[siUpdateMsg] = L"\u041D\u043E\u0432\u043E\u0441\u0442\u0438";
  auto form = Announcement(L"https://vintra.example/\u0436");
  EXPECT_EQ(L"Announcement from The VINTRA Film Project...", form->Caption());
  EXPECT_EQ(L"Your configuration has been updated successfully!", form->StatusLbl()->Caption());
  EXPECT_EQ(StatDefaults[siUpdateMsg], form->UpdateMsgLbl()->Caption());
  EXPECT_EQ(L"https://vintra.example/\u0436", form->UrlLabel()->Caption());
  EXPECT_EQ(L"https://vintra.example/\u0436", form->UrlLabel()->WebLink());
  EXPECT_EQ(L"HTTP://A.EXAMPLE/", Announcement(L"HTTP://A.EXAMPLE/")->UrlLabel()->WebLink());

  for (const WideChar* other : {L"C:\\Windows\\system32\\calc.exe", L"file:///C:/x.bat",
                                L"javascript:alert(1)", L"http://", L"\\\\host\\share\\x.exe"}) {
    auto shown = Announcement(other);
    EXPECT_EQ(other, shown->UrlLabel()->Caption());
    EXPECT_EQ(L"", shown->UrlLabel()->WebLink()) << WideToAnsi(other);
  }
}

}  // namespace
