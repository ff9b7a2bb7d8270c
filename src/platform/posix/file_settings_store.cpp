#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "base/ascii.h"
#include "base/hex.h"
#include "platform/file_settings_store.h"
#include "platform/user_settings.h"

namespace kestril {
namespace {

constexpr std::string_view kHeaderLine = "REGEDIT4";
constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER\\";

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

std::atomic<bool> warned{false};
std::function<void(const std::string&)>& WarningHandler() {
  static std::function<void(const std::string&)> handler;
  return handler;
}

void WarnOnce(const std::string& problem) {
  if (!WarningHandler() || warned.exchange(true)) return;
  WarningHandler()(problem + "; it is ignored and the defaults apply");
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

std::string NotRegular(const std::filesystem::path& file, mode_t mode) {
  const char* kind = KindOf(mode);
  return file.string() + " is " + kind + (kind[0] == 'a' ? ", not a regular file" : "");
}

std::string CannotRead(const std::filesystem::path& file, int error) {
  return "cannot read " + file.string() + ": " + std::strerror(error);
}

// The file's text, or in `problem` why it cannot be read as settings. A file that is
// not there reads as empty. Nothing but a regular file of at most kMaxSettingsBytes is
// read, and nothing is waited on: a FIFO or a device is refused, not opened for long.
std::string ReadSettingsFile(const std::filesystem::path& file, std::string& problem) {
  problem.clear();
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) {
    if (errno != ENOENT) problem = CannotRead(file, errno);
    return {};
  }
  if (!S_ISREG(st.st_mode)) {
    problem = NotRegular(file, st.st_mode);
    return {};
  }
  // Checked again on what was opened: the name may have changed meanwhile.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) problem = CannotRead(file, errno);
    return {};
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (::fstat(fd, &st) != 0) {
    problem = CannotRead(file, errno);
    return {};
  }
  if (!S_ISREG(st.st_mode)) {
    problem = NotRegular(file, st.st_mode);
    return {};
  }
  const std::string tooLarge = file.string() + " is larger than 1 MB, more than settings take";
  if (st.st_size > static_cast<off_t>(kMaxSettingsBytes)) {
    problem = tooLarge;
    return {};
  }
  // Read to its end, which may lie beyond the size it had (a file that grows).
  std::string text;
  text.reserve(static_cast<size_t>(st.st_size));
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problem = CannotRead(file, errno);
      return {};
    }
    if (n == 0) return text;
    if (text.size() + static_cast<size_t>(n) > kMaxSettingsBytes) {
      problem = tooLarge;
      return {};
    }
    text.append(chunk, static_cast<size_t>(n));
  }
}

// The file a settings file's name leads to through its links, so that a linked file
// (dotfiles kept elsewhere) is rewritten where it lives and the link stays.
std::filesystem::path LinkTarget(std::filesystem::path file) {
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(file, ec)) break;
    const std::filesystem::path target = std::filesystem::read_symlink(file, ec);
    if (ec) break;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return file;
}

// Rewrites the file (the target of its links) through a temporary beside the target
// and a rename, every step checked; the old file's permissions are kept. Empty when
// done, else why not, naming the file as given.
std::string WriteSettingsFile(const std::filesystem::path& file, const std::string& text) {
  const std::filesystem::path target = LinkTarget(file);
  const auto failed = [&](int error) {
    return "cannot write " + file.string() + ": " + std::strerror(error);
  };
  std::error_code ec;
  if (!target.parent_path().empty()) std::filesystem::create_directories(target.parent_path(), ec);
  if (ec) return failed(ec.value());
  std::filesystem::path temp = target.parent_path();
  temp /= "." + target.filename().string() + ".kestril-tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return failed(errno);
  int error = 0;
  struct stat old;
  if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  size_t done = 0;
  while (error == 0 && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0 && std::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return failed(error);
  }
  return {};
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
    if (e.kind != Entry::Kind::Other && EqualsNoCase(e.name, name)) return &e;
  }
  return nullptr;
}

void SettingsFileModel::Section::Put(Entry e) {
  for (Entry& old : entries) {
    if (old.kind != Entry::Kind::Other && EqualsNoCase(old.name, e.name)) {
      e.name = old.name;  // keeps the spelling already in the file
      old = std::move(e);
      return;
    }
  }
  entries.push_back(std::move(e));
}

bool SettingsFileModel::Section::Remove(std::string_view name) {
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->kind != Entry::Kind::Other && EqualsNoCase(it->name, name)) {
      entries.erase(it);
      return true;
    }
  }
  return false;
}

SettingsFileModel::Section* SettingsFileModel::FindKey(std::string_view path) {
  for (Section& s : sections) {
    std::string_view h = s.header;
    if (h.size() > kUserRoot.size() && EqualsNoCase(h.substr(0, kUserRoot.size()), kUserRoot) &&
        EqualsNoCase(h.substr(kUserRoot.size()), path)) {
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
  std::string problem;
  const std::string text = ReadSettingsFile(file_, problem);
  if (!problem.empty()) {
    WarnOnce(problem);
    return nullptr;
  }
  SettingsFileModel model = SettingsFileModel::Parse(text);
  SettingsFileModel::Section* s = model.FindKey(path);
  if (s == nullptr) {
    if (!create) return nullptr;
    s = &model.AddKey(path);
    if (!WriteSettingsFile(file_, model.Format()).empty()) return nullptr;
  }
  return std::make_unique<FileKey>(file_, std::string(path), *s);
}

bool FileSettingsStore::EditKey(std::string_view path,
                                const std::function<void(SettingsFileModel::Section&)>& edit) {
  // Applied to the file as it is now, so values written meanwhile by another process
  // under other names survive.
  error_.clear();
  if (file_.empty() || path.empty()) {
    error_ = "no settings file";
    return false;
  }
  std::string problem;
  const std::string text = ReadSettingsFile(file_, problem);
  if (!problem.empty()) {
    error_ = problem + "; nothing is written";
    return false;
  }
  SettingsFileModel model = SettingsFileModel::Parse(text);
  SettingsFileModel::Section* s = model.FindKey(path);
  if (s == nullptr) s = &model.AddKey(path);
  edit(*s);
  error_ = WriteSettingsFile(file_, model.Format());
  return error_.empty();
}

std::string FileSettingsStore::Problem() const {
  std::string problem;
  if (!file_.empty()) ReadSettingsFile(file_, problem);
  return problem;
}

void SetSettingsWarning(std::function<void(const std::string&)> warn) {
  WarningHandler() = std::move(warn);
  warned = false;
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
