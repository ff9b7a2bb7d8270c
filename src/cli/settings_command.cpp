// `kestril settings [list | get NAME | set NAME VALUE... | reset [NAME...]]`: the
// plug-in's settings file, read and changed with the checks of the options dialog.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "config/settings_fields.h"
#include "platform/file_settings_store.h"
#include "plugin/plugin_settings.h"

namespace kestril::cli {
namespace {

std::string Usage(const std::filesystem::path& file) {
  return "usage: kestril settings [list]\n"
         "       kestril settings get NAME\n"
         "       kestril settings set NAME VALUE [NAME VALUE...]\n"
         "       kestril settings reset [NAME...]\n"
         "\n"
         "Shows and changes the settings the image-viewer plug-in and 'kestril render'\n"
         "read: picture and preview sizes (1 to 32767), switches (0 or 1), BmpSFst (0, 1\n"
         "or 2) and colours (#RRGGBB, 0xBBGGRR or decimal). 'list' shows every value with\n"
         "its default; 'set' checks every value before it writes any; 'reset' puts the\n"
         "named values, or all, back to their defaults. Names match regardless of case.\n"
         "\n"
         "The settings file: " +
         (file.empty() ? std::string("(none: neither XDG_CONFIG_HOME nor HOME is set)")
                       : file.string()) +
         "\n"
         "Other keys and lines in it are kept as they are; a file reached through a\n"
         "link is rewritten where it lives, so the link stays. Anything but a regular\n"
         "file of at most 1 MB (a FIFO, a device, a folder) is neither read nor written.\n"
         "\n"
         "Exit status: 0 done, 1 the file could not be read or written, 2 a usage error or\n"
         "a value refused (the file is then left as it was).\n";
}

int Refuse(const std::string& message) {
  std::fprintf(stderr, "kestril settings: %s\n", message.c_str());
  return 2;
}

int Failed(const std::string& message) {
  std::fprintf(stderr, "kestril settings: %s\n", message.c_str());
  return 1;
}

const SettingsField* Field(std::string_view name, std::string& error) {
  const SettingsField* f = FindSettingsField(name);
  if (f == nullptr) error = "unknown setting '" + std::string(name) + "' (run 'kestril settings')";
  return f;
}

// The entry the plug-in itself would write for the value.
SettingsFileModel::Entry EntryOf(const SettingsField& f, uint32_t value) {
  SettingsFileModel::Entry e;
  e.name = std::string(f.name);
  if (f.kind == FieldKind::Colour) {
    e.kind = SettingsFileModel::Entry::Kind::String;
    e.text = std::to_string(static_cast<int32_t>(value));
  } else {
    e.kind = SettingsFileModel::Entry::Kind::Integer;
    e.integer = value;
  }
  return e;
}

int List(const std::filesystem::path& file, const PluginSettings& current) {
  std::error_code ec;
  std::printf("# %s%s\n", file.c_str(),
              std::filesystem::exists(file, ec) ? "" : " (not written yet: defaults)");
  std::printf("%-14s %-10s %-10s %s\n", "NAME", "VALUE", "DEFAULT", "MEANING");
  const PluginSettings defaults;
  for (const SettingsField& f : SettingsFields()) {
    std::printf("%-14.*s %-10s %-10s %.*s\n", static_cast<int>(f.name.size()), f.name.data(),
                FormatFieldValue(f, FieldValue(current, f)).c_str(),
                FormatFieldValue(f, FieldValue(defaults, f)).c_str(),
                static_cast<int>(f.meaning.size()), f.meaning.data());
  }
  return 0;
}

}  // namespace

int SettingsCommand(std::span<const std::string_view> args) {
  const std::filesystem::path file = DefaultSettingsFile();
  const std::string_view verb = args.empty() ? "list" : args.front();
  const std::span<const std::string_view> rest = args.empty() ? args : args.subspan(1);
  if (verb == "-h" || verb == "--help") {
    std::fputs(Usage(file).c_str(), stdout);
    return 0;
  }
  if (verb != "list" && verb != "get" && verb != "set" && verb != "reset") {
    return Refuse("unknown action '" + std::string(verb) +
                  "' (list, get, set or reset; see 'kestril settings --help')");
  }
  if (file.empty()) return Failed("no settings file: neither XDG_CONFIG_HOME nor HOME is set");
  FileSettingsStore store(file);

  if (verb == "list" || verb == "get") {
    if (verb == "list" && !rest.empty()) return Refuse("list takes no arguments");
    if (verb == "get" && rest.size() != 1) return Refuse("get takes one NAME");
    if (const std::string problem = store.Problem(); !problem.empty()) return Failed(problem);
    const PluginSettings current = LoadSettings(store, false);
    if (verb == "list") return List(file, current);
    std::string error;
    const SettingsField* f = Field(rest[0], error);
    if (f == nullptr) return Refuse(error);
    std::printf("%s\n", FormatFieldValue(*f, FieldValue(current, *f)).c_str());
    return 0;
  }

  // set and reset: every name and value is checked before the file is touched.
  std::vector<SettingsFileModel::Entry> puts;
  std::vector<const SettingsField*> removals;
  std::string error;
  if (verb == "set") {
    if (rest.empty() || rest.size() % 2 != 0) return Refuse("set takes NAME VALUE pairs");
    for (size_t i = 0; i < rest.size(); i += 2) {
      const SettingsField* f = Field(rest[i], error);
      if (f == nullptr) return Refuse(error);
      const std::optional<uint32_t> v = ParseFieldValue(*f, rest[i + 1], error);
      if (!v) return Refuse(std::string(f->name) + ": " + error);
      puts.push_back(EntryOf(*f, *v));
    }
  } else if (rest.empty()) {
    for (const SettingsField& f : SettingsFields()) removals.push_back(&f);
  } else {
    for (const std::string_view name : rest) {
      const SettingsField* f = Field(name, error);
      if (f == nullptr) return Refuse(error);
      removals.push_back(f);
    }
  }
  const bool written = store.EditKey(kSettingsKey, [&](SettingsFileModel::Section& key) {
    for (const auto& e : puts) key.Put(e);
    for (const SettingsField* f : removals) key.Remove(f->name);
  });
  if (!written) return Failed(store.LastError());
  const size_t count = puts.size() + removals.size();
  std::printf("%s %zu value%s in %s\n", verb == "set" ? "set" : "reset", count,
              count == 1 ? "" : "s", file.c_str());
  return 0;
}

}  // namespace kestril::cli
