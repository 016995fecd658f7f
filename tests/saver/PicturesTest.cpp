// The pictures drawn at build time reach a form as JPEG data of the right
// sizes, the right way up and with their colours in the right channels.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Jpeg.h"

class TPicturesTestForm : public TForm {
  QEV_CLASS(TPicturesTestForm, TForm)
 public:
  using TForm::TForm;
};
QEV_DEFINE_CLASS(TPicturesTestForm)

namespace {

struct TPixel {
  int R, G, B;
  int Brightness() const { return R + G + B; }
};

class PicturesTest : public testing::Test {
 protected:
  void SetUp() override { Form_.reset(NewForm<TPicturesTestForm>(nullptr)); }

  TJPEGImage* Jpeg(const char* ImageName) {
    auto* image = dynamic_cast<TImage*>(Form_->FindComponent(ImageName));
    return image ? dynamic_cast<TJPEGImage*>(image->Picture()->Graphic()) : nullptr;
  }
  TPixel Pixel(const char* ImageName, int X, int Y) {
    TColor c = Jpeg(ImageName)->Bitmap()->Canvas()->Pixels(X, Y);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
  }

  std::unique_ptr<TPicturesTestForm> Form_;
};

TEST_F(PicturesTest, FormCarriesJpegPicturesOfTheirControlsSizes) {
  struct TCase {
    const char* Name;
    int Width, Height;
  } cases[] = {{"EarthImage", 102, 97}, {"Scene1", 160, 116}};
  for (const TCase& c : cases) {
    TJPEGImage* jpeg = Jpeg(c.Name);
    ASSERT_NE(nullptr, jpeg) << c.Name;
    EXPECT_EQ(c.Width, jpeg->Width()) << c.Name;
    EXPECT_EQ(c.Height, jpeg->Height()) << c.Name;
    TBitmap* bitmap = jpeg->Bitmap();
    ASSERT_NE(nullptr, bitmap) << c.Name;
    EXPECT_EQ(c.Width, bitmap->Width()) << c.Name;
    EXPECT_EQ(c.Height, bitmap->Height()) << c.Name;
  }
}

TEST_F(PicturesTest, EarthIsAGlobeLitFromTheUpperLeftOnBlack) {
  ASSERT_NE(nullptr, Jpeg("EarthImage"));
  for (auto [x, y] : {std::pair{0, 0}, {101, 0}, {0, 96}, {101, 96}}) {
    TPixel corner = Pixel("EarthImage", x, y);
    EXPECT_LE(std::max({corner.R, corner.G, corner.B}), 12) << x << "," << y;
  }
  // Sea or land, never red or grey.
  TPixel centre = Pixel("EarthImage", 51, 48);
  EXPECT_GT(std::max(centre.G, centre.B), centre.R + 30);
  EXPECT_GT(std::max(centre.G, centre.B), 80);
  // Day on the upper left, night on the lower right.
  TPixel day = Pixel("EarthImage", 30, 35);
  TPixel night = Pixel("EarthImage", 80, 72);
  EXPECT_GT(day.Brightness(), 3 * night.Brightness());
}

TEST_F(PicturesTest, SunriseHasItsSkyOnTopAndTheSunRightOfCentre) {
  ASSERT_NE(nullptr, Jpeg("Scene1"));
  TPixel sky = Pixel("Scene1", 80, 3);
  EXPECT_GT(sky.B, sky.R + 20);
  TPixel hills = Pixel("Scene1", 80, 112);
  EXPECT_GT(hills.G, hills.R);
  EXPECT_GT(hills.G, hills.B);
  EXPECT_LT(hills.Brightness(), 150);
  TPixel sun = Pixel("Scene1", 99, 71);
  EXPECT_GT(sun.R, 200);
  EXPECT_GT(sun.R, sun.B + 60);
  TPixel mirrored = Pixel("Scene1", 60, 71);
  EXPECT_GT(sun.Brightness(), mirrored.Brightness() + 60);
}

}  // namespace
