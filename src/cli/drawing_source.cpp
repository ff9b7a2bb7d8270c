#include "cli/drawing_source.h"

#include <filesystem>
#include <system_error>

#include "platform/system.h"

namespace kestril::cli {

ReaderEnvironment SourceEnvironment(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  const std::string full = ec ? path : absolute.lexically_normal().string();
  ReaderEnvironment env;
  env.source = SourceFile{full, FileModifiedTime(full)};
  env.hostFolder = ExecutableFolder();
  return env;
}

std::string BundledSample() {
  std::error_code ec;
  const std::filesystem::path installed =
      std::filesystem::path(ExecutableFolder()) / ".." / "share" / "kestril" / "sample.jww";
  if (std::filesystem::is_regular_file(installed, ec)) return installed.lexically_normal().string();
  return KESTRIL_SAMPLE;
}

}  // namespace kestril::cli
