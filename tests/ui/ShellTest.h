#pragma once

#include <QObject>

namespace chordmap::testing {

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void windowLooksAsListed();
    void windowIsCreatedOnceAndReused();
    void closingTheWindowStopsObservationAndQuits();
    void menuItemsReachTheirActions();
    void helpOpensTheShippedPageAtItsFragment();
};

}  // namespace chordmap::testing
