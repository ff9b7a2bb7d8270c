#include "graphics/image/image_cache.h"

#include <atomic>
#include <new>

namespace kestril {
namespace {

std::atomic<int64_t> decodes{0};

}  // namespace

int64_t ImageDecodesSoFar() {
  return decodes.load();
}

const ImageCache::Entry* ImageCache::Find(const std::string& key) const {
  if (const auto it = entries_.find(key); it != entries_.end()) return &it->second;
  if (const auto it = aliases_.find(key); it != aliases_.end()) return it->second;
  return nullptr;
}

const ImageCache::Entry& ImageCache::Decode(const std::string& key, ImageFormat format,
                                            std::span<const uint8_t> bytes) {
  ++decodes;
  Entry entry;
  try {
    auto image = std::make_unique<DecodedImage>(DecodeImage(format, bytes, remaining_));
    remaining_ -= int64_t{image->width} * image->height;
    entry.image = std::move(image);
  } catch (const EImageOverBudget&) {
    entry.overBudget = true;
  } catch (const Error&) {
    // Not a picture of its kind, or beyond the limits: nothing to draw.
  } catch (const std::bad_alloc&) {
  }
  return entries_.insert_or_assign(key, std::move(entry)).first->second;
}

const ImageCache::Entry& ImageCache::Nothing(const std::string& key) {
  return entries_.insert_or_assign(key, Entry{}).first->second;
}

bool ImageCache::Spend(int64_t pixels) {
  if (pixels > remaining_) {
    Skip();
    return false;
  }
  remaining_ -= pixels;
  return true;
}

}  // namespace kestril
