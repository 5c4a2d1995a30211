#pragma once

#include <QObject>
#include <functional>
#include <string>

class QCoreApplication;
class QSocketNotifier;

namespace tavrel {

// Requests to end the program from outside: SIGTERM, SIGINT and SIGHUP (the last two only when
// they are not ignored, as under nohup), and the end of the desktop session, which the session
// manager's connection turns into a quit event on the application. Each runs the handler on the
// user-interface thread and then ends every event loop that is running, so that the program
// unwinds through its own code and nothing it holds is left behind.
class QtEndRequests : public QObject {
 public:
  explicit QtEndRequests(QCoreApplication& app);
  ~QtEndRequests() override;
  QtEndRequests(const QtEndRequests&) = delete;
  QtEndRequests& operator=(const QtEndRequests&) = delete;

  void SetHandler(std::function<void()> end) { end_ = std::move(end); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnSignal();
  void Request(const std::string& cause);

  QSocketNotifier* notifier_ = nullptr;
  std::function<void()> end_;
  bool requested_ = false;
};

}  // namespace tavrel
