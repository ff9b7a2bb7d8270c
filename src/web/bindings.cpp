// The core's JavaScript face (embind): createKestril() gives a module whose
// openDrawing(bytes, fileName, modifiedMs) answers a drawing object with info(),
// setGroupVisible, setLayerVisible, setMonochrome and draw(width, height, zoom, panX,
// panY), the latter a command buffer (Uint8Array) for web/replay.js, and drawWarning(),
// what the last draw left out ("" when nothing).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <memory>

#include "web/web_drawing.h"

namespace kestril::web {
namespace {

using emscripten::val;

class JsDrawing {
 public:
  explicit JsDrawing(std::unique_ptr<WebDrawing> drawing) : drawing_(std::move(drawing)) {}

  val Info() const {
    const DrawingInfo& in = drawing_->Info();
    val o = val::object();
    o.set("ok", in.ok);
    o.set("complete", in.complete);
    o.set("kind", in.kind);
    o.set("version", in.version);
    o.set("error", in.error);
    o.set("warning", in.warning);
    val counts = val::object();
    const DrawingCounts& c = in.counts;
    counts.set("lines", c.lines);
    counts.set("arcs", c.arcs);
    counts.set("points", c.points);
    counts.set("texts", c.texts);
    counts.set("solids", c.solids);
    counts.set("blocks", c.blocks);
    counts.set("dimensions", c.dimensions);
    counts.set("images", c.images);
    counts.set("total", c.total);
    o.set("counts", counts);
    if (in.extent) {
      val e = val::object();
      e.set("minX", in.extent->MinX);
      e.set("minY", in.extent->MinY);
      e.set("maxX", in.extent->MaxX);
      e.set("maxY", in.extent->MaxY);
      o.set("extent", e);
    } else {
      o.set("extent", val::null());
    }
    o.set("paper", in.paper);
    val groups = val::array();
    if (in.ok) {
      for (int g = 0; g < kLayerGroups; ++g) {
        const GroupInfo& gi = in.groups[g];
        val group = val::object();
        group.set("index", g);
        group.set("name", gi.name);
        group.set("state", gi.state);
        group.set("visible", gi.visible);
        group.set("scale", gi.scale);
        val layers = val::array();
        for (int l = 0; l < kLayers; ++l) {
          const LayerInfo& li = gi.layers[l];
          val layer = val::object();
          layer.set("index", l);
          layer.set("name", li.name);
          layer.set("state", li.state);
          layer.set("visible", li.visible);
          layer.set("objects", li.objects);
          layers.call<void>("push", layer);
        }
        group.set("layers", layers);
        groups.call<void>("push", group);
      }
    }
    o.set("groups", groups);
    return o;
  }

  void SetGroupVisible(int g, bool visible) { drawing_->SetGroupVisible(g, visible); }
  void SetLayerVisible(int g, int l, bool visible) { drawing_->SetLayerVisible(g, l, visible); }
  void SetMonochrome(bool on) { drawing_->SetMonochrome(on); }
  std::string DrawWarning() const { return drawing_->DrawWarning(); }

  // A size beyond the page's limits throws a RangeError, before anything is drawn.
  val Draw(int width, int height, double zoom, double panX, double panY) {
    if (!DrawSizeProblem(width, height).empty()) RangeError(width, height).throw_();
    const std::vector<uint32_t> words = drawing_->Draw(width, height, zoom, panX, panY);
    const auto* bytes = reinterpret_cast<const uint8_t*>(words.data());
    // A copy: the view into the module's memory would not outlive the vector.
    return val(emscripten::typed_memory_view(words.size() * 4, bytes)).call<val>("slice");
  }

 private:
  // The error is made here, so that nothing of C++ is alive when it is thrown: a thrown
  // JavaScript value passes C++ frames without their destructors.
  static val RangeError(int width, int height) {
    return val::global("RangeError").new_(DrawSizeProblem(width, height));
  }

  std::unique_ptr<WebDrawing> drawing_;
};

JsDrawing OpenDrawing(val bytes, std::string fileName, double modifiedMs) {
  std::vector<uint8_t> data;
  if (bytes.instanceof (val::global("ArrayBuffer"))) bytes = val::global("Uint8Array").new_(bytes);
  const val length = bytes["length"];
  if (length.isNumber()) {
    data.resize(length.as<size_t>());
    val(emscripten::typed_memory_view(data.size(), data.data())).call<void>("set", bytes);
  }
  return JsDrawing(std::make_unique<WebDrawing>(data, fileName, modifiedMs));
}

}  // namespace
}  // namespace kestril::web

EMSCRIPTEN_BINDINGS(kestril) {
  using namespace kestril::web;
  emscripten::class_<JsDrawing>("Drawing")
      .function("info", &JsDrawing::Info)
      .function("setGroupVisible", &JsDrawing::SetGroupVisible)
      .function("setLayerVisible", &JsDrawing::SetLayerVisible)
      .function("setMonochrome", &JsDrawing::SetMonochrome)
      .function("draw", &JsDrawing::Draw)
      .function("drawWarning", &JsDrawing::DrawWarning);
  emscripten::function("openDrawing", &OpenDrawing);
}
