// The applications in front and on the desktop, from the window manager's
// properties on a real X server. Xvfb runs no window manager, so the test
// sets the properties as one would.
#include "platform/linux/LinuxPlatform.h"
#include "platform/x11/X11Processes.h"
#include "x11/XvfbServer.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace chordmap::x11 {
namespace {

struct Desktop {
    xcb_connection_t* connection;
    xcb_window_t root;

    explicit Desktop(const std::string& display) : connection(xcb_connect(display.c_str(), nullptr)) {
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }
    ~Desktop() { xcb_disconnect(connection); }

    xcb_atom_t atom(const char* name) const {
        auto* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply->atom;
        std::free(reply);
        return found;
    }
    xcb_window_t window() const {
        const xcb_window_t id = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, id, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return id;
    }
    void set(xcb_window_t window, const char* name, xcb_atom_t type, std::vector<std::uint32_t> values) const {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(name), type, 32,
                            static_cast<std::uint32_t>(values.size()), values.data());
        sync();
    }
    void sync() const { std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); }
};

TEST(X11Processes, theActiveWindowsProcessIsInFrontAndTheListedWindowsProcessesRun) {
    testing::XvfbServer server;
    ASSERT_TRUE(server.running()) << server.error();
    const linux_platform::LinuxProcesses system;
    const X11Processes processes(system, server.display());
    EXPECT_FALSE(processes.frontmostApplication()) << "no window manager, nothing in front";
    EXPECT_TRUE(processes.regularApplications().empty());

    const Desktop desktop(server.display());
    const xcb_window_t ours = desktop.window(), second = desktop.window(), unowned = desktop.window();
    const auto pid = static_cast<std::uint32_t>(::getpid());
    desktop.set(ours, "_NET_WM_PID", XCB_ATOM_CARDINAL, {pid});
    desktop.set(second, "_NET_WM_PID", XCB_ATOM_CARDINAL, {pid});
    desktop.set(desktop.root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, {ours, second, unowned});
    desktop.set(desktop.root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {ours});

    const auto front = processes.frontmostApplication();
    ASSERT_TRUE(front);
    const std::string executable = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(front->pid, static_cast<std::int32_t>(pid));
    EXPECT_EQ(front->localizedName, std::filesystem::path(executable).filename().string());
    EXPECT_EQ(front->executableURL, Url::file(executable));
    const auto running = processes.regularApplications();
    ASSERT_EQ(running.size(), 1u) << "one process behind two windows; a window without one adds none";
    EXPECT_EQ(running[0].pid, front->pid);

    desktop.set(desktop.root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {unowned});
    EXPECT_FALSE(processes.frontmostApplication()) << "a window without a process";
}

}  // namespace
}  // namespace chordmap::x11
