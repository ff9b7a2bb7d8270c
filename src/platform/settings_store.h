// The current user's settings, shaped like the Windows registry: keys holding named
// values that are either 32-bit integers or strings. A value read as the other type
// is absent, as in the registry.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kestril {

class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  virtual std::optional<uint32_t> ReadInteger(std::string_view name) const = 0;
  virtual std::optional<std::string> ReadString(std::string_view name) const = 0;
  virtual bool WriteInteger(std::string_view name, uint32_t value) = 0;
  virtual bool WriteString(std::string_view name, std::string_view value) = 0;
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // A key below the current user's root, path parts separated by backslashes. Answers
  // nullptr when the key cannot be opened, or is missing and create is false.
  virtual std::unique_ptr<SettingsKey> OpenKey(std::string_view path, bool create) = 0;
};

// Keys and values in memory; changes are seen by keys opened later.
class MemorySettingsStore final : public SettingsStore {
 public:
  using Value = std::variant<uint32_t, std::string>;
  using Values = std::map<std::string, Value, std::less<>>;

  std::unique_ptr<SettingsKey> OpenKey(std::string_view path, bool create) override;

  // Direct access for tests.
  Values& Key(std::string_view path) { return keys_[std::string(path)]; }
  bool HasKey(std::string_view path) const { return keys_.count(std::string(path)) != 0; }

 private:
  std::map<std::string, Values, std::less<>> keys_;
};

}  // namespace kestril
