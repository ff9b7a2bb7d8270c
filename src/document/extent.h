// The points each entity adds to the drawing's extent, placed by the block placement
// in force. Hidden entities add nothing.
#pragma once

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

// The points of an arc figure of kind k (1 and 100: closed; 5: with its centre).
void AddArcExtent(Document& doc, const BlockPlacement& at, const TaPoint2D& centre, int32_t kind,
                  double radius, double start, double sweep, double tilt, double flatness);

// A text with a zero-length baseline: Jw_cad keeps its own settings in such texts,
// which are never shown.
bool IsSettingsText(const FDataMoji& r);

// Whether the text is a raster-image reference ("^@BM" path, width, height).
bool IsImageReference(const Document& doc, const FDataMoji& r);

// Width and height of an image reference: fields 2 and 3 when there are exactly
// three, else the last field for both. False when they are not decimal numbers.
bool ImageReferenceSize(std::string_view text, double& w, double& h);

}  // namespace kestril
