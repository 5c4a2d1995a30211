#pragma once

#include <string>

namespace tavrel {

// Where the program's message boxes go: the window layer shows them, a command-line tool prints
// them. Callable from any thread; returns once the message has been seen to.
class MessageService {
 public:
  virtual ~MessageService() = default;

  // A modal box with the caption, the text and one OK button, no icon, no owner; returns once
  // the user has closed it. Other windows, the tray icon included, keep working meanwhile.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
};

}  // namespace tavrel
