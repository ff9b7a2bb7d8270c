// Where the members of a block definition land when an insert places it. One routine
// serves the drawing's extent and the drawing itself, so both agree on every member.
#pragma once

#include <cmath>
#include <cstdint>

#include "base/plane.h"
#include "document/document.h"
#include "document/records.h"

namespace kestril {

// Inserts nest at most this deep; a definition that inserts itself stops here.
inline constexpr int kMaxBlockNesting = 32;
// Member visits allowed per walk over a drawing, so that a small file of nested
// inserts cannot ask for astronomically many placements.
inline constexpr uint64_t kMemberVisitBudget = 5'000'000;

// A member point p lands at origin + R(rotation) (p.x scaleX, p.y scaleY), R turning
// counter-clockwise like arc and text angles; nested inserts compose.
struct BlockPlacement {
  bool InBlock = false;
  // x' = m00 x + m01 y + tx,  y' = m10 x + m11 y + ty
  double m00 = 1, m01 = 0, m10 = 0, m11 = 1;
  double tx = 0, ty = 0;
  // Totals over the nested inserts, for figures that carry angles and radii.
  double BlockRotation = 0;
  double BlockScaleX = 1;
  double BlockScaleY = 1;
  uint32_t BlockNumber = 0;

  TaPoint2D Place(const TaPoint2D& p) const {
    if (!InBlock) return p;
    return {m00 * p.x + m01 * p.y + tx, m10 * p.x + m11 * p.y + ty};
  }

  // The placement of the members of `insert` when the insert itself sits here.
  BlockPlacement Then(const FDataBlock& insert) const;
};

// A scale whose magnitude is below 1e-9 counts as 1; negative scales mirror.
inline double EffectiveBlockScale(double s) {
  return std::fabs(s) < 1e-9 ? 1.0 : s;
}

struct MemberVisitBudget {
  uint64_t remaining = kMemberVisitBudget;
};

// Walks the members of the definition `insert` names, calling
//   visitor.Member(const MemberRef&, const BlockPlacement&)       for each member that
//                                                                  is not an insert or a
//                                                                  definition header, and
//   bool visitor.EnterInsert(const FDataBlock&, const BlockPlacement& where)
//                                                                for each nested insert,
//                                                                which is expanded when
//                                                                the visitor answers true.
// `outer` is the placement the insert sits in (identity for a top-level insert). An
// insert whose number names no kept definition visits nothing.
template <class Visitor>
void ForEachPlacedMember(const Document& doc, const FDataBlock& insert, const BlockPlacement& outer,
                         Visitor& visitor, MemberVisitBudget& budget, int depth = 1) {
  const BlockDefinition* def = doc.FindBlockDefinition(insert.blockNumber);
  if (def == nullptr || depth > kMaxBlockNesting) return;
  const BlockPlacement placement = outer.Then(insert);
  const uint32_t end = def->firstMember + def->memberCount;
  for (uint32_t i = def->firstMember; i < end && i < doc.MemberRecords.size(); ++i) {
    if (budget.remaining == 0) return;
    --budget.remaining;
    const MemberRef& m = doc.MemberRecords[i];
    if (m.cls == EntityClass::List) continue;
    if (m.cls == EntityClass::Block) {
      const FDataBlock& inner = doc.Members.BlockInserts[m.index];
      if (visitor.EnterInsert(inner, placement)) {
        ForEachPlacedMember(doc, inner, placement, visitor, budget, depth + 1);
      }
      continue;
    }
    visitor.Member(m, placement);
  }
}

}  // namespace kestril
