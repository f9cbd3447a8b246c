#pragma once

namespace chordmap {

// The input-monitoring permission, which keyboard observation needs
// (CGPreflightListenEventAccess, CGRequestListenEventAccess).
class InputMonitoring {
public:
    virtual ~InputMonitoring() = default;
    virtual bool preflightListenEventAccess() const = 0;
    // Makes the system list the program under input monitoring and may ask
    // the user; true when access is allowed afterwards.
    virtual bool requestListenEventAccess() const = 0;
};

// The permission of a process without a desktop (the command line): never
// granted.
const InputMonitoring& noInputMonitoring();

}  // namespace chordmap
