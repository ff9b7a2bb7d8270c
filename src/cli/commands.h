// The subcommands of the `kestril` program. Each answers the process exit status:
// 0 success, 1 a file could not be handled, 2 a usage error.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kestril::cli {

int InfoCommand(std::span<const std::string_view> args);
int RenderCommand(std::span<const std::string_view> args);
int SettingsCommand(std::span<const std::string_view> args);
int ThumbnailCommand(std::span<const std::string_view> args);

// The local path a file:// URI names (host empty or "localhost", %XX escapes decoded);
// false for any other URI.
bool PathOfFileUri(std::string_view uri, std::string& path);
// The file:// URI of an absolute path, bytes outside the unreserved set escaped.
std::string FileUriOfPath(const std::string& absolutePath);

}  // namespace kestril::cli
