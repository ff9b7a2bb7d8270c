// `kestril settings`: the settings file read and changed with the dialog's checks, all
// or nothing, other keys and lines kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "platform/file_settings_store.h"
#include "plugin/plugin_settings.h"

namespace kestril::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kKeyLine[] = "[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n";
// A file as a user might have it: a comment, another key, a value type the store does
// not read, and an unknown value in the plug-in's key.
const std::string kOthers = std::string("REGEDIT4\n\n; mine\n\n") + kKeyLine +
                            "\"jwwWidth\"=dword:000003e8\n"
                            "\"Blob\"=hex:01,02\n"
                            "\"Mine\"=\"keep me\"\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Folder]\n"
                            "\"ZFILE\"=\"C:\\\\jww\"\n\n";

class SettingsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kestril-settings-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    file_ = dir_ / "kestril" / "settings.reg";
  }
  void TearDown() override { fs::remove_all(dir_); }

  int Run(std::vector<std::string> args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = SettingsCommand(views);
    out_ = ::testing::internal::GetCapturedStdout();
    err_ = ::testing::internal::GetCapturedStderr();
    return status;
  }
  void WriteFile(const std::string& text) {
    fs::create_directories(file_.parent_path());
    std::ofstream(file_, std::ios::binary) << text;
  }
  std::string ReadFile() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // What the plug-in reads from the file.
  PluginSettings Plugin() const {
    FileSettingsStore store(file_);
    return LoadSettings(store, false);
  }

  fs::path dir_, file_;
  std::string out_, err_;
};

TEST_F(SettingsCommandTest, ListShowsEveryValueWithItsDefaultAndWritesNothing) {
  ASSERT_EQ(Run({}), 0) << err_;
  EXPECT_FALSE(fs::exists(file_));
  EXPECT_NE(out_.find(file_.string()), std::string::npos) << out_;
  EXPECT_NE(out_.find("PreviewHeight  120        120"), std::string::npos) << out_;
  EXPECT_NE(out_.find("PenColor01     #00C0C0    #00C0C0"), std::string::npos) << out_;
  WriteFile(kOthers);
  ASSERT_EQ(Run({"list"}), 0);
  EXPECT_NE(out_.find("jwwWidth       1000       800"), std::string::npos) << out_;
  EXPECT_EQ(ReadFile(), kOthers);
}

