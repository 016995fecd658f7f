// Fonts, canvases, bitmaps, JPEG pictures, pictures in form streams and the
// clipboard.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Clipbrd.h"
#include "Graphics.h"
#include "Jpeg.h"
#include "JpegSupport.h"
#include "TestSupport.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

struct TCounter {
  void Count(TObject*) { ++Calls; }
  int Calls = 0;
};

LOGFONTA FontOf(HFONT Handle) {
  LOGFONTA lf{};
  GetObjectA(Handle, sizeof lf, &lf);
  return lf;
}

// A JPEG of Width x Height whose left half is red and right half blue.
AnsiString RedBlueJpeg(int Width, int Height) {
  std::vector<unsigned char> rgb(Width * Height * 3);
  for (int i = 0; i < Width * Height; ++i) {
    bool left = i % Width < Width / 2;
    rgb[3 * i] = left ? 255 : 0;
    rgb[3 * i + 2] = left ? 0 : 255;
  }
  return EncodeJpeg(rgb, Width, Height, 3);
}

void ExpectColorNear(COLORREF Expected, TColor Actual, int Tolerance) {
  COLORREF actual = static_cast<COLORREF>(Actual);
  EXPECT_NEAR(GetRValue(Expected), GetRValue(actual), Tolerance);
  EXPECT_NEAR(GetGValue(Expected), GetGValue(actual), Tolerance);
  EXPECT_NEAR(GetBValue(Expected), GetBValue(actual), Tolerance);
}

// A component with a picture and a bitmap, as image controls and glyph
// buttons publish them.
class TPictureHolder : public TComponent {
  QEV_CLASS(TPictureHolder, TComponent)
 public:
  using TComponent::TComponent;
  ~TPictureHolder() override {
    delete Picture_;
    delete Glyph_;
    delete Font_;
  }
  TPicture* Picture() const { return Picture_; }
  TBitmap* Glyph() const { return Glyph_; }
  TFont* Font() const { return Font_; }

 private:
  TPicture* Picture_ = new TPicture;
  TBitmap* Glyph_ = new TBitmap;
  TFont* Font_ = new TFont;
};

QEV_DEFINE_CLASS(TPictureHolder,
                 QEV_READONLY_PROPERTY(Font, Font),
                 QEV_READONLY_PROPERTY(Picture, Picture),
                 QEV_READONLY_PROPERTY(Glyph, Glyph))

std::unique_ptr<TPictureHolder> RoundTrip(TPictureHolder* Holder, AnsiString* Text) {
  RegisterClasses({TPictureHolder::StaticClass()});
  TMemoryStream stream;
  stream.WriteComponent(Holder);
  stream.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&stream, &text);
  *Text = text.DataString();
  stream.SetPosition(0);
  return std::unique_ptr<TPictureHolder>(
      static_cast<TPictureHolder*>(stream.ReadComponent(new TPictureHolder(nullptr))));
}

TBitmap* Checkerboard(TBitmap* Bitmap) {
  Bitmap->SetPixelFormat(pf24bit);
  Bitmap->SetSize(6, 4);
  Bitmap->Canvas()->Brush()->SetColor(clYellow);
  Bitmap->Canvas()->FillRect(Rect(0, 0, 3, 2));
  Bitmap->Canvas()->Brush()->SetColor(clNavy);
  Bitmap->Canvas()->FillRect(Rect(3, 2, 6, 4));
  return Bitmap;
}

}  // namespace

// ------------------------------------------------------------------ fonts

TEST(Font, EachChangeFiresOnceAndRemakesTheHandle) {
  TFont font;
  TCounter counter;
  font.OnChange = TNotifyEvent::Bind<&TCounter::Count>(&counter);
  font.SetName("Tahoma");
  font.SetHeight(-20);
  EXPECT_EQ(2, counter.Calls);
  EXPECT_EQ(-20, FontOf(font.Handle()).lfHeight);

  font.SetStyle({fsBold, fsItalic});
  EXPECT_EQ(3, counter.Calls);
  LOGFONTA lf = FontOf(font.Handle());
  EXPECT_EQ(FW_BOLD, lf.lfWeight);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_STREQ("Tahoma", lf.lfFaceName);

  font.SetStyle({fsBold, fsItalic});  // unchanged: no news
  font.SetColor(clRed);
  EXPECT_EQ(4, counter.Calls);

  font.PixelsPerInch = 96;
  font.SetSize(12);
  EXPECT_EQ(-16, font.Height());
  EXPECT_EQ(12, font.Size());

  TFont copy;
  TCounter copied;
  copy.OnChange = TNotifyEvent::Bind<&TCounter::Count>(&copied);
  copy.Assign(&font);
  EXPECT_EQ(1, copied.Calls);
  EXPECT_EQ(clRed, copy.Color());
  EXPECT_EQ(font.Style(), copy.Style());
  EXPECT_EQ(-16, FontOf(copy.Handle()).lfHeight);
}

