#pragma once

#include "cli/CliOptions.h"

#include <functional>

namespace CliSettings {

// Loads the program as the window does (the domain table, the default domains and the settings; nothing is
// written) and puts the options given over the settings. False when it cannot run; `say` has been told why, and
// before that of a damaged settings file.
bool load(const CliOptions& options, const std::function<void(const QString&)>& say);

} // namespace CliSettings
