#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/hex.h"
#include "platform/file_settings_store.h"
#include "platform/user_settings.h"

namespace kestril {
namespace {

constexpr std::string_view kHeaderLine = "REGEDIT4";
constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER\\";

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

// A quoted text at the start of s; the position after the closing quote in `end`.
bool ParseQuoted(std::string_view s, std::string& out, size_t& end) {
  if (s.empty() || s[0] != '"') return false;
  out.clear();
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      end = i + 1;
      return true;
    }
    if (c == '\\') {
      if (++i == s.size()) return false;
      out += s[i];
    } else {
      out += c;
    }
  }
  return false;
}

std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool ParseDword(std::string_view s, uint32_t& value) {
  if (s.empty() || s.size() > 8) return false;
  uint32_t v = 0;
  for (char c : s) {
    const int d = HexDigitValue(c);
    if (d < 0) return false;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  value = v;
  return true;
}

SettingsFileModel::Entry ParseValueLine(std::string_view line) {
  SettingsFileModel::Entry e;
  e.text = std::string(line);
  std::string name;
  size_t end = 0;
  if (!ParseQuoted(line, name, end) || end >= line.size() || line[end] != '=') return e;
  const std::string_view data = line.substr(end + 1);
  if (data.starts_with("dword:")) {
    uint32_t v;
    if (!ParseDword(data.substr(6), v)) return e;
    e.kind = SettingsFileModel::Entry::Kind::Integer;
    e.name = std::move(name);
    e.integer = v;
    return e;
  }
  std::string text;
  size_t textEnd = 0;
  if (ParseQuoted(data, text, textEnd) && textEnd == data.size()) {
    e.kind = SettingsFileModel::Entry::Kind::String;
    e.name = std::move(name);
    e.text = std::move(text);
  }
  return e;
}

std::string ReadWholeFile(const std::filesystem::path& file, bool& readable) {
  readable = true;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return {};
  std::ifstream in(file, std::ios::binary);
  if (!in || std::filesystem::is_directory(file, ec)) {
    readable = false;
    return {};
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) readable = false;
  return text.str();
}

bool WriteWholeFile(const std::filesystem::path& file, const std::string& text) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  std::filesystem::path temp = file;
  temp += ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), file.c_str()) == 0;
  if (!ok) std::filesystem::remove(temp, ec);
  return ok;
}

class FileKey final : public SettingsKey {
 public:
  FileKey(std::filesystem::path file, std::string path, SettingsFileModel::Section snapshot)
      : file_(std::move(file)), path_(std::move(path)), snapshot_(std::move(snapshot)) {}

  std::optional<uint32_t> ReadInteger(std::string_view name) const override {
    const auto* e = snapshot_.Find(name);
    if (e == nullptr || e->kind != SettingsFileModel::Entry::Kind::Integer) return std::nullopt;
    return e->integer;
  }

  std::optional<std::string> ReadString(std::string_view name) const override {
    const auto* e = snapshot_.Find(name);
    if (e == nullptr || e->kind != SettingsFileModel::Entry::Kind::String) return std::nullopt;
    return e->text;
  }

  bool WriteInteger(std::string_view name, uint32_t value) override {
    SettingsFileModel::Entry e;
    e.kind = SettingsFileModel::Entry::Kind::Integer;
    e.name = std::string(name);
    e.integer = value;
    return Write(std::move(e));
  }

  bool WriteString(std::string_view name, std::string_view value) override {
    // One value, one line: a line break could not be read back.
    if (value.find_first_of("\r\n") != std::string_view::npos) return false;
    if (name.find_first_of("\r\n") != std::string_view::npos) return false;
    SettingsFileModel::Entry e;
    e.kind = SettingsFileModel::Entry::Kind::String;
    e.name = std::string(name);
    e.text = std::string(value);
    return Write(std::move(e));
  }

 private:
  // Applies the one change to the file as it is now, so values written meanwhile by
  // another process under other names survive.
  bool Write(SettingsFileModel::Entry e) {
    if (!FileSettingsStore(file_).EditKey(path_,
                                          [&](SettingsFileModel::Section& s) { s.Put(e); })) {
      return false;
    }
    snapshot_.Put(std::move(e));
    return true;
  }

  std::filesystem::path file_;
  std::string path_;
  SettingsFileModel::Section snapshot_;
};

}  // namespace

