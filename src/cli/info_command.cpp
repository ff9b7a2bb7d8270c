// `kestril info FILE... [--json]`: what the reader makes of each file.
#include <cstdio>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/commands.h"
#include "cli/drawing_source.h"
#include "cli/json.h"
#include "document/reader.h"
#include "platform/file_stream.h"

namespace kestril::cli {
namespace {

constexpr const char* kInfoUsage =
    "usage: kestril info FILE... [--json]\n"
    "\n"
    "Reads each Jw_cad file (JWW drawing, JWS data or bare object archive) the way\n"
    "the picture is made and reports its kind, version, object counts, block\n"
    "definitions and extent.\n"
    "\n"
    "  --json   one JSON object per line: file, kind, version, object_count,\n"
    "           read_ok, complete, objects_read, counts, members, extent\n"
    "  --strict a drawing that was cut short (read, but not complete) counts as\n"
    "           a failure\n"
    "\n"
    "A drawing is complete when its data did not end before the objects its header\n"
    "announces and the block definitions they use; what was read of a drawing that\n"
    "is not complete is still reported (and drawn by the plug-in and by render).\n"
    "\n"
    "Exit status: 0 when every file was recognised and read, 1 when any was not\n"
    "(with --strict: or was not complete), 2 on a usage error.\n";

struct FileReport {
  std::string file;
  FileKind kind = FileKind::None;
  bool opened = false;
  bool readOk = false;
  bool complete = false;
  std::string error;
  Document doc;
};

void ReadOne(FileReport& r) {
  try {
    auto stream = OpenFileStream(r.file);
    r.opened = true;
    const ReadResult read = ReadDocument(r.doc, *stream, SourceEnvironment(r.file));
    r.kind = read.kind;
    r.readOk = read.ok;
    r.complete = read.complete;
    if (r.kind == FileKind::None) {
      r.error = "not a Jw_cad drawing (no JWW, JWS or archive signature)";
    } else if (!r.readOk) {
      r.error = "the drawing could not be read (damaged or cut short)";
    }
  } catch (const std::bad_alloc&) {
    r.error = "out of memory";
  } catch (const std::exception& e) {
    r.error = e.what();
  }
}

void PrintJson(const FileReport& r) {
  const Document& d = r.doc;
  const bool known = r.kind != FileKind::None;
  // Values of a drawing that was not read are placeholders, not facts: null.
  const bool read = r.readOk;
  std::string out = "{\"file\":" + JsonString(r.file);
  out += ",\"kind\":";
  out += known ? JsonString(FileKindName(r.kind)) : "null";
  out += ",\"version\":" + (read ? std::to_string(d.Header.Version) : std::string("null"));
  out += ",\"object_count\":" + (read ? std::to_string(d.ObjectCount) : std::string("null"));
  out += ",\"read_ok\":";
  out += r.readOk ? "true" : "false";
  out += ",\"complete\":";
  out += r.complete ? "true" : "false";
  out += ",\"objects_read\":" + std::to_string(d.TopLevelObjects());
  out += ",\"counts\":{";
  out += "\"line\":" + std::to_string(d.LineCount());
  out += ",\"arc\":" + std::to_string(d.ArcCount());
  out += ",\"text\":" + std::to_string(d.TextCount());
  out += ",\"point\":" + std::to_string(d.PointCount());
  out += ",\"solid\":" + std::to_string(d.SolidCount());
  out += ",\"dimension\":" + std::to_string(d.DimensionCount());
  out += ",\"block\":" + std::to_string(d.BlockInsertCount());
  out += ",\"blockdef\":" + std::to_string(d.BlockDefinitionCount());
  out += "},\"members\":" + std::to_string(d.MemberRecords.size());
  out += ",\"extent\":";
  if (read && d.DrawingExtent.MinX <= d.DrawingExtent.MaxX) {
    const DrawingExtentRecord& e = d.DrawingExtent;
    out += "[" + JsonNumber(e.MinX) + "," + JsonNumber(e.MinY) + "," + JsonNumber(e.MaxX) + "," +
           JsonNumber(e.MaxY) + "]";
  } else {
    out += "null";
  }
  out += "}\n";
  std::fputs(out.c_str(), stdout);
}

void PrintSummary(const FileReport& r) {
  const Document& d = r.doc;
  std::printf("%s\n", r.file.c_str());
  if (!r.opened || r.kind == FileKind::None) {
    std::printf("  %s\n", r.error.c_str());
    return;
  }
  const char* kinds[] = {"", "JWW drawing", "JWS data", "bare object archive"};
  std::printf("  kind:        %s", kinds[static_cast<int>(r.kind)]);
  if (r.readOk) std::printf(", version %u", d.Header.Version);
  std::printf("\n  read:        %s\n", !r.readOk ? r.error.c_str()
                                       : r.complete
                                           ? "ok"
                                           : "cut short: only part of the drawing is there");
  std::printf("  objects:     %u in the header, %u read\n", d.ObjectCount, d.TopLevelObjects());
  std::printf("  lines %u, arcs %u, texts %u, points %u, solids %u, dimensions %u\n", d.LineCount(),
              d.ArcCount(), d.TextCount(), d.PointCount(), d.SolidCount(), d.DimensionCount());
  std::printf("  blocks:      %u inserts, %u definitions with %zu members\n", d.BlockInsertCount(),
              d.BlockDefinitionCount(), d.MemberRecords.size());
  const DrawingExtentRecord& e = d.DrawingExtent;
  if (!r.readOk || e.MinX > e.MaxX) {
    std::printf("  extent:      none\n");
    return;
  }
  std::printf("  extent:      (%s, %s) to (%s, %s)\n", JsonNumber(e.MinX).c_str(),
              JsonNumber(e.MinY).c_str(), JsonNumber(e.MaxX).c_str(), JsonNumber(e.MaxY).c_str());
}

}  // namespace

int InfoCommand(std::span<const std::string_view> args) {
  bool json = false;
  bool strict = false;
  std::vector<std::string> files;
  for (std::string_view a : args) {
    if (a == "--json") {
      json = true;
    } else if (a == "--strict") {
      strict = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kInfoUsage, stdout);
      return 0;
    } else if (a.size() > 1 && a.front() == '-') {
      std::fprintf(stderr, "kestril info: unknown option %.*s\n%s", static_cast<int>(a.size()),
                   a.data(), kInfoUsage);
      return 2;
    } else {
      files.emplace_back(a);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "kestril info: no file given\n%s", kInfoUsage);
    return 2;
  }
  int status = 0;
  for (const std::string& file : files) {
    FileReport r;
    r.file = file;
    ReadOne(r);
    if (json) {
      PrintJson(r);
    } else {
      PrintSummary(r);
    }
    if (!r.readOk) {
      status = 1;
      std::fprintf(stderr, "kestril: %s: %s\n", file.c_str(), r.error.c_str());
    } else if (!r.complete) {
      if (strict) status = 1;
      std::fprintf(stderr, "kestril: %s: %s\n", file.c_str(), CutShortReason(r.doc).c_str());
    }
  }
  std::fflush(stdout);
  return status;
}

}  // namespace kestril::cli
