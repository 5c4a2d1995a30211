#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_service.h"

namespace tavrel {

// Records what the core asks of the windows; message boxes return at once.
class FakeWindowService : public WindowService {
 public:
  struct Message {
    std::string caption;
    std::string text;
  };

  void ShowMessage(const std::string& caption, const std::string& text) override {
    std::lock_guard lock(mutex_);
    messages_.push_back({caption, text});
  }
  void SetButtonImage(ControlHandle button, ImageHandle image) override {
    std::lock_guard lock(mutex_);
    buttonImages_[button] = image;
    ++imageChanges_;
  }

  std::vector<Message> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  ImageHandle ButtonImage(ControlHandle button) const {
    std::lock_guard lock(mutex_);
    auto it = buttonImages_.find(button);
    return it == buttonImages_.end() ? 0 : it->second;
  }
  int ImageChanges() const {
    std::lock_guard lock(mutex_);
    return imageChanges_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Message> messages_;
  std::map<ControlHandle, ImageHandle> buttonImages_;
  int imageChanges_ = 0;
};

}  // namespace tavrel
