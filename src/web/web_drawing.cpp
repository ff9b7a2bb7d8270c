#include "web/web_drawing.h"

#include <cmath>
#include <new>

#include "base/errors.h"
#include "base/stream.h"
#include "graphics/text/cp932.h"
#include "plugin/plugin_settings.h"
#include "render/render_driver.h"
#include "render/view_setup.h"
#include "web/command_canvas.h"

namespace kestril::web {
namespace {

constexpr std::string_view kImagePrefix = "^@BM";
// A state that shows a layer the drawing hides.
constexpr uint32_t kShown = 2;

// Jw_cad's paper codes.
std::string PaperName(uint32_t code) {
  static const char* const kNames[] = {"A0", "A1", "A2", "A3", "A4",  "",    "",    "",
                                       "2A", "3A", "4A", "5A", "10m", "50m", "100m"};
  return code < std::size(kNames) ? kNames[code] : "";
}

uint32_t EffectiveState(uint32_t stored, bool visible) {
  if (!visible) return 0;
  return stored != 0 ? stored : kShown;
}

}  // namespace

std::string DrawSizeProblem(int32_t width, int32_t height) {
  const auto size = [&] { return std::to_string(width) + " x " + std::to_string(height); };
  if (width < 0 || height < 0) return "a picture of " + size() + " pixels cannot be drawn";
  if (width > kMaxDrawSide || height > kMaxDrawSide || int64_t{width} * height > kMaxDrawPixels) {
    return "a picture of " + size() +
           " pixels is larger than the page draws (16384 pixels a side, 64 megapixels in all)";
  }
  return {};
}

WebDrawing::WebDrawing(std::span<const uint8_t> bytes, const std::string& fileName,
                       double modifiedMs) {
  ReaderEnvironment env;
  const int64_t seconds =
      std::isfinite(modifiedMs) && std::abs(modifiedMs) < 1e15 ? int64_t(modifiedMs / 1000) : 0;
  env.source = SourceFile{fileName, seconds};
  try {
    MemoryStream stream = MemoryStream::View(bytes);
    read_ = ReadDocument(doc_, stream, env);
  } catch (const std::bad_alloc&) {
    read_ = {};
    info_.error = "out of memory";
  } catch (const std::exception& e) {
    read_ = {};
    info_.error = e.what();
  }
  if (read_.ok) {
    // Data without a pen table is drawn in the plug-in's default colours.
    ApplyUserPenColors(doc_.Header, PluginSettings{}.PenColors);
    showAll_ = doc_.ShowAllLayers;
    groupStates_ = doc_.Header.GroupState;
    layerStates_ = doc_.Header.LayerState;
  }
  Describe();
}

void WebDrawing::Describe() {
  DrawingInfo& in = info_;
  const Document& d = doc_;
  in.ok = read_.ok;
  in.complete = read_.complete;
  in.kind = FileKindName(read_.kind);
  if (read_.kind == FileKind::None) {
    if (in.error.empty()) in.error = "not a Jw_cad drawing (no JWW, JWS or archive signature)";
  } else if (!read_.ok) {
    in.error = "the drawing could not be read (damaged or cut short)";
  }
  if (!read_.ok) return;
  in.version = d.Header.Version;
  if (!read_.complete) {
    in.warning = CutShortReason(d);
  }
  DrawingCounts& c = in.counts;
  c.lines = d.LineCount();
  c.arcs = d.ArcCount();
  c.points = d.PointCount();
  c.texts = d.TextCount();
  c.solids = d.SolidCount();
  c.blocks = d.BlockInsertCount();
  c.dimensions = d.DimensionCount();
  c.total = d.TopLevelObjects();
  for (const FDataMoji& t : d.TopLevel.Texts) {
    if (d.Text(t.text).StartsWithAscii(kImagePrefix)) ++c.images;
  }
  if (d.DrawingExtent.MinX <= d.DrawingExtent.MaxX) in.extent = d.DrawingExtent;
  if (read_.kind == FileKind::Jww) in.paper = PaperName(d.Header.PaperSize);

  for (int g = 0; g < kLayerGroups; ++g) {
    GroupInfo& group = in.groups[g];
    group.name = TextToUtf8(d.Header.GroupName[g]);
    group.state = groupStates_[g];
    group.scale = d.Header.GroupScale[g];
    for (int l = 0; l < kLayers; ++l) {
      group.layers[l].name = TextToUtf8(d.Header.LayerName[g][l]);
      group.layers[l].state = layerStates_[g][l];
    }
  }
  auto count = [&](const auto& list, auto attrOf) {
    for (const auto& r : list) {
      const FDataHeader& a = attrOf(r);
      if (a.layerGroup < kLayerGroups && a.layer < kLayers) {
        ++in.groups[a.layerGroup].layers[a.layer].objects;
      }
    }
  };
  const auto attr = [](const auto& r) -> const FDataHeader& { return r.attr; };
  const EntityLists& top = d.TopLevel;
  count(top.Lines, attr);
  count(top.Arcs, attr);
  count(top.Points, attr);
  count(top.Texts, attr);
  count(top.Solids, attr);
  count(top.Dimensions, attr);
  count(top.BlockInserts, attr);
  ApplyVisibility();
}

// The drawing's states with the overrides laid over them; the document is drawn with
// these, so every render rule (hidden, greyed) sees them.
void WebDrawing::ApplyVisibility() {
  if (!read_.ok) return;
  for (int g = 0; g < kLayerGroups; ++g) {
    GroupInfo& group = info_.groups[g];
    group.visible = groupOverride_[g].value_or(showAll_ || groupStates_[g] != 0);
    doc_.Header.GroupState[g] = EffectiveState(groupStates_[g], group.visible);
    for (int l = 0; l < kLayers; ++l) {
      LayerInfo& layer = group.layers[l];
      layer.visible = layerOverride_[g][l].value_or(showAll_ || layerStates_[g][l] != 0);
      doc_.Header.LayerState[g][l] = EffectiveState(layerStates_[g][l], layer.visible);
    }
  }
  doc_.ShowAllLayers = false;
}

void WebDrawing::SetGroupVisible(int group, bool visible) {
  if (group < 0 || group >= kLayerGroups) return;
  groupOverride_[group] = visible;
  ApplyVisibility();
}

void WebDrawing::SetLayerVisible(int group, int layer, bool visible) {
  if (group < 0 || group >= kLayerGroups || layer < 0 || layer >= kLayers) return;
  layerOverride_[group][layer] = visible;
  ApplyVisibility();
}

TViewTransform WebDrawing::ViewFor(int32_t width, int32_t height, double zoom, double panX,
                                   double panY) const {
  TViewTransform view;
  SetupView(view, doc_.DrawingExtent, width, height);
  if (!std::isfinite(zoom) || zoom <= 0) zoom = 1;
  if (!std::isfinite(panX)) panX = 0;
  if (!std::isfinite(panY)) panY = 0;
  // device = (p - ViewMin.x) * Scale for x and (ViewMax.y - p) * Scale for y; the zoomed
  // view keeps that form with the scale multiplied and the origin moved by the pan.
  view.Scale *= zoom;
  view.ViewMin.x -= panX / view.Scale;
  view.ViewMax.y += panY / view.Scale;
  view.ViewMax.x = view.ViewMin.x + std::max(1, width) / view.Scale;
  view.ViewMin.y = view.ViewMax.y - std::max(1, height) / view.Scale;
  return view;
}

void WebDrawing::DrawOn(Canvas& canvas, double zoom, double panX, double panY) {
  if (!read_.ok) return;
  const int32_t width = canvas.Width(), height = canvas.Height();
  const TViewTransform view = ViewFor(width, height, zoom, panX, panY);
  const PluginSettings defaults;
  RenderOptions options;
  options.hoji = defaults.hoji;
  options.BwColor = monochrome_;
  options.BwGrey = defaults.BwGrey;
  try {
    RenderDrawing(doc_, view, options, canvas, width, height, true);
  } catch (const std::bad_alloc&) {
  } catch (const std::exception&) {
  }
}

std::vector<uint32_t> WebDrawing::Draw(int32_t width, int32_t height, double zoom, double panX,
                                       double panY) {
  if (const std::string problem = DrawSizeProblem(width, height); !problem.empty()) {
    throw Error(problem);
  }
  CommandCanvas canvas(width, height);
  DrawOn(canvas, zoom, panX, panY);
  drawWarning_.clear();
  if (canvas.Truncated()) {
    drawWarning_ = "only part of the drawing is shown: it needs more than " +
                   std::to_string(kMaxCommandWords * 4 >> 20) + " MiB of drawing commands";
  }
  return canvas.TakeWords();
}

}  // namespace kestril::web
