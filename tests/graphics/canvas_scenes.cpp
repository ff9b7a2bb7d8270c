#include "canvas_scenes.h"

#include "graphics/text_image.h"

#include <climits>
#include <cmath>
#include <vector>

namespace kestril::test {

namespace {

using Points = std::vector<TPoint>;

constexpr Color kRed = MakeColor(200, 0, 0);
constexpr Color kBlue = MakeColor(0, 0, 200);
constexpr Color kGreen = MakeColor(0, 160, 0);

Pen Geometric(int32_t w, PenCap cap, Color c = 0) {
  return Pen{.color = c, .width = w, .geometric = true, .cap = cap};
}

void ThinLines(Canvas& c) {
  c.SetPen(Pen{.color = kRed, .width = 1});
  for (int i = 0; i < 24; ++i) {
    const double a = i * 2 * 3.14159265358979 / 24 + 0.1;
    c.Polyline(Points{{60, 45},
                      {60 + int32_t(std::lround(55 * std::cos(a))),
                       45 + int32_t(std::lround(40 * std::sin(a)))}});
  }
  c.SetPen(Pen{.color = 0, .width = 0});
  c.Polyline(Points{{2, 2}, {117, 2}, {117, 87}, {2, 87}, {2, 3}});
}

void PolygonFill(Canvas& c) {
  c.SetPen(Pen{.color = kRed, .width = 1});
  c.SetBrush(Brush{.color = kBlue});
  c.Polygon(Points{{60, 4}, {73, 80}, {10, 30}, {110, 30}, {47, 80}});
  c.SetPen(Pen{.style = PenStyle::Null});
  c.SetBrush(Brush{.color = kGreen});
  c.Polygon(Points{{4, 60}, {30, 60}, {30, 86}, {4, 86}});
}

void Ellipses(Canvas& c) {
  c.SetPen(Pen{.color = kRed, .width = 1});
  c.SetBrush(Brush{.color = kBlue});
  c.Ellipse(4, 4, 70, 50);
  c.SetBrush(Brush{.style = BrushStyle::Clear});
  c.Ellipse(75, 10, 116, 86);
  c.SetPen(Geometric(5, PenCap::Round, kGreen));
  c.Ellipse(10, 58, 60, 84);
}

void Arcs(Canvas& c) {
  c.SetPen(Pen{.color = 0, .width = 1});
  c.Arc(4, 4, 56, 56, {56, 30}, {30, 4});     // top right quarter
  c.Arc(64, 4, 116, 56, {90, 4}, {116, 30});  // three quarters
  c.Arc(4, 60, 40, 88, {40, 74}, {40, 74});   // whole
  c.SetPen(Geometric(4, PenCap::Flat, kBlue));
  c.Arc(50, 60, 116, 88, {0, 0}, {116, 88});
}

void WidePens(Canvas& c) {
  c.SetPen(Geometric(7, PenCap::Flat));
  c.Polyline(Points{{15, 10}, {100, 10}});
  c.SetPen(Geometric(7, PenCap::Square, kRed));
  c.Polyline(Points{{15, 28}, {100, 28}});
  c.SetPen(Geometric(7, PenCap::Round, kBlue));
  c.Polyline(Points{{15, 46}, {100, 46}});
  c.SetPen(Pen{.color = kGreen, .width = 5});
  c.Polyline(Points{{10, 85}, {40, 60}, {70, 85}, {105, 62}});
}

void Beziers(Canvas& c) {
  c.SetPen(Pen{.color = 0, .width = 1});
  c.PolyBezier(Points{{5, 80}, {30, -20}, {60, 120}, {115, 10}});
  c.MoveTo({10, 10});
  c.PolyBezierTo(Points{{40, 10}, {40, 40}, {70, 40}, {100, 40}, {100, 70}, {70, 80}});
  c.SetPen(Geometric(3, PenCap::Flat, kRed));
  c.PolyBezier(Points{{5, 45}, {35, 20}, {75, 70}, {110, 45}});
}

void PathStroke(Canvas& c) {
  c.SetPen(Geometric(3, PenCap::Flat, kBlue));
  c.BeginPath();
  c.Ellipse(6, 6, 60, 84);
  c.Arc(64, 6, 114, 84, {114, 45}, {89, 6});
  c.MoveTo({70, 80});
  c.PolyBezierTo(Points{{80, 50}, {100, 90}, {110, 60}});
  c.EndPath();
  c.FlattenPath();
  c.StrokePath();
}

void PathFill(Canvas& c) {
  c.SetPen(Pen{.color = kRed, .width = 1});
  c.SetBrush(Brush{.color = kGreen});
  c.BeginPath();
  c.Polyline(Points{{5, 5}, {55, 5}, {55, 80}});
  c.Polygon(Points{{65, 10}, {115, 10}, {90, 85}});
  c.EndPath();
  c.StrokeAndFillPath();
}

void Rects(Canvas& c) {
  c.SetBrush(Brush{.color = kBlue});
  c.FillRect(4, 4, 50, 40);
  c.SetBrush(Brush{.color = kRed});
  c.FillRect(60, 50, 61, 85);
  c.FillRect(-20, 70, 30, 200);
  c.SetBrush(Brush{.color = kGreen});
  c.FillRect(110, 40, 90, 20);  // inverted
  c.FillRect(70, 5, 80, 5);     // empty
}

void FarCoordinates(Canvas& c) {
  c.SetPen(Pen{.color = 0, .width = 1});
  c.Polyline(Points{{-100000, 20}, {100000, 30}});
  c.Polyline(Points{{40, -1000000}, {50, 1000000}});
  c.SetPen(Geometric(5, PenCap::Round, kRed));
  c.Polyline(Points{{-2000000, -1500000}, {2000000, 1500000}});
  c.SetPen(Pen{.color = kBlue, .width = 1});
  c.SetBrush(Brush{.style = BrushStyle::Clear});
  c.Ellipse(-300, 60, 400, 400);
}

// 7 x 5 pixels, each of its own colour.
DecodedImage SmallImage() {
  DecodedImage image = AllocateImage(7, 5);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 7; ++x) {
      uint8_t* p = image.Row(y) + 3 * x;
      p[0] = uint8_t(40 * y);       // blue
      p[1] = uint8_t(30 * x + 20);  // green
      p[2] = uint8_t(200 - 20 * x);
    }
  }
  return image;
}

