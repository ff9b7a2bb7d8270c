// The whole read of one request: recognition, the kind's header, the archive (or the
// scan for old data), the drawing's names, and whether anything was cut short.
#include <string_view>

#include "base/ascii.h"
#include "document/reader_steps.h"

namespace kestril {

std::string CutShortReason(const Document& doc) {
  if (doc.TopLevelObjects() < doc.ObjectCount) {
    return "cut short: " + std::to_string(doc.TopLevelObjects()) + " of the " +
           std::to_string(doc.ObjectCount) + " objects it announces were read";
  }
  return "cut short: block definitions it uses are missing or incomplete";
}

const char* FileKindName(FileKind kind) {
  switch (kind) {
    case FileKind::Jww:
      return "jww";
    case FileKind::Jws:
      return "jws";
    case FileKind::Bare:
      return "bare";
    case FileKind::None:
      break;
  }
  return "";
}
namespace {

// Jw_cad names a drawing by its file name without these extensions.
std::string TitleOf(std::string name) {
  for (std::string_view ext : {".JWW", ".JWC", ".DXF"}) {
    if (EndsWithNoCase(name, ext)) {
      name.resize(name.size() - ext.size());
      break;
    }
  }
  return name;
}

// Either separator: names may come from Windows hosts or POSIX ones.
size_t LastSeparator(std::string_view path) {
  return path.find_last_of("/\\");
}

void NameFromSource(Document& doc, const SourceFile& source) {
  const std::string_view path = source.path;
  const size_t sep = LastSeparator(path);
  std::string name(sep == std::string_view::npos ? path : path.substr(sep + 1));
  if (EndsWithNoCase(name, ".JWS")) name.resize(name.size() - 4);
  doc.FileTitle = TitleOf(std::move(name));
  doc.FilePath = source.path;
  doc.FileTime = source.modified;
  doc.SourceFolder = sep == std::string_view::npos ? "." : std::string(path.substr(0, sep));
  if (doc.SourceFolder.empty()) doc.SourceFolder = std::string(path.substr(0, 1));  // the root
}

// Nothing of a file read before may name this drawing, so what is unknown stays empty.
void NameFromJwCad(Document& doc, const ReaderEnvironment& env) {
  doc.FileTitle.clear();
  doc.FilePath.clear();
  doc.FileTime = 0;
  doc.SourceFolder.clear();
  if (!env.jwCadRecent) return;
  const JwCadRecentFile& recent = *env.jwCadRecent;
  if (recent.folder.empty()) {
    doc.FileTitle = "no-name";
    doc.FilePath = env.hostFolder + "\\no-name.jww";
    return;
  }
  doc.FileTitle = TitleOf(recent.file);
  doc.FilePath = recent.folder + "\\" + doc.FileTitle + ".jww";
}

// A header of a version that locates its archive, whose fields do not read through or
// whose archive does not start where it says, was misread (strings in a form not
// understood, damage): walking from there, or scanning for a class name, would draw
// made-up objects, so the data is refused. Old data is found by scanning as always.
bool Misread(Document& doc, Stream& s, const ReadState& state) {
  if (doc.Header.Version < 65) return false;
  if (state.headerUnreadable || !PlausibleArchiveStart(doc, s, state)) {
    ResetDocument(doc);
    return true;
  }
  return false;
}

bool ReadKind(Document& doc, Stream& s, FileKind kind, ReadState& state,
              const ReaderEnvironment& env) {
  bool ok = false;
  switch (kind) {
    case FileKind::None:
      return false;
    case FileKind::Jww:
      if (!ReadJwwHeader(doc, s, state)) {
        if (Misread(doc, s, state)) return false;
        return ScanArchive(doc, s, state, env);
      }
      if (Misread(doc, s, state)) return false;
      ok = ReadArchive(doc, s, state, env);
      break;
    case FileKind::Jws:
      ReadJwsHeader(doc, s, state);
      if (Misread(doc, s, state)) return false;
      doc.ShowAllLayers = true;
      ok = ReadArchive(doc, s, state, env);
      break;
    case FileKind::Bare:
      if (!ReadBareHeader(doc, s, state)) return false;
      doc.ShowAllLayers = true;
      ok = ReadArchive(doc, s, state, env);
      break;
  }
  if (doc.Header.Version < 65) ok = ScanArchive(doc, s, state, env);
  return ok;
}

template <class Inserts>
bool AllDefined(const Document& doc, const Inserts& inserts) {
  for (const FDataBlock& insert : inserts) {
    if (doc.FindBlockDefinition(insert.blockNumber) == nullptr) return false;
  }
  return true;
}

}  // namespace

void ResetDocument(Document& doc) {
  doc.Reset();
}

void LoadFileName(Document& doc, const ReaderEnvironment& env) {
  if (env.source) {
    NameFromSource(doc, *env.source);
  } else {
    NameFromJwCad(doc, env);
  }
}

bool IsComplete(const Document& doc, const ReadState& state) {
  switch (state.end) {
    case ArchiveEnd::NullTag:
    case ArchiveEnd::KeepRule:
    case ArchiveEnd::EndOfStream:
    case ArchiveEnd::ShortRecord:
      break;
    case ArchiveEnd::NotWalked:
    case ArchiveEnd::ReadError:
      return false;
  }
  // Data may end after a whole record anywhere, so the walk's end alone cannot tell a
  // cut: the objects the header announces, the members the last definition announces
  // and the definitions the inserts use must all be there.
  return doc.TopLevelObjects() >= state.announcedObjects && state.openDefinitionMembers <= 0 &&
         AllDefined(doc, doc.TopLevel.BlockInserts) && AllDefined(doc, doc.Members.BlockInserts);
}

ReadResult ReadDocument(Document& doc, Stream& stream, const ReaderEnvironment& env) {
  ReadResult r;
  stream.Seek(0);
  r.kind = Recognise(stream);
  if (r.kind == FileKind::None) return r;
  stream.Seek(0);
  ReadState state;
  r.ok = ReadKind(doc, stream, r.kind, state, env);
  r.complete = r.ok && IsComplete(doc, state);
  return r;
}

}  // namespace kestril
