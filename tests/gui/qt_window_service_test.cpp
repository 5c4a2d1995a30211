#include "platform/qt/qt_window_service.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "resources/resource_ids.h"

namespace tavrel {
namespace {

namespace id = resource_id;

QtWindowService& Service() {
  static int argc = 1;
  static char name[] = "qt_window_test";
  static char* argv[] = {name, nullptr};
  static QtWindowService* service = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QtWindowService(argc, argv);
  }();
  return *service;
}

// Runs f on the user-interface thread once the current modal run dispatches.
void Soon(std::function<void()> f) { QTimer::singleShot(0, qApp, std::move(f)); }

// Dialog events that call the test's hooks.
struct Events : DialogEvents {
  std::function<void(WindowHandle)> init;
  std::vector<int32_t> commands;
  std::vector<int32_t> sysCommands;
  int closes = 0;
  WindowHandle window = 0;
  int32_t Init(WindowHandle w) override {
    window = w;
    if (init) init(w);
    return 1;
  }
  void Command(int32_t id) override { commands.push_back(id); }
  void Close() override {
    ++closes;
    Service().EndDialog(window, kIdCancel);
  }
  void Trackbar(int32_t) override {}
  void LeftButtonDown(int32_t, int32_t) override {}
  void LeftButtonUp(int32_t, int32_t) override {}
  void SysCommand(int32_t id) override { sysCommands.push_back(id); }
  void TrayNotify(int32_t, int32_t) override {}
};

QWidget* TopLevel(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowTitle() == title) return widget;
  }
  return nullptr;
}

TEST(QtWindowServiceTest, PanelTemplateBuildsTheButtonsWhereTheTemplateSaysInDialogUnits) {
  auto& windows = Service();
  Events events;
  events.init = [&](WindowHandle w) {
    windows.SetExtendedStyle(w, kExStyleNoActivate);
    Soon([&, w] {
      const ScreenRect panel = windows.WindowRect(w);
      EXPECT_EQ(panel.right - panel.left, 66);
      EXPECT_EQ(panel.bottom - panel.top, 67);
      // 3,5 36 x 13 and 3,24 36 x 13 dialog units.
      EXPECT_EQ(windows.WindowRect(windows.Control(w, id::kRightClickButton)),
                (ScreenRect{5, 8, 59, 29}));
      EXPECT_EQ(windows.WindowRect(windows.Control(w, id::kHideButton)),
                (ScreenRect{5, 39, 59, 60}));
      QWidget* widget = TopLevel("");
      ASSERT_NE(widget, nullptr);
      const Qt::WindowFlags flags = widget->windowFlags();
      EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool) << "owned, so no taskbar entry";
      EXPECT_TRUE(flags & Qt::FramelessWindowHint);
      EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
      EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
      for (auto* button : widget->findChildren<QPushButton*>()) {
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->text().toStdString();
      }
      widget->findChildren<QPushButton*>().at(1)->click();
      windows.EndDialog(w, 7);
    });
  };
  const WindowHandle owner = windows.CreateOwnerWindow();
  EXPECT_EQ(windows.RunModal(id::kPanelDialog, events, owner), 7);
  EXPECT_EQ(events.commands, std::vector<int32_t>{id::kHideButton});
  EXPECT_FALSE(windows.IsWindow(events.window));
  windows.DestroyWindow(owner);
}

TEST(QtWindowServiceTest, MessageBoxHasTheCaptionTheTextOneOkButtonAndNoIcon) {
  auto& windows = Service();
  bool seen = false;
  Soon([&] {
    auto* box = qobject_cast<QMessageBox*>(TopLevel("Debugging..."));
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->text(), "Failed checking for Touch Controller device");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
    EXPECT_FALSE(box->isModal()) << "the tray icon keeps working";
    box->buttons().front()->click();
  });
  windows.ShowMessage("Debugging...", "Failed checking for Touch Controller device");
  EXPECT_TRUE(seen);
}

TEST(QtWindowServiceTest, ModalRunsNestAndDisableTheirOwnerMeanwhile) {
  auto& windows = Service();
  Events panel, about;
  std::vector<std::string> order;
  about.init = [&](WindowHandle a) {
    Soon([&, a] {
      EXPECT_FALSE(QApplication::activeModalWidget());
      QWidget* owner = TopLevel("");
      ASSERT_NE(owner, nullptr);
      EXPECT_FALSE(owner->isEnabled());
      // Ending the outer run first unwinds only once the inner one has ended.
      windows.EndDialog(panel.window, kIdCancel);
      order.push_back("panel ended");
      windows.SendClose(a);
    });
  };
  panel.init = [&](WindowHandle p) {
    Soon([&, p] {
      order.push_back("about " + std::to_string(windows.RunModal(id::kAboutDialog, about, p)));
    });
  };
  order.push_back("panel " + std::to_string(windows.RunModal(id::kPanelDialog, panel, 0)));
  EXPECT_EQ(order, (std::vector<std::string>{"panel ended", "about 2", "panel 2"}));
  EXPECT_EQ(about.closes, 1);
}

