#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_service.h"
#include "resources/menu_entry.h"

namespace tavrel {

// Opaque references owned by the window layer; 0 is none. Windows and their controls share one
// handle space, as on the Windows desktop, so that showing, moving or closing works on either.
using WindowHandle = std::uintptr_t;
using ControlHandle = WindowHandle;
using ImageHandle = std::uintptr_t;
using FontHandle = std::uintptr_t;

// Dialog results and the command ids the dialog manager gives to OK and Cancel.
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdCancel = 2;

// Mouse messages reported by the tray icon, with the desktop's numbers.
inline constexpr int32_t kMouseMessageLeftDown = 0x0201;
inline constexpr int32_t kMouseMessageLeftDoubleClick = 0x0203;
inline constexpr int32_t kMouseMessageRightDown = 0x0204;
inline constexpr int32_t kMouseMessageMiddleDown = 0x0207;

// System-menu commands: the low four bits are the desktop's own, so compare under the mask.
inline constexpr int32_t kSysCommandMask = 0xFFF0;
inline constexpr int32_t kSysCommandClose = 0xF060;

// The message the tray icon sends its owner, and the longest tip the tray shows.
inline constexpr int32_t kTrayCallbackMessage = 0x0FC2;
inline constexpr size_t kTrayTipLength = 63;

// Extended window styles the core asks for or removes.
inline constexpr uint32_t kExStyleToolWindow = 0x00000080;
inline constexpr uint32_t kExStyleAppWindow = 0x00040000;
inline constexpr uint32_t kExStyleNoActivate = 0x08000000;

struct ScreenRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

enum class ZOrder { kKeep, kTop, kTopmost, kNoTopmost };

struct FontDescription {
  std::string face;
  int32_t pixelHeight = 0;
  int32_t weight = 400;  // 700 is bold
};

// What a dialog window reports to its owner in the core. Every call comes on the user-interface
// thread, inside the modal run of that dialog or of a dialog nested in it.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  // The controls exist, the window is not shown yet. The run may be ended from here, in which case
  // the window is never shown.
  virtual int32_t Init(WindowHandle window) = 0;
  // A push button, a menu item chosen with this window as owner, or kIdOk / kIdCancel from the
  // dialog manager (Enter, Escape, window-close).
  virtual void Command(int32_t id) = 0;
  virtual void Close() = 0;
  virtual void Trackbar(int32_t id) = 0;
  // Pointer presses on the window itself (not on a control), in client pixels.
  virtual void LeftButtonDown(int32_t x, int32_t y) = 0;
  virtual void LeftButtonUp(int32_t x, int32_t y) = 0;
  // An entry of the window's system menu (offered as its context menu).
  virtual void SysCommand(int32_t id) = 0;
  // The tray icon this window owns saw the mouse message.
  virtual void TrayNotify(int32_t iconId, int32_t mouseMessage) = 0;
  // Entries the window's context menu offers before its system menu, asked for each time it
  // opens; a chosen one reaches Command. None by default.
  virtual std::vector<MenuEntry> ContextMenu() { return {}; }
};

// What the core needs of the desktop's windows. Calls that change or read a window run on the
// user-interface thread; ShowMessage, SetButtonImage and RunOnUiThread may come from any thread,
// and the back end carries them over and waits until they are done there.
class WindowService : public MessageService {
 public:
  // Modal runs. RunModal builds the window from the dialog template, calls Init, shows
  // it (unless the run already ended), disables the owner, and dispatches until EndDialog; then it
  // destroys the window, enables the owner and returns the result. Runs nest: a run started from
  // inside another one returns first.
  virtual int32_t RunModal(int32_t templateId, DialogEvents& events, WindowHandle owner) = 0;
  virtual void EndDialog(WindowHandle window, int32_t result) = 0;
  // True while the window (or control) exists.
  virtual bool IsWindow(WindowHandle window) = 0;
  // Delivers the window-close request and returns once it has been handled.
  virtual void SendClose(WindowHandle window) = 0;
  // The hidden top-level window that owns the program's panel and keeps it off the taskbar.
  virtual WindowHandle CreateOwnerWindow() = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;

