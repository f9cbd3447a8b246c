#include "platform/x11/X11Processes.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace chordmap::x11 {
namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using Owned = std::unique_ptr<Reply, FreeReply>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window's property of that type; at most `limit`.
std::vector<std::uint32_t> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                    xcb_atom_t type, std::uint32_t limit) {
    if (name == XCB_ATOM_NONE) return {};
    const Owned<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, limit), nullptr));
    if (!reply || reply->type != type || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4;
    return {values, values + count};
}

std::optional<std::int32_t> windowPid(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t pidAtom) {
    const auto pid = property(connection, window, pidAtom, XCB_ATOM_CARDINAL, 1);
    if (pid.empty() || pid[0] == 0 || pid[0] > 0x7FFFFFFF) return std::nullopt;
    return static_cast<std::int32_t>(pid[0]);
}

xcb_window_t rootWindow(xcb_connection_t* connection) {
    // The first screen's: the desktop the window is on.
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

}  // namespace

void X11Processes::Disconnect::operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }

X11Processes::X11Processes(const Processes& system, std::string display)
    : system_(system), display_(std::move(display)) {}

X11Processes::~X11Processes() = default;

xcb_connection_t* X11Processes::connection() const {
    if (connection_ && !xcb_connection_has_error(connection_.get())) return connection_.get();
    connection_.reset(xcb_connect(display_.empty() ? nullptr : display_.c_str(), nullptr));
    if (xcb_connection_has_error(connection_.get())) {
        connection_.reset();
        return nullptr;
    }
    atoms_ = {};
    return connection_.get();
}

std::uint32_t X11Processes::atom(std::uint32_t& cached, const char* name) const {
    // An atom no client has named yet does not exist: asked again next time.
    if (cached == XCB_ATOM_NONE) cached = chordmap::x11::atom(connection_.get(), name);
    return cached;
}

RunningApplication X11Processes::application(std::int32_t pid) const {
    if (auto known = system_.runningApplication(pid)) return *known;
    RunningApplication found{.pid = pid, .localizedName = std::nullopt, .executableURL = std::nullopt,
                             .bundleID = std::nullopt, .bundleURL = std::nullopt};
    if (auto path = system_.executablePath(pid)) {
        found.localizedName = path->substr(path->rfind('/') + 1);
        found.executableURL = Url::file(*path, false);
    }
    return found;
}

std::optional<RunningApplication> X11Processes::frontmostApplication() const {
    xcb_connection_t* const display = connection();
    if (!display) return std::nullopt;
    const auto active = property(display, rootWindow(display), atom(atoms_.activeWindow, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 1);
    if (active.empty() || active[0] == XCB_WINDOW_NONE) return std::nullopt;
    const auto pid = windowPid(display, active[0], atom(atoms_.pid, "_NET_WM_PID"));
    if (!pid) return std::nullopt;
    return application(*pid);
}

std::vector<RunningApplication> X11Processes::regularApplications() const {
    xcb_connection_t* const display = connection();
    if (!display) return {};
    constexpr std::uint32_t windowLimit = 4096;
    const auto windows =
        property(display, rootWindow(display), atom(atoms_.clientList, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, windowLimit);
    const xcb_atom_t pidAtom = atom(atoms_.pid, "_NET_WM_PID");
    std::vector<std::int32_t> pids;
    for (const xcb_window_t window : windows) {
        const auto pid = windowPid(display, window, pidAtom);
        if (pid && std::find(pids.begin(), pids.end(), *pid) == pids.end()) pids.push_back(*pid);
    }
    std::vector<RunningApplication> found;
    for (const std::int32_t pid : pids) found.push_back(application(pid));
    return found;
}

}  // namespace chordmap::x11
