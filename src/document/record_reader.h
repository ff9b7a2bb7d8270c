// Reading one entity record of each class, for every file version: the attributes
// take 15 bytes from version 351 on and 13 before (no pen width).
#pragma once

#include <cstdint>

#include "base/stream.h"
#include "document/document.h"
#include "document/records.h"

namespace kestril {

// A record is read only when more than this many bytes remain; otherwise the
// archive has ended.
uint32_t MinimumRecordBytes(EntityClass c);

FDataHeader ReadAttributes(Stream& s, uint32_t version);
FDataSen ReadSen(Stream& s, uint32_t version);
FDataEnko ReadEnko(Stream& s, uint32_t version);
FDataTen ReadTen(Stream& s, uint32_t version);
// Texts go to the document's string arena.
FDataMoji ReadMoji(Stream& s, uint32_t version, Document& doc);
FDataSunpou ReadSunpou(Stream& s, uint32_t version, Document& doc);
FDataSolid ReadSolid(Stream& s, uint32_t version);
FDataBlock ReadBlock(Stream& s, uint32_t version);
FDataList ReadList(Stream& s, uint32_t version, Document& doc);

}  // namespace kestril
