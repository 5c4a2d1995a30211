#include "platform/uinput/session_input.h"

#include "platform/log.h"
#include "platform/uinput/uinput_key_service.h"
#include "platform/uinput/uinput_pointer_service.h"
#include "platform/uinput/xkbcommon_layout.h"
#include "platform/x11/randr_monitors.h"
#include "platform/x11/xkb_key_service.h"
#include "platform/x11/xtest_pointer_service.h"

namespace tavrel {

SessionInput::SessionInput() = default;
SessionInput::~SessionInput() = default;

std::string SessionInput::TryUinput(bool withDisplay) {
  UinputPointerService::Geometry geometry;
  if (withDisplay) {
    geometry_ = std::make_unique<X11DesktopGeometry>();
    if (geometry_->IsOpen()) geometry = [this] { return geometry_->Current(); };
    auto serverLayout = std::make_unique<XkbKeyService>();
    if (serverLayout->IsOpen()) layout_ = std::move(serverLayout);
  }
  // Without an X server (none, or a Wayland session without XWayland), the system's layout.
  if (!layout_) {
    auto layout = std::make_unique<XkbCommonLayout>(XkbCommonLayout::FromEnvironment());
    if (!layout->IsValid()) log::Info("No keyboard layout data: the keys type nothing");
    layout_ = std::move(layout);
  }
  auto pointer = std::make_unique<UinputPointerService>(std::move(geometry));
  auto keys = std::make_unique<UinputKeyService>(*layout_);
  const std::string error = !pointer->IsOpen() ? pointer->Error() : keys->Error();
  if (!error.empty()) {
    keys.reset();
    pointer.reset();
    layout_.reset();
    geometry_.reset();
    return error;
  }
  log::Info("Input through the virtual devices " + pointer->EventNode() + " and " +
            keys->EventNode());
  pointer_ = std::move(pointer);
  keys_ = std::move(keys);
  return "";
}

void SessionInput::UseXTest() {
  auto pointer = std::make_unique<XTestPointerService>();
  if (!pointer->IsOpen()) log::Info("No X display with XTest: touches and keys reach nothing");
  pointer_ = std::move(pointer);
  keys_ = std::make_unique<XkbKeyService>();
}

}  // namespace tavrel
