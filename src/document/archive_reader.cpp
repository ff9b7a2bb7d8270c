// Walking the object archive: class tags, object records, block definitions and the
// drawing's extent; the scan that finds the archive of old data.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "base/errors.h"
#include "document/extent.h"
#include "document/placement.h"
#include "document/reader_steps.h"
#include "document/record_reader.h"

namespace kestril {
namespace {

constexpr std::string_view kClassNames[kEntityClassCount] = {
    "CDataSen", "CDataEnk", "CDataMoj", "CDataTen", "CDataSol", "CDataSun", "CDataBlo", "CDataLis",
};
// The same classes in the order their names are matched.
constexpr EntityClass kMatchOrder[kEntityClassCount] = {
    EntityClass::Line,  EntityClass::Arc,       EntityClass::Text,  EntityClass::Point,
    EntityClass::Solid, EntityClass::Dimension, EntityClass::Block, EntityClass::List,
};

// A class index, or kNoClass.
constexpr int kNoClass = -1;

int ClassOfName(std::string_view name) {
  for (EntityClass c : kMatchOrder) {
    const int i = static_cast<int>(c);
    if (name.find(kClassNames[i]) != std::string_view::npos) return i;
  }
  return kNoClass;
}

// One walk over the object archive: the parser's state lives here and nowhere else.
class ArchiveWalker {
 public:
  ArchiveWalker(Document& doc, Stream& s, ReadState& state) : doc_(doc), s_(s), state_(state) {}

  void Walk();

 private:
  template <class Record>
  void Register(EntityClass cls, const Record& r, std::vector<Record>& topLevel,
                std::vector<Record>& members);
  void RegisterList(const FDataList& r);
  void ReadFrom(EntityClass cls);

  Document& doc_;
  Stream& s_;
  ReadState& state_;
  bool inBlockDefinition_ = false;
  int64_t blockRemaining_ = 0;
  bool stopReading_ = false;
  bool endOfData_ = false;
  uint32_t largestBlockNumber_ = 0;
};

template <class Record>
void ArchiveWalker::Register(EntityClass cls, const Record& r, std::vector<Record>& topLevel,
                             std::vector<Record>& members) {
  if (inBlockDefinition_) {
    doc_.MemberRecords.push_back({cls, static_cast<uint32_t>(members.size())});
    members.push_back(r);
    ++doc_.BlockDefinitions.back().memberCount;
    return;
  }
  topLevel.push_back(r);
  doc_.ClassOrder.push_back(cls);
  AddExtent(doc_, r, BlockPlacement{});
}

void ArchiveWalker::RegisterList(const FDataList& r) {
  if (inBlockDefinition_) {
    doc_.MemberRecords.push_back(
        {EntityClass::List, static_cast<uint32_t>(doc_.Members.Lists.size())});
    doc_.Members.Lists.push_back(r);
    ++doc_.BlockDefinitions.back().memberCount;
    return;
  }
  // Definitions past the largest block number any insert names end the archive.
  if (r.number > largestBlockNumber_) {
    stopReading_ = true;
    return;
  }
  doc_.AddBlockDefinition(r);
  doc_.ClassOrder.push_back(EntityClass::List);
  blockRemaining_ = static_cast<int64_t>(r.count) + 1;
  inBlockDefinition_ = true;
}

// Reads one record of the class and registers it (the ReadFrom of each class).
void ArchiveWalker::ReadFrom(EntityClass cls) {
  endOfData_ = false;
  if (s_.Remaining() <= static_cast<int64_t>(MinimumRecordBytes(cls))) {
    endOfData_ = true;
    return;
  }
  const uint32_t v = doc_.Header.Version;
  EntityLists& top = doc_.TopLevel;
  EntityLists& mem = doc_.Members;
  switch (cls) {
    case EntityClass::Line:
      Register(cls, ReadSen(s_, v), top.Lines, mem.Lines);
      break;
    case EntityClass::Arc:
      Register(cls, ReadEnko(s_, v), top.Arcs, mem.Arcs);
      break;
    case EntityClass::Text:
      Register(cls, ReadMoji(s_, v, doc_), top.Texts, mem.Texts);
      break;
    case EntityClass::Point:
      Register(cls, ReadTen(s_, v), top.Points, mem.Points);
      break;
    case EntityClass::Solid:
      Register(cls, ReadSolid(s_, v), top.Solids, mem.Solids);
      break;
    case EntityClass::Dimension:
      Register(cls, ReadSunpou(s_, v, doc_), top.Dimensions, mem.Dimensions);
      break;
    case EntityClass::Block: {
      const FDataBlock r = ReadBlock(s_, v);
      if (!inBlockDefinition_) largestBlockNumber_ = std::max(largestBlockNumber_, r.blockNumber);
      Register(cls, r, top.BlockInserts, mem.BlockInserts);
      break;
    }
    case EntityClass::List:
      RegisterList(ReadList(s_, v, doc_));
      break;
  }
}

// Tags and counters of the archive's class numbering: objects and class descriptions
// share one numbering that starts at 1.
struct ClassTags {
  uint32_t tag[kEntityClassCount] = {};
  int64_t objects = 0;
  int64_t classes = 0;
  uint32_t base = 0x8000;

