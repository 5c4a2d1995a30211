#include "platform/qt/qt_window_service.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyleHints>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

#include "platform/qt/qt_system_parameters.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "testing/fake_system_parameters.h"

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
  void Trackbar(int32_t id) override { trackbars.push_back(id); }
  std::vector<int32_t> trackbars;
  void LeftButtonDown(int32_t, int32_t) override { ++downs; }
  void LeftButtonUp(int32_t, int32_t) override {}
  void SysCommand(int32_t id) override { sysCommands.push_back(id); }
  void TrayNotify(int32_t, int32_t) override {}
};

// Runs the template modally: events.init, when set, at initialisation, then whileOpen on the
// shown window once the run dispatches; whileOpen ends the run.
int32_t RunShown(int32_t templateId, Events& events, WindowHandle owner,
                 std::function<void(WindowHandle)> whileOpen) {
  events.init = [atInit = events.init, whileOpen](WindowHandle w) {
    if (atInit) atInit(w);
    Soon([whileOpen, w] { whileOpen(w); });
  };
  return Service().RunModal(templateId, events, owner);
}

// Each test runs in a process of its own, on the one service of that process.
class QtWindowServiceTest : public ::testing::Test {
 protected:
  QtWindowService& windows = Service();
  Events events;
};

QWidget* TopLevel(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowTitle() == title) return widget;
  }
  return nullptr;
}

TEST_F(QtWindowServiceTest, PanelTemplateBuildsTheButtonsWhereTheTemplateSaysInDialogUnits) {
  events.init = [&](WindowHandle w) { windows.SetExtendedStyle(w, kExStyleNoActivate); };
  const WindowHandle owner = windows.CreateOwnerWindow();
  const int32_t result = RunShown(id::kPanelDialog, events, owner, [&](WindowHandle w) {
    const ScreenRect panel = windows.WindowRect(w);
    EXPECT_EQ(panel.right - panel.left, 66);
    EXPECT_EQ(panel.bottom - panel.top, 67);
    // 3,5 36 x 13 and 3,24 36 x 13 dialog units.
    EXPECT_EQ(windows.WindowRect(windows.Control(w, id::kRightClickButton)),
              (ScreenRect{5, 8, 59, 29}));
    EXPECT_EQ(windows.WindowRect(windows.Control(w, id::kHideButton)), (ScreenRect{5, 39, 59, 60}));
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
  EXPECT_EQ(result, 7);
  EXPECT_EQ(events.commands, std::vector<int32_t>{id::kHideButton});
  EXPECT_FALSE(windows.IsWindow(events.window));
  windows.DestroyWindow(owner);
}

TEST_F(QtWindowServiceTest, MessageBoxHasTheCaptionTheTextOneOkButtonAndNoIcon) {
  bool seen = false;
  Soon([&] {
    auto* box = qobject_cast<QMessageBox*>(TopLevel("Debugging..."));
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->text(), "Failed checking for Touch Controller device");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->textFormat(), Qt::PlainText) << "texts from devices and files are no markup";
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
    EXPECT_FALSE(box->isModal()) << "the tray icon keeps working";
    box->buttons().front()->click();
  });
  windows.ShowMessage("Debugging...", "Failed checking for Touch Controller device");
  EXPECT_TRUE(seen);
}

