// End to end on a real X server: starts Xvfb, runs the real windowed program
// on it (its own entry point, platform bundle and window), clicks the main
// button and presses keys through the XTEST extension with xdotool, as a
// user's keyboard and mouse would. The check runs inside the program's event
// loop and reads the window's state: the model behind it and its QML items.
//
// Meanwhile an xterm on the same display, running cat into a file, shows
// that observed keys still reach the focused program.
//
// Scenario: Ctrl+Alt+J is held before observation starts and repeated once
// it runs (a repeat must not become the combination under examination);
// plain letters are typed into the xterm (they must not either); then
// Ctrl+Alt+K is pressed. The window must show ⌃ ⌥ K, the received line, then
// the completion line once observation has stopped by itself, with the
// route note first. Without Xvfb, xdotool or xterm the check fails.
#include "support/TemporaryDirectory.h"
#include "ui/AppModel.h"
#include "app/WindowedApplication.h"
#include "x11/XvfbServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using chordmap::AppModel;

const QString routeStartStatus = QStringLiteral("按键观察已开始，但系统派发通路不可用；暂时只显示配置和监听器线索。");
const QString receivedStatus = QStringLiteral("已收到 ⌃ ⌥ K，正在核对接收软件。");
const QString completedStatus = QStringLiteral("检测完成 · 结果已保留，点击再次检测可查询其他组合。");
const QString stoppedStatus = QStringLiteral("检测已停止，不再监听按键。");
const QString routeNote = QStringLiteral("当前系统派发观察通路不可用。");
const QString typingTarget = QStringLiteral("chordmap-typing-target");

std::vector<std::string> failures;
std::string typedFile;

void check(bool condition, const std::string& what) {
    if (!condition) failures.push_back(what);
}

template <typename Value>
void checkEqual(const Value& actual, const Value& expected, const std::string& what) {
    if (actual == expected) return;
    QString shown;
    QDebug(&shown) << actual << "instead of" << expected;
    failures.push_back(what + ": " + shown.toStdString());
}

// Waits, with the program's event loop running, for the condition. The
// limit only keeps a broken program from hanging the test run.
bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30'000); }

// Runs xdotool on the display the program is on; its output.
QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!waitFor([&] { return process.state() == QProcess::NotRunning; }) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        failures.push_back("xdotool " + arguments.join(QLatin1Char(' ')).toStdString() + " failed: " +
                           process.readAllStandardError().toStdString());
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString typedText() {
    QFile file(QString::fromStdString(typedFile));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList texts(const QList<QQuickItem*>& items) {
    QStringList list;
    for (QQuickItem* item : items) {
        if (item->property("text").isValid()) list.append(item->property("text").toString());
    }
    return list;
}

QStringList repeatedTexts(QQuickItem* repeater) {
    QList<QQuickItem*> items;
    const int count = repeater ? repeater->property("count").toInt() : 0;
    for (int i = 0; i < count; ++i) {
        QQuickItem* item = nullptr;
        QMetaObject::invokeMethod(repeater, "itemAt", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, i));
        if (item) items.append(item);
    }
    return texts(items);
}

