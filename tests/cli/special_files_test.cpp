// Names that are not regular files (a FIFO without a writer, a folder, a device) are
// refused at once, with one line on standard error, instead of blocking in the open:
// drawings, and the settings file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "cli/commands.h"
#include "platform/native_file.h"
#include "support/real_drawings.h"

namespace kestril {
namespace {

namespace fs = std::filesystem;

TEST(SpecialFiles, AreRefusedAtOnceWithOneLine) {
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("kestril-special-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "folder.jww");
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  const std::string fifo = (dir / "fifo.jww").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  for (const std::string& name : {fifo, (dir / "folder.jww").string(), std::string("/dev/null")}) {
    SCOPED_TRACE(name);
    auto open = std::async(std::launch::async, [&] {
      try {
        NativeFile::Open(name);
        return std::string("opened");
      } catch (const EFOpenError& e) {
        return std::string(e.what());
      }
    });
    if (open.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      ADD_FAILURE() << "the open blocks";
      // A writer lets the blocked open return, so the test can end.
      const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      open.wait();
      if (writer >= 0) ::close(writer);
      break;
    }
    EXPECT_NE(open.get().find("not a regular file"), std::string::npos);

    for (auto command : {cli::InfoCommand, cli::RenderCommand}) {
      const std::string out = (dir / "out.png").string();
      const std::string_view args[] = {name, "-o", out};
      const std::span<const std::string_view> all(args);
      ::testing::internal::CaptureStderr();
      const int status = command(command == cli::InfoCommand ? all.first(1) : all);
      const std::string err = ::testing::internal::GetCapturedStderr();
      EXPECT_EQ(status, 1);
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
      EXPECT_FALSE(fs::exists(out));
    }
  }
  fs::remove_all(dir);
}

struct Ran {
  bool ended = false;  // false: still running at the deadline, and killed
  int status = -1;
  std::string err;
};

// Runs the kestril program with its settings in config, killed if it has not ended
// within the deadline, so that a hang fails the test instead of stopping it.
Ran RunKestril(const std::vector<std::string>& args, const fs::path& config, const fs::path& err) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    std::freopen("/dev/null", "w", stdout);
    std::freopen(err.c_str(), "w", stderr);
    std::vector<char*> argv{const_cast<char*>(KESTRIL_BIN)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(KESTRIL_BIN, argv.data());
    ::_exit(127);
  }
  Ran ran;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  while (!ran.ended && std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(child, &status, WNOHANG) == child) {
      ran.ended = true;
    } else {
      ::usleep(10000);
    }
  }
  if (!ran.ended) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(err);
  ran.err.assign(std::istreambuf_iterator<char>(in), {});
  return ran;
}

// A settings file that is not one (a FIFO, a link to a device, a huge file) is never
// waited on nor read without end: pictures are made with the defaults and one warning,
// and `settings set` refuses it, leaving it as it was.
TEST(SpecialFiles, SettingsThatAreNotAFileAreIgnoredOrRefused) {
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("kestril-special-settings-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "kestril");
  const fs::path settings = dir / "kestril" / "settings.reg";
  const std::string drawing = testing::RealDrawingPath("tiny-v600.jws");
  const std::string out = (dir / "out.png").string();
  struct Case {
    std::string name, what;
    std::function<void()> make;
    fs::file_type stays;
  };
  for (const Case& c : {
           Case{"a FIFO", "is a FIFO, not a regular file",
                [&] { ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0); }, fs::file_type::fifo},
           Case{"a link to /dev/zero", "is a character device, not a regular file",
                [&] { fs::create_symlink("/dev/zero", settings); }, fs::file_type::symlink},
           Case{"a file of 2 MB", "is larger than 1 MB",
                [&] {
                  std::ofstream(settings) << "REGEDIT4\n";
                  fs::resize_file(settings, 2 << 20);
                },
                fs::file_type::regular},
       }) {
    SCOPED_TRACE(c.name);
    fs::remove(settings);
    c.make();
    for (const auto& [args, status] :
         {std::pair<std::vector<std::string>, int>{{"render", drawing, "-o", out}, 0},
          {{"thumbnail", drawing, out}, 0},
          {{"settings", "set", "jwzWidth", "100"}, 1},
          {{"settings", "list"}, 1}}) {
      SCOPED_TRACE(args[0] + " " + args[1]);
      fs::remove(out);
      const Ran ran = RunKestril(args, dir, dir / "err.txt");
      ASSERT_TRUE(ran.ended) << "it hangs";
      EXPECT_EQ(ran.status, status) << ran.err;
      EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
      EXPECT_NE(ran.err.find(settings.string() + " " + c.what), std::string::npos) << ran.err;
      EXPECT_EQ(fs::exists(out), status == 0);
    }
    EXPECT_EQ(fs::symlink_status(settings).type(), c.stays);
  }
  EXPECT_EQ(fs::file_size(settings), 2u << 20);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kestril
