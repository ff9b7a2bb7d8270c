// The kestril command as a user runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct CommandResult {
  int status;
  std::string out;
};

CommandResult Kestril(const std::string& args) {
  const std::string command = std::string(KESTRIL_BIN) + " " + args + " 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  CommandResult r{-1, ""};
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string Data(const char* name) {
  return std::string(KESTRIL_TEST_DATA) + "/drawings/" + name;
}

TEST(InfoCommand, JsonHasExactlyTheDocumentedFields) {
  const CommandResult r = Kestril("info --json " + Data("tiny-v600.jws"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "{\"file\":\"" + Data("tiny-v600.jws") +
                       "\",\"kind\":\"jws\",\"version\":600,\"object_count\":6,\"read_ok\":true,"
                       "\"complete\":true,\"objects_read\":6,"
                       "\"counts\":{\"line\":5,\"arc\":0,\"text\":0,\"point\":1,\"solid\":0,"
                       "\"dimension\":0,\"block\":0,\"blockdef\":0},\"members\":0,"
                       "\"extent\":[-196.152509473959,49.87499330055785,-195.09750947395895,"
                       "53.749993300557755]}\n");
}

TEST(InfoCommand, OneLinePerFileAndStatusOneWhenAnyFails) {
  const CommandResult r = Kestril("info --json " + Data("site-plan-v700.jww") + " " +
                                  Data("README.md") + " /nonexistent.jww");
  EXPECT_EQ(r.status, 1);
  int lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 3);
  EXPECT_NE(r.out.find("\"kind\":\"jww\",\"version\":700"), std::string::npos);
  EXPECT_NE(r.out.find("\"kind\":null"), std::string::npos);
}

TEST(InfoCommand, UsageErrorsAnswerTwo) {
  EXPECT_EQ(Kestril("info").status, 2);
  EXPECT_EQ(Kestril("info --bogus x").status, 2);
  EXPECT_EQ(Kestril("frobnicate").status, 2);
  EXPECT_EQ(Kestril("").status, 2);
  EXPECT_EQ(Kestril("info --help").status, 0);
}

TEST(InfoCommand, SummaryNamesTheKind) {
  const CommandResult r =
      Kestril("info " + std::string(KESTRIL_SOURCE_DIR) + "/samples/sample.jww");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("JWW drawing, version 700"), std::string::npos);
  EXPECT_NE(r.out.find("read:        ok"), std::string::npos);
}

}  // namespace
