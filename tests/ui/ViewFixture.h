#pragma once

#include "ui/AppModel.h"
#include "ui/UiSupport.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace chordmap::testing {

// What the view tests reach from QML as Fixture: models on fake platforms
// sharing one fake desktop, snapshots to show, and what the desktop was
// asked to do.
class ViewFixture : public QObject {
    Q_OBJECT

public:
    ViewFixture();
    ~ViewFixture() override;

    const Workspace& workspace() const { return workspace_; }

    // A fresh model on the example home; the permission as the fake system
    // answers it.
    Q_INVOKABLE chordmap::AppModel* model(bool permissionGranted = true);
    // Publishes the snapshot to the model as the detector would (see
    // snapshotFrom() for its form).
    Q_INVOKABLE void show(chordmap::AppModel* model, const QVariantMap& snapshot);
    // A finding as a finding row reads it (see snapshotFrom() for the form).
    Q_INVOKABLE QVariantMap findingItem(const QVariantMap& finding) const;
    Q_INVOKABLE void setPermission(chordmap::AppModel* model, bool granted);
    Q_INVOKABLE int permissionRequests(chordmap::AppModel* model) const;
    // Gives the fake desktop an icon for the path, drawn in one colour.
    Q_INVOKABLE void giveIcon(const QString& path, const QColor& colour);

    Q_INVOKABLE QStringList openedURLs() const;
    Q_INVOKABLE QStringList revealedFiles() const;
    Q_INVOKABLE void forgetDesktopRequests();

private:
    struct Instance;
    Instance* find(const AppModel* model) const;

    FakeWorkspace workspace_;
    std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace chordmap::testing
