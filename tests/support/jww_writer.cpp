#include "support/jww_writer.h"

#include <cstring>

#include <map>

#include "base/stream.h"
#include "graphics/text/cp932.h"

namespace kestril::testing {

void ByteWriter::U16(uint16_t v) {
  U8(static_cast<uint8_t>(v));
  U8(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::F64(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) U8(static_cast<uint8_t>(bits >> (8 * i)));
}

void ByteWriter::String(JwStringView s, bool longForm) {
  if (s.encoding == TextEncoding::Utf16 || unicodeStrings) {
    UnicodeString(DecodeText(s), longForm);
    return;
  }
  if (longForm || s.bytes.size() >= 255) {
    U8(255);
    U16(static_cast<uint16_t>(s.bytes.size()));
  } else {
    U8(static_cast<uint8_t>(s.bytes.size()));
  }
  Bytes(s.bytes);
}

void ByteWriter::UnicodeString(std::u16string_view units, bool u32Length) {
  U8(255);
  U16(0xFFFE);
  const size_t n = units.size();
  if (n < 255 && !u32Length) {
    U8(static_cast<uint8_t>(n));
  } else if (n < 0xFFFE && !u32Length) {
    U8(255);
    U16(static_cast<uint16_t>(n));
  } else {
    U8(255);
    U16(0xFFFF);
    U32(static_cast<uint32_t>(n));
  }
  for (char16_t u : units) U16(u);
}

void ByteWriter::Count(uint32_t n, bool longForm) {
  if (longForm || n >= 0xFFFF) {
    U16(0xFFFF);
    U32(n);
  } else {
    U16(static_cast<uint16_t>(n));
  }
}

void WriteAttributes(ByteWriter& w, const FDataHeader& a, uint32_t version) {
  w.U32(a.group);
  w.U8(a.lineType);
  w.U16(a.penColor);
  if (version >= 351) w.U16(a.penWidth);
  w.U16(a.layer);
  w.U16(a.layerGroup);
  w.U16(a.flags);
}

void WriteSen(ByteWriter& w, const FDataSen& r, uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.Point(r.start);
  w.Point(r.end);
}

void WriteEnko(ByteWriter& w, const FDataEnko& r, uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.Point(r.center);
  w.F64(r.radius);
  w.F64(r.startAngle);
  w.F64(r.arcAngle);
  w.F64(r.tiltAngle);
  w.F64(r.flatness);
  w.U32(r.fullCircle);
}

void WriteTen(ByteWriter& w, const FDataTen& r, uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.Point(r.point);
  w.U32(r.temporary);
  if (version >= 300 && r.attr.lineType == 100) {
    w.U32(static_cast<uint32_t>(r.markCode));
    w.F64(r.markAngle);
    w.F64(r.markScale);
  }
}

void WriteMoji(ByteWriter& w, const FDataMoji& r, JwStringView font, JwStringView text,
               uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.Point(r.start);
  w.Point(r.end);
  w.U32(r.textKind);
  w.F64(r.width);
  w.F64(r.height);
  w.F64(r.spacing);
  w.F64(r.angle);
  w.String(font);
  w.String(text);
}

void WriteSolid(ByteWriter& w, const FDataSolid& r, uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.Point(r.p1);
  w.Point(r.p2);
  w.Point(r.p3);
  w.Point(r.p4);
  if (r.attr.penColor == 10) w.U32(r.rgb);
}

void WriteBlock(ByteWriter& w, const FDataBlock& r, uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.Point(r.refPoint);
  w.F64(r.scaleX);
  w.F64(r.scaleY);
  w.F64(r.rotation);
  w.U32(r.blockNumber);
}

void WriteList(ByteWriter& w, const FDataList& r, std::string_view name, uint32_t version) {
  WriteAttributes(w, r.attr, version);
  w.U32(r.number);
  w.U32(r.referenced);
  w.U32(r.time);
  w.String(name);
  w.U16(r.count);
}

FDataHeader Attr(uint16_t penColor, uint8_t lineType, uint16_t layer, uint16_t layerGroup) {
  FDataHeader a;
  a.penColor = penColor;
  a.lineType = lineType;
  a.layer = layer;
  a.layerGroup = layerGroup;
  return a;
}

FDataSen Line(TaPoint2D a, TaPoint2D b, FDataHeader attr) {
  return {attr, a, b};
}

FDataEnko Circle(TaPoint2D c, double r, FDataHeader attr) {
  FDataEnko e;
  e.attr = attr;
  e.center = c;
  e.radius = r;
  e.arcAngle = kTwoPi;
  e.flatness = 1;
  e.fullCircle = 1;
  return e;
}

FDataEnko ArcOf(TaPoint2D c, double r, double start, double sweep, FDataHeader attr) {
  FDataEnko e = Circle(c, r, attr);
  e.startAngle = start;
  e.arcAngle = sweep;
  e.fullCircle = 0;
  return e;
}

FDataTen Dot(TaPoint2D p, FDataHeader attr) {
  FDataTen t;
  t.attr = attr;
  t.point = p;
  return t;
}

FDataSolid Quad(TaPoint2D a, TaPoint2D b, TaPoint2D c, TaPoint2D d, FDataHeader attr) {
  FDataSolid s;
  s.attr = attr;
  s.p1 = a, s.p2 = b, s.p3 = c, s.p4 = d;
  return s;
}

FDataBlock Insert(uint32_t number, TaPoint2D at, double sx, double sy, double rotation,
                  FDataHeader attr) {
  FDataBlock b;
  b.attr = attr;
  b.refPoint = at;
  b.scaleX = sx;
  b.scaleY = sy;
  b.rotation = rotation;
  b.blockNumber = number;
  return b;
}

TextSpec Text(TaPoint2D start, TaPoint2D end, double height, JwString text, FDataHeader attr) {
  TextSpec t;
  t.rec.attr = attr;
  t.rec.start = start;
  t.rec.end = end;
  t.rec.width = height;
  t.rec.height = height;
  t.text = std::move(text);
  return t;
}

void ArchiveWriter::Tag(EntityClass c) {
  static constexpr const char* kNames[] = {"CDataSen",   "CDataEnko",   "CDataMoji",  "CDataTen",
                                           "CDataSolid", "CDataSunpou", "CDataBlock", "CDataList"};
  const int i = static_cast<int>(c);
  if (tags_[i] == 0) {
    DescribeClass(kNames[i], schema_.value_or(static_cast<uint16_t>(version_)));
    const uint32_t base = objects_ > 0x8000 ? 0x80000000u : 0x8000u;
    tags_[i] =
        static_cast<uint32_t>(base + objects_ + (classes_ - 1) + (c == EntityClass::List ? 2 : 1));
    if (c == EntityClass::List) ++classes_;
  } else if (tags_[i] <= 0xFFFE) {
    out_.U16(static_cast<uint16_t>(tags_[i]));
  } else {
    out_.U16(0x7FFF);
    out_.U32(tags_[i]);
  }
  ++objects_;
  if (!inDefinitions_) ++topLevel_;
}

void ArchiveWriter::DescribeClass(std::string_view name, uint16_t schema) {
  out_.U16(0xFFFF);
  out_.U16(schema);
  out_.U16(static_cast<uint16_t>(name.size()));
  out_.Bytes(name);
  ++classes_;
}

void ArchiveWriter::Line(const FDataSen& r) {
  Tag(EntityClass::Line);
  WriteSen(out_, r, version_);
}

void ArchiveWriter::Arc(const FDataEnko& r) {
  Tag(EntityClass::Arc);
  WriteEnko(out_, r, version_);
}

void ArchiveWriter::Point(const FDataTen& r) {
  Tag(EntityClass::Point);
  WriteTen(out_, r, version_);
}

void ArchiveWriter::Text(const TextSpec& t) {
  Tag(EntityClass::Text);
  WriteMoji(out_, t.rec, t.font, t.text, version_);
}

void ArchiveWriter::Dimension(const DimensionSpec& d) {
  Tag(EntityClass::Dimension);
  WriteAttributes(out_, d.rec.attr, version_);
  WriteSen(out_, d.rec.line, version_);
  WriteMoji(out_, d.value.rec, d.value.font, d.value.text, version_);
  if (version_ < 420 || !d.writeSxf) return;
  out_.U16(d.sxfMode);
  if (d.sxfMode >= 0x8000) return;
  WriteSen(out_, d.rec.extLine1, 351);
  WriteSen(out_, d.rec.extLine2, 351);
  for (const FDataDimPoint& p : d.rec.points) {
    WriteAttributes(out_, p.attr, 351);
    out_.Point(p.point);
    out_.U32(p.value);
  }
}

void ArchiveWriter::Solid(const FDataSolid& r) {
  Tag(EntityClass::Solid);
  WriteSolid(out_, r, version_);
}

void ArchiveWriter::Block(const FDataBlock& r) {
  Tag(EntityClass::Block);
  WriteBlock(out_, r, version_);
}

void ArchiveWriter::Definition(uint32_t number, uint16_t memberCount, std::string_view name) {
  FDataList l;
  l.attr = Attr();
  l.number = number;
  l.count = memberCount;
  Tag(EntityClass::List);
  WriteList(out_, l, name, version_);
}

void ArchiveWriter::DefinitionCount(uint16_t n) {
  out_.U16(n);
  inDefinitions_ = true;
  if (n != 0) --classes_;  // read as an object reference, which takes back one number
}

void ArchiveWriter::ObjectReference(uint16_t tag) {
  out_.U16(tag);
  --classes_;
}

TJwwHeader TestHeader(uint32_t version) {
  TJwwHeader h = DefaultHeader();
  h.Signature = "JwwData.";
  h.Version = version;
  for (auto& g : h.LayerState) g.fill(2);
  h.GroupState.fill(2);
  h.GroupScale.fill(1);
  h.CheckValue = 1;
  return h;
}

std::vector<uint8_t> JwwHeaderBytes(const TJwwHeader& h, uint32_t objectCount, bool longCount) {
  ByteWriter w;
  const uint32_t v = h.Version;
  w.Bytes(h.Signature.size() == 8 ? std::string_view(h.Signature) : std::string_view("JwwData."));
  w.U32(v);
  w.String(h.Memo);
  w.U32(h.PaperSize);
  w.U32(h.WriteGroup);
  for (int g = 0; g < kLayerGroups; ++g) {
    w.U32(h.GroupState[g]);
    w.U32(h.GroupWriteLayer[g]);
    w.F64(h.GroupScale[g]);
    if (v >= 212) w.U32(h.GroupProtect[g]);
    for (int l = 0; l < kLayers; ++l) {
      w.U32(h.LayerState[g][l]);
      if (v >= 212) w.U32(h.LayerProtect[g][l]);
    }
  }
  if (v >= 212) {
    for (uint32_t x : h.Reserved1) w.U32(x);
  }
  if (v >= 65) {
    for (double x : h.SettingsA) w.F64(x);
    if (v >= 202) {
      w.F64(h.TextMacroFactor);
      w.U32(h.SettingsB);
    }
    w.U32(h.SettingsC);
    for (double x : h.SettingsD) w.F64(x);
  }
  for (const auto& group : h.LayerName) {
    for (const auto& name : group) w.String(name);
  }
  for (const auto& name : h.GroupName) w.String(name);
  if (v >= 200) {
    w.F64(h.SettingsE[0]);
    w.F64(h.SettingsE[1]);
    w.U32(h.SettingsEFlag);
    w.F64(h.SettingsE[2]);
    if (v >= 300) {
      for (double x : h.SettingsF) w.F64(x);
    }
    w.U32(h.SettingsGFlag);
    for (double x : h.SettingsG) w.F64(x);
    const int entries = v >= 300 ? 10 : 4;
    for (int i = 0; i < entries; ++i) {
      w.F64(h.SettingsRow18[i].a);
      w.F64(h.SettingsRow18[i].b);
      w.F64(h.SettingsRow18[i].c);
      if (v >= 300) w.U32(h.SettingsRow18[i].u);
    }
    for (double x : h.SettingsH) w.F64(x);
  }
  if (v >= 201) {
    for (int i = 0; i <= 9; ++i) {
      w.U32(h.PenColor[i]);
      w.U32(h.PenWidth[i]);
    }
    for (int i = 0; i <= 9; ++i) {
      w.U32(h.PrintPenColor[i]);
      w.U32(h.PrintPenWidth[i]);
      w.F64(h.PrintDotRadius[i]);
    }
    for (int n = 2; n <= 9; ++n) {
      w.U32(h.LinePattern[n]);
      w.U32(h.LineUnit[n]);
      w.U32(h.LinePitch[n]);
      w.U32(h.PrintLinePitch[n]);
    }
    for (int n = 11; n <= 15; ++n) {
      w.U32(h.LinePattern[n]);
      w.U32(h.RandomWidth[n]);
      w.U32(h.LinePitch[n]);
      w.U32(h.PrintRandomWidth[n]);
      w.U32(h.PrintLinePitch[n]);
    }
    for (int n = 16; n <= 19; ++n) {
      w.U32(h.LinePattern[n]);
      w.U32(h.LineUnit[n]);
      w.U32(h.LinePitch[n]);
      w.U32(h.PrintLinePitch[n]);
    }
    if (v >= 217) {
      for (uint32_t x : h.DrawFlags) w.U32(x);
    }
  }
  if (v >= 223) {
    for (uint32_t x : h.ExtraFlags) w.U32(x);
    for (double x : h.ExtraValues) w.F64(x);
  }
  if (v >= 225) {
    for (double x : h.ExtraValues2) w.F64(x);
  }
  if (v >= 230) {
    for (uint32_t x : h.ExtraFlags2) w.U32(x);
  }
  if (v >= 420) {
    for (int i = 0; i < kSxfPens; ++i) {
      w.U32(h.PenColor[100 + i]);
      w.U32(h.PenWidth[100 + i]);
    }
    for (int i = 0; i < kSxfPens; ++i) {
      w.String(h.SxfColorName[i]);
      w.U32(h.PrintPenColor[100 + i]);
      w.U32(h.PrintPenWidth[100 + i]);
      w.F64(h.PrintDotRadius[100 + i]);
    }
    for (int i = 0; i < kSxfLineTypes; ++i) {
      w.U32(h.LinePattern[30 + i]);
      w.U32(h.LineUnit[30 + i]);
      w.U32(h.LinePitch[30 + i]);
      w.U32(h.PrintLinePitch[30 + i]);
    }
    for (int i = 0; i < kSxfLineTypes; ++i) {
      w.String(h.SxfLineName[i]);
      w.U32(h.SxfSegmentCount[i]);
      for (double x : h.SxfSegments[i]) w.F64(x);
    }
  }
  for (const auto& e : h.SettingsRow34) {
    w.F64(e.a);
    w.F64(e.b);
    w.F64(e.c);
    w.U32(e.u);
  }
  w.F64(h.CheckValue);
  w.F64(h.SettingsI[0]);
  w.F64(h.SettingsI[1]);
  w.U32(h.SettingsIFlags[0]);
  w.U32(h.SettingsIFlags[1]);
  w.F64(h.SettingsI[2]);
  w.F64(h.SettingsI[3]);
  if (v >= 214) {
    w.U32(h.TextOptionMode);
    for (double x : h.TextOptionA) w.F64(x);
    for (double x : h.TextOptionB) w.F64(x);
  }
  w.Count(objectCount, longCount);
  return std::move(w.bytes());
}

std::vector<uint8_t> JwsHeaderBytes(uint32_t version, uint32_t objectCount, bool longCount) {
  ByteWriter w;
  w.Bytes("JwsData.");
  w.Zeros(192);
  w.U32(version);
  w.Zeros(16);
  for (int g = 0; g < kLayerGroups; ++g) w.F64(1);
  w.Zeros(6 * 4 + 6 * 8 + 4 * 8);
  w.Count(objectCount, longCount);
  return std::move(w.bytes());
}

std::vector<uint8_t> BareHeaderBytes(uint32_t objectCount) {
  ByteWriter w;
  w.Zeros(16);
  for (int g = 0; g < kLayerGroups; ++g) w.F64(1);
  w.Count(objectCount);
  return std::move(w.bytes());
}

namespace {
std::vector<uint8_t> Join(std::vector<uint8_t> head, const std::vector<uint8_t>& body) {
  head.insert(head.end(), body.begin(), body.end());
  return head;
}
}  // namespace

std::vector<uint8_t> BuildJww(const TJwwHeader& h, ArchiveWriter& a,
                              std::optional<uint32_t> objectCount) {
  return Join(JwwHeaderBytes(h, objectCount.value_or(a.TopLevelObjects())), a.bytes());
}

std::vector<uint8_t> BuildJws(ArchiveWriter& a, std::optional<uint32_t> objectCount) {
  return Join(JwsHeaderBytes(a.version(), objectCount.value_or(a.TopLevelObjects())), a.bytes());
}

std::vector<uint8_t> BuildBare(ArchiveWriter& a, std::optional<uint32_t> objectCount) {
  return Join(BareHeaderBytes(objectCount.value_or(a.TopLevelObjects())), a.bytes());
}

JwString Utf16(std::u16string_view units) {
  return JwString::FromUtf16(units);
}

std::vector<uint8_t> WithUnicodeStrings(const std::vector<uint8_t>& drawing) {
  // The reader says where every string lies; each is read again and written anew.
  std::map<int64_t, int64_t> spans;
  MemoryStream stream = MemoryStream::View(drawing);
  stream.ObserveStrings([&](int64_t begin, int64_t end, TextEncoding) { spans[begin] = end; });
  Document doc;
  ReadDocument(doc, stream);
  ByteWriter w;
  w.unicodeStrings = true;
  int64_t at = 0;
  for (const auto& [begin, end] : spans) {
    if (begin < at) continue;  // inside a string already written (a scan's false start)
    w.Append(std::vector<uint8_t>(drawing.begin() + at, drawing.begin() + begin));
    MemoryStream one = MemoryStream::View(std::span(drawing).subspan(static_cast<size_t>(begin)));
    w.String(one.ReadString());
    at = end;
  }
  w.Append(std::vector<uint8_t>(drawing.begin() + at, drawing.end()));
  return w.bytes();
}

ReadResult ReadBytes(Document& doc, const std::vector<uint8_t>& bytes) {
  MemoryStream stream = MemoryStream::View(bytes);
  return ReadDocument(doc, stream);
}

}  // namespace kestril::testing
