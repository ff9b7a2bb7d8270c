// Names that are not regular files (a FIFO without a writer, a folder, a device) are
// refused at once, with one line on standard error, instead of blocking in the open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "cli/commands.h"
#include "platform/native_file.h"

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

}  // namespace
}  // namespace kestril
