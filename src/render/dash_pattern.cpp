#include "render/dash_pattern.h"

namespace kestril {

TDoubleDynArray BuildDashPattern(const TJwwHeader& header, uint8_t lineType) {
  const uint32_t bits = lineType < kLineTypeEntries ? header.LinePattern[lineType] : 0;
  const double unit = lineType >= 16 && lineType < kLineTypeEntries
                          ? static_cast<double>(header.LinePitch[lineType])
                          : 1.0;
  TDoubleDynArray lengths;
  // The first length is the leading run of ones, 0 when the pattern starts with a zero.
  bool digit = true;
  int run = 0;
  for (int i = 31; i >= 0; --i) {
    const bool bit = (bits >> i) & 1u;
    if (bit == digit) {
      ++run;
      continue;
    }
    lengths.push_back(run * unit);
    digit = bit;
    run = 1;
  }
  lengths.push_back(run * unit);
  if (lengths.size() % 2 != 0) lengths.push_back(1.0);
  return lengths;
}

std::vector<double> RandomLineShape(const TJwwHeader& header, uint8_t lineType) {
  const uint32_t bits = lineType < kLineTypeEntries ? header.LinePattern[lineType] : 0;
  std::vector<double> shape(32);
  for (int i = 0; i < 32; ++i) shape[i] = ((bits >> (31 - i)) & 1u) ? 1.0 : 0.0;
  return shape;
}

bool IsRandomLineType(uint8_t lineType) {
  return lineType >= 11 && lineType <= 15;
}

}  // namespace kestril
