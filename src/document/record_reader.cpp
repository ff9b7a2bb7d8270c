#include "document/record_reader.h"

namespace kestril {
namespace {

TaPoint2D ReadPoint(Stream& s) {
  const double x = s.ReadF64();
  const double y = s.ReadF64();
  return {x, y};
}

StringRef ReadArenaString(Stream& s, Document& doc) {
  std::string& arena = doc.StringArena();
  const size_t at = arena.size();
  s.ReadStringInto(arena);
  return {static_cast<uint32_t>(at), static_cast<uint32_t>(arena.size() - at)};
}

uint16_t U16At(const uint8_t* b) {
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

}  // namespace

uint32_t MinimumRecordBytes(EntityClass c) {
  switch (c) {
    case EntityClass::Line:
      return 44;
    case EntityClass::Arc:
      return 72;
    case EntityClass::Text:
      return 80;
    case EntityClass::Point:
      return 32;
    case EntityClass::Solid:
      return 72;
    case EntityClass::Dimension:
      return 142;
    case EntityClass::Block:
      return 56;
    case EntityClass::List:
      return 26;
  }
  return 0;
}

FDataHeader ReadAttributes(Stream& s, uint32_t version) {
  const bool wide = version >= 351;
  uint8_t b[15];
  s.ReadBuffer(b, wide ? 15 : 13);
  FDataHeader h;
  h.group = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
            (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  h.lineType = b[4];
  h.penColor = U16At(b + 5);
  const uint8_t* rest = b + 7;
  if (wide) {
    h.penWidth = U16At(rest);
    rest += 2;
  }
  h.layer = U16At(rest);
  h.layerGroup = U16At(rest + 2);
  h.flags = U16At(rest + 4);
  return h;
}

FDataSen ReadSen(Stream& s, uint32_t version) {
  FDataSen r;
  r.attr = ReadAttributes(s, version);
  r.start = ReadPoint(s);
  r.end = ReadPoint(s);
  return r;
}

FDataEnko ReadEnko(Stream& s, uint32_t version) {
  FDataEnko r;
  r.attr = ReadAttributes(s, version);
  r.center = ReadPoint(s);
  r.radius = s.ReadF64();
  r.startAngle = s.ReadF64();
  r.arcAngle = s.ReadF64();
  r.tiltAngle = s.ReadF64();
  r.flatness = s.ReadF64();
  r.fullCircle = s.ReadU32();
  return r;
}

FDataTen ReadTen(Stream& s, uint32_t version) {
  FDataTen r;
  r.attr = ReadAttributes(s, version);
  r.point = ReadPoint(s);
  r.temporary = s.ReadU32();
  if (version >= 300 && r.attr.lineType == 100) {
    r.hasMark = true;
    r.markCode = static_cast<int32_t>(s.ReadU32());
    r.markAngle = s.ReadF64();
    r.markScale = s.ReadF64();
  }
  return r;
}

FDataMoji ReadMoji(Stream& s, uint32_t version, Document& doc) {
  FDataMoji r;
  r.attr = ReadAttributes(s, version);
  r.start = ReadPoint(s);
  r.end = ReadPoint(s);
  r.textKind = s.ReadU32();
  r.width = s.ReadF64();
  r.height = s.ReadF64();
  r.spacing = s.ReadF64();
  r.angle = s.ReadF64();
  r.fontName = ReadArenaString(s, doc);
  r.text = ReadArenaString(s, doc);
  return r;
}

namespace {
FDataDimPoint ReadDimPoint(Stream& s) {
  FDataDimPoint p;
  p.attr = ReadAttributes(s, 351);
  p.point = ReadPoint(s);
  p.value = s.ReadU32();
  return p;
}
}  // namespace

FDataSunpou ReadSunpou(Stream& s, uint32_t version, Document& doc) {
  FDataSunpou r;
  r.attr = ReadAttributes(s, version);
  r.line = ReadSen(s, version);
  r.text = ReadMoji(s, version, doc);
  if (version >= 420) {
    const uint16_t mode = s.ReadU16();
    if (mode >= 0x8000) {
      // The next object's class reference, not part of this record.
      s.Seek(s.Position() - 2);
      return r;
    }
    r.hasSxfMode = true;
    r.sxfMode = mode;
    // The SXF tail only exists from version 420 on, so its records are always wide.
    r.hasSxfTail = true;
    r.extLine1 = ReadSen(s, 351);
    r.extLine2 = ReadSen(s, 351);
    for (FDataDimPoint& p : r.points) p = ReadDimPoint(s);
  }
  return r;
}

FDataSolid ReadSolid(Stream& s, uint32_t version) {
  FDataSolid r;
  r.attr = ReadAttributes(s, version);
  r.p1 = ReadPoint(s);
  r.p2 = ReadPoint(s);
  r.p3 = ReadPoint(s);
  r.p4 = ReadPoint(s);
  if (r.attr.penColor == 10) r.rgb = s.ReadU32() & 0xFFFFFF;
  return r;
}

FDataBlock ReadBlock(Stream& s, uint32_t version) {
  FDataBlock r;
  r.attr = ReadAttributes(s, version);
  r.refPoint = ReadPoint(s);
  r.scaleX = s.ReadF64();
  r.scaleY = s.ReadF64();
  r.rotation = s.ReadF64();
  r.blockNumber = s.ReadU32();
  return r;
}

FDataList ReadList(Stream& s, uint32_t version, Document& doc) {
  FDataList r;
  r.attr = ReadAttributes(s, version);
  r.number = s.ReadU32();
  r.referenced = s.ReadU32();
  r.time = s.ReadU32();
  r.name = ReadArenaString(s, doc);
  r.count = s.ReadU16();
  return r;
}

}  // namespace kestril
