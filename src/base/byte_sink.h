// Where a file writer's bytes go. The writers of pictures and pages (PNG, BMP, SVG,
// PDF) only append bytes; the sink owns the file, checks every write and knows the
// name to report, which is the output's and not that of a temporary behind it.
#pragma once

#include <cstddef>
#include <string>

namespace kestril {

class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // Appends n bytes or raises Error naming the output and the system's reason. After a
  // failure every later write raises the same error: the first reason is the one kept.
  virtual void Write(const void* data, size_t n) = 0;
  // The output's name as the user knows it, for messages.
  virtual const std::string& Name() const = 0;
};

}  // namespace kestril
