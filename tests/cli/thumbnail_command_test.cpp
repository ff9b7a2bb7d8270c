// `kestril thumbnail`'s own rules: the URIs it reads and writes, the size it fits the
// picture into, and its answers to wrong use. Pictures are compared with the loader's
// in tests/desktop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "desktop/sized_picture.h"

namespace kestril::cli {
namespace {

TEST(ThumbnailCommand, FileUris) {
  const struct {
    const char* uri;
    bool ok;
    const char* path;
  } cases[] = {
      {"file:///a/b.jww", true, "/a/b.jww"},
      {"FILE://localhost/a%20b/%E5%9B%B3.jww", true, "/a b/\xE5\x9B\xB3.jww"},
      {"file://server/a.jww", false, ""},
      {"http://host/a.jww", false, ""},
      {"file:///a%2", false, ""},
      {"file:///a%00b", false, ""},
      {"file:///a.jww?x", false, ""},
  };
  for (const auto& c : cases) {
    std::string path;
    EXPECT_EQ(PathOfFileUri(c.uri, path), c.ok) << c.uri;
    if (c.ok) {
      EXPECT_EQ(path, c.path) << c.uri;
    }
  }
  EXPECT_EQ(FileUriOfPath("/d/a b#%/\xE5\x9B\xB3.jww"), "file:///d/a%20b%23%25/%E5%9B%B3.jww");
  std::string back;
  ASSERT_TRUE(PathOfFileUri(FileUriOfPath("/x/ä ?.jws"), back));
  EXPECT_EQ(back, "/x/ä ?.jws");
}

TEST(ThumbnailCommand, FitsTheLongerSide) {
  const struct {
    PictureSize natural;
    int32_t size;
    PictureSize fit;
  } cases[] = {
      {{800, 600}, 128, {128, 96}}, {{600, 800}, 256, {192, 256}}, {{400, 300}, 57, {57, 43}},
      {{1000, 1}, 10, {10, 1}},     {{300, 300}, 512, {512, 512}},
  };
  for (const auto& c : cases) {
    const PictureSize fit = FitSquare(c.natural, c.size);
    EXPECT_EQ(fit.width, c.fit.width) << c.natural.width << "x" << c.natural.height;
    EXPECT_EQ(fit.height, c.fit.height) << c.natural.width << "x" << c.natural.height;
  }
}

TEST(ThumbnailCommand, UsageErrors) {
  const std::vector<std::vector<std::string_view>> cases = {
      {},
      {"in.jww"},
      {"-s", "0", "in.jww", "out.png"},
      {"-s", "4097", "a", "b"},
      {"-s"},
      {"--bogus", "a", "b"},
      {"a", "b", "c"},
  };
  for (const auto& args : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ThumbnailCommand(args), 2) << args.size();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("kestril thumbnail"),
              std::string::npos);
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ThumbnailCommand(std::vector<std::string_view>{"/no/such.jww", "/tmp/x.png"}), 1);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("/no/such.jww"), std::string::npos);
}

}  // namespace
}  // namespace kestril::cli
