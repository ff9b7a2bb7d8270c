// The current user's settings store: HKEY_CURRENT_USER of the registry on Windows;
// elsewhere a file with the registry's keys and typed values (see file_settings_store.h).
#pragma once

#include <memory>

#include "platform/settings_store.h"

namespace kestril {

std::unique_ptr<SettingsStore> OpenUserSettings();

}  // namespace kestril
