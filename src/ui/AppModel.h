#pragma once

#include "model/Evidence.h"
#include "observe/ShortcutDetector.h"
#include "platform/Platform.h"
#include "ui/KeyboardView.h"
#include "ui/ResultRows.h"
#include "ui/WorkspaceActions.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>
#include <vector>

namespace chordmap {

// The one observable object behind the main window. It owns the live
// detector, turns the user's commands into detector calls and scans, and
// publishes what the window shows. Every assignment to a published property
// notifies, whether or not the value changed.
class AppModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes the one model.")

    // The snapshot on display, as the window reads it.
    Q_PROPERTY(bool hasSnapshot READ hasSnapshot NOTIFY snapshotChanged)
    Q_PROPERTY(QString shortcutName READ shortcutName NOTIFY snapshotChanged)
    Q_PROPERTY(QStringList keyCaps READ keyCaps NOTIFY snapshotChanged)
    Q_PROPERTY(bool hasObservedRecipient READ hasObservedRecipient NOTIFY snapshotChanged)
    Q_PROPERTY(QStringList notes READ notes NOTIFY snapshotChanged)
    Q_PROPERTY(QStringList checkedSources READ checkedSources NOTIFY snapshotChanged)
    Q_PROPERTY(int listenerCount READ listenerCount NOTIFY snapshotChanged)
    // The results as rows of a list view.
    Q_PROPERTY(chordmap::ResultRows* results READ results CONSTANT)

    Q_PROPERTY(bool isListening READ isListening NOTIFY isListeningChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool showManual READ showManual WRITE setShowManual NOTIFY showManualChanged)
    Q_PROPERTY(bool showDetails READ showDetails WRITE setShowDetails NOTIFY showDetailsChanged)
    // The keyboard overview takes the place of the results while shown.
    Q_PROPERTY(bool showKeyboard READ showKeyboard NOTIFY showKeyboardChanged)
    Q_PROPERTY(chordmap::KeyboardView* keyboard READ keyboard CONSTANT)
    Q_PROPERTY(bool permissionGranted READ permissionGranted NOTIFY permissionGrantedChanged)
    // Whether this desktop can show the input-monitoring settings.
    Q_PROPERTY(bool canOpenPermissionSettings READ canOpenPermissionSettings CONSTANT)
    Q_PROPERTY(bool control READ control WRITE setControl NOTIFY controlChanged)
    Q_PROPERTY(bool option READ option WRITE setOption NOTIFY optionChanged)
    Q_PROPERTY(bool shift READ shift WRITE setShift NOTIFY shiftChanged)
    Q_PROPERTY(bool command READ command WRITE setCommand NOTIFY commandChanged)
    Q_PROPERTY(int keyCode READ keyCode WRITE setKeyCode NOTIFY keyCodeChanged)

    // The "前台应用" chooser of the manual query and the keyboard overview:
    // "任意应用", then the running applications by name, as a list of {name};
    // the choice is a place in it, 0 for any application.
    Q_PROPERTY(QVariantList frontApplications READ frontApplications NOTIFY frontApplicationsChanged)
    Q_PROPERTY(int frontChoice READ frontChoice WRITE setFrontChoice NOTIFY frontChoiceChanged)

    // The keys of the manual picker: a list of {code, name}, in order.
    Q_PROPERTY(QVariantList selectableKeys READ selectableKeys CONSTANT)
    Q_PROPERTY(chordmap::WorkspaceActions* workspace READ workspace CONSTANT)

public:
    explicit AppModel(const Platform& platform, QObject* parent = nullptr);
    ~AppModel() override;

    const std::optional<DetectionSnapshot>& snapshot() const { return snapshot_; }
    bool hasSnapshot() const { return snapshot_.has_value(); }
    QString shortcutName() const;
    QStringList keyCaps() const;
    bool hasObservedRecipient() const;
    QStringList notes() const;
    QStringList checkedSources() const;

