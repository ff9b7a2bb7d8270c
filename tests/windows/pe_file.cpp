#include "pe_file.h"

namespace kestril::testing {
namespace {

struct Section {
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
  bool Has(uint64_t at, uint64_t n) const { return at + n <= b_.size(); }
  uint16_t U16(uint64_t at) const {
    return Has(at, 2) ? static_cast<uint16_t>(b_[at] | (b_[at + 1] << 8)) : 0;
  }
  uint32_t U32(uint64_t at) const {
    return Has(at, 4) ? static_cast<uint32_t>(U16(at)) | (static_cast<uint32_t>(U16(at + 2)) << 16)
                      : 0;
  }
  uint64_t U64(uint64_t at) const { return U32(at) | (static_cast<uint64_t>(U32(at + 4)) << 32); }
  std::string CString(uint64_t at) const {
    std::string s;
    while (at < b_.size() && b_[at] != 0) s += static_cast<char>(b_[at++]);
    return s;
  }

 private:
  const std::vector<uint8_t>& b_;
};

}  // namespace

std::optional<PeFile> ParsePe(const std::vector<uint8_t>& bytes, std::string& error) {
  const Reader r(bytes);
  if (!r.Has(0, 64) || bytes[0] != 'M' || bytes[1] != 'Z') {
    error = "no MZ header";
    return std::nullopt;
  }
  const uint32_t pe = r.U32(0x3C);
  if (!r.Has(pe, 24) || r.U32(pe) != 0x00004550) {
    error = "no PE signature";
    return std::nullopt;
  }
  PeFile f;
  f.machine = r.U16(pe + 4);
  const uint16_t sectionCount = r.U16(pe + 6);
  const uint16_t optionalSize = r.U16(pe + 20);
  f.characteristics = r.U16(pe + 22);
  const uint64_t opt = pe + 24;
  f.magic = r.U16(opt);
  uint64_t directories;
  if (f.magic == 0x10B) {
    f.imageBase = r.U32(opt + 28);
    directories = opt + 96;
  } else if (f.magic == 0x20B) {
    f.imageBase = r.U64(opt + 24);
    directories = opt + 112;
  } else {
    error = "unknown optional header";
    return std::nullopt;
  }
  std::vector<Section> sections;
  const uint64_t table = opt + optionalSize;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint64_t s = table + 40ull * i;
    sections.push_back({r.U32(s + 12), r.U32(s + 8), r.U32(s + 20), r.U32(s + 16)});
  }
  auto offsetOf = [&](uint32_t rva) -> uint64_t {
    for (const Section& s : sections) {
      if (rva >= s.virtualAddress && rva < s.virtualAddress + std::max(s.virtualSize, s.rawSize)) {
        return uint64_t{s.rawOffset} + (rva - s.virtualAddress);
      }
    }
    return bytes.size();
  };

  if (const uint32_t exportRva = r.U32(directories); exportRva != 0) {
    const uint64_t d = offsetOf(exportRva);
    const uint32_t nameCount = r.U32(d + 24);
    const uint64_t functions = offsetOf(r.U32(d + 28));
    const uint64_t names = offsetOf(r.U32(d + 32));
    const uint64_t ordinals = offsetOf(r.U32(d + 36));
    for (uint32_t i = 0; i < nameCount && i < 10000; ++i) {
      const uint16_t ordinal = r.U16(ordinals + 2ull * i);
      f.exports.push_back(
          {r.CString(offsetOf(r.U32(names + 4ull * i))), r.U32(functions + 4ull * ordinal)});
    }
  }
  if (const uint32_t importRva = r.U32(directories + 8); importRva != 0) {
    for (uint64_t d = offsetOf(importRva); r.Has(d, 20) && r.U32(d + 12) != 0; d += 20) {
      f.imports.push_back(r.CString(offsetOf(r.U32(d + 12))));
    }
  }
  return f;
}

}  // namespace kestril::testing
