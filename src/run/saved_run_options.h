// The run options as the main window last saved its controls, for runs without a window.
#pragma once

#include "run/run_options.h"

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::run {

// Reads the options from section "基本配置" (the main window's controls under their names) and the
// skip-on-rewrite-failure box from section "外调接口" (the service settings window), each control's
// default when its key is missing. Leaves the store's current section on "基本配置".
RunOptions ReadSavedRunOptions(config::ConfigStore& store);

} // namespace kc::run
