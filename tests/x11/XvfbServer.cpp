#include "x11/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
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

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

XvfbServer::XvfbServer() {
    // Xvfb writes the display number it chose to this pipe once it accepts
    // connections.
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    std::vector<std::string> arguments{"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset",
                                       "-screen", "0", "1280x1024x24"};
    auto argv = argumentVector(arguments);
    pid_ = ::fork();
    if (pid_ == 0) {
        // The server goes with the test, even when the test crashes. The
        // write end becomes descriptor 3, kept open across exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (ready[1] == 3) {
            ::fcntl(3, F_SETFD, 0);
        } else {
            ::dup2(ready[1], 3);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(ready[1]);
    if (pid_ < 0) {
        ::close(ready[0]);
        error_ = std::string("fork: ") + std::strerror(errno);
        return;
    }

    std::string number;
    char c;
    ssize_t n;
    while ((n = ::read(ready[0], &c, 1)) == 1 || (n < 0 && errno == EINTR)) {
        if (n == 1 && c == '\n') break;
        if (n == 1) number += c;
    }
    ::close(ready[0]);
    if (number.empty()) {
        error_ = "Xvfb did not start (is it installed?) or opened no display";
        kill();
        return;
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    waitFor(pid_);
}

void XvfbServer::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitFor(pid_);
    pid_ = -1;
}

int runOnDisplay(const std::string& display, const std::vector<std::string>& command) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0) environment.emplace_back(*entry);
    }
    environment.push_back("DISPLAY=" + display);
    auto envp = argumentVector(environment);
    std::vector<std::string> arguments = command;
    auto argv = argumentVector(arguments);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return waitFor(pid);
}

}  // namespace chordmap::testing
