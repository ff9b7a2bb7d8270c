// Just enough of the PE format to check a DLL without running it: the machine and
// kind, the exported names with their addresses, the imported DLLs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestril::testing {

struct PeExport {
  std::string name;
  uint32_t rva = 0;
};

struct PeFile {
  uint16_t machine = 0;          // 0x14C i386, 0x8664 x86-64
  uint16_t characteristics = 0;  // 0x2000: a DLL
  uint16_t magic = 0;            // 0x10B PE32, 0x20B PE32+
  uint64_t imageBase = 0;
  std::vector<PeExport> exports;
  std::vector<std::string> imports;

  bool IsDll() const { return (characteristics & 0x2000) != 0; }
};

// Parses the file's bytes; nullopt (with the reason in `error`) when they are no PE.
std::optional<PeFile> ParsePe(const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace kestril::testing
