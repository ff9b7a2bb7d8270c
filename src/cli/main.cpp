// The `kestril` command: inspects and renders Jw_cad drawings through the same body
// as the image-viewer plug-in.
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace {

constexpr const char* kUsage =
    "usage: kestril COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info FILE... [--json]   what the reader makes of Jw_cad files (JWW, JWS, bare)\n"
    "  render [FILE...] [-o OUT|DIR/] [--format png|bmp|svg|pdf] [-j N] [--mm] ...\n"
    "                          the image-viewer plug-in's picture of drawings, as PNG,\n"
    "                          BMP, SVG or PDF (without FILE: the bundled sample)\n"
    "  thumbnail [-s SIZE] INPUT OUTPUT.png\n"
    "                          a thumbnail for file managers (freedesktop conventions)\n"
    "  settings [list | get NAME | set NAME VALUE... | reset [NAME...]]\n"
    "                          the plug-in's settings: sizes, switches, colours\n"
    "\n"
    "Run 'kestril COMMAND --help' for the options of a command, 'kestril --version'\n"
    "for the version; 'man kestril' tells everything.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string_view command = args.front();
  const std::span<const std::string_view> rest(args.data() + 1, args.size() - 1);
  if (command == "info") return kestril::cli::InfoCommand(rest);
  if (command == "render") return kestril::cli::RenderCommand(rest);
  if (command == "settings") return kestril::cli::SettingsCommand(rest);
  if (command == "thumbnail") return kestril::cli::ThumbnailCommand(rest);
  if (command == "--version" || command == "-V") {
    std::puts("kestril " KESTRIL_VERSION);
    return 0;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::fprintf(stderr, "kestril: unknown command '%.*s'\n%s", static_cast<int>(command.size()),
               command.data(), kUsage);
  return 2;
}
