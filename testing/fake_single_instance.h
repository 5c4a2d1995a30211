#pragma once

#include <functional>
#include <utility>

#include "platform/single_instance.h"

namespace tavrel {

// An instance claim that another start holds or not, as the test says.
class FakeSingleInstance : public SingleInstance {
 public:
  bool Claim(std::function<void()> activate) override {
    if (otherRunning) return false;
    activate_ = std::move(activate);
    return true;
  }

  // Test side: a later start asks this one to come forward.
  void SecondStart() {
    if (activate_) activate_();
  }

  bool otherRunning = false;

 private:
  std::function<void()> activate_;
};

}  // namespace tavrel
