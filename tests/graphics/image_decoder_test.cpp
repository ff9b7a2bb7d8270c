// The native image decoders on the test pictures of tests/data/images (written by its
// make_images.py) and on every truncation and absurd size of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/image/image_decoder.h"

namespace kestril {
namespace {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The picture every lossless colour file holds, as make_images.py writes it.
constexpr Rgb kPalette[] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                            {0, 0, 255}, {255, 255, 0},   {255, 0, 255}, {0, 255, 255}};
constexpr int kPicture[4][6] = {
    {2, 2, 3, 3, 4, 4}, {5, 0, 1, 6, 7, 2}, {1, 4, 0, 3, 2, 5}, {7, 6, 5, 4, 3, 1}};

std::vector<uint8_t> ReadImageBytes(const std::string& name) {
  std::ifstream f(std::string(KESTRIL_TEST_DATA) + "/images/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

DecodedImage Decode(const std::string& name) {
  return DecodeImage(*ImageFormatOf(name), ReadImageBytes(name));
}

Rgb At(const DecodedImage& image, int32_t x, int32_t y) {
  const uint8_t* p = image.Row(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

TEST(ImageDecoders, ReadTheLosslessTestPicturesExactly) {
  for (const char* name :
       {"pic24.bmp", "pic8-topdown.bmp", "pic4.bmp", "pic8-core.bmp", "pic32-bitfields.bmp",
        "pic16-565-v5.bmp", "pic16-555.bmp", "pic.png", "pic-palette.png", "pic-interlaced.png"}) {
    SCOPED_TRACE(name);
    const DecodedImage image = Decode(name);
    ASSERT_EQ(image.width, 6);
    ASSERT_EQ(image.height, 4);
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 6; ++x)
        ASSERT_EQ(At(image, x, y), kPalette[kPicture[y][x]]) << x << "," << y;
    }
  }
  const DecodedImage mono = Decode("mono.bmp");  // 9 x 3, a checkerboard
  ASSERT_EQ(mono.width, 9);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(At(mono, x, y).r, (x + y) % 2 ? 255 : 0);
  }
  // Transparency composed onto white: alpha 255, 128, 0 and 64, whatever the depth and
  // the interlacing.
  for (const char* name : {"alpha.png", "alpha16.png", "alpha-interlaced.png"}) {
    SCOPED_TRACE(name);
    const DecodedImage alpha = Decode(name);
    ASSERT_EQ(alpha.bgr.size(), alpha.Stride() * 2);
    EXPECT_EQ(alpha.Row(0)[6], 0);  // the rows' padding
    EXPECT_EQ(alpha.Row(1)[7], 0);
    EXPECT_EQ(At(alpha, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(At(alpha, 1, 0), (Rgb{255, 127, 127}));
    EXPECT_EQ(At(alpha, 0, 1), (Rgb{255, 255, 255}));
    EXPECT_EQ(At(alpha, 1, 1), (Rgb{191, 255, 191}));
  }
}

// The JPEG files hold a smooth 16 x 16 gradient; lossy, so only close.
TEST(ImageDecoders, ReadJpegPicturesCloseToWhatWasEncoded) {
  for (const char* name : {"pic.jpg", "pic-progressive.jpeg", "gray.jpg"}) {
    SCOPED_TRACE(name);
    const DecodedImage image = Decode(name);
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 16);
    const bool gray = std::string(name) == "gray.jpg";
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        Rgb want{16 * x + 8, 16 * y + 8, 128 + 6 * (x - y)};
        if (gray) {
          const int luma = (299 * want.r + 587 * want.g + 114 * want.b + 500) / 1000;
          want = {luma, luma, luma};
        }
        const Rgb got = At(image, x, y);
        EXPECT_NEAR(got.r, want.r, 12) << x << "," << y;
        EXPECT_NEAR(got.g, want.g, 12) << x << "," << y;
        EXPECT_NEAR(got.b, want.b, 12) << x << "," << y;
      }
    }
  }
}

// Whatever the bytes: a picture or EInvalidGraphic, never more. BMP and PNG are strict,
// so every cut of a file is refused; JPEG decoders may fill in a cut-off end.
TEST(ImageDecoders, RefuseCutFilesAbsurdSizesAndOtherFormats) {
  for (const char* name : {"pic24.bmp", "pic8-core.bmp", "pic16-565-v5.bmp", "mono.bmp", "pic.png",
                           "pic-interlaced.png", "pic.jpg", "pic-progressive.jpeg"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = ReadImageBytes(name);
    const ImageFormat format = *ImageFormatOf(name);
    for (size_t n = 0; n < bytes.size(); ++n) {
      const std::span<const uint8_t> cut(bytes.data(), n);
      if (format == ImageFormat::Jpeg) {
        try {
          const DecodedImage image = DecodeImage(format, cut);
          EXPECT_EQ(image.width, 16);
        } catch (const EInvalidGraphic&) {
        }
      } else {
        EXPECT_THROW(DecodeImage(format, cut), EInvalidGraphic) << n << " bytes";
      }
    }
    for (ImageFormat other : {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Png}) {
      if (other == format) continue;
      EXPECT_THROW(DecodeImage(other, bytes), EInvalidGraphic);
    }
  }
  // Sizes beyond the limits, refused from the header with the reason.
  const struct {
    const char* name;
    const char* reason;
  } kTooLarge[] = {
      {"huge.bmp", "100000 x 100000 pixels; pictures of more than 65535 pixels a side"},
      {"huge.png", "60000 x 60000 pixels; pictures of more than 64 megapixels"},
      {"huge.jpg", "65000 x 65000 pixels; pictures of more than 64 megapixels"},
      {"tall.png", "1 x 67108864 pixels; pictures of more than 65535 pixels a side"},
      {"wide.png", "70000 x 1 pixels; pictures of more than 65535 pixels a side"}};
  for (const auto& c : kTooLarge) {
    try {
      Decode(c.name);
      ADD_FAILURE() << c.name << " was decoded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
  // A picture larger than its caller may still decode: 24 pixels.
  for (const char* name : {"pic.png", "pic24.bmp", "pic-interlaced.png"}) {
    EXPECT_THROW(DecodeImage(*ImageFormatOf(name), ReadImageBytes(name), 23), EImageOverBudget);
    EXPECT_EQ(DecodeImage(*ImageFormatOf(name), ReadImageBytes(name), 24).width, 6);
  }
  // Header fields no bitmap may have.
  const std::vector<uint8_t> good = ReadImageBytes("pic16-565-v5.bmp");
  const struct {
    size_t offset;
    uint8_t value;
  } kBadFields[] = {{14, 41}, {26, 2}, {28, 7}, {30, 1}, {54, 0x01}, {58, 0}};
  for (const auto& f : kBadFields) {
    std::vector<uint8_t> bad = good;
    bad[f.offset] = f.value;
    if (f.offset == 58) bad[59] = 0;  // green mask 0
    EXPECT_THROW(DecodeBmp(bad), EInvalidGraphic) << "offset " << f.offset;
  }
}

TEST(ImageDecoders, PickTheFormatByExtensionInAnyCase) {
  const struct {
    const char* path;
    std::optional<ImageFormat> format;
  } kCases[] = {{"a.bmp", ImageFormat::Bmp},   {"C:\\x\\A.BMP", ImageFormat::Bmp},
                {"a.Jpg", ImageFormat::Jpeg},  {"a.jpeg", ImageFormat::Jpeg},
                {"a.JPEG", ImageFormat::Jpeg}, {"a.png", ImageFormat::Png},
                {"a.gif", std::nullopt},       {"a.png.txt", std::nullopt},
                {"png", std::nullopt},         {"a.jpe", std::nullopt}};
  for (const auto& c : kCases) EXPECT_EQ(ImageFormatOf(c.path), c.format) << c.path;
}

}  // namespace
}  // namespace kestril