TEST_F(QtWindowServiceTest, ModalRunsNestAndDisableTheirOwnerMeanwhile) {
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

TEST_F(QtWindowServiceTest, RunEndedDuringInitialisationNeverShowsItsWindow) {
  bool shown = true;
  events.init = [&](WindowHandle w) {
    windows.EndDialog(w, 3);
    shown = windows.IsVisible(w);
  };
  EXPECT_EQ(windows.RunModal(id::kPanelDialog, events, 0), 3);
  EXPECT_FALSE(shown);
}

TEST_F(QtWindowServiceTest, PlaceChangesTopmostWithoutHidingTheWindow) {
  RunShown(id::kPanelDialog, events, 0, [&](WindowHandle w) {
    for (ZOrder order : {ZOrder::kNoTopmost, ZOrder::kTopmost, ZOrder::kNoTopmost}) {
      windows.Place(w, order, 100, 120);
      EXPECT_EQ(windows.IsTopmost(w), order == ZOrder::kTopmost);
      EXPECT_TRUE(windows.IsVisible(w));
      EXPECT_EQ(windows.WindowRect(w).left, 100);
      EXPECT_EQ(windows.WindowRect(w).top, 120);
    }
    windows.EndDialog(w, kIdOk);
  });
}

TEST_F(QtWindowServiceTest, MaximisedWindowCoversTheScreen) {
  events.init = [&](WindowHandle w) { windows.ShowMaximized(w); };
  RunShown(id::kPanelDialog, events, 0, [&](WindowHandle w) {
    EXPECT_EQ(windows.WindowRect(w), windows.DesktopRect());
    EXPECT_TRUE(windows.IsVisible(w));
    windows.EndDialog(w, kIdOk);
  });
}

TEST_F(QtWindowServiceTest, OtherThreadsWaitForTheUiThreadUntilReleased) {
  std::atomic<bool> ranOnUi{false};
  RunShown(id::kPanelDialog, events, 0, [&](WindowHandle w) {
    const ControlHandle button = windows.Control(w, id::kRightClickButton);
    const ImageHandle image = windows.LoadBitmap(id::kRightClickOnBitmap);
    auto reader = std::async(std::launch::async, [&] {
      windows.SetButtonImage(button, image);
      windows.RunOnUiThread([&] { ranOnUi = QThread::currentThread() == qApp->thread(); });
    });
    while (reader.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
      QApplication::processEvents();
    }
    windows.EndDialog(w, kIdOk);
  });
  EXPECT_TRUE(ranOnUi);
}

// Each test runs in its own process, so stopping the service here touches no other test.
TEST_F(QtWindowServiceTest, StoppingCrossThreadCallsReleasesAWaitingThreadWithoutRunningItsCall) {
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

ScreenRect RectOf(const QWidget* widget) {
  return {widget->x(), widget->y(), widget->x() + widget->width(), widget->y() + widget->height()};
}

// The id of the setup dialog's control that the widget is, by its place; 0 for none.
int32_t SetupIdOf(QtWindowService& windows, WindowHandle dialog, const QWidget* widget) {
  for (const auto& control : resources::FindDialog(id::kSetupDialog)->controls) {
    const ControlHandle handle = windows.Control(dialog, control.id);
    if (handle != 0 && windows.WindowRect(handle) == RectOf(widget)) return control.id;
  }
  return 0;
}

template <typename T>
T* SetupChild(QtWindowService& windows, WindowHandle dialog, int32_t controlId) {
  for (T* child : TopLevel("Touch Screen software setup")->findChildren<T*>()) {
    if (SetupIdOf(windows, dialog, child) == controlId) return child;
  }
  return nullptr;
}

// Template 132 on the window layer: places in dialog units, tab order, default button, focus.
TEST_F(QtWindowServiceTest, SetupTemplateBuildsItsControlsInPlaceWithTheTabOrderAndDefaultButton) {
  const int32_t result = RunShown(id::kSetupDialog, events, 0, [&](WindowHandle w) {
    const ScreenRect desktop = windows.DesktopRect();
    const ScreenRect frame = windows.WindowRect(w);
    const QSize client = TopLevel("Touch Screen software setup")->size();
    EXPECT_EQ(client, QSize(672, 452)) << "448 x 278 dialog units";
    EXPECT_NEAR(frame.left + frame.right, desktop.left + desktop.right, 8) << "centred";
    EXPECT_NEAR(frame.top + frame.bottom, desktop.top + desktop.bottom, 8) << "centred";
    for (const auto& control : resources::FindDialog(id::kSetupDialog)->controls) {
      if (control.id == resources::kStaticId) continue;
      SCOPED_TRACE(control.id);
      const int32_t x = resources::DluToPixelsX(control.x);
      const int32_t y = resources::DluToPixelsY(control.y);
      EXPECT_EQ(windows.WindowRect(windows.Control(w, control.id)),
                (ScreenRect{x, y, x + resources::DluToPixelsX(control.cx),
                            y + resources::DluToPixelsY(control.cy)}));
    }
    QWidget* window = TopLevel("Touch Screen software setup");
    ASSERT_NE(window, nullptr);
    std::vector<int32_t> tabOrder;
    for (QWidget* next = window->nextInFocusChain(); next != window;
         next = next->nextInFocusChain()) {
      if (next->focusPolicy() & Qt::TabFocus) tabOrder.push_back(SetupIdOf(windows, w, next));
    }
    EXPECT_EQ(tabOrder, (std::vector<int32_t>{1080, 1, 2, 1077, 1078, 1079, 1083, 1084, 1088, 1089,
                                              1091, 1093}));
    EXPECT_EQ(SetupIdOf(windows, w, window->focusWidget()), id::kCheckMemoryButton);
    std::vector<int32_t> defaults;
    for (auto* button : window->findChildren<QPushButton*>()) {
      if (button->isDefault()) defaults.push_back(SetupIdOf(windows, w, button));
    }
    EXPECT_EQ(defaults, std::vector<int32_t>{kIdOk});
    EXPECT_FALSE(windows.IsVisible(windows.Control(w, id::kMemoryLine)));
    EXPECT_FALSE(SetupChild<QLabel>(windows, w, id::kFirmwareLine)->wordWrap()) << "one line";
    windows.SetText(windows.Control(w, id::kFirmwareLine), "Firmware release: <b>1</b>");
    EXPECT_EQ(SetupChild<QLabel>(windows, w, id::kFirmwareLine)->textFormat(), Qt::PlainText);
    windows.SetFont(windows.Control(w, id::kFirmwareLine), windows.CreateFont({"Arial", 20, 700}));
    const QFont info = SetupChild<QLabel>(windows, w, id::kFirmwareLine)->font();
    EXPECT_EQ(info.pixelSize(), 20);
    EXPECT_TRUE(info.bold());
    windows.EndDialog(w, kIdCancel);
  });
  EXPECT_EQ(result, kIdCancel);
}

TEST_F(QtWindowServiceTest, TrackbarKeysMoveAsTheDesktopsDoAndEachNotifies) {
  struct Row {
    const char* legend;
    int key;
    int32_t from, to;
  };
  const Row rows[] = {
      {"Home to the minimum", Qt::Key_Home, 5000, 1000},
      {"End to the maximum", Qt::Key_End, 5000, 10000},
      {"End at the maximum still notifies", Qt::Key_End, 10000, 10000},
      {"Left one down", Qt::Key_Left, 5000, 4999},
      {"Up one down", Qt::Key_Up, 5000, 4999},
      {"Right one up", Qt::Key_Right, 5000, 5001},
      {"Down one up", Qt::Key_Down, 5000, 5001},
      {"Page Up a fifth of the range down", Qt::Key_PageUp, 5000, 3200},
      {"Page Down a fifth up", Qt::Key_PageDown, 5000, 6800},
      {"Page Down stops at the end", Qt::Key_PageDown, 9000, 10000},
  };
  RunShown(id::kSetupDialog, events, 0, [&](WindowHandle w) {
    const ControlHandle freq = windows.Control(w, id::kFreqTrackbar);
    windows.SetTrackbarRange(freq, 1000, 10000);
    auto* slider = SetupChild<QSlider>(windows, w, id::kFreqTrackbar);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksBothSides);
    EXPECT_EQ(slider->tickInterval(), 9000) << "ticks at the two ends only";
    for (const Row& row : rows) {
      SCOPED_TRACE(row.legend);
      windows.SetTrackbarPos(freq, row.from);
      events.trackbars.clear();
      QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier);
      QApplication::sendEvent(slider, &press);
      EXPECT_EQ(windows.GetTrackbarPos(freq), row.to);
      EXPECT_EQ(events.trackbars, std::vector<int32_t>{id::kFreqTrackbar});
    }
    events.trackbars.clear();
    windows.SetTrackbarPos(freq, 2000);
    EXPECT_TRUE(events.trackbars.empty()) << "the program's own moves do not notify";
    slider->setValue(3000);
    EXPECT_EQ(events.trackbars, std::vector<int32_t>{id::kFreqTrackbar}) << "a pointer move";
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(slider, &enter);
    SetupChild<QCheckBox>(windows, w, id::kTrackingCheckBox)->click();
    EXPECT_TRUE(windows.GetCheck(windows.Control(w, id::kTrackingCheckBox)))
        << "an automatic check box ticks itself";
    windows.EndDialog(w, kIdCancel);
  });
  EXPECT_EQ(events.commands, (std::vector<int32_t>{kIdOk, id::kTrackingCheckBox}))
      << "Return on a trackbar presses the default button";
}

