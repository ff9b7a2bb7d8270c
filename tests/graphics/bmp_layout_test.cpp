// The BMP layout: row strides, the header's bytes, files written and parsed back, and
// files the parser must refuse whatever their bytes.
#include "graphics/image/bmp_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/endian.h"
#include "base/errors.h"

namespace kestril {
namespace {

TEST(BmpLayout, RowsArePaddedToFourBytesAndMustFit32Bits) {
  struct Case {
    int64_t width, bitCount, stride;
  };
  for (const Case c : {Case{0, 24, 0}, Case{1, 24, 4}, Case{5, 24, 16}, Case{33, 1, 8},
                       Case{715827881, 24, 2147483644}, Case{715827882, 24, -1},
                       Case{int64_t{1} << 50, 24, -1}, Case{-1, 24, -1}, Case{4, -8, -1}}) {
    EXPECT_EQ(BmpStride(c.width, c.bitCount), c.stride) << c.width << " " << c.bitCount;
  }
}

// A 2 x 3 picture whose every byte, padding included, differs.
std::vector<uint8_t> Rows() {
  std::vector<uint8_t> rows(8 * 3);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i + 1);
  return rows;
}

std::vector<uint8_t> WrittenFile(const BitmapInfoHeader& h, const std::vector<uint8_t>& rows) {
  const std::string path = ::testing::TempDir() + "kestril_bmp_layout_test.bmp";
  WriteBmpFile(path, h, rows);
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
  std::filesystem::remove(path);
  return bytes;
}

TEST(BmpLayout, AFileIsWrittenFieldByFieldAndParsedBack) {
  BitmapInfoHeader h;
  h.width = 2;
  h.height = 3;
  h.sizeImage = 24;
  h.xPelsPerMeter = -2;
  const std::vector<uint8_t> file = WrittenFile(h, Rows());
  ASSERT_EQ(file.size(), 54u + 24u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(LoadU32(&file[2]), 78u);
  EXPECT_EQ(LoadU32(&file[10]), 54u);
  EXPECT_EQ(LoadU32(&file[14]), 40u);
  EXPECT_EQ(LoadU32(&file[18]), 2u);
  EXPECT_EQ(LoadU32(&file[22]), 3u);
  EXPECT_EQ(LoadU16(&file[26]), 1u);
  EXPECT_EQ(LoadU16(&file[28]), 24u);
  EXPECT_EQ(LoadU32(&file[34]), 24u);
  EXPECT_EQ(LoadU32(&file[38]), 0xFFFFFFFEu);

  const std::optional<BmpImage> image = ParseBmpFile(file);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 3);
  EXPECT_EQ(image->stride, 8u);
  EXPECT_EQ(image->rows, Rows());

  // Stored top-down, the rows come back bottom row first all the same.
  std::vector<uint8_t> topDown = file;
  StoreU32(&topDown[22], static_cast<uint32_t>(-3));
  for (size_t row = 0; row < 3; ++row) {
    std::copy_n(file.begin() + 54 + 8 * row, 8, topDown.begin() + 54 + 8 * (2 - row));
  }
  const std::optional<BmpImage> flipped = ParseBmpFile(topDown);
  ASSERT_TRUE(flipped.has_value());
  EXPECT_EQ(flipped->rows, Rows());

  h.bitCount = 32;
  EXPECT_THROW(WrittenFile(h, Rows()), Error);
  h.bitCount = 24;
  EXPECT_THROW(WrittenFile(h, std::vector<uint8_t>(23)), Error);
  EXPECT_THROW(BitmapInfoHeader::ReadFrom(std::vector<uint8_t>(39)), Error);
}

TEST(BmpLayout, AnythingButWholeUncompressed24BitRowsIsRefused) {
  BitmapInfoHeader h;
  h.width = 2;
  h.height = 3;
  const std::vector<uint8_t> good = WrittenFile(h, Rows());
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(ParseBmpFile(std::span(good).first(n))) << "cut to " << n;
  }
  struct Change {
    size_t at;
    uint32_t value;
    bool wide;
  };
  for (const Change c :
       {Change{0, 'X', false}, Change{10, 53, true}, Change{10, 0xFFFFFFF0, true},
        Change{14, 12, true}, Change{14, 41, true}, Change{18, 0xFFFFFFFF, true},
        Change{18, 0x7FFFFFFF, true}, Change{22, 0x80000000, true}, Change{22, 4, true},
        Change{26, 2, false}, Change{28, 32, false}, Change{30, 1, true}}) {
    std::vector<uint8_t> bad = good;
    if (c.wide) {
      StoreU32(&bad[c.at], c.value);
    } else {
      StoreU16(&bad[c.at], static_cast<uint16_t>(c.value));
    }
    EXPECT_FALSE(ParseBmpFile(bad)) << "byte " << c.at << " = " << c.value;
  }
}

}  // namespace
}  // namespace kestril
