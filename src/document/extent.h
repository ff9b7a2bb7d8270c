// The points each entity adds to the drawing's extent, placed by the block placement
// in force. Hidden entities add nothing.
#pragma once

#include <array>
#include <span>

#include "document/document.h"
#include "document/placement.h"
#include "document/records.h"

namespace kestril {

void AddExtent(Document& doc, const FDataSen& r, const BlockPlacement& at);
void AddExtent(Document& doc, const FDataEnko& r, const BlockPlacement& at);
void AddExtent(Document& doc, const FDataTen& r, const BlockPlacement& at);
void AddExtent(Document& doc, const FDataMoji& r, const BlockPlacement& at);
void AddExtent(Document& doc, const FDataSunpou& r, const BlockPlacement& at);
void AddExtent(Document& doc, const FDataSolid& r, const BlockPlacement& at);
void AddExtent(Document& doc, const FDataBlock& r, const BlockPlacement& at);

// The characteristic points of an arc figure of kind k (1 and 100: closed; 5: with its
// centre), before placement: box corners of closed figures, samples every pi/20 of arcs.
struct ArcExtentPoints {
  std::array<TaPoint2D, 48> points;
  int count = 0;
  void Add(const TaPoint2D& p) { points[count++] = p; }
  std::span<const TaPoint2D> View() const { return {points.data(), static_cast<size_t>(count)}; }
};
ArcExtentPoints ArcPoints(const TaPoint2D& centre, int32_t kind, double radius, double start,
                          double sweep, double tilt, double flatness);

// A text with a zero-length baseline: Jw_cad keeps its own settings in such texts,
// which are never shown.
bool IsSettingsText(const FDataMoji& r);

// Whether the text is a raster-image reference ("^@BM" path, width, height).
bool IsImageReference(const Document& doc, const FDataMoji& r);

// Width and height of an image reference: fields 2 and 3 when there are exactly
// three, else the last field for both. False when they are not decimal numbers.
bool ImageReferenceSize(std::string_view text, double& w, double& h);

}  // namespace kestril
