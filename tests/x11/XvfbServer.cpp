#include "x11/XvfbServer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace chordmap::testing {
namespace {

std::vector<char*> argumentVector(std::vector<std::string>& arguments) {
    std::vector<char*> vector;
    for (auto& argument : arguments) vector.push_back(argument.data());
    vector.push_back(nullptr);
    return vector;
}

// The test's environment with some entries replaced.
std::vector<std::string> environmentWith(const std::vector<std::string>& replacements) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view current(*entry);
        const bool replaced = std::any_of(replacements.begin(), replacements.end(), [&](const std::string& next) {
            const auto name = next.substr(0, next.find('=') + 1);
            return current.starts_with(name);
        });
        if (!replaced) environment.emplace_back(current);
    }
    environment.insert(environment.end(), replacements.begin(), replacements.end());
    return environment;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ReportingServer::ReportingServer(std::vector<std::string> command, const std::vector<std::string>& extraEnvironment) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    auto argv = argumentVector(command);
    auto environment = environmentWith(extraEnvironment);
    auto envp = argumentVector(environment);
    pid_ = ::fork();
    if (pid_ == 0) {
        // The server and what it starts go with the test, even when the
        // test crashes. The write end becomes descriptor 3, kept open
        // across exec.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (ready[1] == 3) {
            ::fcntl(3, F_SETFD, 0);
        } else {
            ::dup2(ready[1], 3);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(ready[1]);
    if (pid_ < 0) {
        ::close(ready[0]);
        error_ = std::string("fork: ") + std::strerror(errno);
        return;
    }
    char c;
    ssize_t n;
    while ((n = ::read(ready[0], &c, 1)) == 1 || (n < 0 && errno == EINTR)) {
        if (n == 1 && c == '\n') break;
        if (n == 1) reported_ += c;
    }
    ::close(ready[0]);
    if (reported_.empty()) {
        error_ = command.front() + " did not start (is it installed?) or reported nothing";
        kill();
    }
}

ReportingServer::~ReportingServer() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGTERM);
    waitFor(pid_);
}

void ReportingServer::kill() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    waitFor(pid_);
    pid_ = -1;
}

XvfbServer::XvfbServer()
    : server_({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset", "-screen", "0", "1280x1024x24"}) {
    if (server_.running()) display_ = ":" + server_.reported();
}

AccessibilityBus::AccessibilityBus(const std::string& display)
    : session_({"dbus-daemon", "--session", "--nofork", "--print-address=3"}),
      // The launcher starts the accessibility bus and reports nothing: a
      // shell reports for it once it runs.
      launcher_({"sh", "-c", "/usr/libexec/at-spi-bus-launcher --launch-immediately & echo started >&3; wait"},
                {"DBUS_SESSION_BUS_ADDRESS=" + session_.reported(), "DISPLAY=" + display}) {}

int runOnDisplay(const std::string& display, const std::vector<std::string>& command) {
    auto environment = environmentWith({"DISPLAY=" + display});
    auto envp = argumentVector(environment);
    std::vector<std::string> arguments = command;
    auto argv = argumentVector(arguments);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return waitFor(pid);
}

}  // namespace chordmap::testing