TEST(Font, ChangingASelectedFontReleasesTheOldHandle) {
  TBitmap bitmap;
  bitmap.SetSize(8, 8);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Font()->SetName("Tahoma");
  canvas->TextExtent("x");  // selects the font
  HFONT old = canvas->Font()->Handle();
  EXPECT_EQ(old, GetCurrentObject(canvas->Handle(), OBJ_FONT));
  canvas->Font()->SetHeight(-30);
  EXPECT_EQ(0u, GetObjectType(old)) << "the old font was left selected and could not be deleted";
  canvas->TextExtent("x");
  EXPECT_EQ(-30, FontOf(static_cast<HFONT>(GetCurrentObject(canvas->Handle(), OBJ_FONT))).lfHeight);
}

// ----------------------------------------------------------------- canvas

TEST(Canvas, TextExtentOfAFixedFontIsPositiveAndConsistent) {
  TBitmap bitmap;
  bitmap.SetSize(200, 50);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Font()->SetName("Tahoma");
  canvas->Font()->SetHeight(-20);
  TSize one = canvas->TextExtent("Hello");
  TSize two = canvas->TextExtent("HelloHello");
  EXPECT_GT(one.cx, 0);
  EXPECT_GT(one.cy, 0);
  EXPECT_NEAR(2 * one.cx, two.cx, 2);
  EXPECT_EQ(one.cy, two.cy);
  EXPECT_EQ(one.cx, canvas->TextWidth("Hello"));
  EXPECT_EQ(0, canvas->TextWidth(""));

  canvas->Font()->SetHeight(-40);
  EXPECT_GT(canvas->TextWidth("Hello"), one.cx + one.cx / 2);
  EXPECT_GT(canvas->TextHeight("Hello"), one.cy + one.cy / 2);
}

TEST(Canvas, FillRectAndTextColoursReadBack) {
  TBitmap bitmap;
  bitmap.SetSize(40, 30);
  TCanvas* canvas = bitmap.Canvas();
  EXPECT_EQ(clWhite, canvas->Pixels(39, 29));  // new bitmaps are white
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(canvas->Handle(), 5, 5));
  EXPECT_EQ(RGB(255, 255, 255), GetPixel(canvas->Handle(), 10, 10));

  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(10, 10, 20, 20));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ColorToRGB(clBtnFace));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(canvas->Handle(), 15, 15));

  canvas->Pen()->SetColor(clLime);
  canvas->MoveTo(0, 25);
  canvas->LineTo(40, 25);
  EXPECT_EQ(RGB(0, 255, 0), GetPixel(canvas->Handle(), 20, 25));
  EXPECT_EQ(40, canvas->PenPos().x);

  canvas->Brush()->SetColor(clWhite);
  canvas->Font()->SetColor(clBlue);
  canvas->Font()->SetHeight(-16);
  canvas->TextOut(20, 0, "WW");
  bool blue = false;
  for (int x = 20; x < 40; ++x)
    for (int y = 0; y < 16; ++y) blue = blue || GetPixel(canvas->Handle(), x, y) == RGB(0, 0, 255);
  EXPECT_TRUE(blue);
}

TEST(Canvas, ShapesCopiesAndStretchedPictures) {
  TBitmap target;
  target.SetSize(30, 30);
  TCanvas* canvas = target.Canvas();
  canvas->Pen()->SetColor(clRed);
  canvas->Brush()->SetColor(clBlue);
  canvas->Rectangle(0, 0, 10, 10);
  EXPECT_EQ(clRed, canvas->Pixels(0, 5));
  EXPECT_EQ(clBlue, canvas->Pixels(5, 5));
  EXPECT_EQ(clWhite, canvas->Pixels(10, 10));

  TBitmap source;
  Checkerboard(&source);  // 6 x 4, yellow top left, navy bottom right
  canvas->CopyRect(Rect(20, 20, 23, 22), source.Canvas(), Rect(3, 2, 6, 4));
  EXPECT_EQ(clNavy, canvas->Pixels(21, 21));
  EXPECT_EQ(clWhite, canvas->Pixels(23, 21));

  canvas->StretchDraw(Rect(12, 0, 24, 8), &source);  // twice the size
  EXPECT_EQ(clYellow, canvas->Pixels(17, 3));
  EXPECT_EQ(clWhite, canvas->Pixels(18, 3));
  EXPECT_EQ(clNavy, canvas->Pixels(23, 7));

  // Text clipped to its rectangle, which a solid brush fills.
  canvas->Brush()->SetColor(clLime);
  canvas->Font()->SetHeight(-40);
  canvas->TextRect(Rect(0, 12, 8, 20), 0, 12, "WWW");
  EXPECT_EQ(clWhite, canvas->Pixels(9, 14));
  EXPECT_EQ(clWhite, canvas->Pixels(4, 21));
}

