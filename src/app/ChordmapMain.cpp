#include "app/ChordmapMain.h"

#include "app/CommandLine.h"
#include "model/Json.h"
#include "observe/ShortcutDetector.h"
#include "platform/BundleInfo.h"
#include "platform/Processes.h"
#include "scan/AppIdentities.h"

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

const char* const missingApplication = "--app 后面缺少应用：请写 bundle ID，或应用、可执行文件的路径。";

}  // namespace

std::string versionLine() { return "Chordmap " + bundleShortVersion().value_or("development") + "\n"; }

namespace {

// Named by bundle identifier, a running instance also gives its name and path.
std::optional<FrontApplication> frontApplication(const Platform& platform, const std::optional<std::string>& named) {
    if (!named) return std::nullopt;
    FrontApplication front = frontApplicationNamed(*named);
    if (!front.path.empty()) return front;
    for (const RunningApplication& running : platform.processes.runningApplications(front.bundleID)) {
        if (running.isTerminated) continue;
        if (running.localizedName) front.name = *running.localizedName;
        if (const Url* url = running.bundleURL ? &*running.bundleURL : running.executableURL ? &*running.executableURL : nullptr)
            front.path = url->path().value_or("");
        break;
    }
    return front;
}

}  // namespace

std::string scanOutput(const Platform& platform, const ShortcutSpec& shortcut, const std::optional<std::string>& app) {
    const ShortcutDetector detector(platform);
    return snapshotJson(detector.scan(shortcut, frontApplication(platform, app))) + "\n";
}

void writeMap(const Platform& platform, int fd, const std::optional<std::string>& app) {
    const ShortcutDetector detector(platform);
    writeMapJson(detector.map(frontApplication(platform, app)), [fd](std::string_view piece) { writeAll(fd, piece); });
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
        writeAll(STDOUT_FILENO, scanOutput(systemPlatform(), scan->shortcut, scan->frontApplication));
    } else if (const auto* map = std::get_if<PrintMap>(&command)) {
        writeMap(systemPlatform(), STDOUT_FILENO, map->frontApplication);
    } else if (std::holds_alternative<MisusedOption>(command)) {
        writeAll(STDERR_FILENO, std::string(missingApplication) + "\n" + usageText);
        return 2;
    } else {
        return startWindow(argc, argv);
    }
    return 0;
}

}  // namespace chordmap