SettingsFileModel SettingsFileModel::Parse(std::string_view text) {
  SettingsFileModel m;
  bool first = true;
  Section* current = nullptr;
  std::string pending;  // a value continued on the next line with a trailing backslash
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = TrimRight(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (!pending.empty()) {
      pending += '\n';
      pending += line;
      if (!line.empty() && line.back() == '\\') continue;
      line = pending;
    } else if (current != nullptr && !line.empty() && line.back() == '\\' && line[0] != ';') {
      pending = std::string(line);
      continue;
    }
    const std::string whole(line);
    pending.clear();
    if (first) {
      first = false;
      if (line == kHeaderLine) continue;
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      m.sections.push_back({std::string(line.substr(1, line.size() - 2)), {}});
      current = &m.sections.back();
      continue;
    }
    if (current == nullptr) {
      if (!line.empty()) m.preamble.push_back(whole);
      continue;
    }
    if (line.empty()) continue;
    current->entries.push_back(ParseValueLine(whole));
  }
  if (!pending.empty() && current != nullptr) current->entries.push_back(ParseValueLine(pending));
  return m;
}

std::string SettingsFileModel::Format() const {
  std::string out(kHeaderLine);
  out += "\n\n";
  for (const std::string& line : preamble) out += line + "\n";
  if (!preamble.empty()) out += "\n";
  for (const Section& s : sections) {
    out += "[" + s.header + "]\n";
    for (const Entry& e : s.entries) {
      switch (e.kind) {
        case Entry::Kind::Integer: {
          char hex[9];
          std::snprintf(hex, sizeof hex, "%08x", e.integer);
          out += Quoted(e.name) + "=dword:" + hex + "\n";
          break;
        }
        case Entry::Kind::String:
          out += Quoted(e.name) + "=" + Quoted(e.text) + "\n";
          break;
        case Entry::Kind::Other:
          out += e.text + "\n";
          break;
      }
    }
    out += "\n";
  }
  return out;
}

const SettingsFileModel::Entry* SettingsFileModel::Section::Find(std::string_view name) const {
  for (const Entry& e : entries) {
    if (e.kind != Entry::Kind::Other && SameNoCase(e.name, name)) return &e;
  }
  return nullptr;
}

void SettingsFileModel::Section::Put(Entry e) {
  for (Entry& old : entries) {
    if (old.kind != Entry::Kind::Other && SameNoCase(old.name, e.name)) {
      e.name = old.name;  // keeps the spelling already in the file
      old = std::move(e);
      return;
    }
  }
  entries.push_back(std::move(e));
}

bool SettingsFileModel::Section::Remove(std::string_view name) {
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->kind != Entry::Kind::Other && SameNoCase(it->name, name)) {
      entries.erase(it);
      return true;
    }
  }
  return false;
}

SettingsFileModel::Section* SettingsFileModel::FindKey(std::string_view path) {
  for (Section& s : sections) {
    std::string_view h = s.header;
    if (h.size() > kUserRoot.size() && SameNoCase(h.substr(0, kUserRoot.size()), kUserRoot) &&
        SameNoCase(h.substr(kUserRoot.size()), path)) {
      return &s;
    }
  }
  return nullptr;
}

SettingsFileModel::Section& SettingsFileModel::AddKey(std::string_view path) {
  sections.push_back({std::string(kUserRoot) + std::string(path), {}});
  return sections.back();
}

std::unique_ptr<SettingsKey> FileSettingsStore::OpenKey(std::string_view path, bool create) {
  if (file_.empty() || path.empty()) return nullptr;
  bool readable;
  const std::string text = ReadWholeFile(file_, readable);
  if (!readable) return nullptr;
  SettingsFileModel model = SettingsFileModel::Parse(text);
  SettingsFileModel::Section* s = model.FindKey(path);
  if (s == nullptr) {
    if (!create) return nullptr;
    s = &model.AddKey(path);
    if (!WriteWholeFile(file_, model.Format())) return nullptr;
  }
  return std::make_unique<FileKey>(file_, std::string(path), *s);
}

bool FileSettingsStore::EditKey(std::string_view path,
                                const std::function<void(SettingsFileModel::Section&)>& edit) {
  // Applied to the file as it is now, so values written meanwhile by another process
  // under other names survive.
  if (file_.empty() || path.empty()) return false;
  bool readable;
  const std::string text = ReadWholeFile(file_, readable);
  if (!readable) return false;
  SettingsFileModel model = SettingsFileModel::Parse(text);
  SettingsFileModel::Section* s = model.FindKey(path);
  if (s == nullptr) s = &model.AddKey(path);
  edit(*s);
  return WriteWholeFile(file_, model.Format());
}

std::filesystem::path DefaultSettingsFile() {
  std::filesystem::path base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return {};
    base = std::filesystem::path(home) / ".config";
  }
  return base / "kestril" / "settings.reg";
}

std::unique_ptr<SettingsStore> OpenUserSettings() {
  return std::make_unique<FileSettingsStore>(DefaultSettingsFile());
}

}  // namespace kestril
