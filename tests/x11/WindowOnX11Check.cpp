// End to end on a real X server: starts Xvfb with a session bus and the
// accessibility bus, runs the real windowed program on it (its own entry
// point, platform bundle and window), and uses it as people do: real clicks
// and key presses through the XTEST extension with xdotool, and the AT-SPI
// tree and actions a screen reader uses. The check runs inside the program's
// event loop and reads the window's state: the model behind it and its QML
// items.
//
// Live observation: an xterm on the same display, running cat into a file,
// shows that observed keys still reach the focused program. Ctrl+Alt+J is
// held before observation starts and repeated once it runs (a repeat must
// not become the combination under examination); plain letters are typed
// into the xterm (they must not either); then Ctrl+Alt+K is pressed. The
// window must show ⌃ ⌥ K, the received line, then the completion line once
// observation has stopped by itself, with the route note first.
//
// Keyboard and screen reader: what a screen reader reads of the result; Tab
// through the results keeps the focus in view; a click on a finding's text
// does not take the key equivalents away; while listening, a combination
// with Space is examined rather than pressing the focused button; a link
// that cannot open here is not shown; F10, the About box and Escape; Press
// on each button and Toggle on each check box through AT-SPI do what the
// pointer does. Without Xvfb, xdotool, xterm or the accessibility bus the
// check fails.
#include "support/TemporaryDirectory.h"
#include "ui/AppModel.h"
#include "app/WindowedApplication.h"
#include "x11/AccessibilityTree.h"
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
#include <map>
#include <string>
#include <vector>

