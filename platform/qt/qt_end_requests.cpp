#include "platform/qt/qt_end_requests.h"

#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <string>

#include "platform/log.h"

namespace tavrel {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe from the signal handler to the user-interface thread.
int signalPipe[2] = {-1, -1};
std::atomic<int> signalWriteEnd{-1};

// Only what is safe in a signal handler: one write, errno kept.
void OnSignalArrived(int number) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(number);
  if (::write(signalWriteEnd.load(), &byte, 1) < 0) {
    // Full pipe: a request is already waiting.
  }
  errno = saved;
}

bool Ignored(int number) {
  struct sigaction current {};
  return sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

QtEndRequests::QtEndRequests(QCoreApplication& app) : QObject(&app) {
  app.installEventFilter(this);
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  signalWriteEnd.store(signalPipe[1]);
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { OnSignal(); });
  struct sigaction action {};
  action.sa_handler = OnSignalArrived;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kSignals) {
    if (number == SIGTERM || !Ignored(number)) sigaction(number, &action, nullptr);
  }
}

QtEndRequests::~QtEndRequests() {
  if (notifier_ == nullptr) return;
  for (int number : kSignals) {
    if (!Ignored(number)) signal(number, SIG_DFL);
  }
  signalWriteEnd.store(-1);
  ::close(signalPipe[0]);
  ::close(signalPipe[1]);
}

bool QtEndRequests::eventFilter(QObject* watched, QEvent* event) {
  if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit) return false;
  Request("the desktop session ends");
  return true;
}

void QtEndRequests::OnSignal() {
  unsigned char number = 0;
  while (::read(signalPipe[0], &number, 1) == 1) {
    const char* name = sigabbrev_np(number);
    Request((name ? "SIG" + std::string(name) : "signal " + std::to_string(number)) + " received");
  }
}

void QtEndRequests::Request(const std::string& cause) {
  if (requested_) return;
  requested_ = true;
  log::Info(cause + ": ending as on Close");
  // A copy: the handler may end its own watch.
  if (const auto end = end_) end();
  QCoreApplication::exit(0);
}

}  // namespace tavrel
