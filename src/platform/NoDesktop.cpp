#include "platform/InputMonitoring.h"
#include "platform/Workspace.h"

namespace chordmap {
namespace {

class NoWorkspace final : public Workspace {
public:
    bool openURL(const Url&) const override { return false; }
    bool canOpenURL(const Url&) const override { return false; }
    void activateFileViewerSelectingURLs(const std::vector<Url>&) const override {}
    std::optional<IconImage> iconForFile(const std::string&, int) const override { return std::nullopt; }
};

class NoInputMonitoring final : public InputMonitoring {
public:
    bool preflightListenEventAccess() const override { return false; }
    bool requestListenEventAccess() const override { return false; }
};

}  // namespace

const Workspace& noWorkspace() {
    static const NoWorkspace workspace;
    return workspace;
}

const InputMonitoring& noInputMonitoring() {
    static const NoInputMonitoring monitoring;
    return monitoring;
}

}  // namespace chordmap
