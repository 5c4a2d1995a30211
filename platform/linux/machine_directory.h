#pragma once

#include <string>

namespace tavrel {

// The per-machine directory: $TAVREL_MACHINE_DIR, else /var/lib/tavrel.
std::string MachineDirectory();

}  // namespace tavrel