TEST(Canvas, PatternBrushesPaintTheirBitmap) {
  TBitmap* pattern = AllocPatternBitmap(clBtnFace, clBtnHighlight);
  EXPECT_EQ(pattern, AllocPatternBitmap(clBtnFace, clBtnHighlight));
  EXPECT_NE(pattern, AllocPatternBitmap(clBtnFace, clWhite));
  TBitmap target;
  target.SetSize(8, 8);
  target.Canvas()->Brush()->SetBitmap(pattern);
  target.Canvas()->FillRect(Rect(0, 0, 8, 8));
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<COLORREF>(target.Canvas()->Pixels(2, 2)));
  EXPECT_EQ(ColorToRGB(clBtnHighlight), static_cast<COLORREF>(target.Canvas()->Pixels(3, 2)));
  target.Canvas()->Brush()->SetBitmap(nullptr);
}

TEST(Canvas, ChangesAreReportedAndLocksNest) {
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  TCounter changes;
  bitmap.OnChange = TNotifyEvent::Bind<&TCounter::Count>(&changes);
  bitmap.Canvas()->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(1, changes.Calls);
  bitmap.Canvas()->Lock();
  bitmap.Canvas()->Lock();
  EXPECT_EQ(2, bitmap.Canvas()->LockCount());
  bitmap.Canvas()->Unlock();
  bitmap.Canvas()->Unlock();
  EXPECT_EQ(0, bitmap.Canvas()->LockCount());

  TCanvas plain;
  EXPECT_THROW(plain.TextWidth("x"), EInvalidGraphicOperation);
}

// ---------------------------------------------------------------- bitmaps

TEST(Bitmap, BmpRoundTripsThroughAStream) {
  TBitmap source;
  Checkerboard(&source);
  TMemoryStream stream;
  source.SaveToStream(&stream);
  ASSERT_GT(stream.Size(), 54);
  EXPECT_EQ(0, std::memcmp(stream.Memory(), "BM", 2));

  stream.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(&stream);
  EXPECT_EQ(stream.Size(), stream.Position());
  EXPECT_EQ(6, back.Width());
  EXPECT_EQ(4, back.Height());
  EXPECT_EQ(pf24bit, back.PixelFormat());
  EXPECT_EQ(clYellow, back.Canvas()->Pixels(0, 0));
  EXPECT_EQ(clWhite, back.Canvas()->Pixels(5, 0));
  EXPECT_EQ(clNavy, back.Canvas()->Pixels(5, 3));
  auto* row = static_cast<Byte*>(back.ScanLine(3));
  EXPECT_EQ(0x80, row[5 * 3]);  // blue of navy, BGR

  // A device bitmap is saved as 24 bits.
  TBitmap device;
  device.SetSize(3, 3);
  device.Canvas()->Brush()->SetColor(clTeal);
  device.Canvas()->FillRect(Rect(0, 0, 3, 3));
  TMemoryStream deviceStream;
  device.SaveToStream(&deviceStream);
  deviceStream.SetPosition(0);
  back.LoadFromStream(&deviceStream);
  EXPECT_EQ(clTeal, back.Canvas()->Pixels(1, 1));
}

