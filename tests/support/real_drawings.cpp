#include "support/real_drawings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kestril::testing {
namespace {

std::filesystem::path Folder() {
  return std::filesystem::path(KESTRIL_TEST_DATA) / "drawings";
}

bool IsDrawing(const std::filesystem::path& p) {
  std::string ext = p.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".jww" || ext == ".jws";
}

}  // namespace

const std::vector<std::string>& RealDrawings() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
      if (entry.is_regular_file() && IsDrawing(entry.path())) {
        found.push_back(entry.path().filename().string());
      }
    }
    std::sort(found.begin(), found.end());
    return found;
  }();
  return names;
}

std::string RealDrawingTestName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return out;
}

std::string RealDrawingPath(const std::string& name) {
  return (Folder() / name).string();
}

}  // namespace kestril::testing
