// What every entity draw reads: the document, the view, the switches, the canvas and
// the block placement in force.
#pragma once

#include "document/document.h"
#include "document/placement.h"
#include "graphics/canvas/canvas.h"
#include "graphics/image/image_cache.h"
#include "graphics/text/jww_text.h"
#include "graphics/view.h"
#include "render/draw_cache.h"
#include "render/render_options.h"
#include "render/text_variables.h"

namespace kestril {

struct RenderContext {
  const Document& doc;
  const TViewTransform& view;
  RenderOptions& options;
  Canvas& canvas;
  // Identity for top-level entities; set while the members of an insert are drawn.
  BlockPlacement placement;
  // Shared by every insert of one drawing, so nested blocks cannot run away.
  MemberVisitBudget budget;
  // Dash patterns and working storage kept for the one picture.
  DrawCache& cache;
  // The images the picture's references show, decoded once for all of it.
  ImageCache& images;
  // The clock texts read their date and time variables from.
  const TextClock* clock = &SystemTextClock();
  // Shared by the texts of one picture.
  TextBudget textBudget = {};
};

}  // namespace kestril