// As on the desktop: Enter presses the focused push button, else the default one; Escape
// cancels from anywhere.
TEST_F(QtWindowServiceTest, EnterPressesTheFocusedButtonOfSetupAndEscapeCancels) {
  struct Row {
    const char* legend;
    int32_t focused;
    int key;
    int32_t command;
  };
  const Row rows[] = {
      {"Enter on Check memory", id::kCheckMemoryButton, Qt::Key_Return, id::kCheckMemoryButton},
      {"Enter on OK", kIdOk, Qt::Key_Return, kIdOk},
      {"Enter on Cancel", kIdCancel, Qt::Key_Return, kIdCancel},
      {"Enter on Try", id::kTryButton, Qt::Key_Return, id::kTryButton},
      {"the keypad's Enter on Cancel", kIdCancel, Qt::Key_Enter, kIdCancel},
      {"Enter on the check box: the default button", id::kTrackingCheckBox, Qt::Key_Return, kIdOk},
      {"Escape on Try", id::kTryButton, Qt::Key_Escape, kIdCancel},
      {"Escape on OK", kIdOk, Qt::Key_Escape, kIdCancel},
  };
  RunShown(id::kSetupDialog, events, 0, [&](WindowHandle w) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.legend);
      QWidget* control = SetupChild<QWidget>(windows, w, row.focused);
      ASSERT_NE(control, nullptr);
      control->setFocus();
      events.commands.clear();
      QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier);
      QApplication::sendEvent(control, &press);
      EXPECT_EQ(events.commands, std::vector<int32_t>{row.command});
    }
    windows.EndDialog(w, kIdCancel);
  });
}

