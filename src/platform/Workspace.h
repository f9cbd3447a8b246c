#pragma once

#include "model/Url.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chordmap {

// A square image in 32-bit premultiplied ARGB, row by row.
struct IconImage {
    int size = 0;
    std::vector<std::uint32_t> pixels;
};

// The desktop's workspace: opening links, showing files in the file manager
// and the icons it shows for files (NSWorkspace).
class Workspace {
public:
    virtual ~Workspace() = default;
    // True when something took the URL.
    virtual bool openURL(const Url& url) const = 0;
    // Whether this desktop has anything that opens such a URL.
    virtual bool canOpenURL(const Url&) const { return true; }
    // Shows the file manager with these files selected.
    virtual void activateFileViewerSelectingURLs(const std::vector<Url>& urls) const = 0;
    // The icon the file manager shows for the path, drawn at the size asked
    // for; none when the desktop has none to give.
    virtual std::optional<IconImage> iconForFile(const std::string& path, int size) const = 0;
};

// The workspace of a process without a desktop (the command line): opens
// nothing and has no icons.
const Workspace& noWorkspace();

}  // namespace chordmap