void StretchedImages(Canvas& c) {
  const DecodedImage image = SmallImage();
  c.StretchImage(2, 2, 30, 19, image);      // enlarged
  c.StretchImage(35, 2, 39, 5, image);      // shrunk
  c.StretchImage(70, 2, 45, 20, image);     // mirrored left to right
  c.StretchImage(75, 30, 100, 10, image);   // mirrored top to bottom
  c.StretchImage(110, 60, 80, 40, image);   // both
  c.StretchImage(-10, 60, 30, 100, image);  // cut by the picture's edges
  c.StretchImage(40, 70, 47, 75, image);    // as it is
  c.StretchImage(-5000, 84, 5000, 88, image);
}

void HugeImageBox(Canvas& c) {
  c.StretchImage(-2000000000, -2000000000, 2000000000, 2000000000, SmallImage());
}

Font Ipa(int32_t height, int32_t width, int32_t escapement = 0) {
  Font f;
  f.height = height;
  f.width = width;
  f.escapement = f.orientation = escapement;
  f.face = u"IPAGothic";
  return f;
}

// Japanese and Latin text, turned, emboldened and underlined, the way texts are drawn.
void Texts(Canvas& c) {
  c.SetBackgroundMode(BackgroundMode::Transparent);
  c.SetTextColor(kBlue);
  c.SetFont(Ipa(24, 12));
  c.TextOut({4, 4}, u"文字Ab");
  Font bold = Ipa(18, 6);
  bold.weight = 700;
  bold.underline = true;
  c.SetFont(bold);
  c.TextOut({4, 34}, u"太字x");
  c.SetTextColor(kRed);
  c.SetFont(Ipa(20, 10, 900));
  c.TextOut({96, 86}, u"縦に");
  c.SetFont(Ipa(16, 8, 300));
  c.TextOut({20, 84}, u"三十度");
}

// A glyph traced into a path, filled and ringed by a wide pen: a halo on a background.
void TextHalo(Canvas& c) {
  c.SetBrush(Brush{.color = kGreen});
  c.FillRect(0, 0, 120, 90);
  c.SetFont(Ipa(60, 30));
  c.SetBrush(Brush{.style = BrushStyle::Clear});
  c.BeginPath();
  c.TextOut({10, 10}, u"田A");
  c.EndPath();
  c.SetBrush(Brush{.color = kBlue});
  c.SetPen(Pen{.color = 0xFFFFFF, .width = 3});
  c.StrokeAndFillPath();
}

