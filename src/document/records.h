// Entity records as Jw_cad writes them, one plain struct per class, kept by value.
// Texts live in the document's string arena and are referred to by StringRef.
#pragma once

#include <array>
#include <cstdint>

#include "base/jw_string.h"
#include "base/plane.h"

namespace kestril {

// The eight entity classes, in the order the archive walk matches class names.
enum class EntityClass : uint8_t {
  Line,       // TDataSen
  Arc,        // TDataEnko
  Text,       // TDataMoji
  Point,      // TDataTen
  Solid,      // TDataSolid
  Dimension,  // TDataSunpou
  Block,      // TDataBlock (insert)
  List,       // TDataList (block definition header)
};
inline constexpr int kEntityClassCount = 8;

// Common attributes: 15 bytes in the file from version 351 on, 13 before (no penWidth).
struct FDataHeader {
  uint32_t group = 0;
  uint8_t lineType = 0;
  uint16_t penColor = 0;
  uint16_t penWidth = 0;
  uint16_t layer = 0;
  uint16_t layerGroup = 0;
  uint16_t flags = 0;
};

// Bytes of the document's string arena, in the encoding they were stored in.
struct StringRef {
  uint32_t offset = 0;
  uint32_t length = 0;
  TextEncoding encoding = TextEncoding::Cp932;
};

struct FDataSen {
  FDataHeader attr;
  TaPoint2D start;
  TaPoint2D end;
};

struct FDataEnko {
  FDataHeader attr;
  TaPoint2D center;
  double radius = 0;      // semi-axis along the figure's own x axis
  double startAngle = 0;  // radians
  double arcAngle = 0;    // sweep; negative sweeps clockwise
  double tiltAngle = 0;   // turn of the figure's x axis, counter-clockwise
  double flatness = 0;    // y semi-axis / radius
  uint32_t fullCircle = 0;
};

struct FDataTen {
  FDataHeader attr;
  TaPoint2D point;
  uint32_t temporary = 0;
  // Present from version 300 when lineType is 100.
  bool hasMark = false;
  int32_t markCode = 0;
  double markAngle = 0;
  double markScale = 0;
};

struct FDataMoji {
  FDataHeader attr;
  TaPoint2D start;  // baseline
  TaPoint2D end;
  uint32_t textKind = 0;
  double width = 0;
  double height = 0;
  double spacing = 0;
  double angle = 0;  // degrees
  StringRef fontName;
  StringRef text;
};

// An extension-line foot point of a dimension (kept, not drawn).
struct FDataDimPoint {
  FDataHeader attr;
  TaPoint2D point;
  uint32_t value = 0;
};

struct FDataSunpou {
  FDataHeader attr;  // the dimension as a whole: used for its visibility in the extent
  FDataSen line;
  FDataMoji text;
  bool hasSxfMode = false;  // version 420 on, unless the next u16 was a class reference
  uint16_t sxfMode = 0;
  bool hasSxfTail = false;
  FDataSen extLine1;
  FDataSen extLine2;
  std::array<FDataDimPoint, 4> points{};
};

struct FDataSolid {
  FDataHeader attr;
  TaPoint2D p1, p2, p3, p4;
  uint32_t rgb = 0;  // only read when penColor is 10
};

struct FDataBlock {
  FDataHeader attr;
  TaPoint2D refPoint;  // where the definition's origin is placed
  double scaleX = 0;
  double scaleY = 0;
  double rotation = 0;  // radians
  uint32_t blockNumber = 0;
};

struct FDataList {
  FDataHeader attr;
  uint32_t number = 0;
  uint32_t referenced = 0;
  uint32_t time = 0;
  StringRef name;
  uint16_t count = 0;  // member records that follow
};

}  // namespace kestril
