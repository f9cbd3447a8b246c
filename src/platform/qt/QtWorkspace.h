#pragma once

#include "platform/Workspace.h"

namespace chordmap::qt_platform {

// The desktop's workspace through Qt: links open with the desktop's handler,
// files are shown by the file manager (org.freedesktop.FileManager1 over
// D-Bus, else their folder is opened), icons come from the icon theme.
class QtWorkspace final : public Workspace {
public:
    bool openURL(const Url& url) const override;
    bool canOpenURL(const Url& url) const override;
    void activateFileViewerSelectingURLs(const std::vector<Url>& urls) const override;
    std::optional<IconImage> iconForFile(const std::string& path, int size) const override;
};

}  // namespace chordmap::qt_platform
