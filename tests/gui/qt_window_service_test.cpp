#include "platform/qt/qt_window_service.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
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
  int downs = 0;
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
  void LeftButtonDown(int32_t, int32_t) override { ++downs; }
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

// The full-screen calibration window: it covers the primary monitor and stays above, its targets
// take their bitmap's size, its texts grow to a large font, and presses reach it over a target
// and when X would drop them, but never past a box that it owns.
TEST(QtWindowServiceTest, CalibrationWindowCoversTheMonitorAndTakesEveryPress) {
  auto& windows = Service();
  Events events;
  events.init = [&](WindowHandle w) {
    windows.ShowMaximized(w);
    Soon([&, w] {
      EXPECT_EQ(windows.WindowRect(w), windows.DesktopRect());
      EXPECT_TRUE(windows.IsTopmost(w));
      const ScreenRect target = windows.WindowRect(windows.Control(w, id::kTargetLeftBottom));
      EXPECT_EQ(target.right - target.left, 7);
      EXPECT_EQ(target.bottom - target.top, 7);

      const ControlHandle prompt = windows.Control(w, id::kPromptLeftBottom);
      windows.SetFont(prompt, windows.CreateFont({"Arial", 20, 700}));
      QLabel* label = nullptr;
      for (QLabel* candidate : TopLevel("")->findChildren<QLabel*>()) {
        if (candidate->text() == "Click on the button at left bottom") label = candidate;
      }
      ASSERT_NE(label, nullptr);
      EXPECT_TRUE(label->font().bold());
      EXPECT_GE(label->height(), QFontMetrics(label->font()).height()) << "one line, whole";

      // A press over the target picture reaches the window.
      windows.Place(windows.Control(w, id::kTargetLeftBottom), ZOrder::kTop, 40, 40);
      QWidget* picture = TopLevel("")->childAt(43, 43);
      ASSERT_NE(picture, nullptr);
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3),
                        picture->mapToGlobal(QPointF(3, 3)), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(picture, &press);
      EXPECT_EQ(events.downs, 1);

      // A press X would drop reaches it too, posted from another thread; posted calls run in
      // order, so the next one finds it handled.
      QCursor::setPos(TopLevel("")->mapToGlobal(QPoint(300, 300)));
      std::thread([&] { windows.PostRepeatedLeftPress(); }).join();
      Soon([&, w] {
        EXPECT_EQ(events.downs, 2);
        Soon([&] {
          auto* box = qobject_cast<QMessageBox*>(TopLevel("Calibration OK"));
          ASSERT_NE(box, nullptr);
          EXPECT_EQ(box->windowModality(), Qt::WindowModal);
          EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
          EXPECT_EQ(box->parentWidget(), TopLevel(""));
          windows.PostRepeatedLeftPress();
          Soon([&, box] {
            EXPECT_EQ(events.downs, 2) << "the box takes the window's input";
            box->buttons().front()->click();
          });
        });
        windows.ShowOwnedMessage(w, "Calibration OK", "calibration succesfully completed");
        windows.EndDialog(w, kIdOk);
      });
    });
  };
  EXPECT_EQ(windows.RunModal(id::kCalibrationDialog, events, 0), kIdOk);
}

}  // namespace
}  // namespace tavrel
