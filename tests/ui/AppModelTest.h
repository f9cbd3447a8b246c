#pragma once

#include <QObject>

namespace chordmap::testing {

class AppModelTest : public QObject {
    Q_OBJECT

private slots:
    void startWithoutPermissionLeavesObservationAlone();
    void startTakesTheDetectorsWord();
    void refreshScansWhatIsShown_data();
    void refreshScansWhatIsShown();
    void clearKeepsTheManualSelection();
    void queryLooksUpTheManualSelection();
    void openPermissionSettingsAsksOnlyWhenMissing();
    void liveKeyPressCompletesAQuarterSecondLater();
    void updateWithoutReceivedKeyOnlyReplacesTheSnapshot();
    void onlyTheLastOfQuickReportsCompletes_data();
    void onlyTheLastOfQuickReportsCompletes();
    void completionDoesNothingOnceObservationStopped();
    void completionOutlivingTheModelDoesNothing();
    void findingsSplitIntoTwoLists();
    void findingItemsCarryWhatTheRowShows();
    void layoutPlacesEveryNamedKeyOnce();
    void keyboardMapIsBuiltOffTheMainThread();
};

}  // namespace chordmap::testing