void runScenario() {
    QQuickWindow* window = nullptr;
    waitFor([&] {
        for (QWindow* candidate : QGuiApplication::topLevelWindows()) {
            if (auto* quick = qobject_cast<QQuickWindow*>(candidate); quick && quick->isExposed()) window = quick;
        }
        return window != nullptr;
    });
    if (!window) {
        failures.push_back("the main window never appeared");
        return;
    }
    auto* model = window->property("model").value<AppModel*>();
    QObject* content = window;
    auto* button = content->findChild<QQuickItem*>(QStringLiteral("toggleDetection"));
    auto* keyCaps = content->findChild<QQuickItem*>(QStringLiteral("keyCaps"));
    auto* status = content->findChild<QQuickItem*>(QStringLiteral("status"));
    auto* notes = content->findChild<QQuickItem*>(QStringLiteral("notes"));
    auto* permissionCard = content->findChild<QQuickItem*>(QStringLiteral("permissionCard"));
    if (!model || !button || !keyCaps || !status || !notes || !permissionCard) {
        failures.push_back(std::string("the window lacks its model or one of its items: ") + (model ? "" : "model ") +
                           (button ? "" : "button ") + (keyCaps ? "" : "keyCaps ") + (status ? "" : "status ") +
                           (notes ? "" : "notes ") + (permissionCard ? "" : "permissionCard"));
        return;
    }
    check(model->permissionGranted(), "input monitoring counts as granted on an X display with XInput 2");
    check(!permissionCard->isVisible(), "no permission card");

    QStringList statuses;
    int snapshots = 0;
    const QObject listening;  // ends the two connections with the scenario
    QObject::connect(model, &AppModel::statusChanged, &listening, [&] { statuses.append(model->status()); });
    QObject::connect(model, &AppModel::snapshotChanged, &listening, [&] { ++snapshots; });

    // The other program: an xterm that copies what is typed into a file.
    QProcess xterm;
    xterm.start(QStringLiteral("xterm"),
                {QStringLiteral("-T"), typingTarget, QStringLiteral("-geometry"), QStringLiteral("60x5+820+0"),
                 QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("exec cat > \"$0\""),
                 QString::fromStdString(typedFile)});
    const QString xtermWindow =
        xdotool({"search", "--sync", "--onlyvisible", "--name", typingTarget}).section(QLatin1Char('\n'), 0, 0);
    if (xtermWindow.isEmpty()) {
        failures.push_back("xterm did not come up");
        return;
    }
    xdotool({"windowfocus", "--sync", xtermWindow});

    // A combination held before observation starts.
    xdotool({"keydown", "ctrl+alt+j"});
    const QPointF centre = button->mapToGlobal(QPointF(button->width() / 2, button->height() / 2));
    xdotool({"mousemove", "--sync", QString::number(qRound(centre.x())), QString::number(qRound(centre.y())),
             "click", "1"});
    waitFor([&] { return model->isListening(); });
    check(model->isListening(), "a click on the main button starts observation");
    checkEqual(model->status(), routeStartStatus, "start status");

    // Its repeat, and plain letters, while the xterm has the focus.
    xdotool({"windowfocus", "--sync", xtermWindow});
    xdotool({"keydown", "j"});
    xdotool({"keyup", "ctrl+alt+j"});
    xdotool({"type", "plain"});
    xdotool({"key", "Return"});
    check(waitFor([] { return typedText().contains(QStringLiteral("plain\n")); }),
          "keys typed during observation reach the xterm; it got: " + typedText().toStdString());
    check(model->isListening() && !model->hasSnapshot() && snapshots == 0,
          "neither the repeat nor plain letters became the combination under examination");

    xdotool({"key", "ctrl+alt+k"});
    check(waitFor([&] { return model->hasSnapshot() && !model->isListening(); }),
          "the key press is reported and observation stops by itself");

    // The window: what the model holds and what its items show.
    checkEqual(model->keyCaps(), QStringList({"⌃", "⌥", "K"}), "key caps in the model");
    checkEqual(texts(keyCaps->childItems()), QStringList({"⌃", "⌥", "K"}), "key caps in the window");
    check(keyCaps->isVisible(), "the key caps are shown");
    check(model->snapshot() && model->snapshot()->receivedKey, "receivedKey");
    checkEqual(statuses.mid(statuses.indexOf(routeStartStatus)),
               QStringList({routeStartStatus, receivedStatus, completedStatus}),
               "status lines from the start on (no stop line: observation ended by itself)");
    checkEqual(status->property("text").toString(), completedStatus, "status line in the window");
    checkEqual(model->notes().value(0), routeNote, "first note in the model");
    checkEqual(repeatedTexts(notes).value(0), routeNote, "first note in the window");
    check(!model->primaryFindings().empty(), "the scan of the sample home found related bindings");
    checkEqual(snapshots, 1, "one published snapshot");
    checkEqual(button->property("text").toString(), QStringLiteral("再次检测"), "main button after the check");

    xterm.kill();
    xterm.waitForFinished();
}

void startScenarioOnceRunning() {
    QTimer::singleShot(0, [] {
        runScenario();
        for (QWindow* window : QGuiApplication::topLevelWindows()) window->close();
        // Closing the window ends the program; make sure even if it did not.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startScenarioOnceRunning)

int main(int argc, char** argv) {
    chordmap::testing::XvfbServer server;
    if (!server.running()) {
        std::fprintf(stderr, "FAIL: %s\n", server.error().c_str());
        return 1;
    }
    // A home with sample configurations, and places for what the desktop
    // libraries keep, all inside a temporary folder.
    const chordmap::testing::TemporaryDirectory scratch;
    const std::filesystem::path root(scratch.path());
    std::filesystem::copy(CHORDMAP_EXAMPLE_HOME, root / "home", std::filesystem::copy_options::recursive);
    for (const char* folder : {"cache", "config", "runtime"}) {
        std::filesystem::create_directory(root / folder);
    }
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    typedFile = (root / "typed.txt").string();
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // What is checked is the window's state, not its pixels: drawing in
    // software keeps the GL driver and its render thread out of the test.
    ::setenv("QT_QUICK_BACKEND", "software", 1);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);

    const int status = chordmap::runWindowedApplication(argc, argv);
    if (status != 0) failures.push_back("the program ended with status " + std::to_string(status));
    for (const auto& failure : failures) std::fprintf(stderr, "FAIL: %s\n", failure.c_str());
    return failures.empty() ? 0 : 1;
}
