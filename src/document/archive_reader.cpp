// Walking the object archive: class tags, object records, block definitions and the
// drawing's extent; the scan that finds the archive of old data; the whole read.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "base/errors.h"
#include "document/extent.h"
#include "document/placement.h"
#include "document/reader.h"
#include "document/record_reader.h"
#include "platform/settings_store.h"
#include "platform/system.h"

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

template <class Record>
void Register(Document& doc, EntityClass cls, const Record& r, std::vector<Record>& topLevel,
              std::vector<Record>& members) {
  if (doc.InBlockDefinition) {
    doc.MemberRecords.push_back({cls, static_cast<uint32_t>(members.size())});
    members.push_back(r);
    ++doc.BlockDefinitions.back().memberCount;
    return;
  }
  topLevel.push_back(r);
  doc.ClassOrder.push_back(cls);
  AddExtent(doc, r, BlockPlacement{});
}

void RegisterList(Document& doc, const FDataList& r) {
  if (doc.InBlockDefinition) {
    doc.MemberRecords.push_back(
        {EntityClass::List, static_cast<uint32_t>(doc.Members.Lists.size())});
    doc.Members.Lists.push_back(r);
    ++doc.BlockDefinitions.back().memberCount;
    return;
  }
  // Definitions past the largest block number any insert names end the archive.
  if (r.number > doc.LargestBlockNumber) {
    doc.StopReading = true;
    return;
  }
  doc.AddBlockDefinition(r);
  doc.ClassOrder.push_back(EntityClass::List);
  doc.BlockRemaining = static_cast<int32_t>(r.count) + 1;
  doc.InBlockDefinition = true;
}

