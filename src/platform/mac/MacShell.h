#pragma once

#include <cstdint>
#include <functional>

// The native corner of the windowed shell on macOS: the menu bar and the
// window's title bar, which the cross-platform window cannot express.
namespace chordmap::mac_shell {

// The shell's commands that the main menu reaches.
struct MenuCommands {
    std::function<void()> toggleDetection;
    std::function<void()> manualSelection;
    std::function<void()> refresh;
    std::function<void()> clear;
    std::function<void()> keyboardOverview;
    std::function<void()> showWindow;
    std::function<void()> openHelp;
};

// Makes the application's main menu: the application menu (About, Hide,
// Quit), "检测", "窗口" (also the window list) and "帮助". Standard items go to
// the first responder; the others run the commands. Call once, on the main
// thread, after the application object exists and before any menu bar of
// the window toolkit would take its place.
void installMainMenu(MenuCommands commands);

// Gives the window that holds a native view (QWindow::winId() on macOS) a
// transparent title bar over the window's background colour. Does nothing
// for a view that is not in a window yet.
void styleMainWindow(std::uintptr_t nativeView);

}  // namespace chordmap::mac_shell
