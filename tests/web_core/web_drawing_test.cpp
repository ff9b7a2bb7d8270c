// The drawing the page opens: what it says about the data, its layer overrides,
// monochrome switch and zoomed views.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

#include "graphics/canvas/recording_canvas.h"
#include "support/fixtures.h"
#include "support/real_drawings.h"
#include "web/web_drawing.h"

namespace kestril::web {
namespace {

std::vector<uint8_t> FixtureBytes(const std::string& name) {
  for (const testing::Fixture& f : testing::Fixtures()) {
    if (f.name == name) return f.bytes;
  }
  ADD_FAILURE() << "no fixture " << name;
  return {};
}

std::vector<CanvasCall> Lines(WebDrawing& d, double zoom = 1, double panX = 0, double panY = 0) {
  RecordingCanvas canvas(800, 600);
  d.DrawOn(canvas, zoom, panX, panY);
  std::vector<CanvasCall> out;
  for (const CanvasCall& c : canvas.Draws()) {
    if (c.op == CanvasOp::Polyline) out.push_back(c);
  }
  return out;
}

// The "layers" fixture: in group 0 a line on layer 0 and five horizontal lines on layers
// 0-4 (layer 1 hidden, layer 2 greyed) and one in the greyed group 3, plus a colour-9
// line on layer 0.
TEST(WebDrawing, LayerOverridesFeedTheRenderRules) {
  WebDrawing d(FixtureBytes("layers"), "layers.jww", 0);
  const DrawingInfo& info = d.Info();
  ASSERT_TRUE(info.ok);
  EXPECT_EQ(info.groups[0].layers[0].objects, 3u);
  EXPECT_EQ(info.groups[0].layers[1].objects, 1u);
  EXPECT_EQ(info.groups[3].layers[0].objects, 1u);
  EXPECT_EQ(info.groups[0].layers[1].state, 0u);
  EXPECT_FALSE(info.groups[0].layers[1].visible);
  EXPECT_EQ(info.groups[0].layers[2].state, 1u);
  EXPECT_TRUE(info.groups[0].layers[2].visible);

  const size_t shown = Lines(d).size();
  struct Step {
    const char* what;
    int group, layer;  // layer -1: the group
    bool visible;
    int change;  // lines drawn, against the drawing as stored
  };
  const Step steps[] = {
      {"hidden layer shown", 0, 1, true, +1},  {"greyed layer hidden", 0, 2, false, 0},
      {"layer hidden again", 0, 1, false, -1}, {"greyed group hidden", 3, -1, false, -2},
      {"group 0 hidden", 0, -1, false, -7},
  };
  for (const Step& s : steps) {
    if (s.layer < 0) {
      d.SetGroupVisible(s.group, s.visible);
      EXPECT_EQ(d.Info().groups[s.group].visible, s.visible) << s.what;
    } else {
      d.SetLayerVisible(s.group, s.layer, s.visible);
      EXPECT_EQ(d.Info().groups[s.group].layers[s.layer].visible, s.visible) << s.what;
    }
    EXPECT_EQ(static_cast<int>(Lines(d).size()), static_cast<int>(shown) + s.change) << s.what;
  }
  // The stored states are still reported as stored.
  EXPECT_EQ(d.Info().groups[0].layers[1].state, 0u);
}

TEST(WebDrawing, GreyedLayersStayGreyAndShownOnesKeepTheirColours) {
  WebDrawing d(FixtureBytes("layers"), "layers.jww", 0);
  d.SetLayerVisible(0, 1, true);
  std::set<Color> colours;
  for (const CanvasCall& c : Lines(d)) colours.insert(c.pen.color);
  EXPECT_TRUE(colours.count(0xC0C0C0));
  EXPECT_GT(colours.size(), 3u);
  d.SetMonochrome(true);
  for (const CanvasCall& c : Lines(d)) {
    EXPECT_TRUE(c.pen.color == 0 || c.pen.color == 0xFFFFFF || c.pen.color == 0xC0C0C0)
        << std::hex << c.pen.color;
  }
}

// JWS data shows every layer whatever its states; the page can still hide them.
TEST(WebDrawing, DataWithoutLayerStatesCanHideGroups) {
  WebDrawing d(FixtureBytes("line-types"), "line-types.jws", 0);
  ASSERT_TRUE(d.Info().ok);
  EXPECT_EQ(d.Info().kind, "jws");
  EXPECT_TRUE(d.Info().groups[0].visible);
  ASSERT_FALSE(Lines(d).empty());
  d.SetGroupVisible(0, false);
  EXPECT_TRUE(Lines(d).empty());
  d.SetGroupVisible(0, true);
  EXPECT_FALSE(Lines(d).empty());
}

// device = device_fit * zoom + pan, to the rounding of whole pixels.
TEST(WebDrawing, ZoomAndPanMoveTheFitPicture) {
  WebDrawing d(FixtureBytes("layers"), "layers.jww", 0);
  const std::vector<CanvasCall> fit = Lines(d);
  for (const auto& [zoom, panX, panY] :
       {std::tuple{2.0, 10.0, -20.0}, {0.5, 300.0, 0.0}, {7.25, -1500.0, -900.5}}) {
    const std::vector<CanvasCall> zoomed = Lines(d, zoom, panX, panY);
    ASSERT_EQ(zoomed.size(), fit.size());
    for (size_t i = 0; i < fit.size(); ++i) {
      ASSERT_EQ(zoomed[i].points.size(), fit[i].points.size());
      for (size_t k = 0; k < fit[i].points.size(); ++k) {
        EXPECT_NEAR(zoomed[i].points[k].x, fit[i].points[k].x * zoom + panX, zoom / 2 + 1);
        EXPECT_NEAR(zoomed[i].points[k].y, fit[i].points[k].y * zoom + panY, zoom / 2 + 1);
      }
    }
  }
  // Views that make no sense are the fit view.
  const TViewTransform plain = d.ViewFor(800, 600, 1, 0, 0);
  for (double bad : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
    EXPECT_EQ(d.ViewFor(800, 600, bad, 0, 0).Scale, plain.Scale);
  }
}

TEST(WebDrawing, BadDataIsDescribedNotThrown) {
  std::ifstream in(testing::RealDrawingPath("site-plan-v700.jww"), std::ios::binary);
  const std::vector<uint8_t> site{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(site.empty());
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool ok, complete;
  };
  const Case cases[] = {
      {"empty", {}, false, false},
      {"not a drawing", std::vector<uint8_t>(300, 'x'), false, false},
      {"cut short", {site.begin(), site.begin() + site.size() * 6 / 10}, true, false},
      {"whole", site, true, true},
  };
  for (const Case& c : cases) {
    WebDrawing d(c.bytes, "drawing.jww", 1.7e12);
    const DrawingInfo& info = d.Info();
    EXPECT_EQ(info.ok, c.ok) << c.what;
    EXPECT_EQ(info.complete, c.complete) << c.what;
    EXPECT_EQ(info.error.empty(), c.ok) << c.what;
    EXPECT_EQ(info.warning.empty(), c.complete || !c.ok) << c.what;
    EXPECT_EQ(info.extent.has_value(), c.ok) << c.what;
    // Unreadable data draws nothing but the white picture.
    EXPECT_EQ(d.Draw(100, 80, 1, 0, 0).size() > 4, c.ok) << c.what;
  }
}

// Pictures larger than a browser's canvas are refused before anything is drawn.
TEST(WebDrawing, RefusesSizesBeyondThePage) {
  WebDrawing d(FixtureBytes("layers"), "layers.jww", 0);
  const struct {
    int32_t width, height;
    bool drawn;
  } kCases[] = {{0, 0, true},      {16384, 4096, true}, {4096, 16384, true},
                {16385, 1, false}, {1, 16385, false},   {16384, 4097, false},
                {-1, 600, false},  {800, -600, false},  {INT32_MAX, INT32_MAX, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    EXPECT_EQ(DrawSizeProblem(c.width, c.height).empty(), c.drawn);
    if (c.drawn) {
      const std::vector<uint32_t> words = d.Draw(c.width, c.height, 1, 0, 0);
      ASSERT_GE(words.size(), 3u);
      EXPECT_EQ(words[1], uint32_t(c.width));
      EXPECT_TRUE(d.DrawWarning().empty());
    } else {
      EXPECT_THROW(d.Draw(c.width, c.height, 1, 0, 0), Error);
    }
  }
}

}  // namespace
}  // namespace kestril::web
