#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace chordmap::testing {

// A server the test starts and ends itself: it tells on descriptor 3 where
// it can be reached once it accepts connections.
class ReportingServer {
public:
    // `extraEnvironment` entries ("NAME=value") replace those of the test.
    ReportingServer(std::vector<std::string> command, const std::vector<std::string>& extraEnvironment = {});
    ~ReportingServer();
    ReportingServer(const ReportingServer&) = delete;
    ReportingServer& operator=(const ReportingServer&) = delete;

    bool running() const { return pid_ > 0 && !reported_.empty(); }
    const std::string& error() const { return error_; }
    // The first line the server wrote on descriptor 3.
    const std::string& reported() const { return reported_; }
    // Ends the server (and what it started) now, as a crash would.
    void kill();

private:
    pid_t pid_ = -1;
    std::string reported_;
    std::string error_;
};

// A virtual X server of the test's own, on a display number it picks itself
// among the free ones.
class XvfbServer {
public:
    XvfbServer();
    bool running() const { return server_.running(); }
    const std::string& error() const { return server_.error(); }
    // ":N", ready for connections once the constructor returns.
    const std::string& display() const { return display_; }
    void kill() { server_.kill(); }

private:
    ReportingServer server_;
    std::string display_;
};

// A session bus of the test's own with the desktop's accessibility bus on
// it (at-spi-bus-launcher), as screen readers find it.
class AccessibilityBus {
public:
    explicit AccessibilityBus(const std::string& display);
    bool running() const { return session_.running() && launcher_.running(); }
    std::string error() const { return session_.error() + launcher_.error(); }
    // The session bus's address, for DBUS_SESSION_BUS_ADDRESS.
    const std::string& address() const { return session_.reported(); }

private:
    ReportingServer session_;
    ReportingServer launcher_;
};

// Runs an X client on the display and waits for it to end; its exit status,
// or -1 when it could not run. What it prints is passed through.
int runOnDisplay(const std::string& display, const std::vector<std::string>& command);

}  // namespace chordmap::testing
