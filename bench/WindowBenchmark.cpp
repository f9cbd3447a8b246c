// The window with thousands of findings: the real program on its own Xvfb,
// a home whose Keyboard Maestro library holds 5,000 macros on ⌃⌥K, detection
// started with a click and ⌃⌥K pressed with xdotool. Reports, from the key
// press on, the time until a finding row is on screen and the longest time
// the main thread did not come back to its event loop (a 1 ms timer that
// notes every gap), then the longest gap while the results are paged through
// to the end. Then the keyboard overview (⌘B): the time until the map of the
// home is shown and the longest stall meanwhile, the map being built on a
// worker thread. Figures, not limits. Drawn in software, on the main thread,
// as a machine without a GPU does.
// Run: scripts/bench.sh (or build/bench/bench/WindowBenchmark [macros]
// [--home=DIR], DIR a home to use instead, such as the scan benchmark's heavy
// one).

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

#include <plist/plist.h>

#include <algorithm>
#include <ctime>
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
std::string givenHome;

double milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// A Keyboard Maestro library of `count` macros in groups of 50, each with a
// hot key on ⌃⌥K (key code 40, Carbon control + option), in the binary form
// Keyboard Maestro writes.
void writeLibrary(const fs::path& file, int count) {
    plist_t groups = plist_new_array();
    plist_t macros = nullptr;
    for (int i = 0; i < count; ++i) {
        if (i % 50 == 0) {
            plist_t group = plist_new_dict();
            plist_dict_set_item(group, "Name", plist_new_string(("Group " + std::to_string(i / 50)).c_str()));
            macros = plist_new_array();
            plist_dict_set_item(group, "Macros", macros);
            plist_array_append_item(groups, group);
        }
        plist_t trigger = plist_new_dict();
        plist_dict_set_item(trigger, "MacroTriggerType", plist_new_string("HotKey"));
        plist_dict_set_item(trigger, "KeyCode", plist_new_uint(40));
        plist_dict_set_item(trigger, "Modifiers", plist_new_uint(6144));
        plist_dict_set_item(trigger, "FireType", plist_new_string("Pressed"));
        plist_t triggers = plist_new_array();
        plist_array_append_item(triggers, trigger);
        plist_t macro = plist_new_dict();
        plist_dict_set_item(macro, "Name", plist_new_string(("Macro number " + std::to_string(i) + " opens a window").c_str()));
        plist_dict_set_item(macro, "UID", plist_new_string(("6F1C0A2B-0000-4000-8000-" + std::to_string(100000000000 + i)).c_str()));
        plist_dict_set_item(macro, "Triggers", triggers);
        plist_array_append_item(macros, macro);
    }
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "MacroGroups", groups);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes, length);
    std::printf("Keyboard Maestro library               %d macros, %u bytes\n", count, length);
    plist_to_bin_free(bytes);
    plist_free(root);
}

// The main thread's own processor time: on a busy machine a stall's wall
// time includes waiting for a core.
double threadMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The longest gap between two turns of the event loop, while it runs, and
// the processor time the main thread spent in it.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            const double processor = threadMilliseconds();
            if (now - last_ > longest_) {
                longest_ = now - last_;
                longestProcessor_ = processor - lastProcessor_;
            }
            last_ = now;
            lastProcessor_ = processor;
        });
    }
    void restart() {
        last_ = Clock::now();
        lastProcessor_ = threadMilliseconds();
        longest_ = {};
        timer_.start();
    }
    std::string longest() const {
        char text[64];
        std::snprintf(text, sizeof text, "%.0f ms (%.0f ms of it on a core)", milliseconds(longest_), longestProcessor_);
        return text;
    }

private:
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
    double lastProcessor_ = 0;
    double longestProcessor_ = 0;
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
    if (shown == Clock::time_point{})
        std::printf("key press to first row on screen      never (nothing found)\n");
    else
        std::printf("key press to first row on screen      %.0f ms\n", milliseconds(shown - pressed));
    std::printf("longest main-thread stall until then  %s (and 300 ms after)\n", resultStall.c_str());
    std::printf("paging 40 pages and End: longest stall %s over %.0f ms\n", probe.longest().c_str(),
                milliseconds(pagingTime));

    // The keyboard overview, mapped while the window goes on drawing.
    chordmap::KeyboardView& keyboard = *model->keyboard();
    probe.restart();
    const auto opened = Clock::now();
    xdotool({"key", "ctrl+b"});
    (void)QTest::qWaitFor([&] { return keyboard.hasMap() && !keyboard.building(); }, 120'000);
    const auto mapped = Clock::now();
    QTest::qWait(300);
    std::printf("keyboard overview: map shown after    %.0f ms, %d conflicts\n", milliseconds(mapped - opened),
                keyboard.conflictCount());
    std::printf("longest main-thread stall until then  %s (and 300 ms after)\n", probe.longest().c_str());
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
        const std::string argument = argv[i];
        if (argument.starts_with("--home=")) givenHome = argument.substr(7);
        else if (argument[0] != '-') macroCount = std::atoi(argv[i]);
    }
    chordmap::testing::XvfbServer server;
    if (!server.running()) {
        std::fprintf(stderr, "%s\n", server.error().c_str());
        return 1;
    }
    char pattern[] = "/tmp/chordmap-window-bench-XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    if (givenHome.empty())
        writeLibrary(root / "home/Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist", macroCount);
    fs::create_directory(root / "runtime");
    fs::permissions(root / "runtime", fs::perms::owner_all);
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("QT_QUICK_BACKEND", "software", 1);
    ::setenv("HOME", givenHome.empty() ? (root / "home").c_str() : givenHome.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    int arguments = 1;
    const int status = chordmap::runWindowedApplication(arguments, argv);
    fs::remove_all(root);
    return status;
}
