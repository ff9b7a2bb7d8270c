#include "render/render_driver.h"

#include <optional>

#include "render/entity_draw.h"
#include "render/render_context.h"

namespace kestril {
namespace {

void FillBackground(const Document& doc, Canvas& canvas, int32_t width, int32_t height) {
  canvas.SetBrush({doc.Header.PenColor[0], BrushStyle::Solid});
  canvas.FillRect(1, 1, width, height);
}

// Walks one class list from its first record to its last, or the other way round.
template <class Record>
class Cursor {
 public:
  Cursor(const std::vector<Record>& list, bool reverse)
      : list_(list), step_(reverse ? -1 : 1), start_(reverse ? Count() - 1 : 0), at_(start_) {}

  // The next record in this order, or nullptr past the end.
  const Record* Next() {
    if (at_ < 0 || at_ >= Count()) return nullptr;
    const Record* r = &list_[static_cast<size_t>(at_)];
    at_ += step_;
    return r;
  }
  void Rewind() { at_ = start_; }
  int64_t Count() const { return static_cast<int64_t>(list_.size()); }

 private:
  const std::vector<Record>& list_;
  int64_t step_;
  int64_t start_;
  int64_t at_;
};

template <class Record>
void DrawNext(RenderContext& ctx, Cursor<Record>& cursor) {
  if (const Record* r = cursor.Next()) Draw(ctx, *r);
}

template <class Record>
void DrawAll(RenderContext& ctx, Cursor<Record>& cursor) {
  while (const Record* r = cursor.Next()) Draw(ctx, *r);
}

}  // namespace

void RenderDrawing(const Document& doc, const TViewTransform& view, RenderOptions& options,
                   Canvas& canvas, int32_t width, int32_t height, bool fillBackground,
                   const RenderYield& yield, ImageCache* images) {
  DrawCache cache(doc.Header);
  std::optional<ImageCache> ownImages;
  if (images == nullptr) images = &ownImages.emplace();
  RenderContext ctx{doc,   view,   options, canvas, BlockPlacement{}, MemberVisitBudget{},
                    cache, *images};
  if (doc.ObjectCount == 0) {
    FillBackground(doc, canvas, width, height);
    return;
  }
  if (fillBackground) {
    canvas.SetPen({doc.Header.PenColor[0]});
    FillBackground(doc, canvas, width, height);
  }

  const EntityLists& top = doc.TopLevel;
  const bool reverse = doc.Header.DrawFlags[3] != 0;
  Cursor lines(top.Lines, reverse);
  Cursor arcs(top.Arcs, reverse);
  Cursor texts(top.Texts, reverse);
  Cursor points(top.Points, reverse);
  Cursor dimensions(top.Dimensions, reverse);
  Cursor solids(top.Solids, reverse);
  Cursor inserts(top.BlockInserts, reverse);

  // Solids and image references first, so lines and texts stay on top of them. The
  // text draw picks image references in this pass and the other texts later.
  const uint32_t prePass = doc.Header.DrawFlags[2];
  const bool hasPrePass = prePass == 1 || prePass == 2;
  if (hasPrePass) {
    options.PrePassActive = true;
    if (prePass == 1) {
      DrawAll(ctx, solids);
      DrawAll(ctx, texts);
    } else {
      DrawAll(ctx, texts);
      DrawAll(ctx, solids);
    }
    texts.Rewind();
    options.PrePassActive = false;
  }

  // The definition headers close ClassOrder and are never drawn themselves.
  const size_t entries = doc.ClassOrder.size() - doc.BlockDefinitions.size();
  for (size_t i = 0; i < entries; ++i) {
    switch (doc.ClassOrder[i]) {
      case EntityClass::Line:
        DrawNext(ctx, lines);
        break;
      case EntityClass::Arc:
        DrawNext(ctx, arcs);
        break;
      case EntityClass::Text:
        DrawNext(ctx, texts);
        break;
      case EntityClass::Point:
        DrawNext(ctx, points);
        break;
      case EntityClass::Solid:
        if (!hasPrePass) DrawNext(ctx, solids);
        break;
      case EntityClass::Dimension:
        DrawNext(ctx, dimensions);
        break;
      case EntityClass::Block:
        DrawNext(ctx, inserts);
        break;
      case EntityClass::List:
        break;
    }
    if (yield) yield();
  }
  options.PrePassActive = false;
}

void ApplyUserPenColors(TJwwHeader& header, const std::array<Color, 11>& userColors) {
  if (header.CarriesPens) return;
  for (size_t i = 0; i < userColors.size(); ++i) header.PenColor[i] = userColors[i] & 0xFFFFFF;
}

}  // namespace kestril
