#pragma once

#include <functional>

namespace tavrel {

// One running program per user and screen: a second start hands over to the first.
class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // True when no other instance runs: this one holds the claim until it ends, and `activate`
  // runs on the user-interface thread each time a later start asks for it. False when one runs
  // already: it has been asked to come forward, and this start is to end.
  virtual bool Claim(std::function<void()> activate) = 0;
};

}  // namespace tavrel
