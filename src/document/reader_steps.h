// The steps ReadDocument takes, one by one, for the reader's own tests. Everything
// else reads through ReadDocument.
#pragma once

#include <cstdint>

#include "document/reader.h"

namespace kestril {

// How the last archive walk ended.
enum class ArchiveEnd : uint8_t {
  NotWalked,
  NullTag,      // a zero tag closes the archive
  KeepRule,     // a definition no insert can use ends the archive
  EndOfStream,  // the data ended after a whole record
  ShortRecord,  // fewer bytes left than the next record's smallest size
  ReadError,    // the data ended inside a record
};

// The reader's working state for one request.
struct ReadState {
  int64_t archiveStart = 0;
  uint32_t announcedObjects = 0;  // the header's object count; 0 after a scan
  ArchiveEnd end = ArchiveEnd::NotWalked;
  int64_t drawingEnd = 0;  // where the last record kept in the drawing ends
  // Members the last definition still expected when the walk ended.
  int64_t openDefinitionMembers = 0;
  // The header's fields ran past the end of the data or did not parse.
  bool headerUnreadable = false;
};

void ResetDocument(Document& doc);
bool ReadJwwHeader(Document& doc, Stream& stream, ReadState& state);
bool ReadJwsHeader(Document& doc, Stream& stream, ReadState& state);
bool ReadBareHeader(Document& doc, Stream& stream, ReadState& state);
bool ReadArchive(Document& doc, Stream& stream, ReadState& state, const ReaderEnvironment& env);
bool ScanArchive(Document& doc, Stream& stream, ReadState& state, const ReaderEnvironment& env);
void ExpandBlockExtents(Document& doc);
// Whether the data where the header says the archive starts can begin one: a class
// description of an entity class, or the end of an empty archive.
bool PlausibleArchiveStart(const Document& doc, Stream& stream, const ReadState& state);
void LoadFileName(Document& doc, const ReaderEnvironment& env);

// Whether what was read is the whole drawing (see ReadResult::complete).
bool IsComplete(const Document& doc, const ReadState& state);

}  // namespace kestril
