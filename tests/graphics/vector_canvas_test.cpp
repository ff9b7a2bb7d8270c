// The Cairo canvas over a surface of another kind, as SVG and PDF pages are drawn: the
// same scenes come out as the smoothed picture shows them, drawn with paths.
#include <gtest/gtest.h>

#include <memory>
#include <string_view>
#include <vector>

#include "canvas_scenes.h"
#include "canvas_test_util.h"
#include "graphics/canvas/cairo_canvas.h"
#include "support/ink_overlap.h"

namespace kestril {
namespace {

struct SurfaceRelease {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

// Pixels that are not white, for the overlap measure.
std::vector<bool> Ink(const std::vector<Color>& colors) {
  std::vector<bool> ink(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) ink[i] = colors[i] != 0xFFFFFF;
  return ink;
}

TEST(VectorCanvas, DrawsEverySceneAsTheSmoothedPictureShowsIt) {
  for (const test::CanvasScene& scene : test::CanvasScenes()) {
    SCOPED_TRACE(scene.name);
    const int32_t w = scene.width, h = scene.height;
    CairoCanvas raster(w, h, true);
    scene.draw(raster);
    const test::Pixels expected(raster);

    // A recording surface stands for the page: it keeps the calls, not pixels, and is
    // then played onto an image to look at.
    const cairo_rectangle_t extents{0, 0, double(w), double(h)};
    std::unique_ptr<cairo_surface_t, SurfaceRelease> page(
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR, &extents));
    {
      CairoCanvas vector(page.get(), w, h);
      scene.draw(vector);
      EXPECT_THROW(vector.CopyBmpRows({}, 0), Error);
    }
    std::unique_ptr<cairo_surface_t, SurfaceRelease> image(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
    cairo_t* cr = cairo_create(image.get());
    cairo_set_source_surface(cr, page.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image.get());
    std::vector<Color> drawn, shown;
    const unsigned char* data = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const unsigned char* p = data + y * stride + 4 * x;  // blue, green, red, unused
        drawn.push_back(MakeColor(p[2], p[1], p[0]));
        shown.push_back(expected.At(x, y));
      }
    }
    // Texts differ where the picture places glyph images on whole pixels and the page
    // keeps outlines; images where Cairo's nearest pixel and GDI's choice part.
    EXPECT_GE(testing::InkOverlap(Ink(drawn), Ink(shown), w, h), scene.minOverlap);
    // Images are not smoothed on either: nearly every pixel has the picture's colour.
    if (std::string_view(scene.name).find("image") != std::string_view::npos) {
      size_t same = 0;
      for (size_t i = 0; i < drawn.size(); ++i) same += drawn[i] == shown[i];
      EXPECT_GE(double(same) / double(drawn.size()), 0.97);
    }
  }
}

// Boxes on the page share the page's one copy of an image, which the decode has paid
// for; a box reaching far beyond the page gets a copy of its part on the page, paid for
// from the picture's image budget, and none once the budget is spent.
TEST(VectorCanvas, CopiesForFarBoxesComeOutOfTheImageBudget) {
  const cairo_rectangle_t extents{0, 0, 100, 80};
  std::unique_ptr<cairo_surface_t, SurfaceRelease> page(
      cairo_recording_surface_create(CAIRO_CONTENT_COLOR, &extents));
  ImageCache images(100 * 80 + 50);
  CairoCanvas vector(page.get(), 100, 80, &images);
  const DecodedImage image = AllocateImage(2, 2);
  const struct {
    int32_t left, top, right, bottom;
    int64_t remaining, skipped;
  } kBoxes[] = {{10, 10, 50, 50, 8050, 0},
                {60, 10, 90, 70, 8050, 0},
                {-2000000000, 5, 2000000000, 60, 8050 - 100 * 55, 0},
                {-2000000000, -2000000000, 2000000000, 2000000000, 8050 - 100 * 55, 1}};
  for (const auto& b : kBoxes) {
    vector.StretchImage(b.left, b.top, b.right, b.bottom, image);
    EXPECT_EQ(images.Remaining(), b.remaining) << b.left << "," << b.top;
    EXPECT_EQ(images.Skipped(), b.skipped) << b.left << "," << b.top;
  }
}

}  // namespace
}  // namespace kestril
