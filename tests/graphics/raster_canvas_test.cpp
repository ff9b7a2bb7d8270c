// Pixel tests of the platform raster canvas: picture creation, FillRect and the BMP
// row layout that the plug-in hands to its host.
#include <gtest/gtest.h>

#include <climits>

#include "base/errors.h"
#include "canvas_test_util.h"
#include "graphics/canvas/canvas.h"
#include "graphics/image/bmp_layout.h"

namespace kestril {
namespace {

using test::Pixels;

TEST(RasterCanvas, StartsWhiteAndReportsItsSize) {
  auto c = CreateRasterCanvas(7, 5);
  EXPECT_EQ(c->Width(), 7);
  EXPECT_EQ(c->Height(), 5);
  EXPECT_EQ(Pixels(*c).InkedCount(), 0);
}

TEST(RasterCanvas, FillRectExcludesRightAndBottomEdges) {
  auto c = CreateRasterCanvas(10, 8);
  c->SetPen(Pen{.color = MakeColor(0, 0, 255), .width = 5});  // must not be used
  c->SetBrush(Brush{.color = MakeColor(255, 0, 0)});
  c->FillRect(2, 1, 6, 4);
  Pixels p(*c);
  EXPECT_EQ(p.Row(0), "..........");
  EXPECT_EQ(p.Row(1), "..####....");
  EXPECT_EQ(p.Row(3), "..####....");
  EXPECT_EQ(p.Row(4), "..........");
  EXPECT_EQ(p.At(2, 1), MakeColor(255, 0, 0));
}

// As GDI blits it: an inverted rectangle is mirrored about its first edge.
TEST(RasterCanvas, FillRectOfAnInvertedRectangleCoversRightPlusOneToLeft) {
  auto c = CreateRasterCanvas(10, 8);
  c->SetBrush(Brush{.color = 0});
  c->FillRect(6, 5, 2, 2);
  c->FillRect(8, 1, 9, 1);  // empty
  Pixels p(*c);
  EXPECT_EQ(p.Row(1), "..........");
  EXPECT_EQ(p.Row(2), "..........");
  EXPECT_EQ(p.Row(3), "...####...");
  EXPECT_EQ(p.Row(5), "...####...");
  EXPECT_EQ(p.Row(6), "..........");
}

TEST(RasterCanvas, FillRectClipsHostileEdgesAndIgnoresClearBrush) {
  auto c = CreateRasterCanvas(6, 4);
  c->SetBrush(Brush{.color = 0, .style = BrushStyle::Clear});
  c->FillRect(0, 0, 6, 4);
  EXPECT_EQ(Pixels(*c).InkedCount(), 0);
  c->SetBrush(Brush{.color = 0});
  c->FillRect(INT32_MIN, INT32_MIN, INT32_MAX, 2);
  Pixels p(*c);
  EXPECT_EQ(p.Row(1), "######");
  EXPECT_EQ(p.Row(2), "......");
}

// Blue, green, red per pixel, bottom row first, rows padded with zero bytes.
TEST(RasterCanvas, CopyBmpRowsWritesBottomUpBgrRowsWithPadding) {
  auto c = CreateRasterCanvas(3, 2);
  c->SetBrush(Brush{.color = MakeColor(0x11, 0x22, 0x33)});
  c->FillRect(0, 0, 1, 1);  // top-left pixel
  c->SetBrush(Brush{.color = MakeColor(0x44, 0x55, 0x66)});
  c->FillRect(2, 1, 3, 2);   // bottom-right pixel
  const size_t stride = 12;  // 9 bytes of pixels, 3 of padding
  std::vector<uint8_t> rows(stride * 2, 0xAB);
  c->CopyBmpRows(rows, stride);
  const std::vector<uint8_t> want = {// bottom row: white, white, (0x44, 0x55, 0x66)
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x55, 0x44, 0, 0, 0,
                                     // top row: (0x11, 0x22, 0x33), white, white
                                     0x33, 0x22, 0x11, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0};
  EXPECT_EQ(rows, want);
}

// Every width, so the several pixels at a time the copy packs, and the pixels left over
// at a row's end, all land right, and nothing spills into the padding or the next row.
TEST(RasterCanvas, CopyBmpRowsPacksEveryWidthExactly) {
  for (int32_t w = 1; w <= 37; ++w) {
    const int32_t h = 3;
    auto c = CreateRasterCanvas(w, h);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        c->SetBrush(
            Brush{.color = MakeColor(uint8_t(x * 7), uint8_t(y * 50 + x), uint8_t(200 - x))});
        c->FillRect(x, y, x + 1, y + 1);
      }
    }
    const size_t stride = static_cast<size_t>(BmpStride(w));
    std::vector<uint8_t> rows(stride * h, 0xAB);
    c->CopyBmpRows(rows, stride);
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* row = rows.data() + stride * size_t(h - 1 - y);
      for (int32_t x = 0; x < w; ++x) {
        ASSERT_EQ(row[3 * x + 2], uint8_t(x * 7)) << w << " " << x << " " << y;
        ASSERT_EQ(row[3 * x + 1], uint8_t(y * 50 + x)) << w << " " << x << " " << y;
        ASSERT_EQ(row[3 * x], uint8_t(200 - x)) << w << " " << x << " " << y;
      }
      for (size_t pad = size_t(w) * 3; pad < stride; ++pad) ASSERT_EQ(row[pad], 0) << w;
    }
  }
}

