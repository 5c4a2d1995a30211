#pragma once

namespace tavrel {

// A monitor's rectangle in desktop pixels.
struct MonitorRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const MonitorRect&) const = default;
};

// Where absolute pointer input has to land: the primary monitor (0..65535 spans it) inside the
// whole desktop (what a kernel pointer device's range spans).
struct DesktopGeometry {
  MonitorRect desktop;
  MonitorRect primary;
  bool operator==(const DesktopGeometry&) const = default;
};

}  // namespace tavrel
