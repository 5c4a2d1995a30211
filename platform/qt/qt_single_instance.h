#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/single_instance.h"

class QLocalServer;
class QLockFile;

namespace tavrel {

// The claim is a lock file per user and screen in the user's private runtime directory (never
// the machine directory, which may be read-only, nor a place others may write); the holder listens
// on a local socket beside it, and a later start connects there to ask it forward. Create after the
// window service.
class QtSingleInstance : public SingleInstance {
 public:
  QtSingleInstance();
  ~QtSingleInstance() override;
  QtSingleInstance(const QtSingleInstance&) = delete;
  QtSingleInstance& operator=(const QtSingleInstance&) = delete;

  bool Claim(std::function<void()> activate) override;

 private:
  void Listen(std::function<void()> activate);
  // Connects to the holder, which may still be setting up its socket; true once it heard.
  bool AskHolder() const;

  std::string why_;  // why there is no base_
  QString base_;     // the lock file's and the socket's path, without their endings
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace tavrel