// The session manager ends the session with a quit event on the application object. In a
// process of its own: once asked to end, no event loop runs any more.
TEST(QtWindowServiceDeathTest, TheSessionsEndRunsTheEndRequestAndEndsTheOpenRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto& windows = Service();
        windows.WatchEndRequests([] { std::fputs("end requested\n", stderr); });
        Events events;
        events.init = [](WindowHandle) {
          Soon([] {
            QEvent quit(QEvent::Quit);
            QApplication::sendEvent(qApp, &quit);
          });
        };
        windows.RunModal(id::kPanelDialog, events, 0);
        std::fputs("run ended\n", stderr);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "end requested.*run ended");
}

TEST_F(QtWindowServiceTest, DoubleClickTimeReachesTheProgramsOwnWindowsAndEveryValueIsKept) {
  FakeSystemParameters kept;
  QtSystemParameters system(kept);
  const int before = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  system.Set(SystemParameter::kDoubleClickWidth, 40);
  system.Set(SystemParameter::kMouseTrails, 10);
  EXPECT_EQ(QGuiApplication::styleHints()->mouseDoubleClickInterval(), before);
  system.Set(SystemParameter::kDoubleClickTime, before + 123);
  EXPECT_EQ(QGuiApplication::styleHints()->mouseDoubleClickInterval(), before + 123);
  EXPECT_EQ(system.DoubleClickTime(), before + 123);
  EXPECT_EQ(system.MouseTrails(), 10);
  EXPECT_EQ(kept.Current(SystemParameter::kDoubleClickWidth), 40);
}

// The keyboard windows: topmost tool windows that never take the focus, with bitmap keys, and a
// minimised one comes back when shown again.
TEST_F(QtWindowServiceTest, KeyboardWindowsNeverTakeTheFocusAndComeBackFromMinimised) {
  for (int32_t layout : {id::kKeyboardDialog, id::kLargeKeyboardDialog}) {
    SCOPED_TRACE(layout);
    Events keyboard;
    keyboard.init = [&](WindowHandle w) {
      windows.SetButtonImage(windows.Control(w, id::kKeyReturn),
                             windows.LoadBitmap(id::kReturnBitmap));
    };
    RunShown(layout, keyboard, 0, [&](WindowHandle w) {
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
  }
}

// The full-screen calibration window: it covers the primary monitor and stays above, its targets
// take their bitmap's size, its texts grow to a large font, and presses reach it over a target
// and when X would drop them, but never past a box that it owns.
TEST_F(QtWindowServiceTest, CalibrationWindowCoversTheMonitorAndTakesEveryPress) {
  events.init = [&](WindowHandle w) { windows.ShowMaximized(w); };
  const int32_t result = RunShown(id::kCalibrationDialog, events, 0, [&](WindowHandle w) {
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
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), picture->mapToGlobal(QPointF(3, 3)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
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
  EXPECT_EQ(result, kIdOk);
}

}  // namespace
}  // namespace tavrel
