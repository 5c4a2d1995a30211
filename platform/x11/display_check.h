#pragma once

#include <optional>
#include <string>

namespace tavrel {

// Why the program cannot show its windows on an X display, or nothing when it can, or when the
// environment chose a Qt platform that needs none (QT_QPA_PLATFORM=offscreen). Asked before the
// window layer starts, which would otherwise abort the process.
std::optional<std::string> MissingDisplay();

}  // namespace tavrel
