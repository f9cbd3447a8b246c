#include "ui/WorkspaceActions.h"

#include "ui/HelpPage.h"

namespace chordmap {

void WorkspaceActions::openURL(const QString& url) const {
    if (url.isEmpty()) return;
    workspace_.openURL(Url::fromString(url.toStdString()));
}

bool WorkspaceActions::canOpen(const QString& url) const {
    return !url.isEmpty() && workspace_.canOpenURL(Url::fromString(url.toStdString()));
}

void WorkspaceActions::revealFile(const QString& url) const {
    if (url.isEmpty()) return;
    workspace_.activateFileViewerSelectingURLs({Url::fromString(url.toStdString())});
}

void WorkspaceActions::openHelp() const { workspace_.openURL(helpPageURL()); }

}  // namespace chordmap
