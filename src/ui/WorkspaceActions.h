#pragma once

#include "platform/Workspace.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace chordmap {

// The workspace as the window's views reach it: the links of finding rows
// and the help page of the footer.
class WorkspaceActions : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Given by the application model.")

public:
    explicit WorkspaceActions(const Workspace& workspace, QObject* parent = nullptr)
        : QObject(parent), workspace_(workspace) {}

    // The URL's absolute string, opened as it is.
    Q_INVOKABLE void openURL(const QString& url) const;
    // Whether this desktop can open it at all.
    Q_INVOKABLE bool canOpen(const QString& url) const;
    // Shows the file of a file URL in the file manager instead of opening it.
    Q_INVOKABLE void revealFile(const QString& url) const;
    Q_INVOKABLE void openHelp() const;

private:
    const Workspace& workspace_;
};

}  // namespace chordmap
