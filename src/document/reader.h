// Reading the three kinds of Jw_cad data into a Document: one entry for every caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "base/stream.h"
#include "document/document.h"

namespace kestril {

enum class FileKind : uint8_t {
  None = 0,
  Jww = 1,   // "JwwData." drawing
  Jws = 2,   // "JwsData." data
  Bare = 3,  // object archive without a signature
};

// Why a drawing read as not complete is cut short, in words for its user
// ("cut short: 120 of the 300 objects it announces were read").
std::string CutShortReason(const Document& doc);

// "jww", "jws", "bare"; empty for None.
const char* FileKindName(FileKind kind);

inline constexpr size_t kRecognitionBytes = 157;

// The kind of data from its first 157 bytes (fewer bytes: not recognised).
FileKind RecogniseKind(std::span<const uint8_t> head);
// Reads 157 bytes at the stream's position; a short read is not recognised.
FileKind Recognise(Stream& stream);

// The drawing file the data was read from.
struct SourceFile {
  std::string path;      // as the caller named it
  int64_t modified = 0;  // seconds since 1970-01-01 UTC; 0 unknown
};

// Jw_cad's own record of the file it opened last ("ZFILE" and "File" in its settings).
struct JwCadRecentFile {
  std::string file;
  std::string folder;
};

// What the reader needs from the world outside the data. The host fills it in; the
// reader itself knows nothing of files, settings or sounds.
struct ReaderEnvironment {
  // The named file the data comes from; its title, path and time are the drawing's.
  // Empty for data handed over in memory.
  std::optional<SourceFile> source;
  // For data in memory: Jw_cad's last-opened file names the drawing instead. Empty
  // when Jw_cad's settings cannot be opened (the names are then left as they were).
  std::optional<JwCadRecentFile> jwCadRecent;
  std::string hostFolder;  // the host program's folder, without a trailing separator
  // Called when old data holds no archive the scan can find.
  std::function<void()> scanFoundNothing;
};

struct ReadResult {
  FileKind kind = FileKind::None;
  // Recognised and read: there is a drawing to draw, perhaps only part of it.
  bool ok = false;
  // Read and nothing missing: the archive did not end before the objects the header
  // announces and the block definitions they use.
  bool complete = false;
};

// Recognises the data from the stream's first byte and reads it into doc, which is
// rebuilt from scratch. JWS data and bare archives are read with all layers shown.
ReadResult ReadDocument(Document& doc, Stream& stream, const ReaderEnvironment& env = {});

}  // namespace kestril