TEST(Bitmap, ReadsPalettedBitmapsAndRefusesDamagedOnes) {
  // 2 x 2, 8 bits, two colours: top row red, bottom row blue (stored bottom up).
  const unsigned char file[] = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,   // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0,  // info header
      0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 255, 0, 255, 0, 0, 0,                       // red, blue
      1, 1, 0, 0, 0, 0, 0, 0};                          // rows of 4 bytes
  TStringStream good(AnsiString(reinterpret_cast<const char*>(file), sizeof file));
  TBitmap bitmap;
  bitmap.LoadFromStream(&good);
  EXPECT_EQ(pf8bit, bitmap.PixelFormat());
  EXPECT_EQ(clRed, bitmap.Canvas()->Pixels(0, 0));
  EXPECT_EQ(clBlue, bitmap.Canvas()->Pixels(1, 1));

  // Saved with its colour table.
  TMemoryStream saved;
  bitmap.SaveToStream(&saved);
  saved.SetPosition(0);
  TBitmap reloaded;
  reloaded.LoadFromStream(&saved);
  EXPECT_EQ(pf8bit, reloaded.PixelFormat());
  EXPECT_EQ(clBlue, reloaded.Canvas()->Pixels(0, 1));

  // Resizing keeps the picture in a true-colour copy.
  bitmap.SetWidth(3);
  EXPECT_EQ(pf24bit, bitmap.PixelFormat());
  EXPECT_EQ(clRed, bitmap.Canvas()->Pixels(0, 0));

  auto load = [](AnsiString bytes) {
    TStringStream stream(bytes);
    TBitmap b;
    b.LoadFromStream(&stream);
  };
  AnsiString bytes(reinterpret_cast<const char*>(file), sizeof file);
  EXPECT_THROW(load("XY" + bytes.substr(2)), EInvalidGraphic);
  AnsiString huge = bytes;
  huge[21] = 0x7F;  // width 0x7F000002
  EXPECT_THROW(load(huge), EInvalidGraphic);
  AnsiString depth = bytes;
  depth[28] = 7;
  EXPECT_THROW(load(depth), EInvalidGraphic);
  EXPECT_THROW(load(bytes.substr(0, bytes.size() - 3)), EReadError);
}

TEST(Bitmap, AssignCopiesThePicture) {
  TBitmap source;
  Checkerboard(&source);
  TBitmap copy;
  copy.Assign(&source);
  source.Canvas()->Brush()->SetColor(clBlack);
  source.Canvas()->FillRect(Rect(0, 0, 6, 4));
  EXPECT_EQ(6, copy.Width());
  EXPECT_EQ(clYellow, copy.Canvas()->Pixels(1, 1));
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
}

TEST(Bitmap, ATransparentBitmapLeavesItsBottomLeftColourOut) {
  TBitmap glyph;
  glyph.SetSize(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
  glyph.Canvas()->SetPixel(1, 1, clRed);
  EXPECT_EQ(clFuchsia, glyph.TransparentColor());
  glyph.SetTransparent(true);

  TBitmap target;
  target.SetSize(8, 8);
  target.Canvas()->Brush()->SetColor(clYellow);
  target.Canvas()->FillRect(Rect(0, 0, 8, 8));
  target.Canvas()->Draw(2, 2, &glyph);
  EXPECT_EQ(clYellow, target.Canvas()->Pixels(2, 2));
  EXPECT_EQ(clRed, target.Canvas()->Pixels(3, 3));
}

// An .ico file with one 16 x 16 32-bit image: green with a clear left column.
AnsiString GreenIconFile() {
  AnsiString image(40 + 16 * 16 * 4 + 16 * 4, '\0');
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = 16;
  bih.biHeight = 32;  // colour and mask
  bih.biPlanes = 1;
  bih.biBitCount = 32;
  std::memcpy(image.data(), &bih, sizeof bih);
  for (int i = 0; i < 16 * 16; ++i) {
    const unsigned char pixel[4] = {0, 255, 0, 255};
    std::memcpy(image.data() + 40 + 4 * i, pixel, 4);
  }
  for (int row = 0; row < 16; ++row) image[40 + 1024 + 4 * row] = static_cast<char>(0x80);
  const unsigned char header[22] = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0,
                                    static_cast<unsigned char>(image.size()),
                                    static_cast<unsigned char>(image.size() >> 8), 0, 0, 22, 0, 0, 0};
  return AnsiString(reinterpret_cast<const char*>(header), sizeof header) + image;
}

TEST(Icon, LoadsDrawsAndSavesItsFile) {
  AnsiString file = GreenIconFile();
  TStringStream stream(file);
  TIcon icon;
  icon.LoadFromStream(&stream);
  EXPECT_NE(nullptr, icon.Handle());
  EXPECT_EQ(16, icon.Width());
  EXPECT_EQ(16, icon.Height());
  TBitmap target;
  target.SetSize(16, 16);
  target.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(clLime, target.Canvas()->Pixels(8, 8));
  TStringStream saved;
  icon.SaveToStream(&saved);
  EXPECT_EQ(file, saved.DataString());
  TStringStream bad(AnsiString("\0\0\2\0\1\0", 6));  // a cursor
  EXPECT_THROW(icon.LoadFromStream(&bad), EInvalidGraphic);
  EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
}

