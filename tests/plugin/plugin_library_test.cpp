// The library's lifetime: settings read when it is loaded, written back when it is
// unloaded, with the registry's rules for missing and mistyped values.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "plugin_host.h"

namespace kestril::testing {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& line) {
  return text.find(line + "\n") != std::string::npos;
}

class PluginLibraryTest : public ::testing::Test {
 protected:
  fs::path Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteBytes(files_ / name, bytes);
    return files_ / name;
  }
  TempDir home_;
  TempDir files_;
};

TEST_F(PluginLibraryTest, FirstUnloadWritesEveryValue) {
  {
    LoadedPlugin plugin(home_.path());
    const InfoRecord r = InfoOfFile(plugin, Put("a.jww", EmptyJww(0)));
    EXPECT_EQ(r.width, 800);
    EXPECT_EQ(r.height, 600);
    ASSERT_TRUE(plugin.Unload()) << "the library stayed loaded";
  }
  const std::string text = ReadText(SettingsFile(home_.path()));
  EXPECT_TRUE(Has(text, "[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]")) << text;
  for (const char* line : {"\"jwzWidth\"=dword:00000280",      "\"jwwWidth\"=dword:00000320",
                           "\"PreviewHeight\"=dword:00000078", "\"hoji\"=dword:00000000",
                           "\"grey\"=dword:00000000",          "\"BmpSFst\"=dword:00000001",
                           "\"BwColor\"=dword:00000000",       "\"BwGrey\"=dword:00000001",
                           "\"JwwVer\"=dword:00000001",        "\"PenColor00\"=\"16777215\"",
                           "\"PenColor01\"=\"12632064\"",      "\"PenColor02\"=\"0\"",
                           "\"PenColor03\"=\"49152\"",         "\"PenColor04\"=\"49344\"",
                           "\"PenColor05\"=\"12583104\"",      "\"PenColor06\"=\"16711680\"",
                           "\"PenColor07\"=\"32896\"",         "\"PenColor08\"=\"8388863\"",
                           "\"PenColor09\"=\"16744703\"",      "\"PenColor10\"=\"12632256\""}) {
    EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
  }
}

TEST_F(PluginLibraryTest, MistypedAndDamagedValuesReadAsTheirDefaults) {
  WriteSettings(home_.path(),
                "\"jwwWidth\"=\"1000\"\n"        // a string where an integer belongs
                "\"jwzWidth\"=dword:00000140\n"  // 320
                "\"PreviewHeight\"=dword:00000003\n"
                "\"hoji\"=dword:00000005\n"  // any nonzero value is true
                "\"BwGrey\"=\"1\"\n"         // mistyped: stays true
                "\"PenColor03\"=\"abc\"\n"
                "\"PenColor04\"=\"$FF\"\n"
                "\"PenColor05\"=dword:00000001\n"  // a colour must be a string
                "\"Unrelated\"=\"kept\"\n");
  {
    LoadedPlugin plugin(home_.path());
    EXPECT_EQ(InfoOfFile(plugin, Put("a.jww", EmptyJww(0))).width, 800);
    const InfoRecord jws = InfoOfFile(plugin, Put("a.jws", JwsWithLine()));
    EXPECT_EQ(jws.width, 320);
    EXPECT_EQ(jws.height, 240);
    const Delivered preview = FetchFile(plugin, Request::Preview, files_ / "a.jws");
    EXPECT_EQ(preview.header.width, 4);  // 3 x 1.3333 rounded
    EXPECT_EQ(preview.header.height, 3);
  }
  const std::string text = ReadText(SettingsFile(home_.path()));
  EXPECT_TRUE(Has(text, "\"jwwWidth\"=dword:00000320")) << text;
  EXPECT_TRUE(Has(text, "\"hoji\"=dword:00000001")) << text;
  EXPECT_TRUE(Has(text, "\"BwGrey\"=dword:00000001")) << text;
  EXPECT_TRUE(Has(text, "\"PenColor03\"=\"49152\"")) << text;
  EXPECT_TRUE(Has(text, "\"PenColor04\"=\"255\"")) << text;
  EXPECT_TRUE(Has(text, "\"PenColor05\"=\"12583104\"")) << text;
  EXPECT_TRUE(Has(text, "\"Unrelated\"=\"kept\"")) << text;
}

TEST_F(PluginLibraryTest, DerivedSizesRoundHalvesToEven) {
  WriteSettings(home_.path(), "\"jwwWidth\"=dword:00000322\n\"jwzWidth\"=dword:0000000a\n");
  LoadedPlugin plugin(home_.path());
  const InfoRecord jww = InfoOfFile(plugin, Put("a.jww", EmptyJww(0)));
  EXPECT_EQ(jww.width, 802);
  EXPECT_EQ(jww.height, 602);                                            // 601.5
  EXPECT_EQ(InfoOfFile(plugin, Put("a.jws", JwsWithLine())).height, 8);  // 7.5
}

TEST_F(PluginLibraryTest, UserBackgroundColourPaintsDataWithoutAPenTable) {
  WriteSettings(home_.path(), "\"PenColor00\"=\"$123456\"\n");
  LoadedPlugin plugin(home_.path());
  const Delivered d = FetchFile(plugin, Request::Preview, Put("a.jws", JwsWithLine()));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(d.At(159, 119), 0x123456u);
}

TEST_F(PluginLibraryTest, SettingsAreReadOnceAtLoadAndWinAtUnload) {
  WriteSettings(home_.path(), "\"jwwWidth\"=dword:00000190\n");  // 400
  {
    LoadedPlugin plugin(home_.path());
    // Someone edits the file while the library is loaded: the library neither sees it
    // nor keeps it, as with the registry.
    WriteSettings(home_.path(), "\"jwwWidth\"=dword:00000258\n");  // 600
    EXPECT_EQ(InfoOfFile(plugin, Put("a.jww", EmptyJww(0))).width, 400);
  }
  EXPECT_TRUE(Has(ReadText(SettingsFile(home_.path())), "\"jwwWidth\"=dword:00000190"));
  LoadedPlugin again(home_.path());
  EXPECT_EQ(InfoOfFile(again, files_ / "a.jww").width, 400);
}

TEST_F(PluginLibraryTest, UnusableSettingsFileStillGivesWorkingDefaults) {
  fs::create_directories(home_.path());
  std::ofstream(home_ / "kestril") << "a file where the folder should be";
  {
    LoadedPlugin plugin(home_.path());
    const InfoRecord r = InfoOfFile(plugin, Put("a.jww", EmptyJww(0)));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.width, 800);
    EXPECT_EQ(r.height, 600);
    EXPECT_TRUE(plugin.Unload());
  }
  EXPECT_EQ(ReadText(home_ / "kestril"), "a file where the folder should be");
}

}  // namespace
}  // namespace kestril::testing
