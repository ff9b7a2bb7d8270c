#include "document/document.h"

#include "document/standard_tables.h"

namespace kestril {

TJwwHeader DefaultHeader() {
  TJwwHeader h;
  const StandardTables& t = kStandardTables;
  h.PenColor = t.PenColor;
  h.PenWidth = t.PenWidth;
  h.PrintPenColor = t.PrintPenColor;
  h.PrintPenWidth = t.PrintPenWidth;
  h.PrintDotRadius = t.PrintDotRadius;
  h.LinePattern = t.LinePattern;
  h.LineUnit = t.LineUnit;
  h.LinePitch = t.LinePitch;
  h.PrintLinePitch = t.PrintLinePitch;
  h.RandomWidth = t.RandomWidth;
  h.PrintRandomWidth = t.PrintRandomWidth;
  return h;
}

void EntityLists::Clear() {
  Lines.clear();
  Arcs.clear();
  Texts.clear();
  Points.clear();
  Solids.clear();
  Dimensions.clear();
  BlockInserts.clear();
  Lists.clear();
}

const BlockDefinition* Document::FindBlockDefinition(uint32_t number) const {
  auto it = definitionByNumber_.find(number);
  return it == definitionByNumber_.end() ? nullptr : &BlockDefinitions[it->second];
}

void Document::AddBlockDefinition(const FDataList& list) {
  BlockDefinition def;
  def.list = list;
  def.firstMember = static_cast<uint32_t>(MemberRecords.size());
  definitionByNumber_.try_emplace(list.number, static_cast<uint32_t>(BlockDefinitions.size()));
  BlockDefinitions.push_back(def);
}

void Document::ClearEntities() {
  ClassOrder.clear();
  TopLevel.Clear();
  BlockDefinitions.clear();
  Members.Clear();
  MemberRecords.clear();
  definitionByNumber_.clear();
  strings_.clear();
}

void Document::Reset() {
  ClearEntities();
  ObjectCount = 0;
  ShowAllLayers = false;
  DrawingExtent = DrawingExtentRecord{};
}

namespace {
bool InRange(const FDataHeader& a) {
  return a.layerGroup < kLayerGroups && a.layer < kLayers;
}
}  // namespace

bool IsVisible(const Document& doc, const FDataHeader& a) {
  if (!InRange(a)) return false;
  if (doc.ShowAllLayers) return true;
  return doc.Header.LayerState[a.layerGroup][a.layer] != 0 &&
         doc.Header.GroupState[a.layerGroup] != 0;
}

bool IsGreyed(const Document& doc, const FDataHeader& a) {
  if (!InRange(a)) return false;
  return doc.Header.LayerState[a.layerGroup][a.layer] == 1 ||
         doc.Header.GroupState[a.layerGroup] == 1;
}

}  // namespace kestril
