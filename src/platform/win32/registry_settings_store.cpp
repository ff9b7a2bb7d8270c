#include <windows.h>

#include <string>
#include <vector>

#include "platform/user_settings.h"

namespace kestril {
namespace {

class RegistryKey final : public SettingsKey {
 public:
  explicit RegistryKey(HKEY key) : key_(key) {}
  ~RegistryKey() override { ::RegCloseKey(key_); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  std::optional<uint32_t> ReadInteger(std::string_view name) const override {
    const std::string n(name);
    DWORD type = 0, value = 0, size = sizeof value;
    if (::RegQueryValueExA(key_, n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
      return std::nullopt;
    }
    return value;
  }

  std::optional<std::string> ReadString(std::string_view name) const override {
    const std::string n(name);
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key_, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return std::nullopt;
    }
    // The value may grow between the two calls; ask again until it fits.
    std::vector<char> buf(size + 1);
    for (;;) {
      DWORD got = static_cast<DWORD>(buf.size() - 1);
      const LONG r = ::RegQueryValueExA(key_, n.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(buf.data()), &got);
      if (r == ERROR_MORE_DATA) {
        buf.resize(buf.size() * 2);
        continue;
      }
      if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
      std::string s(buf.data(), got);
      while (!s.empty() && s.back() == '\0') s.pop_back();
      return s;
    }
  }

  bool WriteInteger(std::string_view name, uint32_t value) override {
    const std::string n(name);
    const DWORD v = value;
    return ::RegSetValueExA(key_, n.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                            sizeof v) == ERROR_SUCCESS;
  }

  bool WriteString(std::string_view name, std::string_view value) override {
    const std::string n(name);
    const std::string v(value);
    return ::RegSetValueExA(key_, n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                            static_cast<DWORD>(v.size() + 1)) == ERROR_SUCCESS;
  }

 private:
  HKEY key_;
};

class RegistryStore final : public SettingsStore {
 public:
  std::unique_ptr<SettingsKey> OpenKey(std::string_view path, bool create) override {
    const std::string p(path);
    HKEY key = nullptr;
    LONG r;
    if (create) {
      r = ::RegCreateKeyExA(HKEY_CURRENT_USER, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    } else {
      r = ::RegOpenKeyExA(HKEY_CURRENT_USER, p.c_str(), 0, KEY_READ, &key);
    }
    if (r != ERROR_SUCCESS) return nullptr;
    return std::make_unique<RegistryKey>(key);
  }
};

}  // namespace

std::unique_ptr<SettingsStore> OpenUserSettings() {
  return std::make_unique<RegistryStore>();
}

}  // namespace kestril
