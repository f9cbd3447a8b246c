#include "app/WindowedApplication.h"

#include "app/AppDelegate.h"
#include "platform/qt/ApplicationPlatform.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QQuickStyle>

namespace chordmap {

void configureApplication() {
    // The program writes nothing, caches included: neither Qt's shader and
    // QML caches nor the graphics driver's land in the user's home.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    qputenv("QML_DISABLE_DISK_CACHE", "1");
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication::setApplicationName(QStringLiteral("Chordmap"));
    QGuiApplication::setApplicationVersion(AppDelegate::version().section(QLatin1Char(' '), 1));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/chordmap/chordmap.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("chordmap"));
    // The delegate decides what closing the window means.
    QGuiApplication::setQuitOnLastWindowClosed(false);
#ifndef Q_OS_MACOS
    // A desktop style whose look does not depend on the user's theme, in the
    // light appearance the window always uses.
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setPalette(QPalette(QColor(239, 239, 239)));
#endif
}

int runWindowedApplication(int& argc, char** argv) {
    QGuiApplication application(argc, argv);
    configureApplication();

    const qt_platform::ApplicationPlatform platform;
    AppDelegate delegate(platform.services());
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
#ifdef Q_OS_MACOS
    // A click on the Dock icon activates the running program.
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) {
            delegate.applicationShouldHandleReopen(delegate.window() && delegate.window()->isVisible());
        }
    });
#endif
    delegate.applicationDidFinishLaunching();
    return application.exec();
}

}  // namespace chordmap
