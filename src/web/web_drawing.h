// One drawing opened in the browser: read from the bytes the page hands over, described
// for the page (kind, counts, layers) and drawn through the plug-in's own view and
// render rules, with the page's layer overrides, monochrome switch, zoom and pan.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/reader.h"
#include "graphics/canvas/canvas.h"
#include "graphics/view.h"

namespace kestril::web {

struct LayerInfo {
  std::string name;      // UTF-8
  uint32_t state = 0;    // as the drawing stores it: 0 hidden, 1 greyed, else shown
  bool visible = false;  // as it is drawn now, overrides included
  uint32_t objects = 0;  // top-level objects on the layer
};

struct GroupInfo {
  std::string name;
  uint32_t state = 0;
  bool visible = false;
  double scale = 0;  // the group's scale denominator (100 for 1:100)
  std::array<LayerInfo, kLayers> layers;
};

struct DrawingCounts {
  uint32_t lines = 0, arcs = 0, points = 0, texts = 0, solids = 0, blocks = 0, dimensions = 0;
  uint32_t images = 0;  // texts that place an image file
  uint32_t total = 0;   // top-level objects read
};

struct DrawingInfo {
  bool ok = false;
  bool complete = false;
  std::string kind;  // "jww", "jws", "bare" or ""
  uint32_t version = 0;
  std::string error;    // why nothing could be read; "" when ok
  std::string warning;  // what is missing from a drawing cut short; "" when complete
  DrawingCounts counts;
  std::optional<DrawingExtentRecord> extent;  // drawing units; none when nothing was seen
  std::string paper;                          // "A3", ...; "" when the code is unknown
  std::array<GroupInfo, kLayerGroups> groups;
};

// The largest picture the page draws: what browsers' canvases hold.
inline constexpr int32_t kMaxDrawSide = 16384;
inline constexpr int64_t kMaxDrawPixels = int64_t{64} << 20;

// Why a picture of width x height cannot be drawn; empty when it can.
std::string DrawSizeProblem(int32_t width, int32_t height);

class WebDrawing {
 public:
  // Never throws for bad bytes: Info() says what happened. modifiedMs: the file's time,
  // milliseconds since 1970 (the texts' date variables read it); 0 unknown.
  WebDrawing(std::span<const uint8_t> bytes, const std::string& fileName, double modifiedMs);

  const DrawingInfo& Info() const { return info_; }

  // Overrides of the drawing's own layer and group states, for drawing; out-of-range
  // indexes are ignored.
  void SetGroupVisible(int group, bool visible);
  void SetLayerVisible(int group, int layer, bool visible);
  void SetMonochrome(bool on) { monochrome_ = on; }

  // The view of the plug-in's picture of width x height (the whole drawing fitted),
  // scaled by zoom about the device origin and moved by pan device pixels:
  // device = device_fit * zoom + pan.
  TViewTransform ViewFor(int32_t width, int32_t height, double zoom, double panX,
                         double panY) const;
  // Draws that picture on canvas (white, then the drawing's background from (1, 1)).
  // Nothing but white for data that could not be read; a failure while drawing leaves
  // what was drawn before it.
  void DrawOn(Canvas& canvas, double zoom, double panX, double panY);
  // The same as a command buffer. Raises Error with DrawSizeProblem's reason for a size
  // beyond the limits. A drawing that needs more than a buffer holds is drawn in part,
  // and DrawWarning() says so until the next draw.
  std::vector<uint32_t> Draw(int32_t width, int32_t height, double zoom, double panX, double panY);
  const std::string& DrawWarning() const { return drawWarning_; }

 private:
  void Describe();
  void ApplyVisibility();

  Document doc_;
  ReadResult read_;
  DrawingInfo info_;
  std::string drawWarning_;
  bool monochrome_ = false;
  bool showAll_ = false;  // the data's layer states do not count (JWS, bare archives)
  std::array<uint32_t, kLayerGroups> groupStates_{};
  std::array<std::array<uint32_t, kLayers>, kLayerGroups> layerStates_{};
  std::array<std::optional<bool>, kLayerGroups> groupOverride_;
  std::array<std::array<std::optional<bool>, kLayers>, kLayerGroups> layerOverride_;
};

}  // namespace kestril::web
