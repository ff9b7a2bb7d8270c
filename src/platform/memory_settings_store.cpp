#include "platform/settings_store.h"

namespace kestril {
namespace {

class MemoryKey final : public SettingsKey {
 public:
  explicit MemoryKey(MemorySettingsStore::Values& values) : values_(values) {}

  std::optional<uint32_t> ReadInteger(std::string_view name) const override {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    if (const auto* v = std::get_if<uint32_t>(&it->second)) return *v;
    return std::nullopt;
  }
  std::optional<std::string> ReadString(std::string_view name) const override {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    if (const auto* v = std::get_if<std::string>(&it->second)) return *v;
    return std::nullopt;
  }
  bool WriteInteger(std::string_view name, uint32_t value) override {
    values_.insert_or_assign(std::string(name), value);
    return true;
  }
  bool WriteString(std::string_view name, std::string_view value) override {
    values_.insert_or_assign(std::string(name), std::string(value));
    return true;
  }

 private:
  MemorySettingsStore::Values& values_;
};

}  // namespace

std::unique_ptr<SettingsKey> MemorySettingsStore::OpenKey(std::string_view path, bool create) {
  auto it = keys_.find(path);
  if (it == keys_.end()) {
    if (!create) return nullptr;
    it = keys_.emplace(std::string(path), Values{}).first;
  }
  return std::make_unique<MemoryKey>(it->second);
}

}  // namespace kestril
