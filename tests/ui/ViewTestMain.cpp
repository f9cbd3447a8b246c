// The window's views in Qt Quick Test, on the offscreen platform. The QML
// test files reach the real model through the Fixture singleton.
#include "app/WindowedApplication.h"
#include "ui/UiEngine.h"
#include "ui/ViewFixture.h"

#include <QQmlEngine>
#include <QQuickWindow>
#include <QtQuickTest>

namespace {

class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable() {
        chordmap::configureApplication();
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        qmlRegisterSingletonInstance("ChordmapTest", 1, 0, "Fixture", &fixture_);
    }
    void qmlEngineAvailable(QQmlEngine* engine) { chordmap::prepareEngine(*engine, fixture_.workspace()); }

private:
    chordmap::testing::ViewFixture fixture_;
};

}  // namespace

QUICK_TEST_MAIN_WITH_SETUP(chordmap_views, Setup)

#include "ViewTestMain.moc"
