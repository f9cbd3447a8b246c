#pragma once

#include "platform/Processes.h"

#include <cstdint>
#include <memory>
#include <string>

struct xcb_connection_t;

namespace chordmap::x11 {

// The system's processes, with what the X display knows of applications:
// the active window's process is the one in front, and the processes of the
// windows the window manager lists are those a user can switch to. Both come
// from the window manager's properties (_NET_ACTIVE_WINDOW,
// _NET_CLIENT_LIST, _NET_WM_PID), so without one there are none. An
// application is known by its executable: its path and its last component
// as the name.
class X11Processes final : public Processes {
public:
    // The display by name; empty means the one $DISPLAY names.
    explicit X11Processes(const Processes& system, std::string display = {});
    ~X11Processes() override;

    std::vector<RunningApplication> runningApplications(const std::string& bundleID) const override {
        return system_.runningApplications(bundleID);
    }
    std::optional<RunningApplication> runningApplication(std::int32_t pid) const override {
        return system_.runningApplication(pid);
    }
    std::optional<RunningApplication> frontmostApplication() const override;
    std::vector<RunningApplication> regularApplications() const override;
    std::optional<Url> applicationURL(const std::string& bundleID) const override {
        return system_.applicationURL(bundleID);
    }
    std::optional<std::string> executablePath(std::int32_t pid) const override {
        return system_.executablePath(pid);
    }
    bool processExists(std::int32_t pid) const override { return system_.processExists(pid); }
    std::int32_t ownPid() const override { return system_.ownPid(); }

private:
    struct Disconnect {
        void operator()(xcb_connection_t* connection) const;
    };

    // The window manager's property names on the current connection, once
    // they exist.
    struct Atoms {
        std::uint32_t activeWindow = 0, clientList = 0, pid = 0;
    };

    // The connection, made on first use and made again after it broke.
    xcb_connection_t* connection() const;
    std::uint32_t atom(std::uint32_t& cached, const char* name) const;
    RunningApplication application(std::int32_t pid) const;

    const Processes& system_;
    std::string display_;
    mutable std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    mutable Atoms atoms_;
};

}  // namespace chordmap::x11
