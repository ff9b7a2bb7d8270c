// Small services of the operating system.
#pragma once

#include <cstdint>
#include <string>

namespace kestril {

// The system's default beep (nothing where there is no such sound).
void DefaultBeep();

// The folder of the running program, without a trailing separator.
std::string ExecutableFolder();

// Lets the calling thread's windows process their pending messages.
void PumpMessages();

// A file's last modification in seconds since 1970-01-01 UTC; 0 when unknown.
int64_t FileModifiedTime(const std::string& path);

}  // namespace kestril
