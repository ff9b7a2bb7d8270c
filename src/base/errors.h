// Failures inside kestril are exceptions. Readers turn them into a boolean answer;
// the host interface turns whatever escapes into the interface's result codes.
#pragma once

#include <stdexcept>
#include <string>

namespace kestril {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Out of memory or of system resources (bitmaps, handles). std::bad_alloc counts too.
class EOutOfResources : public Error {
 public:
  using Error::Error;
};

// A file that cannot be opened for reading.
class EFOpenError : public Error {
 public:
  using Error::Error;
};

// A stream read or write that could not be completed (reading past the end).
class EReadError : public Error {
 public:
  using Error::Error;
};

// Text that should hold a number and does not.
class EConvertError : public Error {
 public:
  using Error::Error;
};

}  // namespace kestril
