// A registry work-alike in one text file, in the REGEDIT4 layout that regedit reads
// and writes, so the file can be read, edited and even imported on Windows:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Tovalin\Susie\Plug-in\Ferrand]
//   "jwwWidth"=dword:00000320
//   "PenColor00"="16777215"
//
// Keys and value names match without regard to ASCII case, as in the registry. A
// value is a 32-bit integer (dword:) or a string ("..." with \\ and \" escaped); any
// other value (hex:..., @=...), comment or key outside HKEY_CURRENT_USER is kept as
// written and reads as absent. Every write rewrites the file through a temporary file
// and a rename, so a reader never sees half a file; a file reached through links is
// rewritten where it lives, so the links stay.
//
// Only a regular file of at most kMaxSettingsBytes is read, never waiting on it: a FIFO,
// a device, a folder or a larger file reads as no settings (with one warning, see
// SetSettingsWarning) and is not written over.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace kestril {

inline constexpr size_t kMaxSettingsBytes = size_t{1} << 20;

// The file's contents as the store sees them: exposed for tests.
struct SettingsFileModel {
  struct Entry {
    enum class Kind { Integer, String, Other } kind = Kind::Other;
    std::string name;      // Integer and String
    uint32_t integer = 0;  // Integer
    std::string text;      // String: the value; Other: the line(s) as written
  };
  struct Section {
    std::string header;  // between the brackets, as written
    std::vector<Entry> entries;

    // The integer or string value of that name (ASCII case ignored), or nullptr.
    const Entry* Find(std::string_view name) const;
    // Replaces the value of e's name, keeping the spelling already there, or appends e.
    void Put(Entry e);
    // Removes the value of that name; false when there was none.
    bool Remove(std::string_view name);
  };
  std::vector<std::string> preamble;  // lines before the first key, header line excluded
  std::vector<Section> sections;

  static SettingsFileModel Parse(std::string_view text);
  std::string Format() const;
  // The section of a key below HKEY_CURRENT_USER, or nullptr.
  Section* FindKey(std::string_view path);
  Section& AddKey(std::string_view path);
};

class FileSettingsStore final : public SettingsStore {
 public:
  explicit FileSettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

  // Answers nullptr when the file exists but cannot be read, or when a key to be
  // created cannot be written.
  std::unique_ptr<SettingsKey> OpenKey(std::string_view path, bool create) override;

  const std::filesystem::path& File() const { return file_; }

  // Lets edit change the values of one key (created when missing), then rewrites the
  // file once: every change or none. False, with the file as it was and the reason in
  // LastError, when the file cannot be read or written.
  bool EditKey(std::string_view path, const std::function<void(SettingsFileModel::Section&)>& edit);
  // Why the last EditKey failed, naming the file and the system's reason.
  const std::string& LastError() const { return error_; }

  // Why the file cannot be read as settings, naming it; empty when it can or is not
  // there.
  std::string Problem() const;

 private:
  std::filesystem::path file_;
  std::string error_;
};

// Called the first time after it is set that a settings file cannot be read as settings,
// with a line naming the file and why, so that a program can say once that its
// settings are ignored. Without one, nothing is said.
void SetSettingsWarning(std::function<void(const std::string&)> warn);

// $XDG_CONFIG_HOME/kestril/settings.reg, or ~/.config/kestril/settings.reg when
// XDG_CONFIG_HOME is unset or not absolute; empty when neither can be found.
std::filesystem::path DefaultSettingsFile();

}  // namespace kestril
