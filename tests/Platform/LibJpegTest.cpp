// The cross-built libjpeg encodes and decodes a picture in memory.
#include <gtest/gtest.h>

#include <vector>

#include "JpegSupport.h"

TEST(LibJpeg, RoundTripsAGrayPictureInMemory) {
  const int w = 16, h = 8;
  std::vector<unsigned char> gray(w * h);
  for (int i = 0; i < w * h; ++i) gray[i] = static_cast<unsigned char>((i % w) * 16);
  const std::string file = EncodeJpeg(gray, w, h, 1);
  std::vector<unsigned char> jpeg(file.begin(), file.end());
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
