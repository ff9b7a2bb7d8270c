// The images one picture shows, each decoded once however many references show it, and
// the budget of decoded pixels they share. Whoever draws a picture keeps one cache for
// all of it (every band of a banded picture, the whole of a page); the images go with
// the cache when the picture is done.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "graphics/image/image_decoder.h"

namespace kestril {

// What one picture may decode in all: four of the largest images.
inline constexpr int64_t kPictureImagePixels = int64_t{256} << 20;

class ImageCache {
 public:
  explicit ImageCache(int64_t pixelBudget = kPictureImagePixels) : remaining_(pixelBudget) {}
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // What a file gave: its image, or nothing when it is not a picture that can be read
  // (or no file was found); overBudget when it was not decoded for want of budget.
  struct Entry {
    std::unique_ptr<const DecodedImage> image;
    bool overBudget = false;
  };

  // The entry under `key` (a reference's text or a file's resolved name), or nullptr.
  const Entry* Find(const std::string& key) const;
  // Decodes bytes as format within what is left of the budget and keeps the outcome
  // under `key`. What is wrong with the file is kept, not raised.
  const Entry& Decode(const std::string& key, ImageFormat format, std::span<const uint8_t> bytes);
  // Keeps `entry` under a further key.
  void Alias(const std::string& key, const Entry& entry) { aliases_[key] = &entry; }
  // Keeps under `key` that it leads to no image.
  const Entry& Nothing(const std::string& key);

  // Takes pixels from the budget for a copy drawn beside the images (a page's own copy
  // of part of one); false, counting a skipped reference, when they are not left.
  bool Spend(int64_t pixels);
  // A reference not drawn for want of budget.
  void Skip() { ++skipped_; }
  int64_t Skipped() const { return skipped_; }
  int64_t Remaining() const { return remaining_; }

 private:
  std::unordered_map<std::string, Entry> entries_;
  std::unordered_map<std::string, const Entry*> aliases_;
  int64_t remaining_;
  int64_t skipped_ = 0;
};

// Decodes started by every cache of this process so far: for tests that count them.
int64_t ImageDecodesSoFar();

}  // namespace kestril
