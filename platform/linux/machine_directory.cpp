#include "platform/linux/machine_directory.h"

#include <cstdlib>

namespace tavrel {

std::string MachineDirectory() {
  const char* dir = std::getenv("TAVREL_MACHINE_DIR");
  return dir && *dir ? dir : "/var/lib/tavrel";
}

}  // namespace tavrel