constexpr CanvasScene kScenes[] = {
    {"thin_lines", 120, 90, ThinLines},
    {"polygon_fill", 120, 90, PolygonFill},
    {"ellipses", 120, 90, Ellipses},
    {"arcs", 120, 90, Arcs},
    {"wide_pens", 120, 90, WidePens},
    {"beziers", 120, 90, Beziers},
    {"path_stroke", 120, 90, PathStroke},
    {"path_fill", 120, 90, PathFill},
    {"rects", 120, 90, Rects},
    {"far_coordinates", 120, 90, FarCoordinates},
    {"stretched_images", 120, 90, StretchedImages},
    {"huge_image_box", 120, 90, HugeImageBox},
    {"texts", 120, 90, Texts, 0.8},
    {"text_halo", 120, 90, TextHalo, 0.8},
};

void TraceLines(Canvas& c) {
  c.MoveTo({3, 4});
  c.BeginPath();
  c.Polyline(Points{{10, 10}, {50, 12}, {40, 60}});
  c.Polygon(Points{{5, 5}, {25, 5}, {25, 25}, {5, 25}});
  c.PolyBezier(Points{{0, 0}, {10, 30}, {40, 30}, {50, 0}});
  c.Polyline(Points{{1, 1}});  // too short: GDI refuses it
  c.EndPath();
}

void TraceBezierTo(Canvas& c) {
  c.MoveTo({100, 100});
  c.BeginPath();
  c.PolyBezierTo(Points{{110, 100}, {120, 110}, {120, 120}});
  c.PolyBezierTo(Points{{120, 130}, {110, 140}, {100, 140}});
  c.MoveTo({10, 10});
  c.MoveTo({20, 20});
  c.PolyBezierTo(Points{{30, 20}, {30, 30}, {20, 30}});
  c.EndPath();
}

void TraceEllipses(Canvas& c) {
  c.BeginPath();
  c.Ellipse(10, 10, 61, 41);
  c.Ellipse(70, 70, 20, 20);  // corners swapped
  c.Ellipse(5, 5, 5, 40);     // empty
  c.EndPath();
}

void TraceArcs(Canvas& c) {
  c.BeginPath();
  c.Arc(0, 0, 100, 100, {200, 50}, {50, -200});
  c.Arc(0, 0, 100, 100, {50, -200}, {200, 50});
  c.Arc(10, 20, 90, 60, {90, 40}, {90, 40});
  c.Arc(0, 0, 100, 60, {100, 0}, {0, 60});
  c.EndPath();
}

void TraceForFlattening(Canvas& c) {
  c.BeginPath();
  c.Ellipse(10, 10, 210, 110);
  c.Polyline(Points{{0, 0}, {30, 40}});
  c.MoveTo({20, 200});
  c.PolyBezierTo(Points{{60, 120}, {140, 280}, {180, 200}});
  c.EndPath();
}

constexpr PathScene kPathScenes[] = {
    {"lines", false, TraceLines},
    {"bezier_to", false, TraceBezierTo},
    {"ellipses", false, TraceEllipses},
    {"arcs", false, TraceArcs},
    {"flattened", true, TraceForFlattening},
};

}  // namespace

std::span<const CanvasScene> CanvasScenes() {
  return kScenes;
}
std::span<const PathScene> PathScenes() {
  return kPathScenes;
}

void DrawTextImages(Canvas& canvas, const std::string& images, const std::string& own) {
  // One drawing unit per pixel, drawing y up from the picture's bottom edge.
  const TViewTransform view{.YAxisFactor = -1, .Scale = 1, .ViewMin = {0, 0}, .ViewMax = {0, 90}};
  ImageCache cache;
  DrawTextImage(canvas, {5, 40}, JwString("^@BMpic24.bmp,30,20"), view, {images}, cache);
  DrawTextImage(canvas, {40, 40}, JwString("^@BMalpha.png,20"), view, {images}, cache);
  DrawTextImage(canvas, {70, 85}, JwString("^@BM\x95\x5C.png,40,-30"), view, {own}, cache);
  DrawTextImage(canvas, {5, 85}, JwString("^@BMmissing.png,30,20"), view, {images}, cache);
}

}  // namespace kestril::test
