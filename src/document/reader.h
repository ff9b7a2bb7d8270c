// Reading the three kinds of Jw_cad data into a Document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/stream.h"
#include "document/document.h"

namespace kestril {

class SettingsStore;

enum class FileKind : uint8_t {
  None = 0,
  Jww = 1,   // "JwwData." drawing
  Jws = 2,   // "JwsData." data
  Bare = 3,  // object archive without a signature
};

inline constexpr size_t kRecognitionBytes = 157;

// The kind of data from its first 157 bytes (fewer bytes: not recognised).
FileKind RecogniseKind(std::span<const uint8_t> head);
// Reads 157 bytes at the stream's position; a short read is not recognised.
FileKind Recognise(Stream& stream);

// What the reader needs from the world outside the data: Jw_cad's own settings (for
// the file-name text variables) and the host program's folder.
struct ReaderEnvironment {
  SettingsStore* settings = nullptr;  // nullptr: title and path are left as they are
  std::string hostFolder;             // without a trailing separator
};

void ResetDocument(Document& doc);
bool ReadJwwHeader(Document& doc, Stream& stream);
bool ReadJwsHeader(Document& doc, Stream& stream);
bool ReadBareHeader(Document& doc, Stream& stream);
bool ReadArchive(Document& doc, Stream& stream, const ReaderEnvironment& env);
bool ScanArchive(Document& doc, Stream& stream, const ReaderEnvironment& env);
void ExpandBlockExtents(Document& doc);
void LoadJwCadFileName(Document& doc, const ReaderEnvironment& env);

// The whole read of recognised data, as the picture procedure runs it: the kind's
// header, the archive, and the scan for data below version 65. JWS data and bare
// archives are read with all layers shown. Answers whether the drawing was read.
bool ReadDrawing(Document& doc, Stream& stream, FileKind kind, const ReaderEnvironment& env);

}  // namespace kestril