TEST(RasterCanvas, CopyBmpRowsRefusesATooSmallDestination) {
  auto c = CreateRasterCanvas(4, 3);
  std::vector<uint8_t> rows(12 * 3 - 1);
  EXPECT_THROW(c->CopyBmpRows(rows, 12), Error);
  std::vector<uint8_t> enough(100);
  EXPECT_THROW(c->CopyBmpRows(enough, 11), Error);  // stride shorter than a row
}

TEST(RasterCanvas, ZeroSizedCanvasWorksAndWritesNothing) {
  for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 5}, std::pair{5, 0}}) {
    auto c = CreateRasterCanvas(w, h);
    EXPECT_EQ(c->Width(), w);
    EXPECT_EQ(c->Height(), h);
    c->SetBrush(Brush{.color = 0});
    c->FillRect(-5, -5, 10, 10);
    c->Polyline(std::vector<TPoint>{{0, 0}, {10, 10}});
    c->Ellipse(-3, -3, 3, 3);
    std::vector<uint8_t> none;
    c->CopyBmpRows(none, 0);
    std::vector<uint8_t> some(8, 0x5A);
    c->CopyBmpRows(some, 4);
    EXPECT_EQ(some, std::vector<uint8_t>(8, 0x5A));
  }
}

// Which image pixel each device pixel shows, as GDI's StretchDIBits picks them (the
// sequences were read from Wine's GDI): columns and rows differ when shrinking; a box
// drawn right to left (or bottom to top) covers the pixels after its end, mirrored.
TEST(RasterCanvas, StretchImagePicksThePixelsGdiPicks) {
  const struct {
    bool rows;
    int32_t length;  // of the image
    int32_t from, to;
    const char* shown;  // image pixel per device pixel from `from` on, '.' for none
  } kCases[] = {
      {false, 2, 1, 6, ".00011"}, {false, 3, 1, 8, ".0011122"}, {false, 7, 1, 4, ".146"},
      {false, 6, 1, 5, ".1245"},  {false, 7, 4, 1, "..641"},    {true, 7, 1, 4, ".025"},
      {true, 5, 1, 5, ".0134"},   {true, 4, 1, 7, ".001223"},   {true, 7, 4, 1, "..520"},
      {false, 3, -4, 3, "122"},   {false, 7, 3, 3, "...."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.shown);
    DecodedImage image = AllocateImage(c.rows ? 1 : c.length, c.rows ? c.length : 1);
    for (int32_t i = 0; i < c.length; ++i) {
      uint8_t* p = c.rows ? image.Row(i) : image.Row(0) + 3 * i;
      p[0] = uint8_t(i);  // blue: the pixel's number; green and red 0
    }
    auto canvas = CreateRasterCanvas(10, 10);
    if (c.rows) {
      canvas->StretchImage(2, c.from, 3, c.to, image);
    } else {
      canvas->StretchImage(c.from, 2, c.to, 3, image);
    }
    Pixels p(*canvas);
    std::string shown;
    for (int32_t d = 0; d < int32_t(std::string(c.shown).size()); ++d) {
      const Color color = c.rows ? p.At(2, d) : p.At(d, 2);
      shown += color == 0xFFFFFF ? '.' : char('0' + (color >> 16));
    }
    EXPECT_EQ(shown, c.shown);
  }
  // A box far larger than any picture shows the middle of the image, everywhere.
  DecodedImage image = AllocateImage(3, 3);
  image.Row(1)[3] = 200;
  auto canvas = CreateRasterCanvas(20, 10);
  canvas->StretchImage(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, image);
  Pixels p(*canvas);
  for (int32_t y = 0; y < 10; ++y) {
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(p.At(x, y), MakeColor(0, 0, 200)) << x << "," << y;
  }
}

TEST(RasterCanvas, NegativeOrUnallocatableSizesRaiseOutOfResources) {
  EXPECT_THROW(CreateRasterCanvas(-1, 10), EOutOfResources);
  EXPECT_THROW(CreateRasterCanvas(10, -1), EOutOfResources);
  EXPECT_THROW(CreateRasterCanvas(INT32_MIN, INT32_MIN), EOutOfResources);
  EXPECT_THROW(CreateRasterCanvas(INT32_MAX, INT32_MAX), EOutOfResources);
  EXPECT_THROW(CreateRasterCanvas(1 << 16, 1 << 16), EOutOfResources);
  EXPECT_THROW(CreateRasterCanvas(INT32_MAX, 1), EOutOfResources);
}

}  // namespace
}  // namespace kestril
