// Builds JWW drawings, JWS data and bare archives of any version from code, so every
// version gate and damaged-data case can be tested with bytes we can read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/header.h"
#include "document/reader.h"
#include "document/records.h"

namespace kestril::testing {

class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void F64(double v);
  void Bytes(std::string_view s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
  void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  void Point(const TaPoint2D& p) {
    F64(p.x);
    F64(p.y);
  }
  // A length byte, or 255 and a u16 length when the text is 255 bytes or longer
  // (or when forced). A UTF-16 string, or any string once unicodeStrings is set (code
  // page 932 bytes are decoded first), is written as an MFC Unicode string.
  void String(JwStringView s, bool longForm = false);
  void String(std::string_view s, bool longForm = false) { String(JwStringView{s}, longForm); }
  void String(const char* s) { String(std::string_view(s)); }
  // An MFC Unicode string: 255, 0xFFFE, then the length in code units as a byte, or 255
  // and a u16, or 255, 0xFFFF and a u32 (the shortest that fits, or the u32 form when
  // forced), then the units.
  void UnicodeString(std::u16string_view units, bool u32Length = false);
  bool unicodeStrings = false;
  // A u16 count, or 0xFFFF and a u32 when it does not fit (or when forced).
  void Count(uint32_t n, bool longForm = false);

  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }
  void Append(const std::vector<uint8_t>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
  }

 private:
  std::vector<uint8_t> bytes_;
};

// The records of one entity class as the file holds them, for a given version.
void WriteAttributes(ByteWriter& w, const FDataHeader& a, uint32_t version);
void WriteSen(ByteWriter& w, const FDataSen& r, uint32_t version);
void WriteEnko(ByteWriter& w, const FDataEnko& r, uint32_t version);
void WriteTen(ByteWriter& w, const FDataTen& r, uint32_t version);
void WriteMoji(ByteWriter& w, const FDataMoji& r, JwStringView font, JwStringView text,
               uint32_t version);
void WriteSolid(ByteWriter& w, const FDataSolid& r, uint32_t version);
void WriteBlock(ByteWriter& w, const FDataBlock& r, uint32_t version);
void WriteList(ByteWriter& w, const FDataList& r, std::string_view name, uint32_t version);

// Handy records. Attributes default to layer 0, group 0, colour 1, line type 1.
FDataHeader Attr(uint16_t penColor = 1, uint8_t lineType = 1, uint16_t layer = 0,
                 uint16_t layerGroup = 0);
FDataSen Line(TaPoint2D a, TaPoint2D b, FDataHeader attr = Attr());
FDataEnko Circle(TaPoint2D c, double r, FDataHeader attr = Attr());
FDataEnko ArcOf(TaPoint2D c, double r, double start, double sweep, FDataHeader attr = Attr());
FDataTen Dot(TaPoint2D p, FDataHeader attr = Attr());
FDataSolid Quad(TaPoint2D a, TaPoint2D b, TaPoint2D c, TaPoint2D d, FDataHeader attr = Attr());
FDataBlock Insert(uint32_t number, TaPoint2D at, double sx = 1, double sy = 1, double rotation = 0,
                  FDataHeader attr = Attr());

struct TextSpec {
  FDataMoji rec;
  JwString font = "MS Gothic";
  JwString text;
};
TextSpec Text(TaPoint2D start, TaPoint2D end, double height, JwString text,
              FDataHeader attr = Attr());

// A UTF-16 string as a Unicode build of Jw_cad stores it.
JwString Utf16(std::u16string_view units);

// The drawing with every string turned into the MFC Unicode form, as a Unicode build of
// Jw_cad would save it; everything else byte for byte as it was.
std::vector<uint8_t> WithUnicodeStrings(const std::vector<uint8_t>& drawing);

struct DimensionSpec {
  FDataSunpou rec;
  TextSpec value;
  // From version 420 Jw_cad writes an SXF mode and its tail (extension lines and foot
  // points); without it the next object's class reference follows the text directly.
  bool writeSxf = true;
  uint16_t sxfMode = 0;
};

// Writes the object archive: class descriptions the first time a class appears and
// class references after, numbered as Jw_cad numbers them.
class ArchiveWriter {
 public:
  explicit ArchiveWriter(uint32_t version) : version_(version) {}

  void Line(const FDataSen& r);
  void Arc(const FDataEnko& r);
  void Point(const FDataTen& r);
  void Text(const TextSpec& t);
  void Dimension(const DimensionSpec& d);
  void Solid(const FDataSolid& r);
  void Block(const FDataBlock& r);
  // A definition header: number and member count; the members follow as ordinary calls.
  void Definition(uint32_t number, uint16_t memberCount, std::string_view name = "blk");
  // The count of definitions that stands between the top level and the definitions.
  void DefinitionCount(uint16_t n);
  // A reference to an object already written (a u16 tag below 0x7FFF).
  void ObjectReference(uint16_t tag);
  // The null tag that ends the archive.
  void End() { out_.U16(0); }

  // Raw bytes inside the archive (damage, unknown classes).
  ByteWriter& raw() { return out_; }
  // Describes a class under an arbitrary name; its objects are then written raw.
  void DescribeClass(std::string_view name, uint16_t schema);

  uint32_t TopLevelObjects() const { return topLevel_; }
  uint32_t ClassTag(EntityClass c) const { return tags_[static_cast<int>(c)]; }
  std::vector<uint8_t>& bytes() { return out_.bytes(); }
  uint32_t version() const { return version_; }
  // Every string written from now on in the MFC Unicode form.
  void UnicodeStrings() { out_.unicodeStrings = true; }
  // Schema number written in class descriptions (default: the version).
  void SetSchema(uint16_t schema) { schema_ = schema; }

 private:
  void Tag(EntityClass c);

  uint32_t version_;
  std::optional<uint16_t> schema_;
  ByteWriter out_;
  uint32_t tags_[kEntityClassCount] = {};
  int64_t objects_ = 0;
  int64_t classes_ = 0;
  uint32_t topLevel_ = 0;
  bool inDefinitions_ = false;
};

// A header for test drawings: standard tables, every layer and group shown,
// group scales 1, CheckValue 1.
TJwwHeader TestHeader(uint32_t version = 700);

// The JWW header bytes for h (its Version decides the fields), object count included.
std::vector<uint8_t> JwwHeaderBytes(const TJwwHeader& h, uint32_t objectCount,
                                    bool longCount = false);
std::vector<uint8_t> JwsHeaderBytes(uint32_t version, uint32_t objectCount, bool longCount = false);
std::vector<uint8_t> BareHeaderBytes(uint32_t objectCount);

// Whole files: header, then the archive. The object count defaults to the number of
// top-level objects written.
std::vector<uint8_t> BuildJww(const TJwwHeader& h, ArchiveWriter& a,
                              std::optional<uint32_t> objectCount = std::nullopt);
std::vector<uint8_t> BuildJws(ArchiveWriter& a, std::optional<uint32_t> objectCount = std::nullopt);
std::vector<uint8_t> BuildBare(ArchiveWriter& a,
                               std::optional<uint32_t> objectCount = std::nullopt);

// Reads bytes into the document, as the picture procedure does.
ReadResult ReadBytes(Document& doc, const std::vector<uint8_t>& bytes);

}  // namespace kestril::testing
