#pragma once

#include "platform/system_parameters.h"

namespace tavrel {

// Keeps the values in the given service and applies the double-click time to the program's own
// windows, the one setting of the four that Qt lets an application change for itself.
class QtSystemParameters : public SystemParameters {
 public:
  explicit QtSystemParameters(SystemParameters& kept) : kept_(kept) {}

  void Set(SystemParameter which, int32_t value) override;
  int32_t DoubleClickTime() override { return kept_.DoubleClickTime(); }
  int32_t MouseTrails() override { return kept_.MouseTrails(); }

 private:
  SystemParameters& kept_;
};

}  // namespace tavrel
