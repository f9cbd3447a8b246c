#include "app/AppDelegate.h"

#include "app/ChordmapMain.h"
#include "ui/UiEngine.h"
#include "ui/WorkspaceActions.h"

#ifdef Q_OS_MACOS
#include "platform/mac/MacShell.h"
#endif

#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QScreen>

namespace chordmap {
namespace {

#ifdef Q_OS_MACOS
constexpr bool hasDock = true;
#else
constexpr bool hasDock = false;
#endif

}  // namespace

AppDelegate::AppDelegate(const Platform& platform, QObject* parent)
    : QObject(parent), model_(platform), engine_(std::make_unique<QQmlEngine>()) {
    prepareEngine(*engine_, platform.workspace);
}

AppDelegate::~AppDelegate() {
    // The window's views refer to the model and the engine: it goes first.
    window_.reset();
    engine_.reset();
}

QString AppDelegate::version() { return QString::fromStdString(versionLine()).trimmed(); }

void AppDelegate::applicationDidFinishLaunching() {
#ifdef Q_OS_MACOS
    // The native menu bar; the window carries none there.
    mac_shell::installMainMenu({.toggleDetection = [this] { toggleDetection(); },
                                .manualSelection = [this] { manualSelection(); },
                                .refresh = [this] { refresh(); },
                                .clear = [this] { clear(); },
                                .keyboardOverview = [this] { keyboardOverview(); },
                                .showWindow = [this] { showWindow(); },
                                .openHelp = [this] { openHelp(); }});
#endif
    // Elsewhere the menus are part of the window and are built with it.
    showWindow();
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (!hasVisibleWindows) showWindow();
    return true;
}

void AppDelegate::windowWillClose() {
    model_.stop();
    if (!hasDock) quit();
}

void AppDelegate::applicationWillTerminate() { model_.stop(); }

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.get() && event->type() == QEvent::Close) windowWillClose();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::toggleDetection() { model_.toggleDetection(); }

void AppDelegate::manualSelection() { model_.toggleManual(); }

void AppDelegate::refresh() { model_.refresh(); }

void AppDelegate::clear() { model_.clear(); }

void AppDelegate::keyboardOverview() { model_.openKeyboard(); }

void AppDelegate::openHelp() { model_.workspace()->openHelp(); }

void AppDelegate::hide() {
    // Without a Dock to bring a hidden program back, hiding minimises.
    if (window_) window_->showMinimized();
}

void AppDelegate::quit() {
    emit terminationRequested();
    QCoreApplication::quit();
}

QString AppDelegate::shortcutText(const QString& keys) {
    return QKeySequence(keys, QKeySequence::PortableText).toString(QKeySequence::NativeText);
}

void AppDelegate::showWindow() {
    if (!window_) {
        createWindow();
        if (!window_) return;
        window_->show();
    } else {
        // The same window, with its size and position, brought to the front.
        if (window_->windowStates() & Qt::WindowMinimized) {
            window_->showNormal();
        } else {
            window_->show();
        }
        window_->raise();
    }
#ifdef Q_OS_MACOS
    // Closing destroys the native window, so the title bar is styled on every show.
    mac_shell::styleMainWindow(static_cast<std::uintptr_t>(window_->winId()));
#endif
    window_->requestActivate();
}

void AppDelegate::createWindow() {
    QQmlComponent component(engine_.get(), QUrl(QStringLiteral("qrc:/qt/qml/Chordmap/MainWindow.qml")));
    QObject* object = component.createWithInitialProperties({
        {QStringLiteral("model"), QVariant::fromValue(&model_)},
        {QStringLiteral("shell"), QVariant::fromValue(this)},
    });
    auto* window = qobject_cast<QQuickWindow*>(object);
    if (!window) {
        // The window is part of the program; failing to build it is a
        // defect of the build, reported like any QML error.
        qCritical("%s", qPrintable(component.errorString()));
        delete object;
        return;
    }
    window_.reset(window);
    window->installEventFilter(this);
    if (const QScreen* screen = window->screen()) {
        const QRect available = screen->availableGeometry();
        window->setPosition(available.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

}  // namespace chordmap
