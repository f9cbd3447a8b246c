// The shell: the one main window, its menus and what closing it does.
#include "ui/ShellTest.h"

#include "app/AppDelegate.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QQmlContext>
#include <QQmlExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <functional>
#include <memory>

namespace chordmap::testing {
namespace {

struct Shell {
    Shell() {
        platform.home.directory = CHORDMAP_EXAMPLE_HOME;
        delegate = std::make_unique<AppDelegate>(platform.services);
        delegate->applicationDidFinishLaunching();
    }
    QQuickWindow* window() const { return delegate->window(); }
    AppModel& model() const { return delegate->model(); }
    // Evaluates JavaScript in the window's scope.
    QVariant evaluate(const QString& script) const {
        QQmlExpression expression(qmlContext(window()), window(), script);
        const QVariant value = expression.evaluate();
        if (expression.hasError()) qWarning("%s", qPrintable(expression.error().toString()));
        return value;
    }
    // Triggers the item of the menu, as choosing it does.
    void choose(int menu, int item) const {
        evaluate(QStringLiteral("menuBar.menuAt(%1).itemAt(%2).action.trigger()").arg(menu).arg(item));
    }

    FakePlatform platform;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace

void ShellTest::windowLooksAsListed() {
    Shell shell;
    QQuickWindow* window = shell.window();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->title(), QStringLiteral("Chordmap · 组合寻踪"));
    QCOMPARE(window->size(), QSize(780, 710));
    QCOMPARE(window->minimumSize(), QSize(690, 590));
    QCOMPARE(window->color(), QColor::fromRgbF(0.97f, 0.98f, 1.0f));
}

void ShellTest::windowIsCreatedOnceAndReused() {
    Shell shell;
    QQuickWindow* first = shell.window();
    const auto windows = QGuiApplication::topLevelWindows().size();
    shell.delegate->showWindow();
    QCOMPARE(shell.window(), first);
    QCOMPARE(QGuiApplication::topLevelWindows().size(), windows);

    // Moved and resized by the user.
    const QRect geometry(first->x() + 10, first->y() + 20, 800, 700);
    first->setGeometry(geometry);
    QCoreApplication::processEvents();  // the window system reports it back

    first->close();
    QVERIFY(!first->isVisible());
    QCOMPARE(shell.window(), first);
    shell.delegate->showWindow();
    QCOMPARE(shell.window(), first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QCOMPARE(first->geometry(), geometry);
}

void ShellTest::closingTheWindowStopsObservationAndQuits() {
    Shell shell;
    QSignalSpy quitting(shell.delegate.get(), &AppDelegate::terminationRequested);
    shell.model().scan(ShortcutSpec(40, modifier::control | modifier::option));
    shell.model().start();
    QVERIFY(shell.model().isListening());
    shell.window()->close();
    QVERIFY(!shell.model().isListening());
    QCOMPARE(shell.model().status(), QStringLiteral("检测已停止，不再监听按键。"));
    QVERIFY(shell.model().hasSnapshot());
    // No Dock to bring the window back here: closing it ends the program.
    QCOMPARE(quitting.count(), 1);

    // Not listening: still stopped and ended.
    shell.delegate->showWindow();
    shell.window()->close();
    QCOMPARE(quitting.count(), 2);
}

void ShellTest::menuItemsReachTheirActions() {
    Shell shell;
    AppModel& model = shell.model();
    QQuickWindow* window = shell.window();
    QSignalSpy quitting(shell.delegate.get(), &AppDelegate::terminationRequested);

    struct Row {
        const char* name;
        int menu;
        int item;
        std::function<bool()> reached;
    };
    const std::vector<Row> rows{
        {"about", 0, 0, [&] { return shell.evaluate(QStringLiteral("aboutDialog.visible")).toBool(); }},
        {"hide minimises", 0, 2, [&] { return bool(window->windowStates() & Qt::WindowMinimized); }},
        {"show window", 2, 0, [&] { return !(window->windowStates() & Qt::WindowMinimized) && window->isVisible(); }},
        {"minimise", 2, 2, [&] { return bool(window->windowStates() & Qt::WindowMinimized); }},
        {"show window again", 2, 0, [&] { return !(window->windowStates() & Qt::WindowMinimized); }},
        {"start", 1, 0, [&] { return model.isListening(); }},
        {"stop", 1, 0, [&] { return !model.isListening() && model.status() == QStringLiteral("检测已停止，不再监听按键。"); }},
        {"manual selection opens", 1, 1, [&] { return model.showManual(); }},
        {"manual selection closes", 1, 1, [&] { return !model.showManual(); }},
        {"refresh", 1, 2, [&] { return model.hasSnapshot(); }},
        {"clear", 1, 3, [&] { return !model.hasSnapshot(); }},
        {"keyboard overview", 1, 4, [&] { return model.showKeyboard(); }},
        {"help", 3, 0, [&] { return shell.platform.workspace.openedURLs.size() == 1; }},
        {"quit", 0, 3, [&] { return quitting.count() == 1; }},
        {"close window", 2, 1, [&] { return !window->isVisible() && quitting.count() == 2; }},
    };
    for (const Row& row : rows) {
        shell.choose(row.menu, row.item);
        QVERIFY2(row.reached(), row.name);
    }
}

void ShellTest::helpOpensTheShippedPageAtItsFragment() {
    Shell shell;
    shell.delegate->openHelp();
    QCOMPARE(shell.platform.workspace.openedURLs.size(), std::size_t{1});
    const QUrl help(QString::fromStdString(shell.platform.workspace.openedURLs[0].absoluteString()));
    QVERIFY(help.isLocalFile());
    QCOMPARE(help.fragment(), QStringLiteral("help"));
    QVERIFY2(QFileInfo::exists(help.toLocalFile()), qPrintable(help.toLocalFile()));
}

}  // namespace chordmap::testing
