#pragma once

#include <QObject>

namespace chordmap::testing {

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void rendersTheWindowInItsStates();
};

}  // namespace chordmap::testing
