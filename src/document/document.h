// The in-memory drawing: header, per-class entity lists in file order, the class of
// every top-level entity, block definitions with their members, and the extent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/header.h"
#include "document/records.h"

namespace kestril {

// Starts empty: minima above and maxima below every point, so the first point sets both.
struct DrawingExtentRecord {
  double MinX = 1e99;
  double MinY = 1e99;
  double MaxX = -1e99;
  double MaxY = -1e99;
  double SizeX = 0;
  double SizeY = 0;
  double CentreX = 0;
  double CentreY = 0;
  double Aspect = 1;

  void Add(const TaPoint2D& p) {
    if (p.x < MinX) MinX = p.x;
    if (p.y < MinY) MinY = p.y;
    if (p.x > MaxX) MaxX = p.x;
    if (p.y > MaxY) MaxY = p.y;
  }
};

// Records of every class, in file order per class.
struct EntityLists {
  std::vector<FDataSen> Lines;
  std::vector<FDataEnko> Arcs;
  std::vector<FDataMoji> Texts;
  std::vector<FDataTen> Points;
  std::vector<FDataSolid> Solids;
  std::vector<FDataSunpou> Dimensions;
  std::vector<FDataBlock> BlockInserts;
  std::vector<FDataList> Lists;  // definition headers met inside a definition

  void Clear();
};

// One member of a block definition: its class and its index in Document::Members.
struct MemberRef {
  EntityClass cls;
  uint32_t index;
};

struct BlockDefinition {
  FDataList list;
  uint32_t firstMember = 0;  // into Document::MemberRecords
  uint32_t memberCount = 0;  // members actually read
};

class Document {
 public:
  TJwwHeader Header;

  // Top-level entities. Definition headers are kept in BlockDefinitions and also
  // appear, at the end, in ClassOrder.
  std::vector<EntityClass> ClassOrder;
  EntityLists TopLevel;
  std::vector<BlockDefinition> BlockDefinitions;

  // Every record inside some definition, all definitions one after another.
  EntityLists Members;
  std::vector<MemberRef> MemberRecords;

  uint32_t ObjectCount = 0;    // the header's count of top-level entities
  bool ShowAllLayers = false;  // layer and group states are ignored

  DrawingExtentRecord DrawingExtent;

  // File title and path for the text variables: the drawing file's own when the
  // picture is made from a named file, else Jw_cad's last-opened file.
  std::string FileTitle;
  std::string FilePath;
  // The drawing file's modification time in seconds since 1970-01-01 UTC; 0 unknown.
  int64_t FileTime = 0;
  // The folder holding the drawing file (referenced images are looked up there too);
  // empty when the drawing came from memory.
  std::string SourceFolder;

  uint32_t LineCount() const { return Count(TopLevel.Lines); }
  uint32_t ArcCount() const { return Count(TopLevel.Arcs); }
  uint32_t TextCount() const { return Count(TopLevel.Texts); }
  uint32_t PointCount() const { return Count(TopLevel.Points); }
  uint32_t SolidCount() const { return Count(TopLevel.Solids); }
  uint32_t DimensionCount() const { return Count(TopLevel.Dimensions); }
  uint32_t BlockInsertCount() const { return Count(TopLevel.BlockInserts); }
  uint32_t BlockDefinitionCount() const { return Count(BlockDefinitions); }
  uint32_t TotalObjects() const { return Count(ClassOrder); }
  // Top-level entities read, definition headers not counted.
  uint32_t TopLevelObjects() const { return TotalObjects() - BlockDefinitionCount(); }

  // A text field as stored.
  JwStringView Text(StringRef s) const {
    return {std::string_view(strings_).substr(s.offset, s.length), s.encoding};
  }
  // Appends a string read from the file to the arena.
  std::string& StringArena() { return strings_; }

  // The first kept definition in file order with this number, or nullptr.
  const BlockDefinition* FindBlockDefinition(uint32_t number) const;
  void AddBlockDefinition(const FDataList& list);

  // Empties the entity lists, definitions and counts.
  void ClearEntities();
  // ClearEntities, and the object count, the extent and the all-layers flag; the
  // header stays.
  void Reset();

 private:
  template <class V>
  static uint32_t Count(const V& v) {
    return static_cast<uint32_t>(v.size());
  }

  std::string strings_;
  std::unordered_map<uint32_t, uint32_t> definitionByNumber_;
};

// Whether an entity on this layer is shown: its layer and its group are not hidden,
// or all layers are shown. A layer or group outside 0..15 is hidden.
bool IsVisible(const Document& doc, const FDataHeader& attr);

// Whether the entity's layer or group is shown greyed (state exactly 1).
bool IsGreyed(const Document& doc, const FDataHeader& attr);

}  // namespace kestril