TEST_F(SettingsCommandTest, SetWritesWhatThePluginReadsAndKeepsEverythingElse) {
  WriteFile(kOthers);
  ASSERT_EQ(Run({"set", "JWWWIDTH", "1200", "PenColor00", "#336699", "bwcolor", "1", "PenColor09",
                 "0x0080FF", "PenColor10", "255", "BmpSFst", "2"}),
            0)
      << err_;
  EXPECT_NE(out_.find(file_.string()), std::string::npos);
  const PluginSettings s = Plugin();
  EXPECT_EQ(s.jwwWidth, 1200);
  EXPECT_EQ(s.jwwHeight, 900);
  EXPECT_EQ(s.PenColors[0], 0x996633u);
  EXPECT_EQ(s.PenColors[9], 0x0080FFu);
  EXPECT_EQ(s.PenColors[10], 255u);
  EXPECT_TRUE(s.BwColor);
  EXPECT_EQ(s.BmpSFst, 2);
  const std::string text = ReadFile();
  for (const char* kept : {"; mine", "\"Blob\"=hex:01,02", "\"Mine\"=\"keep me\"",
                           "\"ZFILE\"=\"C:\\\\jww\"", "\"jwwWidth\"=dword:000004b0",
                           "\"PenColor00\"=\"10053171\"", "\"BwColor\"=dword:00000001"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
  }
  ASSERT_EQ(Run({"get", "pencolor00"}), 0);
  EXPECT_EQ(out_, "#336699\n");
  ASSERT_EQ(Run({"get", "jwwWidth"}), 0);
  EXPECT_EQ(out_, "1200\n");
}

TEST_F(SettingsCommandTest, RefusedValuesLeaveTheFileByteForByte) {
  WriteFile(kOthers);
  const std::vector<std::vector<std::string>> refused = {
      {"set", "jwwWidth", "abc"},
      {"set", "jwwWidth", "0"},
      {"set", "PreviewHeight", "32768"},
      {"set", "jwzWidth", "700", "hoji", "2"},  // a good value before a bad one
      {"set", "BmpSFst", "3"},
      {"set", "PenColor01", "#GG0000"},
      {"set", "PenColor11", "#000000"},
      {"set", "jwwWidth"},
      {"set"},
      {"get", "nosuch"},
      {"get"},
      {"reset", "jwwWidth", "nosuch"},
      {"list", "extra"},
      {"frobnicate"},
  };
  for (const auto& args : refused) {
    EXPECT_EQ(Run(args), 2) << args[0];
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    EXPECT_EQ(err_.rfind("kestril settings: ", 0), 0u) << err_;
    EXPECT_EQ(ReadFile(), kOthers) << args[0];
  }
  Run({"set", "jwzWidth", "700", "hoji", "2"});
  EXPECT_EQ(err_, "kestril settings: hoji: \"2\" is neither 0 nor 1\n");
}

TEST_F(SettingsCommandTest, ResetPutsNamedOrAllValuesBackToTheirDefaults) {
  WriteFile(kOthers);
  ASSERT_EQ(Run({"set", "jwzWidth", "10", "hoji", "1"}), 0);
  ASSERT_EQ(Run({"reset", "JwwWidth", "hoji"}), 0) << err_;
  PluginSettings s = Plugin();
  EXPECT_EQ(s.jwwWidth, 800);
  EXPECT_FALSE(s.hoji);
  EXPECT_EQ(s.jwzWidth, 10);
  ASSERT_EQ(Run({"reset"}), 0);
  s = Plugin();
  EXPECT_EQ(s.jwzWidth, 640);
  const std::string text = ReadFile();
  EXPECT_EQ(text.find("jwzWidth"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Mine\"=\"keep me\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"ZFILE\""), std::string::npos) << text;
}

TEST_F(SettingsCommandTest, UnwritableFileIsReportedAndNothingChanges) {
  fs::create_directories(file_);  // a folder where the file should be
  EXPECT_EQ(Run({"set", "hoji", "1"}), 1);
  EXPECT_EQ(err_, "kestril settings: " + file_.string() +
                      " is a folder, not a regular file; nothing is written\n");
  EXPECT_EQ(Run({"list"}), 1);
  EXPECT_TRUE(fs::is_directory(file_));
}

// A settings file kept elsewhere and linked (dotfiles) is rewritten where it lives: the
// link stays a link and its target gets the values, keeping its other lines and mode.
TEST_F(SettingsCommandTest, ALinkedFileIsWrittenWhereItLives) {
  const fs::path dots = dir_ / "dots";
  struct Case {
    std::string name;
    fs::path link;     // what settings.reg points at
    fs::path between;  // a link on the way, if any
    fs::path target;
    bool exists;
  };
  for (const Case& c : {
           Case{"relative", "../dots/a.reg", {}, dots / "a.reg", true},
           Case{"through two links", dots / "b-link.reg", dots / "b-link.reg", dots / "b.reg",
                true},
           Case{"to no file yet", dots / "new" / "c.reg", {}, dots / "new" / "c.reg", false},
       }) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dots);
    fs::create_directories(file_.parent_path());
    if (c.exists) {
      std::ofstream(c.target, std::ios::binary) << kOthers;
      fs::permissions(c.target, fs::perms::owner_read | fs::perms::owner_write |
                                    fs::perms::group_read | fs::perms::others_read);
    }
    if (!c.between.empty()) fs::create_symlink(c.target, c.between);
    fs::create_symlink(c.link, file_);
    ASSERT_EQ(Run({"set", "jwwWidth", "1024"}), 0) << err_;
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(c.target)));
    EXPECT_EQ(Plugin().jwwWidth, 1024);
    std::ifstream in(c.target, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("\"jwwWidth\"=dword:00000400"), std::string::npos) << text;
    if (c.exists) {
      EXPECT_NE(text.find("\"Mine\"=\"keep me\""), std::string::npos) << text;
      EXPECT_EQ(fs::status(c.target).permissions() & fs::perms::all,
                fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                    fs::perms::others_read);
    }
  }
}

}  // namespace
}  // namespace kestril::cli
