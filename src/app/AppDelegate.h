#pragma once

#include "platform/Platform.h"
#include "ui/AppModel.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QQmlEngine;

namespace chordmap {

// The shell of the windowed program: owns the model and the one main window
// with its menus, routes menu commands to the model, and stops observation
// when the window closes or the program quits.
//
// Where the desktop has no Dock (Linux), a closed window could never come
// back: there, closing it also quits, and hiding the program minimises it.
class AppDelegate : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The program makes the one delegate.")
    Q_PROPERTY(QString version READ version CONSTANT)

public:
    explicit AppDelegate(const Platform& platform, QObject* parent = nullptr);
    ~AppDelegate() override;

    AppModel& model() { return model_; }
    // None until first shown; then kept, also while closed.
    QQuickWindow* window() const { return window_.get(); }

    // "Chordmap" and the version, as the about dialog shows them.
    static QString version();

    void applicationDidFinishLaunching();
    // The user reopens the running program (a click on its Dock icon).
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void windowWillClose();
    void applicationWillTerminate();

    // Menu actions.
    Q_INVOKABLE void toggleDetection();
    Q_INVOKABLE void manualSelection();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void clear();
    Q_INVOKABLE void keyboardOverview();
    Q_INVOKABLE void showWindow();
    Q_INVOKABLE void openHelp();
    Q_INVOKABLE void hide();
    Q_INVOKABLE void quit();

    // A key sequence written with Ctrl for the command key, as this
    // platform shows it (⌘R on macOS, Ctrl+R elsewhere).
    Q_INVOKABLE static QString shortcutText(const QString& keys);

signals:
    // The program is asked to end.
    void terminationRequested();

protected:
    // As the window's delegate: sees the window close.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWindow();

    AppModel model_;
    std::unique_ptr<QQmlEngine> engine_;
    std::unique_ptr<QQuickWindow> window_;
};

}  // namespace chordmap
