// The subcommands of the `kestril` program. Each answers the process exit status:
// 0 success, 1 a file could not be handled, 2 a usage error.
#pragma once

#include <span>
#include <string_view>

namespace kestril::cli {

int InfoCommand(std::span<const std::string_view> args);
int RenderCommand(std::span<const std::string_view> args);
int SettingsCommand(std::span<const std::string_view> args);

}  // namespace kestril::cli
