// The window with thousands of findings: the real program on its own Xvfb,
// a home whose Keyboard Maestro library holds 5,000 macros on ⌃⌥K, detection
// started with a click and ⌃⌥K pressed with xdotool. Reports, from the key
// press on, the time until a finding row is on screen and the longest time
// the main thread did not come back to its event loop (a 1 ms timer that
// notes every gap), then the longest gap while the results are paged through
// to the end. Figures, not limits. Drawn in software, on the main thread, as
// a machine without a GPU does.
// Run: scripts/bench.sh (or build/bench/bench/WindowBenchmark [macros])

#include "app/WindowedApplication.h"
#include "ui/AppModel.h"
#include "x11/XvfbServer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

int macroCount = 5000;

double milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// A Keyboard Maestro library of `count` macros in groups of 50, each with a
// hot key on ⌃⌥K (key code 40, Carbon control + option).
void writeLibrary(const fs::path& file, int count) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>MacroGroups</key><array>
)";
    for (int group = 0; group * 50 < count; ++group) {
        out << "<dict><key>Name</key><string>Group " << group << "</string><key>Macros</key><array>\n";
        for (int i = group * 50; i < std::min(count, group * 50 + 50); ++i) {
            out << "<dict><key>Name</key><string>Macro number " << i << " opens a window</string><key>UID</key><string>6F1C0A2B-0000-4000-8000-"
                << 100000000000 + i
                << "</string><key>Triggers</key><array><dict><key>MacroTriggerType</key><string>HotKey</string>"
                   "<key>KeyCode</key><integer>40</integer><key>Modifiers</key><integer>6144</integer>"
                   "<key>FireType</key><string>Pressed</string></dict></array></dict>\n";
        }
        out << "</array></dict>\n";
    }
    out << "</array></dict></plist>\n";
}

// The longest gap between two turns of the event loop, while it runs.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void restart() {
        last_ = Clock::now();
        longest_ = {};
        timer_.start();
    }
    Clock::duration longest() const { return longest_; }

private:
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
};

bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30'000) && process.exitCode() == 0;
}

bool rowOnScreen(QQuickItem* item, const QRectF& screen) {
    if (!item->isVisible()) return false;
    if (item->objectName() == QStringLiteral("applicationName") &&
        screen.intersects(item->mapRectToScene(item->boundingRect()))) {
        return true;
    }
    const auto children = item->childItems();
    return std::any_of(children.begin(), children.end(), [&](QQuickItem* child) { return rowOnScreen(child, screen); });
}

void measure() {
    QQuickWindow* window = nullptr;
    (void)QTest::qWaitFor([&] {
        for (QWindow* candidate : QGuiApplication::topLevelWindows()) {
            if (auto* quick = qobject_cast<QQuickWindow*>(candidate); quick && quick->isExposed()) window = quick;
        }
        return window != nullptr;
    }, 30'000);
    auto* model = window ? window->property("model").value<chordmap::AppModel*>() : nullptr;
    if (!model) {
        std::fprintf(stderr, "the window did not come up\n");
        return;
    }
    xdotool({"windowfocus", "--sync", QString::number(window->winId())});
    xdotool({"key", "ctrl+r"});
    (void)QTest::qWaitFor([&] { return model->isListening(); }, 10'000);

    StallProbe probe;
    Clock::time_point pressed;
    Clock::time_point shown;
    const QRectF screen(0, 0, window->width(), window->height());
    const QMetaObject::Connection frames = QObject::connect(window, &QQuickWindow::frameSwapped, [&] {
        if (shown == Clock::time_point{} && model->hasSnapshot() && rowOnScreen(window->contentItem(), screen)) {
            shown = Clock::now();
        }
    });
    probe.restart();
    pressed = Clock::now();
    xdotool({"key", "ctrl+alt+k"});
    (void)QTest::qWaitFor([&] { return shown != Clock::time_point{} && !model->isListening(); }, 120'000);
    QTest::qWait(300);
    QObject::disconnect(frames);
    const auto resultStall = probe.longest();
    const auto findings = model->primaryFindings().size();

    // Paging through every result to the end.
    probe.restart();
    const auto pagingStarted = Clock::now();
    for (int page = 0; page < 40; ++page) xdotool({"key", "Next"});
    xdotool({"key", "End"});
    QTest::qWait(300);
    const auto pagingTime = Clock::now() - pagingStarted;

    std::printf("findings shown                        %zu\n", findings);
    std::printf("key press to first row on screen      %.0f ms\n", milliseconds(shown - pressed));
    std::printf("longest main-thread stall until then  %.0f ms (and 300 ms after)\n", milliseconds(resultStall));
    std::printf("paging 40 pages and End: longest stall %.0f ms over %.0f ms\n", milliseconds(probe.longest()),
                milliseconds(pagingTime));
}

void measureOnceRunning() {
    QTimer::singleShot(0, [] {
        measure();
        for (QWindow* window : QGuiApplication::topLevelWindows()) window->close();
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(measureOnceRunning)

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') macroCount = std::atoi(argv[i]);
    }
    chordmap::testing::XvfbServer server;
    if (!server.running()) {
        std::fprintf(stderr, "%s\n", server.error().c_str());
        return 1;
    }
    char pattern[] = "/tmp/chordmap-window-bench-XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    writeLibrary(root / "home/Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist", macroCount);
    fs::create_directory(root / "runtime");
    fs::permissions(root / "runtime", fs::perms::owner_all);
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("QT_QUICK_BACKEND", "software", 1);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    int arguments = 1;
    const int status = chordmap::runWindowedApplication(arguments, argv);
    fs::remove_all(root);
    return status;
}
