#include "app/ChordmapMain.h"

#include "app/CommandLine.h"
#include "model/Json.h"
#include "observe/ShortcutDetector.h"
#include "platform/BundleInfo.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace chordmap {
namespace {

// Every byte, or as many as the reader takes: a closed pipe ends the output
// quietly (SIGPIPE is ignored, so write reports EPIPE instead).
void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string versionLine() { return "Chordmap " + bundleShortVersion().value_or("development") + "\n"; }

std::string scanOutput(const Platform& platform, const ShortcutSpec& shortcut) {
    const ShortcutDetector detector(platform);
    return snapshotJson(detector.scan(shortcut)) + "\n";
}

void writeMap(const Platform& platform, int fd) {
    const ShortcutDetector detector(platform);
    writeMapJson(detector.map(), [fd](std::string_view piece) { writeAll(fd, piece); });
    writeAll(fd, "\n");
}

int ChordmapMain::main(int argc, char** argv, WindowStarter startWindow) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments(argv, argv + argc);
    const Command command = parseCommandLine(arguments);
    if (std::holds_alternative<PrintVersion>(command)) {
        writeAll(STDOUT_FILENO, versionLine());
    } else if (std::holds_alternative<PrintUsage>(command)) {
        writeAll(STDOUT_FILENO, usageText);
    } else if (const auto* scan = std::get_if<ScanShortcut>(&command)) {
        writeAll(STDOUT_FILENO, scanOutput(systemPlatform(), scan->shortcut));
    } else if (std::holds_alternative<PrintMap>(command)) {
        writeMap(systemPlatform(), STDOUT_FILENO);
    } else {
        return startWindow(argc, argv);
    }
    return 0;
}

}  // namespace chordmap
