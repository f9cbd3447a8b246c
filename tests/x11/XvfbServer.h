#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace chordmap::testing {

// A virtual X server of the test's own, on a display number it picks itself
// among the free ones. Stopped when destroyed.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False when the server could not start; error() says why.
    bool running() const { return pid_ > 0 && !display_.empty(); }
    const std::string& error() const { return error_; }
    // ":N", ready for connections once the constructor returns.
    const std::string& display() const { return display_; }

    // Ends the server now, as a crash of the display would.
    void kill();

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

// Runs an X client on the display and waits for it to end; its exit status,
// or -1 when it could not run. What it prints is passed through.
int runOnDisplay(const std::string& display, const std::vector<std::string>& command);

}  // namespace chordmap::testing
