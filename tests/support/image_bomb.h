// Drawings that refer to large images many times, and the images: for the image
// budget's tests and benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestril::testing {

// A one-bit grey PNG of width x height: squares of `square` pixels, black and white as
// on a chessboard, black at the top left. Tiny on disk (a few KB for 8192 x 8192),
// width x height pixels decoded.
void WriteCheckerPng(const std::filesystem::path& file, uint32_t width, uint32_t height,
                     uint32_t square);

// A JWW drawing whose one block holds one "^@BM<image>,10,10" reference, inserted
// `inserts` times on a grid 20 inserts wide, 12 units apart (the first at the origin);
// a frame line from (-1, -1) keeps the extent's corner.
std::vector<uint8_t> ImageBombDrawing(const std::string& image, uint32_t inserts);

// A JWW drawing of one "^@BM<image>,10,10" text for each image, side by side 12 units
// apart; the same image may be named more than once.
std::vector<uint8_t> ImageRowDrawing(const std::vector<std::string>& images);

// The lower-left corner of insert i of ImageBombDrawing.
inline double BombInsertX(uint32_t i) {
  return 12.0 * (i % 20);
}
inline double BombInsertY(uint32_t i) {
  return 12.0 * (i / 20);
}

}  // namespace kestril::testing