// ------------------------------------------------------------------- JPEG

TEST(Jpeg, DecodesIntoABitmapOfTheRightSizeAndColours) {
  TStringStream stream(RedBlueJpeg(32, 16));
  TJPEGImage jpeg;
  jpeg.LoadFromStream(&stream);
  EXPECT_EQ(32, jpeg.Width());
  EXPECT_EQ(16, jpeg.Height());
  TBitmap* decoded = jpeg.Bitmap();
  ASSERT_NE(nullptr, decoded);
  EXPECT_EQ(32, decoded->Width());
  EXPECT_EQ(16, decoded->Height());
  ExpectColorNear(RGB(255, 0, 0), decoded->Canvas()->Pixels(4, 8), 40);
  ExpectColorNear(RGB(0, 0, 255), decoded->Canvas()->Pixels(28, 8), 40);

  // Drawn on a canvas, and assigned to a bitmap.
  TBitmap target;
  target.SetSize(40, 20);
  target.Canvas()->Draw(4, 2, &jpeg);
  ExpectColorNear(RGB(255, 0, 0), target.Canvas()->Pixels(8, 10), 40);
  ExpectColorNear(RGB(255, 255, 255), target.Canvas()->Pixels(38, 19), 0);
  TBitmap assigned;
  assigned.Assign(&jpeg);
  ExpectColorNear(RGB(0, 0, 255), assigned.Canvas()->Pixels(30, 1), 40);

  // Saving writes the file back unchanged.
  TStringStream saved;
  jpeg.SaveToStream(&saved);
  EXPECT_EQ(stream.DataString(), saved.DataString());
}

TEST(Jpeg, DamagedDataRaisesInsteadOfEndingTheProgram) {
  auto load = [](const AnsiString& bytes) {
    TStringStream stream(bytes);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(&stream);
  };
  EXPECT_THROW(load("not a picture"), EJPEG);
  AnsiString good = RedBlueJpeg(16, 16);
  EXPECT_THROW(load(good.substr(0, 20)), EJPEG);
  TJPEGImage jpeg;
  EXPECT_TRUE(jpeg.Empty());
  EXPECT_THROW(jpeg.SetWidth(5), EInvalidGraphicOperation);
}

TEST(Picture, LoadsFilesByTheirExtension) {
  TTempFolder temp;
  AnsiString folder = WideToAnsi(temp.Path());
  TTempFolder::CreateFileWithText(temp.Path() + L"scene.JPG", RedBlueJpeg(8, 8));
  TPicture picture;
  TCounter changes;
  picture.OnChange = TNotifyEvent::Bind<&TCounter::Count>(&changes);
  picture.LoadFromFile(folder + "scene.JPG");
  EXPECT_EQ(1, changes.Calls);
  EXPECT_STREQ("TJPEGImage", picture.Graphic()->ClassName());
  EXPECT_EQ(8, picture.Width());

  TBitmap bitmap;
  Checkerboard(&bitmap);
  bitmap.SaveToFile(folder + "glyph.bmp");
  picture.LoadFromFile(folder + "glyph.bmp");
  EXPECT_STREQ("TBitmap", picture.Graphic()->ClassName());
  EXPECT_EQ(clNavy, picture.Bitmap()->Canvas()->Pixels(4, 3));

  ExpectRaises<EInvalidGraphic>([&] { picture.LoadFromFile(folder + "picture.xyz"); },
                                L"Unknown picture file extension (.xyz)");
  // Asking for a bitmap replaces a picture of another kind.
  picture.LoadFromFile(folder + "scene.JPG");
  EXPECT_EQ(0, picture.Bitmap()->Width());
}

// ------------------------------------------------------------ form streams

