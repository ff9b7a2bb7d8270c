#include "document/record_reader.h"

#include "base/endian.h"

namespace kestril {
namespace {

// The fixed part of a record read in one go and decoded field by field.
class Fields {
 public:
  Fields(Stream& s, size_t n) { s.ReadBuffer(bytes_, n); }

  uint8_t U8() { return bytes_[at_++]; }
  uint16_t U16() { return Take<uint16_t>(LoadU16(bytes_ + at_), 2); }
  uint32_t U32() { return Take<uint32_t>(LoadU32(bytes_ + at_), 4); }
  double F64() { return Take<double>(LoadF64(bytes_ + at_), 8); }
  TaPoint2D Point() {
    const double x = F64();
    return {x, F64()};
  }
  FDataHeader Attributes(uint32_t version) {
    FDataHeader h;
    h.group = U32();
    h.lineType = U8();
    h.penColor = U16();
    if (version >= 351) h.penWidth = U16();
    h.layer = U16();
    h.layerGroup = U16();
    h.flags = U16();
    return h;
  }

 private:
  template <class T>
  T Take(T value, size_t n) {
    at_ += n;
    return value;
  }
  uint8_t bytes_[96];
  size_t at_ = 0;
};

size_t AttributeBytes(uint32_t version) {
  return version >= 351 ? 15 : 13;
}

StringRef ReadArenaString(Stream& s, Document& doc) {
  std::string& arena = doc.StringArena();
  const size_t at = arena.size();
  const TextEncoding encoding = s.ReadStringInto(arena);
  return {static_cast<uint32_t>(at), static_cast<uint32_t>(arena.size() - at), encoding};
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
  return Fields(s, AttributeBytes(version)).Attributes(version);
}

FDataSen ReadSen(Stream& s, uint32_t version) {
  Fields f(s, AttributeBytes(version) + 32);
  FDataSen r;
  r.attr = f.Attributes(version);
  r.start = f.Point();
  r.end = f.Point();
  return r;
}

FDataEnko ReadEnko(Stream& s, uint32_t version) {
  Fields f(s, AttributeBytes(version) + 60);
  FDataEnko r;
  r.attr = f.Attributes(version);
  r.center = f.Point();
  r.radius = f.F64();
  r.startAngle = f.F64();
  r.arcAngle = f.F64();
  r.tiltAngle = f.F64();
  r.flatness = f.F64();
  r.fullCircle = f.U32();
  return r;
}

FDataTen ReadTen(Stream& s, uint32_t version) {
  Fields f(s, AttributeBytes(version) + 20);
  FDataTen r;
  r.attr = f.Attributes(version);
  r.point = f.Point();
  r.temporary = f.U32();
  if (version >= 300 && r.attr.lineType == 100) {
    Fields mark(s, 20);
    r.hasMark = true;
    r.markCode = static_cast<int32_t>(mark.U32());
    r.markAngle = mark.F64();
    r.markScale = mark.F64();
  }
  return r;
}

FDataMoji ReadMoji(Stream& s, uint32_t version, Document& doc) {
  Fields f(s, AttributeBytes(version) + 68);
  FDataMoji r;
  r.attr = f.Attributes(version);
  r.start = f.Point();
  r.end = f.Point();
  r.textKind = f.U32();
  r.width = f.F64();
  r.height = f.F64();
  r.spacing = f.F64();
  r.angle = f.F64();
  r.fontName = ReadArenaString(s, doc);
  r.text = ReadArenaString(s, doc);
  return r;
}

namespace {
FDataDimPoint ReadDimPoint(Stream& s) {
  Fields f(s, 35);
  FDataDimPoint p;
  p.attr = f.Attributes(351);
  p.point = f.Point();
  p.value = f.U32();
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
  Fields f(s, AttributeBytes(version) + 64);
  FDataSolid r;
  r.attr = f.Attributes(version);
  r.p1 = f.Point();
  r.p2 = f.Point();
  r.p3 = f.Point();
  r.p4 = f.Point();
  if (r.attr.penColor == 10) r.rgb = s.ReadU32() & 0xFFFFFF;
  return r;
}

FDataBlock ReadBlock(Stream& s, uint32_t version) {
  Fields f(s, AttributeBytes(version) + 44);
  FDataBlock r;
  r.attr = f.Attributes(version);
  r.refPoint = f.Point();
  r.scaleX = f.F64();
  r.scaleY = f.F64();
  r.rotation = f.F64();
  r.blockNumber = f.U32();
  return r;
}

FDataList ReadList(Stream& s, uint32_t version, Document& doc) {
  Fields f(s, AttributeBytes(version) + 12);
  FDataList r;
  r.attr = f.Attributes(version);
  r.number = f.U32();
  r.referenced = f.U32();
  r.time = f.U32();
  r.name = ReadArenaString(s, doc);
  r.count = s.ReadU16();
  return r;
}

}  // namespace kestril