    bool isListening() const { return isListening_; }
    QString status() const { return status_; }
    bool showManual() const { return showManual_; }
    void setShowManual(bool value);
    bool showDetails() const { return showDetails_; }
    void setShowDetails(bool value);
    bool showKeyboard() const { return showKeyboard_; }
    KeyboardView* keyboard() const { return keyboard_; }
    bool permissionGranted() const { return permissionGranted_; }
    bool canOpenPermissionSettings() const;
    bool control() const { return control_; }
    void setControl(bool value);
    bool option() const { return option_; }
    void setOption(bool value);
    bool shift() const { return shift_; }
    void setShift(bool value);
    bool command() const { return command_; }
    void setCommand(bool value);
    int keyCode() const { return keyCode_; }
    // Values outside the 16-bit key-code range are refused.
    void setKeyCode(int value);

    QVariantList frontApplications() const;
    int frontChoice() const;
    // Places outside the list are refused.
    void setFrontChoice(int value);
    const std::optional<FrontApplication>& chosenFrontApplication() const { return chosenFront_; }

    // The combination the manual selection describes.
    ShortcutSpec manualShortcut() const;
    // Findings of the snapshot, split: everything but nearby events and
    // listeners, then those two.
    std::vector<Finding> primaryFindings() const;
    std::vector<Finding> listenerFindings() const;
    int listenerCount() const;
    ResultRows* results() const { return results_; }

    static QVariantList selectableKeys();
    WorkspaceActions* workspace() const { return workspace_; }

    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void clear();
    Q_INVOKABLE void checkPermission();
    Q_INVOKABLE void openPermissionSettings();
    // Stop while listening, otherwise start.
    Q_INVOKABLE void toggleDetection();
    Q_INVOKABLE void toggleManual();
    // Reads the running applications anew for the chooser; a chosen one
    // that has quit stays chosen.
    Q_INVOKABLE void refreshFrontApplications();
    // Stop, look up the manual selection, close the manual card.
    Q_INVOKABLE void queryManualShortcut();
    // The same for a combination picked in the keyboard overview.
    Q_INVOKABLE void queryCombination(int keyCode, int modifiers);
    // Shows the keyboard overview (observation stops: keys go to the
    // window again; starting it again closes the overview) and maps the home
    // anew; closes it.
    Q_INVOKABLE void openKeyboard();
    Q_INVOKABLE void closeKeyboard();

    // The one-off scan of a combination, published with its status line.
    void scan(const ShortcutSpec& shortcut, const std::optional<FrontApplication>& front = std::nullopt);
    // Stop, look up the combination, show its result in the main view.
    void query(const ShortcutSpec& shortcut);

    // What the detector delivers; installed as its handlers.
    void handleUpdate(const DetectionSnapshot& snapshot);
    void handleStatus(const std::string& message);

signals:
    void snapshotChanged();
    void isListeningChanged();
    void statusChanged();
    void showManualChanged();
    void showDetailsChanged();
    void showKeyboardChanged();
    void permissionGrantedChanged();
    void controlChanged();
    void optionChanged();
    void shiftChanged();
    void commandChanged();
    void keyCodeChanged();
    void frontApplicationsChanged();
    void frontChoiceChanged();

private:
    void setSnapshot(std::optional<DetectionSnapshot> snapshot);
    void setListening(bool value);
    void setStatus(QString value);
    void setPermissionGranted(bool value);
    void setShowKeyboard(bool value);
    void cancelCompletion();
    void complete();

    const Platform& platform_;
    std::optional<DetectionSnapshot> snapshot_;
    bool isListening_ = false;
    QString status_;
    bool showManual_ = false;
    bool showDetails_ = false;
    bool showKeyboard_ = false;
    bool permissionGranted_ = false;
    bool control_ = true;
    bool option_ = false;
    bool shift_ = false;
    bool command_ = false;
    int keyCode_ = 5;  // G
    std::vector<FrontApplication> frontApplications_;
    std::optional<FrontApplication> chosenFront_;

    WorkspaceActions* workspace_;
    ResultRows* results_;
    KeyboardView* keyboard_;
    std::unique_ptr<ScheduledTask> completion_;
    std::unique_ptr<ShortcutDetector> detector_;
};

}  // namespace chordmap