  // Controls of a dialog, by id; 0 when the window has no such control.
  virtual ControlHandle Control(WindowHandle dialog, int32_t id) = 0;
  virtual void SetText(ControlHandle control, const std::string& text) = 0;
  virtual void SetFont(ControlHandle control, FontHandle font) = 0;
  virtual void EnableWindow(WindowHandle window, bool enabled) = 0;
  virtual void ShowWindow(WindowHandle window, bool visible) = 0;
  // Shows a top-level window over the whole desktop, as maximised windows of the desktop are.
  virtual void ShowMaximized(WindowHandle window) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  virtual void SetTrackbarRange(ControlHandle trackbar, int32_t min, int32_t max) = 0;
  virtual void SetTrackbarPos(ControlHandle trackbar, int32_t pos) = 0;
  virtual int32_t GetTrackbarPos(ControlHandle trackbar) = 0;
  virtual void SetCheck(ControlHandle checkBox, bool checked) = 0;
  virtual bool GetCheck(ControlHandle checkBox) = 0;

  // Placement in screen pixels (controls: in their dialog's client pixels). Place keeps the size.
  virtual ScreenRect DesktopRect() = 0;
  virtual ScreenRect WindowRect(WindowHandle window) = 0;
  virtual void Place(WindowHandle window, ZOrder order, int32_t x, int32_t y) = 0;
  virtual bool IsTopmost(WindowHandle window) = 0;
  virtual uint32_t GetExtendedStyle(WindowHandle window) = 0;
  virtual void SetExtendedStyle(WindowHandle window, uint32_t exStyle) = 0;

  // Resources of the program and objects made from them, held until the process ends.
  virtual ImageHandle LoadBitmap(int32_t bitmapId) = 0;
  virtual FontHandle CreateFont(const FontDescription& description) = 0;
  // Sets the image of a bitmap push button or a picture control (0 clears it).
  virtual void SetButtonImage(ControlHandle button, ImageHandle image) = 0;
  virtual void SetWindowIcon(WindowHandle window, int32_t iconId) = 0;
  // Adds an entry to the window's system menu; id 0 adds a separator. False without a system menu.
  virtual bool AppendSystemMenu(WindowHandle window, int32_t id, const std::string& text) = 0;
  // What the desktop does with a system command the window does not handle itself.
  virtual void DefaultSystemCommand(WindowHandle window, int32_t id) = 0;

  // The notification-area icon: its mouse messages go to the owner's TrayNotify.
  virtual bool AddTrayIcon(WindowHandle owner, int32_t iconId, const std::string& tip) = 0;
  virtual void RemoveTrayIcon(WindowHandle owner, int32_t iconId) = 0;
  // Shows the popup at the pointer and returns when it closes; a chosen item reaches the owner's
  // Command afterwards, from the owner's message dispatch.
  virtual void TrackPopupMenu(WindowHandle owner, const std::vector<MenuEntry>& items) = 0;
  // Whether the desktop has a notification area now; from then on `changed` runs on the
  // user-interface thread each time one appears or goes (an empty `changed` ends the watch). A
  // desktop that always has one keeps the default.
  virtual bool WatchTrayHost(std::function<void(bool present)> /*changed*/) { return true; }

  // Changes the cursor's display count, as the desktop's ShowCursor does; returns the new count.
  virtual int32_t ShowCursor(bool show) = 0;

  // A modal box with the caption, the text and one OK button, owned by the window: it stands
  // above the window and takes its input until the user has closed it. Without a window
  // layer of its own for owned boxes, a back end shows the program's box.
  virtual void ShowOwnedMessage(WindowHandle /*owner*/, const std::string& caption,
                                const std::string& text) {
    ShowMessage(caption, text);
  }
  // Runs the call on the user-interface thread and returns when it is done there.
  virtual void RunOnUiThread(const std::function<void()>& call) = 0;
  // Dispatches the user-interface thread's messages for ms milliseconds, then returns.
  virtual void DispatchFor(uint32_t ms) = 0;
  // From now on `end` runs on the user-interface thread, from its message dispatch, when the
  // program is asked to end from outside: the desktop session ends, or the process is told to
  // stop. Once it has returned, every modal run, box and menu still open ends and none starts
  // any more, so the program unwinds. An empty `end` ends the watch. A desktop without such
  // requests keeps the default.
  virtual void WatchEndRequests(std::function<void()> /*end*/) {}
  // From now on calls from other threads return at once without running, and those waiting are
  // released: the user-interface thread is about to wait for those threads to end.
  virtual void StopCrossThreadCalls() = 0;

  // On-screen keyboard.
  // The control's text (a button's caption); empty when there is no such control.
  virtual std::string GetText(ControlHandle control) = 0;
};

}  // namespace tavrel