namespace {

using chordmap::AppModel;
using chordmap::testing::AccessibilityTree;

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

// The first item of that name, through the visual tree (rows made by a
// view included), visible ones only or not.
QQuickItem* findItem(QQuickItem* root, const QString& name, bool onlyVisible = true) {
    if (!root || (onlyVisible && !root->isVisible())) return nullptr;
    if (root->objectName() == name) return root;
    for (QQuickItem* child : root->childItems()) {
        if (QQuickItem* found = findItem(child, name, onlyVisible)) return found;
    }
    return nullptr;
}

QQuickItem* item(QQuickWindow* window, const char* name) {
    QQuickItem* found = findItem(window->contentItem(), QString::fromLatin1(name));
    if (!found) failures.push_back(std::string("no visible ") + name);
    return found;
}

void clickOn(QQuickItem* target) {
    if (!target) return;
    const QPointF centre = target->mapToGlobal(QPointF(target->width() / 2, target->height() / 2));
    xdotool({"mousemove", "--sync", QString::number(qRound(centre.x())), QString::number(qRound(centre.y())), "click", "1"});
}

// Presses keys and lets the window take them in.
void press(const QString& keys) {
    xdotool({"key", keys});
    QTest::qWait(150);
}

QString focusedName(QQuickWindow* window) {
    return window->activeFocusItem() ? window->activeFocusItem()->objectName() : QString();
}

void keyboardAndScreenReader(QQuickWindow* window, AppModel* model) {
    AccessibilityTree tree(QStringLiteral("Chordmap"));
    if (!tree.error().isEmpty()) {
        failures.push_back(tree.error().toStdString());
        return;
    }
    // What a screen reader reads of the result.
    QStringList read;
    for (const auto& object : tree.showing()) read.append(object.name);
    const auto first = model->primaryFindings().front();
    for (const QString& text : {completedStatus, QStringLiteral("快捷键 ⌃ ⌥ K"), QStringLiteral("正在检查的快捷键"),
                                QStringLiteral("找到相关绑定"), QStringLiteral("未在监听"),
                                QString::fromStdString(first.application.name), QString::fromStdString(first.title),
                                QString::fromStdString(first.detail)}) {
        check(read.contains(text), "the accessibility tree reads \"" + text.toStdString() + "\"");
    }

    // Tab walks the buttons and the results; each control it reaches is in view.
    xdotool({"windowfocus", "--sync", QString::number(window->winId())});
    auto* scroll = item(window, "scrollArea");
    if (!scroll) return;
    for (int i = 0; i < 10; ++i) {
        press(QStringLiteral("Tab"));
        QQuickItem* focused = window->activeFocusItem();
        const QRectF area = scroll->mapRectToScene(scroll->boundingRect());
        const QRectF at = focused ? focused->mapRectToScene(focused->boundingRect()) : QRectF();
        check(focused && area.contains(at), "Tab " + std::to_string(i + 1) + " reaches a control in view");
    }
    press(QStringLiteral("Home"));
    check(scroll->property("atYBeginning").toBool(), "Home scrolls to the top");
    press(QStringLiteral("Next"));
    check(!scroll->property("atYBeginning").toBool(), "Page Down scrolls");

    // A click on a finding's text focuses it; the key equivalents still work.
    press(QStringLiteral("Home"));
    auto* title = item(window, "findingTitle");
    clickOn(title);
    checkEqual(focusedName(window), QStringLiteral("findingTitle"), "a click focuses the text");
    press(QStringLiteral("ctrl+BackSpace"));
    check(!model->hasSnapshot(), "Ctrl+Backspace clears while a finding's text has focus");
    checkEqual(focusedName(window), QStringLiteral("toggleDetection"), "focus goes to the main button");

    // While listening the focused button is not pressed by Space: the
    // combination is examined. Return starts, as Space would.
    press(QStringLiteral("Return"));
    check(model->isListening(), "Return on the main button starts detection");
    press(QStringLiteral("ctrl+space"));
    check(waitFor([&] { return model->hasSnapshot() && !model->isListening(); }), "Ctrl+Space is examined");
    checkEqual(model->shortcutName(), QStringLiteral("⌃ Space"), "the combination under examination");

    // ⌘Space is a system binding whose settings link cannot open here: no link.
    press(QStringLiteral("Return"));
    press(QStringLiteral("super+space"));
    waitFor([&] { return model->hasSnapshot() && !model->isListening(); });
    checkEqual(model->shortcutName(), QStringLiteral("⌘ Space"), "Super stands for ⌘");
    check(model->snapshot() && !model->snapshot()->findings.empty() && model->snapshot()->findings.front().sourceURL &&
              !model->snapshot()->findings.front().sourceURL->isFile(),
          "the system binding comes first, with its settings link");
    check(!tree.find(QStringLiteral("push button"), QStringLiteral("打开系统设置")), "no link that cannot open");

    // The menus by keyboard, the About box closed with Escape, then the
    // key equivalents again.
    press(QStringLiteral("F10"));
    check(tree.find(QStringLiteral("menu item"), QStringLiteral("关于 Chordmap")).has_value(), "F10 opens the first menu");
    press(QStringLiteral("Return"));
    auto* about = window->findChild<QObject*>(QStringLiteral("aboutDialog"));
    check(about->property("visible").toBool(), "Return chooses About");
    press(QStringLiteral("Escape"));
    check(!about->property("visible").toBool(), "Escape closes About");
    press(QStringLiteral("ctrl+k"));
    check(model->showManual(), "Ctrl+K right after About");
    press(QStringLiteral("ctrl+k"));

    // Every button and check box as a screen reader operates them.
    const auto act = [&](const char* role, const QString& name, const char* action) {
        const auto object = tree.find(QString::fromLatin1(role), name);
        check(object && tree.act(*object, QString::fromLatin1(action)),
              std::string(action) + " on " + role + " " + name.toStdString());
        QTest::qWait(50);
    };
    act("push button", QStringLiteral("手动选择"), "Press");
    check(model->showManual(), "Press opens the manual card");
    check(tree.find(QStringLiteral("combo box"), QStringLiteral("前台应用")).has_value(), "the 前台应用 chooser as read");
    const bool before[] = {model->control(), model->option(), model->shift(), model->command()};
    for (const char* box : {"⌃ Control", "⌥ Option", "⇧ Shift", "⌘ Command"}) act("check box", QString::fromUtf8(box), "Toggle");
    check(model->control() != before[0] && model->option() != before[1] && model->shift() != before[2] &&
              model->command() != before[3],
          "Toggle on each check box changes the model");
    act("push button", QStringLiteral("查询此组合"), "Press");
    check(!model->showManual() && model->status().startsWith(QStringLiteral("已查询 ⌥ ⇧ ⌘ G")), "Press queries the selection");
    act("check box", QStringLiteral("查看排查详情"), "Toggle");
    check(model->showDetails(), "Toggle opens the details");
    int scans = 0;
    const QObject counting;
    QObject::connect(model, &AppModel::snapshotChanged, &counting, [&] { ++scans; });
    act("push button", QStringLiteral("刷新结果"), "Press");
    checkEqual(scans, 1, "Press refreshes");
    act("push button", QStringLiteral("清空"), "Press");
    check(!model->hasSnapshot() && !model->showDetails(), "Press clears");
    act("push button", QStringLiteral("开始检测"), "Press");
    check(model->isListening(), "Press starts detection");
    act("push button", QStringLiteral("停止检测"), "Press");
    check(!model->isListening(), "Press stops detection");

    // The keyboard overview: keys read with their claims, Press looks one up,
    // Escape goes back.
    press(QStringLiteral("ctrl+b"));
    check(model->showKeyboard() && waitFor([&] { return !model->keyboard()->building(); }),
          "Ctrl+B opens the keyboard overview, which maps the home");
    QTest::qWait(100);
    const auto k = tree.find(QStringLiteral("push button"), QStringLiteral("K"));
    checkEqual(k ? tree.description(*k) : QString(), QStringLiteral("⌃ ⌥ K：7 项占用，确定冲突"), "the key K as read");
    check(tree.find(QStringLiteral("push button"), QStringLiteral("⌃ ⌥ H：可能冲突")).has_value(), "a conflict as read");
    act("push button", QStringLiteral("K"), "Press");
    check(!model->showKeyboard() && model->shortcutName() == QStringLiteral("⌃ ⌥ K"), "Press on a key looks it up");
    act("push button", QStringLiteral("键盘总览"), "Press");
    check(model->showKeyboard(), "Press opens the keyboard overview");
    press(QStringLiteral("Escape"));
    check(!model->showKeyboard(), "Escape closes the keyboard overview");
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
    const auto named = [&](const char* name) { return findItem(window->contentItem(), QString::fromLatin1(name), false); };
    auto* button = named("toggleDetection");
    auto* keyCaps = named("keyCaps");
    auto* status = named("status");
    auto* permissionCard = named("permissionCard");
    if (!model || !button || !keyCaps || !status || !permissionCard) {
        failures.push_back("the window lacks its model or one of its items");
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
    checkEqual(texts(keyCaps->childItems()), QStringList({"⌃", "⌥", "K"}), "key caps in the window");
    check(keyCaps->isVisible(), "the key caps are shown");
    check(model->snapshot() && model->snapshot()->receivedKey, "receivedKey");
    checkEqual(statuses.mid(statuses.indexOf(routeStartStatus)),
               QStringList({routeStartStatus, receivedStatus, completedStatus}),
               "status lines from the start on (no stop line: observation ended by itself)");
    checkEqual(status->property("text").toString(), completedStatus, "status line in the window");
    checkEqual(model->notes().value(0), routeNote, "first note in the model");
    check(!model->primaryFindings().empty(), "the scan of the sample home found related bindings");
    checkEqual(snapshots, 1, "one published snapshot");
    checkEqual(button->property("text").toString(), QStringLiteral("再次检测"), "main button after the check");

    xterm.kill();
    xterm.waitForFinished();
    keyboardAndScreenReader(window, model);
}

// Every path below the folder with its size.
std::map<std::string, std::uintmax_t> listing(const std::filesystem::path& folder) {
    std::map<std::string, std::uintmax_t> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        entries[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    }
    return entries;
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
    const chordmap::testing::AccessibilityBus buses(server.display());
    if (!server.running() || !buses.running()) {
        std::fprintf(stderr, "FAIL: %s%s\n", server.error().c_str(), buses.error().c_str());
        return 1;
    }
    // A copy of the sample home, where the program must write nothing, and
    // a runtime folder, inside a temporary folder.
    const chordmap::testing::TemporaryDirectory scratch;
    const std::filesystem::path root(scratch.path());
    std::filesystem::copy(CHORDMAP_EXAMPLE_HOME, root / "home", std::filesystem::copy_options::recursive);
    const auto homeBefore = listing(root / "home");
    std::filesystem::create_directory(root / "runtime");
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    typedFile = (root / "typed.txt").string();
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // What is checked is the window's state, not its pixels: drawing in
    // software keeps the GL driver and its render thread out of the test.
    ::setenv("QT_QUICK_BACKEND", "software", 1);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", buses.address().c_str(), 1);
    ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);

    const int status = chordmap::runWindowedApplication(argc, argv);
    if (status != 0) failures.push_back("the program ended with status " + std::to_string(status));
    check(listing(root / "home") == homeBefore, "the program wrote nothing into the home");
    for (const auto& failure : failures) std::fprintf(stderr, "FAIL: %s\n", failure.c_str());
    return failures.empty() ? 0 : 1;
}
