// kestril.spi cannot run on this machine (no 32-bit execution), and kestril.sph is
// run under Wine elsewhere: here both DLLs are checked as files. The interface is
// fixed by the bytes: the kind of DLL, six undecorated names, stdcall returns that
// pop the callers' arguments, and nothing imported that a host might not have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "pe_file.h"

namespace kestril::testing {
namespace {

bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

// The DLL, or a skip (a failure under CI) when it was not built.
std::optional<PeFile> LoadDll(const std::string& path, std::vector<uint8_t>* bytesOut = nullptr) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string error;
  auto pe = ParsePe(bytes, error);
  EXPECT_TRUE(pe.has_value()) << path << ": " << error;
  if (bytesOut) *bytesOut = std::move(bytes);
  return pe;
}

#define REQUIRE_DLL(pe, path)                                                                   \
  const std::optional<PeFile> pe = LoadDll(path);                                               \
  if (!pe) {                                                                                    \
    if (InCi()) FAIL() << path << " was not built: is mingw-w64 installed?";                    \
    GTEST_SKIP() << path << " was not built (mingw-w64 missing; scripts/setup.sh installs it)"; \
  }

const std::map<std::string, int> kStdcallBytes = {{"GetPluginInfo", 12},  {"IsSupported", 8},
                                                  {"GetPictureInfo", 16}, {"GetPicture", 28},
                                                  {"GetPreview", 28},     {"ConfigurationDlg", 8}};

std::set<std::string> ExportNames(const PeFile& pe) {
  std::set<std::string> names;
  for (const PeExport& e : pe.exports) names.insert(e.name);
  return names;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void ExpectOnlySystemImports(const PeFile& pe) {
  // DLLs that every Windows has; anything else (libstdc++-6.dll, libgcc_s_*.dll,
  // libwinpthread-1.dll, zlib1.dll, ...) would make hosts fail to load the plug-in.
  static const std::set<std::string> kSystem = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",   "advapi32.dll", "msvcrt.dll",
      "comdlg32.dll", "comctl32.dll", "shell32.dll", "ole32.dll",    "oleaut32.dll",
      "msimg32.dll",  "winspool.drv", "version.dll"};
  EXPECT_FALSE(pe.imports.empty());
  for (const std::string& dll : pe.imports) {
    EXPECT_TRUE(kSystem.count(Lower(dll))) << "imports " << dll;
  }
}

TEST(Spi32, IsAPe32DllForI386) {
  REQUIRE_DLL(pe, KESTRIL_SPI_PATH);
  EXPECT_EQ(pe->machine, 0x14C);
  EXPECT_EQ(pe->magic, 0x10B);
  EXPECT_TRUE(pe->IsDll());
}

TEST(Spi32, ExportsTheSixFunctionsUndecorated) {
  REQUIRE_DLL(pe, KESTRIL_SPI_PATH);
  std::set<std::string> want;
  for (const auto& [name, bytes] : kStdcallBytes) want.insert(name);
  EXPECT_EQ(ExportNames(*pe), want);  // no _Name@12, nothing else either
}

TEST(Spi32, ImportsOnlySystemDlls) {
  REQUIRE_DLL(pe, KESTRIL_SPI_PATH);
  ExpectOnlySystemImports(*pe);
}

TEST(Spi32, EachExportPopsItsStdcallArguments) {
  REQUIRE_DLL(pe, KESTRIL_SPI_PATH);
  const std::string objdump = KESTRIL_I686_OBJDUMP;
  if (objdump.empty() || objdump.ends_with("NOTFOUND")) {
    if (InCi()) FAIL() << "i686-w64-mingw32-objdump is missing";
    GTEST_SKIP() << "i686-w64-mingw32-objdump is missing (binutils-mingw-w64-i686)";
  }
  for (const PeExport& e : pe->exports) {
    const auto want = kStdcallBytes.find(e.name);
    ASSERT_NE(want, kStdcallBytes.end()) << e.name;
    const uint64_t start = pe->imageBase + e.rva;
    char command[512];
    std::snprintf(command, sizeof command,
                  "%s -d --no-show-raw-insn --start-address=0x%llx --stop-address=0x%llx '%s'",
                  objdump.c_str(), static_cast<unsigned long long>(start),
                  static_cast<unsigned long long>(start + 0x400), KESTRIL_SPI_PATH);
    FILE* pipe = ::popen(command, "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) text += line;
    ::pclose(pipe);
    // The function runs from its label to the next one.
    std::istringstream lines(text);
    std::string l;
    int labels = 0;
    int rets = 0;
    const std::regex label(R"(^[0-9a-f]+ <.*>:$)");
    const std::regex ret(R"(\sret[lw]?\s*(\$0x([0-9a-f]+))?\s*$)");
    while (std::getline(lines, l)) {
      if (std::regex_search(l, label) && ++labels > 1) break;
      std::smatch m;
      if (std::regex_search(l, m, ret)) {
        ++rets;
        const int popped = m[2].matched ? std::stoi(m[2].str(), nullptr, 16) : 0;
        EXPECT_EQ(popped, want->second) << e.name << ": " << l;
      }
    }
    EXPECT_EQ(labels, 2) << e.name << ": the function's end was not found\n" << text;
    EXPECT_GT(rets, 0) << e.name << ": no return found\n" << text;
  }
}

TEST(Sph64, IsAPe32PlusDllForX8664WithTheSameExports) {
  REQUIRE_DLL(pe, KESTRIL_SPH_PATH);
  EXPECT_EQ(pe->machine, 0x8664);
  EXPECT_EQ(pe->magic, 0x20B);
  EXPECT_TRUE(pe->IsDll());
  std::set<std::string> want;
  for (const auto& [name, bytes] : kStdcallBytes) want.insert(name);
  EXPECT_EQ(ExportNames(*pe), want);
  ExpectOnlySystemImports(*pe);
}

// Each build's options dialog carries its own caption, in UTF-16 as the dialog template
// holds it.
TEST(Spi32AndSph64, DialogCaptionNamesTheirOwnBuild) {
  auto utf16 = [](std::u16string_view text) {
    std::vector<uint8_t> b;
    for (char16_t c : text) b.insert(b.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    return b;
  };
  auto holds = [](const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& what) {
    return std::search(bytes.begin(), bytes.end(), what.begin(), what.end()) != bytes.end();
  };
  const auto spi = utf16(u" kestril.spi \u8A2D\u5B9A "), sph = utf16(u" kestril.sph \u8A2D\u5B9A ");
  for (const auto& [path, own, other] :
       {std::tuple{KESTRIL_SPI_PATH, spi, sph}, std::tuple{KESTRIL_SPH_PATH, sph, spi}}) {
    std::vector<uint8_t> bytes;
    if (!LoadDll(path, &bytes)) {
      if (InCi()) FAIL() << path << " was not built";
      GTEST_SKIP() << path << " was not built";
    }
    EXPECT_TRUE(holds(bytes, own)) << path;
    EXPECT_FALSE(holds(bytes, other)) << path;
  }
}

}  // namespace
}  // namespace kestril::testing