// Reads one record of the class and registers it (the ReadFrom of each class).
void ReadFrom(Document& doc, Stream& s, EntityClass cls) {
  doc.EndOfData = false;
  if (s.Remaining() <= static_cast<int64_t>(MinimumRecordBytes(cls))) {
    doc.EndOfData = true;
    return;
  }
  const uint32_t v = doc.Header.Version;
  EntityLists& top = doc.TopLevel;
  EntityLists& mem = doc.Members;
  switch (cls) {
    case EntityClass::Line:
      Register(doc, cls, ReadSen(s, v), top.Lines, mem.Lines);
      break;
    case EntityClass::Arc:
      Register(doc, cls, ReadEnko(s, v), top.Arcs, mem.Arcs);
      break;
    case EntityClass::Text:
      Register(doc, cls, ReadMoji(s, v, doc), top.Texts, mem.Texts);
      break;
    case EntityClass::Point:
      Register(doc, cls, ReadTen(s, v), top.Points, mem.Points);
      break;
    case EntityClass::Solid:
      Register(doc, cls, ReadSolid(s, v), top.Solids, mem.Solids);
      break;
    case EntityClass::Dimension:
      Register(doc, cls, ReadSunpou(s, v, doc), top.Dimensions, mem.Dimensions);
      break;
    case EntityClass::Block: {
      const FDataBlock r = ReadBlock(s, v);
      if (!doc.InBlockDefinition)
        doc.LargestBlockNumber = std::max(doc.LargestBlockNumber, r.blockNumber);
      Register(doc, cls, r, top.BlockInserts, mem.BlockInserts);
      break;
    }
    case EntityClass::List:
      RegisterList(doc, ReadList(s, v, doc));
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

void WalkArchive(Document& doc, Stream& s) {
  ClassTags tags;
  int current = kNoClass;
  s.Seek(doc.ArchiveStart);
  // Lines are most of what drawings hold: room for as many as the header counts (no
  // more than the data could hold) saves growing the largest list step by step.
  const uint64_t fit = static_cast<uint64_t>(s.Remaining()) / (2 + MinimumRecordBytes(EntityClass::Line));
  const size_t expected = static_cast<size_t>(std::min<uint64_t>(doc.ObjectCount, fit));
  doc.ClassOrder.reserve(expected);
  doc.TopLevel.Lines.reserve(expected);
  for (;;) {
    uint32_t t = s.ReadU16();
    if (t == 0xFFFF) {
      const uint16_t schema = s.ReadU16();
      if (doc.Header.Version == 0) doc.Header.Version = schema;
      const size_t length = s.ReadU16() & 0xFF;
      char name[256];
      s.ReadBuffer(name, length);
      if (tags.objects > 0x8000) tags.base = 0x80000000u;
      if (const int c = ClassOfName({name, length}); c != kNoClass) {
        current = c;
        tags.Describe(static_cast<EntityClass>(c));
      }
      ++tags.classes;
    } else if (t == 0) {
      return;
    } else if (t < 0x7FFF) {
      doc.LastReference = t;
      current = kNoClass;
      --tags.classes;
    } else {
      if (t == 0x7FFF) t = s.ReadU32();
      current = tags.Find(t);
    }
    if (current != kNoClass) {
      ++tags.objects;
      ReadFrom(doc, s, static_cast<EntityClass>(current));
    }
    if (doc.InBlockDefinition && --doc.BlockRemaining <= 0) doc.InBlockDefinition = false;
    if (doc.StopReading || doc.EndOfData || s.Position() >= s.Size()) return;
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

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  const std::string_view tail = s.substr(s.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(tail[i])) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

void ExpandBlockExtents(Document& doc) {
  ExtentVisitor visitor{doc};
  MemberVisitBudget budget;
  for (const FDataBlock& insert : doc.TopLevel.BlockInserts) {
    if (!IsVisible(doc, insert.attr)) continue;
    ForEachPlacedMember(doc, insert, BlockPlacement{}, visitor, budget);
  }
}

void LoadJwCadFileName(Document& doc, const ReaderEnvironment& env) {
  if (env.settings == nullptr) return;
  auto key = env.settings->OpenKey("Software\\Jw_cad\\jw_win\\Folder", false);
  if (!key) return;
  const std::string file = key->ReadString("ZFILE").value_or("");
  const std::string folder = key->ReadString("File").value_or("");
  if (folder.empty()) {
    doc.FileTitle = "no-name";
    doc.FilePath = env.hostFolder + "\\no-name.jww";
    return;
  }
  std::string title = file;
  for (std::string_view ext : {".JWW", ".JWC", ".DXF"}) {
    if (EndsWithNoCase(title, ext)) {
      title.resize(title.size() - ext.size());
      break;
    }
  }
  doc.FileTitle = title;
  doc.FilePath = folder + "\\" + title + ".jww";
}

bool ReadArchive(Document& doc, Stream& s, const ReaderEnvironment& env) {
  LoadJwCadFileName(doc, env);
  doc.ClearEntities();
  DrawingExtentRecord& e = doc.DrawingExtent;
  e = DrawingExtentRecord{};
  e.MinX = e.MinY = 1e99;
  e.MaxX = e.MaxY = -1e99;
  try {
    WalkArchive(doc, s);
    if (doc.BlockInsertCount() > 0) ExpandBlockExtents(doc);
  } catch (const EReadError&) {
    return false;
  }
  doc.InBlockDefinition = false;
  e.SizeX = e.MaxX - e.MinX;
  e.SizeY = e.MaxY - e.MinY;
  e.CentreX = e.MinX + e.SizeX / 2;
  e.CentreY = e.MinY + e.SizeY / 2;
  e.Aspect = std::fabs(e.SizeY) < 1e-12 ? std::fabs(e.SizeX) : std::fabs(e.SizeX / e.SizeY);
  return true;
}

bool ScanArchive(Document& doc, Stream& s, const ReaderEnvironment& env) {
  ResetDocument(doc);
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
    DefaultBeep();
    return false;
  }
  doc.ArchiveStart = s.Position();
  doc.ShowAllLayers = true;
  const bool ok = ReadArchive(doc, s, env);
  if (doc.ObjectCount == 0 || doc.ObjectCount > doc.TotalObjects()) {
    doc.ObjectCount = doc.TotalObjects();
  }
  return ok && (doc.LineCount() || doc.ArcCount() || doc.TextCount() || doc.PointCount());
}

bool ReadDrawing(Document& doc, Stream& s, FileKind kind, const ReaderEnvironment& env) {
  bool ok = false;
  switch (kind) {
    case FileKind::None:
      return false;
    case FileKind::Jww:
      if (!ReadJwwHeader(doc, s)) return ScanArchive(doc, s, env);
      ok = ReadArchive(doc, s, env);
      break;
    case FileKind::Jws:
      ReadJwsHeader(doc, s);
      doc.ShowAllLayers = true;
      ok = ReadArchive(doc, s, env);
      break;
    case FileKind::Bare:
      if (!ReadBareHeader(doc, s)) return false;
      doc.ShowAllLayers = true;
      ok = ReadArchive(doc, s, env);
      break;
  }
  if (doc.Header.Version < 65) ok = ScanArchive(doc, s, env);
  return ok;
}

}  // namespace kestril
