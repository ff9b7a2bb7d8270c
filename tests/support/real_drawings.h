// The real drawings made with Jw_cad by people outside the project (tests/data/drawings):
// one list for every test that goes through them.
#pragma once

#include <string>
#include <vector>

namespace kestril::testing {

// File names, sorted: every .jww and .jws file of the folder.
const std::vector<std::string>& RealDrawings();
std::string RealDrawingPath(const std::string& name);

// A test name for a drawing's file name ("site-plan-v700.jww" -> "site_plan_v700_jww").
std::string RealDrawingTestName(const std::string& name);

// For INSTANTIATE_TEST_SUITE_P(..., ::testing::ValuesIn(RealDrawings()), NameOfDrawing).
inline constexpr auto NameOfDrawing = [](const auto& info) {
  return RealDrawingTestName(info.param);
};

}  // namespace kestril::testing