  void Describe(EntityClass c) {
    const int64_t extra = c == EntityClass::List ? 2 : 1;
    tag[static_cast<int>(c)] = static_cast<uint32_t>(base + objects + classes + extra);
    if (c == EntityClass::List) ++classes;
  }
  int Find(uint32_t t) const {
    for (EntityClass c : kMatchOrder) {
      if (tag[static_cast<int>(c)] == t) return static_cast<int>(c);
    }
    return kNoClass;
  }
};

void ArchiveWalker::Walk() {
  ClassTags tags;
  int current = kNoClass;
  s_.Seek(state_.archiveStart);
  // Lines are most of what drawings hold: room for as many as the header counts (no
  // more than the data could hold) saves growing the largest list step by step.
  const uint64_t fit =
      static_cast<uint64_t>(s_.Remaining()) / (2 + MinimumRecordBytes(EntityClass::Line));
  const size_t expected = static_cast<size_t>(std::min<uint64_t>(doc_.ObjectCount, fit));
  doc_.ClassOrder.reserve(expected);
  doc_.TopLevel.Lines.reserve(expected);
  // Whatever ends the walk, the state says what a definition still expected.
  struct Finish {
    ArchiveWalker& w;
    ~Finish() { w.state_.openDefinitionMembers = w.inBlockDefinition_ ? w.blockRemaining_ : 0; }
  } finish{*this};
  state_.end = ArchiveEnd::ReadError;  // until the walk ends by a rule
  for (;;) {
    uint32_t t = s_.ReadU16();
    if (t == 0xFFFF) {
      const uint16_t schema = s_.ReadU16();
      if (doc_.Header.Version == 0) doc_.Header.Version = schema;
      const size_t length = s_.ReadU16() & 0xFF;
      char name[256];
      s_.ReadBuffer(name, length);
      if (tags.objects > 0x8000) tags.base = 0x80000000u;
      if (const int c = ClassOfName({name, length}); c != kNoClass) {
        current = c;
        tags.Describe(static_cast<EntityClass>(c));
      }
      ++tags.classes;
    } else if (t == 0) {
      state_.end = ArchiveEnd::NullTag;
      return;
    } else if (t < 0x7FFF) {
      current = kNoClass;  // an object reference reads nothing
      --tags.classes;
    } else {
      if (t == 0x7FFF) t = s_.ReadU32();
      current = tags.Find(t);
    }
    if (current != kNoClass) {
      ++tags.objects;
      ReadFrom(static_cast<EntityClass>(current));
      if (!endOfData_ && !stopReading_) state_.drawingEnd = s_.Position();
    }
    // A record too short to read is missing, not a member read.
    if (endOfData_) {
      state_.end = ArchiveEnd::ShortRecord;
      return;
    }
    if (inBlockDefinition_ && --blockRemaining_ <= 0) inBlockDefinition_ = false;
    if (stopReading_) {
      state_.end = ArchiveEnd::KeepRule;
      return;
    }
    if (s_.Position() >= s_.Size()) {
      state_.end = ArchiveEnd::EndOfStream;
      return;
    }
  }
}

// Grows the extent by the members of one insert's definition, nested inserts and all.
struct ExtentVisitor {
  Document& doc;
  void Member(const MemberRef& m, const BlockPlacement& at) {
    const EntityLists& l = doc.Members;
    switch (m.cls) {
      case EntityClass::Line:
        AddExtent(doc, l.Lines[m.index], at);
        break;
      case EntityClass::Arc:
        AddExtent(doc, l.Arcs[m.index], at);
        break;
      case EntityClass::Text:
        AddExtent(doc, l.Texts[m.index], at);
        break;
      case EntityClass::Point:
        AddExtent(doc, l.Points[m.index], at);
        break;
      case EntityClass::Solid:
        AddExtent(doc, l.Solids[m.index], at);
        break;
      case EntityClass::Dimension:
        AddExtent(doc, l.Dimensions[m.index], at);
        break;
      case EntityClass::Block:
      case EntityClass::List:
        break;
    }
  }
  bool EnterInsert(const FDataBlock& insert, const BlockPlacement& at) {
    AddExtent(doc, insert, at);
    return IsVisible(doc, insert.attr);
  }
};

}  // namespace

void ExpandBlockExtents(Document& doc) {
  ExtentVisitor visitor{doc};
  MemberVisitBudget budget;
  for (const FDataBlock& insert : doc.TopLevel.BlockInserts) {
    if (!IsVisible(doc, insert.attr)) continue;
    ForEachPlacedMember(doc, insert, BlockPlacement{}, visitor, budget);
  }
}

bool ReadArchive(Document& doc, Stream& s, ReadState& state, const ReaderEnvironment& env) {
  LoadFileName(doc, env);
  doc.ClearEntities();
  DrawingExtentRecord& e = doc.DrawingExtent;
  e = DrawingExtentRecord{};
  try {
    ArchiveWalker(doc, s, state).Walk();
    if (doc.BlockInsertCount() > 0) ExpandBlockExtents(doc);
  } catch (const EReadError&) {
    return false;
  }
  e.SizeX = e.MaxX - e.MinX;
  e.SizeY = e.MaxY - e.MinY;
  e.CentreX = e.MinX + e.SizeX / 2;
  e.CentreY = e.MinY + e.SizeY / 2;
  e.Aspect = std::fabs(e.SizeY) < 1e-12 ? std::fabs(e.SizeX) : std::fabs(e.SizeX / e.SizeY);
  return true;
}

bool ScanArchive(Document& doc, Stream& s, ReadState& state, const ReaderEnvironment& env) {
  ResetDocument(doc);
  state = ReadState{};
  static constexpr std::string_view kNames[] = {"DataSen", "DataEnk", "DataMoj", "DataTen",
                                                "DataSol", "DataSun", "DataLis", "DataBlo"};
  try {
    s.Seek(0);
    for (;;) {
      if (s.ReadU8() == 'C') {
        char next[7];
        s.ReadBuffer(next, sizeof next);
        const std::string_view got(next, sizeof next);
        if (std::find(std::begin(kNames), std::end(kNames), got) != std::end(kNames)) {
          s.Seek(s.Position() - 14);  // back to the new-class tag before the name
          break;
        }
      }
      if (s.Position() >= s.Size() - 1) break;
    }
  } catch (const EReadError&) {
    if (env.scanFoundNothing) env.scanFoundNothing();
    return false;
  }
  state.archiveStart = s.Position();
  doc.ShowAllLayers = true;
  const bool ok = ReadArchive(doc, s, state, env);
  if (doc.ObjectCount == 0 || doc.ObjectCount > doc.TotalObjects()) {
    doc.ObjectCount = doc.TotalObjects();
  }
  return ok && (doc.LineCount() || doc.ArcCount() || doc.TextCount() || doc.PointCount());
}

}  // namespace kestril
