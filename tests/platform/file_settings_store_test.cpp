// The file-backed registry work-alike: typed values, the registry's case rules, and a
// file that stays readable by people and by regedit.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_settings_store.h"

namespace kestril {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKey = "Software\\Tovalin\\Susie\\Plug-in\\Ferrand";

class FileSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kestril-settings-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    file_ = dir_ / "kestril" / "settings.reg";
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteFile(const std::string& text) {
    fs::create_directories(file_.parent_path());
    std::ofstream(file_, std::ios::binary) << text;
  }
  std::string ReadFile() {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
  fs::path file_;
};

TEST_F(FileSettingsStoreTest, MissingKeyIsCreatedOnlyWhenAsked) {
  FileSettingsStore store(file_);
  EXPECT_EQ(store.OpenKey(kKey, false), nullptr);
  EXPECT_FALSE(fs::exists(file_));
  auto key = store.OpenKey(kKey, true);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(ReadFile(),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n\n");
  EXPECT_NE(store.OpenKey(kKey, false), nullptr);
}

TEST_F(FileSettingsStoreTest, TypedValuesRoundTrip) {
  FileSettingsStore store(file_);
  {
    auto key = store.OpenKey(kKey, true);
    ASSERT_TRUE(key->WriteInteger("jwwWidth", 802));
    ASSERT_TRUE(key->WriteInteger("big", 0xFFFFFFFFu));
    ASSERT_TRUE(key->WriteString("PenColor00", "16777215"));
    ASSERT_TRUE(key->WriteString("quoted", "a \"b\" \\c\\"));
    ASSERT_TRUE(key->WriteString("empty", ""));
    // The key sees its own writes at once.
    EXPECT_EQ(key->ReadInteger("jwwWidth"), 802u);
  }
  auto key = store.OpenKey(kKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("jwwWidth"), 802u);
  EXPECT_EQ(key->ReadInteger("big"), 0xFFFFFFFFu);
  EXPECT_EQ(key->ReadString("PenColor00"), "16777215");
  EXPECT_EQ(key->ReadString("quoted"), "a \"b\" \\c\\");
  EXPECT_EQ(key->ReadString("empty"), "");
  EXPECT_NE(ReadFile().find("\"jwwWidth\"=dword:00000322\n"), std::string::npos);
  EXPECT_NE(ReadFile().find("\"quoted\"=\"a \\\"b\\\" \\\\c\\\\\"\n"), std::string::npos);
}

TEST_F(FileSettingsStoreTest, WrongTypeReadsAsAbsent) {
  WriteFile(
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n"
      "\"jwwWidth\"=\"1000\"\n\"PreviewHeight\"=dword:00000003\n"
      "\"blob\"=hex:01,02\n");
  FileSettingsStore store(file_);
  auto key = store.OpenKey(kKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("jwwWidth"), std::nullopt);
  EXPECT_EQ(key->ReadString("jwwWidth"), "1000");
  EXPECT_EQ(key->ReadString("PreviewHeight"), std::nullopt);
  EXPECT_EQ(key->ReadInteger("blob"), std::nullopt);
  EXPECT_EQ(key->ReadString("blob"), std::nullopt);
  EXPECT_EQ(key->ReadInteger("missing"), std::nullopt);
}

TEST_F(FileSettingsStoreTest, NamesMatchWithoutCaseAndKeepTheirSpelling) {
  WriteFile(
      "REGEDIT4\n\n[hkey_current_user\\SOFTWARE\\tovalin\\Susie\\Plug-in\\Ferrand]\n"
      "\"JWWWIDTH\"=dword:00000010\n");
  FileSettingsStore store(file_);
  auto key = store.OpenKey(kKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("jwwWidth"), 16u);
  ASSERT_TRUE(key->WriteInteger("jwwwidth", 17));
  EXPECT_EQ(key->ReadInteger("JwwWidth"), 17u);
  const std::string text = ReadFile();
  EXPECT_NE(text.find("\"JWWWIDTH\"=dword:00000011"), std::string::npos) << text;
  EXPECT_EQ(text.find("jwwwidth"), std::string::npos) << text;
}

TEST_F(FileSettingsStoreTest, WritesKeepEverythingElseInTheFile) {
  WriteFile(
      "REGEDIT4\n\n; written by hand\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=dword:00000001\n\n"
      "[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Folder]\n\"File\"=\"C:\\\\jww\"\n"
      "\"bin\"=hex:00,01,\\\n  02,03\n\n"
      "[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n"
      "@=\"default\"\n\"hoji\"=dword:00000001\n");
  FileSettingsStore store(file_);
  auto key = store.OpenKey(kKey, false);
  ASSERT_TRUE(key->WriteInteger("hoji", 0));
  ASSERT_TRUE(key->WriteString("PenColor01", "12632064"));
  const std::string text = ReadFile();
  EXPECT_NE(text.find("; written by hand\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=dword:00000001\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"bin\"=hex:00,01,\\\n  02,03\n"), std::string::npos) << text;
  EXPECT_NE(text.find("@=\"default\"\n\"hoji\"=dword:00000000\n\"PenColor01\"=\"12632064\"\n"),
            std::string::npos)
      << text;
  auto jw = store.OpenKey("Software\\Jw_cad\\jw_win\\Folder", false);
  ASSERT_NE(jw, nullptr);
  EXPECT_EQ(jw->ReadString("File"), "C:\\jww");
  // A key outside the current user's root is not the user's key.
  EXPECT_EQ(store.OpenKey("Software\\Other", false), nullptr);
}

TEST_F(FileSettingsStoreTest, ValuesWrittenMeanwhileByOthersSurvive) {
  FileSettingsStore store(file_);
  auto first = store.OpenKey(kKey, true);
  auto second = store.OpenKey(kKey, true);
  ASSERT_TRUE(first->WriteInteger("a", 1));
  ASSERT_TRUE(second->WriteInteger("b", 2));
  auto key = store.OpenKey(kKey, false);
  EXPECT_EQ(key->ReadInteger("a"), 1u);
  EXPECT_EQ(key->ReadInteger("b"), 2u);
}

TEST_F(FileSettingsStoreTest, LineBreaksCannotBeStored) {
  FileSettingsStore store(file_);
  auto key = store.OpenKey(kKey, true);
  EXPECT_FALSE(key->WriteString("memo", "two\nlines"));
  EXPECT_EQ(key->ReadString("memo"), std::nullopt);
}

TEST_F(FileSettingsStoreTest, DamagedLinesAreKeptButNotRead) {
  WriteFile(
      "[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n"
      "\"jwwWidth\"=dword:xyz\n\"jwzWidth\"=dword:123456789\n\"open\"=\"no end\n"
      "garbage\n\"ok\"=dword:0000000a\r\n");
  FileSettingsStore store(file_);
  auto key = store.OpenKey(kKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("jwwWidth"), std::nullopt);
  EXPECT_EQ(key->ReadInteger("jwzWidth"), std::nullopt);  // more than 32 bits
  EXPECT_EQ(key->ReadString("open"), std::nullopt);
  EXPECT_EQ(key->ReadInteger("ok"), 10u);  // CRLF line ends are fine
  ASSERT_TRUE(key->WriteInteger("ok", 11));
  EXPECT_NE(ReadFile().find("\"jwwWidth\"=dword:xyz\n"), std::string::npos);
  EXPECT_NE(ReadFile().find("garbage\n"), std::string::npos);
}

TEST_F(FileSettingsStoreTest, UnusableFileCannotBeOpened) {
  fs::create_directories(file_);  // a directory where the file should be
  FileSettingsStore store(file_);
  EXPECT_EQ(store.OpenKey(kKey, true), nullptr);
  EXPECT_EQ(store.OpenKey(kKey, false), nullptr);
  FileSettingsStore nowhere{fs::path()};
  EXPECT_EQ(nowhere.OpenKey(kKey, true), nullptr);
}

TEST_F(FileSettingsStoreTest, BlockedFolderMeansNoKey) {
  fs::create_directories(dir_);
  std::ofstream(dir_ / "kestril") << "a file, not a folder";
  FileSettingsStore store(file_);
  EXPECT_EQ(store.OpenKey(kKey, true), nullptr);
}

TEST(DefaultSettingsFile, FollowsXdgConfigHome) {
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string xdg = savedXdg ? savedXdg : "";
  const std::string home = savedHome ? savedHome : "";

  ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
  EXPECT_EQ(DefaultSettingsFile(), fs::path("/tmp/xdg-test/kestril/settings.reg"));
  ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(DefaultSettingsFile(), fs::path("/home/someone/.config/kestril/settings.reg"));
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultSettingsFile(), fs::path("/home/someone/.config/kestril/settings.reg"));
  ::unsetenv("HOME");
  EXPECT_EQ(DefaultSettingsFile(), fs::path());

  if (savedXdg) ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  if (savedHome) ::setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace kestril