TEST(Font, TravelsThroughAFormStreamWithNamedConstants) {
  TPictureHolder holder(nullptr);
  holder.Font()->SetName("Times New Roman");
  holder.Font()->SetHeight(-77);
  holder.Font()->SetColor(clAqua);
  holder.Font()->SetStyle({fsBold});
  AnsiString text;
  std::unique_ptr<TPictureHolder> back = RoundTrip(&holder, &text);
  EXPECT_NE(AnsiString::npos, text.find("Font.Charset = DEFAULT_CHARSET\r\n")) << text;
  EXPECT_NE(AnsiString::npos, text.find("Font.Color = clAqua\r\n")) << text;
  EXPECT_NE(AnsiString::npos, text.find("Font.Style = [fsBold]\r\n")) << text;
  EXPECT_EQ(AnsiString::npos, text.find("Font.Size")) << text;
  EXPECT_EQ("Times New Roman", back->Font()->Name());
  EXPECT_EQ(-77, back->Font()->Height());
  EXPECT_EQ(clAqua, back->Font()->Color());
  EXPECT_EQ(TFontStyles{fsBold}, back->Font()->Style());

  holder.Font()->SetColor(clBtnFace);
  back = RoundTrip(&holder, &text);
  EXPECT_NE(AnsiString::npos, text.find("Font.Color = clBtnFace\r\n")) << text;
  EXPECT_EQ(clBtnFace, back->Font()->Color());
}

TEST(Picture, TravelsThroughAFormStreamAsData) {
  TPictureHolder holder(nullptr);
  Checkerboard(holder.Picture()->Bitmap());
  Checkerboard(holder.Glyph());
  AnsiString text;
  std::unique_ptr<TPictureHolder> back = RoundTrip(&holder, &text);

  // "Data": the class name as a short string, then the bitmap's size and file.
  EXPECT_NE(AnsiString::npos, text.find("Picture.Data = {\r\n    0754426974")) << text;
  // A bitmap property: the size of the 134-byte file, then the file.
  EXPECT_NE(AnsiString::npos, text.find("Glyph.Data = {\r\n    86000000424D86")) << text;
  ASSERT_NE(nullptr, back->Picture()->Graphic());
  EXPECT_STREQ("TBitmap", back->Picture()->Graphic()->ClassName());
  EXPECT_EQ(clNavy, back->Picture()->Bitmap()->Canvas()->Pixels(5, 3));
  EXPECT_EQ(clYellow, back->Glyph()->Canvas()->Pixels(0, 0));
  EXPECT_EQ(4, back->Glyph()->Height());

  // A JPEG picture keeps its bytes; an empty picture writes nothing.
  TStringStream jpegFile(RedBlueJpeg(8, 4));
  TJPEGImage jpeg;
  jpeg.LoadFromStream(&jpegFile);
  holder.Picture()->SetGraphic(&jpeg);
  holder.Glyph()->Assign(nullptr);
  back = RoundTrip(&holder, &text);
  EXPECT_EQ(AnsiString::npos, text.find("Glyph.Data")) << text;
  auto* backJpeg = dynamic_cast<TJPEGImage*>(back->Picture()->Graphic());
  ASSERT_NE(nullptr, backJpeg);
  TStringStream saved;
  backJpeg->SaveToStream(&saved);
  EXPECT_EQ(jpegFile.DataString(), saved.DataString());
}

// -------------------------------------------------------------- clipboard

TEST(Clipboard, TextRoundTripsAndOpeningNests) {
  TClipboard* clipboard = Clipboard();
  clipboard->SetAsText("Caf\xE9 text");
  EXPECT_TRUE(clipboard->HasFormat(CF_TEXT));
  EXPECT_EQ("Caf\xE9 text", clipboard->AsText());

  clipboard->Open();
  clipboard->Open();
  clipboard->SetAsText("both");
  const wchar_t wide[] = L"both\x4E2D";
  clipboard->SetBuffer(CF_UNICODETEXT, wide, sizeof wide);
  clipboard->Close();
  EXPECT_NE(nullptr, GetOpenClipboardWindow()) << "the inner Close closed the clipboard";
  clipboard->Close();
  EXPECT_EQ(nullptr, GetOpenClipboardWindow());
  clipboard->Close();  // unbalanced: ignored

  // Both formats belong to one change.
  EXPECT_EQ("both", clipboard->AsText());
  EXPECT_TRUE(clipboard->HasFormat(CF_UNICODETEXT));
  clipboard->Open();
  auto* text = static_cast<const wchar_t*>(GlobalLock(clipboard->GetAsHandle(CF_UNICODETEXT)));
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(std::wstring(wide), std::wstring(text));
  GlobalUnlock(clipboard->GetAsHandle(CF_UNICODETEXT));
  clipboard->Close();

  clipboard->Clear();
  EXPECT_FALSE(clipboard->HasFormat(CF_TEXT));
  EXPECT_EQ("", clipboard->AsText());
}
