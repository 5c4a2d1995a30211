#include "platform/qt/qt_single_instance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <chrono>
#include <thread>

#include "platform/linux/run_directory.h"
#include "platform/log.h"

namespace tavrel {

namespace {

constexpr int kAskTimeoutMs = 5000;
constexpr int kAskAttemptMs = 250;

// The screen the program shows on: two screens of one user each get their own program, and
// one screen under two spellings of its name (":56", ":56.0") gets one.
QString ScreenName() {
  const std::string display = NormalisedDisplay(qEnvironmentVariable("DISPLAY").toStdString());
  QString screen = QGuiApplication::platformName() + "-" + QString::fromStdString(display);
  return screen.replace(QRegularExpression("[^A-Za-z0-9._-]"), "_");
}

// The lock and socket paths without their endings; empty, with the reason, when there is no
// private directory to keep them in.
QString BasePath(std::string& why) {
  const auto directory = PrivateRunDirectory(why);
  if (!directory) return {};
  return QString::fromStdString(*directory) + "/tavrel-" + QString::number(::getuid()) + "-" +
         ScreenName();
}

}  // namespace

QtSingleInstance::QtSingleInstance() : base_(BasePath(why_)) {}

QtSingleInstance::~QtSingleInstance() = default;

bool QtSingleInstance::Claim(std::function<void()> activate) {
  if (base_.isEmpty()) {
    log::Info("Cannot tell whether the program runs already (" + why_ +
              "; refused as the place for the instance lock); starting anyway");
    return true;
  }
  lock_ = std::make_unique<QLockFile>(base_ + ".lock");
  // Held for the program's whole life: only a lock whose process is gone is stale.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    Listen(std::move(activate));
    return true;
  }
  if (lock_->error() != QLockFile::LockFailedError) {
    log::Info("Cannot tell whether the program runs already (" + lock_->fileName().toStdString() +
              " cannot be created); starting anyway");
    return true;
  }
  if (!AskHolder()) log::Info("The running program did not answer");
  return false;
}

void QtSingleInstance::Listen(std::function<void()> activate) {
  const QString socket = base_ + ".socket";
  // Left behind by a program that ended without cleaning up; the lock says none runs now.
  QLocalServer::removeServer(socket);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                   [this, activate = std::move(activate)] {
                     while (QLocalSocket* client = server_->nextPendingConnection()) {
                       client->write("ok\n");
                       client->disconnectFromServer();
                       QObject::connect(client, &QLocalSocket::disconnected, client,
                                        &QObject::deleteLater);
                       activate();
                     }
                   });
  if (!server_->listen(socket)) {
    log::Info("Later starts cannot reach this one: " + server_->errorString().toStdString());
  }
}

bool QtSingleInstance::AskHolder() const {
  const QDeadlineTimer deadline(kAskTimeoutMs);
  while (!deadline.hasExpired()) {
    QLocalSocket socket;
    socket.connectToServer(base_ + ".socket");
    if (socket.waitForConnected(kAskAttemptMs)) {
      return socket.waitForReadyRead(kAskTimeoutMs) && socket.readLine().startsWith("ok");
    }
    // Not listening yet: the holder is still starting.
    std::this_thread::sleep_for(std::chrono::milliseconds(kAskAttemptMs));
  }
  return false;
}

}  // namespace tavrel