TEST(QtWindowServiceTest, RunEndedDuringInitialisationNeverShowsItsWindow) {
  auto& windows = Service();
  Events events;
  bool shown = true;
  events.init = [&](WindowHandle w) {
    windows.EndDialog(w, 3);
    shown = windows.IsVisible(w);
  };
  EXPECT_EQ(windows.RunModal(id::kPanelDialog, events, 0), 3);
  EXPECT_FALSE(shown);
}

TEST(QtWindowServiceTest, PlaceChangesTopmostWithoutHidingTheWindow) {
  auto& windows = Service();
  Events events;
  events.init = [&](WindowHandle w) {
    Soon([&, w] {
      for (ZOrder order : {ZOrder::kNoTopmost, ZOrder::kTopmost, ZOrder::kNoTopmost}) {
        windows.Place(w, order, 100, 120);
        EXPECT_EQ(windows.IsTopmost(w), order == ZOrder::kTopmost);
        EXPECT_TRUE(windows.IsVisible(w));
        EXPECT_EQ(windows.WindowRect(w).left, 100);
        EXPECT_EQ(windows.WindowRect(w).top, 120);
      }
      windows.EndDialog(w, kIdOk);
    });
  };
  windows.RunModal(id::kPanelDialog, events, 0);
}

TEST(QtWindowServiceTest, MaximisedWindowCoversTheScreen) {
  auto& windows = Service();
  Events events;
  events.init = [&](WindowHandle w) {
    windows.ShowMaximized(w);
    Soon([&, w] {
      EXPECT_EQ(windows.WindowRect(w), windows.DesktopRect());
      EXPECT_TRUE(windows.IsVisible(w));
      windows.EndDialog(w, kIdOk);
    });
  };
  windows.RunModal(id::kPanelDialog, events, 0);
}

TEST(QtWindowServiceTest, OtherThreadsWaitForTheUiThreadUntilReleased) {
  auto& windows = Service();
  Events events;
  std::atomic<bool> ranOnUi{false};
  events.init = [&](WindowHandle w) {
    const ControlHandle button = windows.Control(w, id::kRightClickButton);
    const ImageHandle image = windows.LoadBitmap(id::kRightClickOnBitmap);
    Soon([&, w, button, image] {
      auto reader = std::async(std::launch::async, [&] {
        windows.SetButtonImage(button, image);
        windows.RunOnUiThread([&] { ranOnUi = QThread::currentThread() == qApp->thread(); });
      });
      while (reader.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        QApplication::processEvents();
      }
      windows.EndDialog(w, kIdOk);
    });
  };
  windows.RunModal(id::kPanelDialog, events, 0);
  EXPECT_TRUE(ranOnUi);
}

// Each test runs in its own process, so stopping the service here touches no other test.
TEST(QtWindowServiceTest, StoppingCrossThreadCallsReleasesAWaitingThreadWithoutRunningItsCall) {
  auto& windows = Service();
  std::atomic<bool> ran{false};
  auto reader = std::async(std::launch::async, [&] { windows.RunOnUiThread([&] { ran = true; }); });
  // The user-interface thread does not dispatch: it is about to wait for the reader to end.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  windows.StopCrossThreadCalls();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  QApplication::processEvents();
  EXPECT_FALSE(ran);
  std::async(std::launch::async, [&] { windows.RunOnUiThread([&] { ran = true; }); }).get();
  EXPECT_FALSE(ran) << "later calls return at once";
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

// The keyboard windows: topmost tool windows that never take the focus, with bitmap keys, and a
// minimised one comes back when shown again.
TEST(QtWindowServiceTest, KeyboardWindowsNeverTakeTheFocusAndComeBackFromMinimised) {
  auto& windows = Service();
  for (int32_t layout : {id::kKeyboardDialog, id::kLargeKeyboardDialog}) {
    SCOPED_TRACE(layout);
    Events events;
    events.init = [&](WindowHandle w) {
      windows.SetButtonImage(windows.Control(w, id::kKeyReturn),
                             windows.LoadBitmap(id::kReturnBitmap));
      Soon([&, w] {
        QWidget* window = QApplication::activeWindow();
        EXPECT_EQ(window, nullptr) << "shown without activation";
        const auto* key = qobject_cast<QPushButton*>(
            TopLevel(layout == id::kKeyboardDialog ? "" : "Morvane Virtual Keyboard LARGE")
                ->findChild<QPushButton*>());
        ASSERT_NE(key, nullptr);
        const Qt::WindowFlags flags = key->window()->windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
        EXPECT_EQ(key->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(windows.GetText(windows.Control(w, 1027)), "q");
        windows.SetText(windows.Control(w, 1027), "Q");
        EXPECT_EQ(windows.GetText(windows.Control(w, 1027)), "Q");
        key->window()->showMinimized();
        windows.ShowWindow(w, true);
        EXPECT_FALSE(key->window()->isMinimized());
        EXPECT_TRUE(windows.IsVisible(w));
        windows.EndDialog(w, kIdCancel);
      });
    };
    windows.RunModal(layout, events, 0);
  }
}

}  // namespace
}  // namespace tavrel
