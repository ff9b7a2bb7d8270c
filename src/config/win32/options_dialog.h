// The options dialog on Windows.
#pragma once

#include <functional>

#include "plugin/plugin_settings.h"

namespace kestril {

// Shows the options dialog modally, owned by parent's top-level window when parent is a
// window, editing settings in place and calling publish() after every change that is
// to take effect at once. True when it was closed with every value stored; false when
// it could not be shown, or another one is open (which is brought to the front).
bool ShowOptionsDialog(void* parent, PluginSettings& settings,
                       const std::function<void()>& publish);

}  // namespace kestril
