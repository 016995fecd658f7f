// The cross-built libjpeg encodes and decodes a picture in memory.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <jpeglib.h>
}

namespace {

std::vector<unsigned char> Encode(const std::vector<unsigned char>& gray, int w, int h) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&gray[c.next_scanline * w]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<unsigned char> result(out, out + outSize);
  std::free(out);
  return result;
}

}  // namespace

TEST(LibJpeg, RoundTripsAGrayPictureInMemory) {
  const int w = 16, h = 8;
  std::vector<unsigned char> gray(w * h);
  for (int i = 0; i < w * h; ++i) gray[i] = static_cast<unsigned char>((i % w) * 16);
  std::vector<unsigned char> jpeg = Encode(gray, w, h);
  ASSERT_GT(jpeg.size(), 2u);
  EXPECT_EQ(0xFF, jpeg[0]);
  EXPECT_EQ(0xD8, jpeg[1]);

  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, jpeg.data(), jpeg.size());
  ASSERT_EQ(JPEG_HEADER_OK, jpeg_read_header(&d, TRUE));
  jpeg_start_decompress(&d);
  EXPECT_EQ(static_cast<JDIMENSION>(w), d.output_width);
  EXPECT_EQ(static_cast<JDIMENSION>(h), d.output_height);
  std::vector<unsigned char> back(w * h);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &back[d.output_scanline * w];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  for (int i = 0; i < w * h; ++i) EXPECT_NEAR(gray[i], back[i], 12) << "pixel " << i;
}
