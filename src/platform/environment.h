#pragma once
// What this process was given in its environment: the variables, read in one place so that an unset
// variable and an empty one mean the same everywhere, and whether a display was set.

#include <string>

namespace qel::platform {

// The value of an environment variable; empty when it is unset.
[[nodiscard]] std::string Environment(const char* name);

// The value of an environment variable, or `fallback` when it is unset or empty.
[[nodiscard]] std::string EnvironmentOr(const char* name, const std::string& fallback);

// True when a graphical display is set for this process (X11 or Wayland).
[[nodiscard]] bool HasDisplay();

}  // namespace qel::platform
