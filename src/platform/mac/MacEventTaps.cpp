#include "platform/mac/MacPlatform.h"

namespace chordmap::mac_platform {
namespace {

CGEventRef deliver(CGEventTapProxy, CGEventType type, CGEventRef event, void* userInfo) {
    if (userInfo) {
        const CoreGraphicsTapEvent view(event);
        try {
            (*static_cast<TapCallback*>(userInfo))(static_cast<std::uint32_t>(type), view);
        } catch (...) {
            // Nothing may unwind through the window server's frames; the
            // event goes on regardless.
        }
    }
    // Listen-only: the event continues unchanged to its receivers.
    return event;
}

CGEventTapLocation location(TapLocation where) {
    switch (where) {
        case TapLocation::session:
            return kCGSessionEventTap;
        case TapLocation::annotatedSession:
            return kCGAnnotatedSessionEventTap;
    }
    return kCGSessionEventTap;
}

class MainRunLoopSource final : public RunLoopSource {
public:
    explicit MainRunLoopSource(CFRunLoopSourceRef source) : source_(source) {}
    ~MainRunLoopSource() override {
        removeFromMainRunLoop();
        CFRelease(source_);
    }
    MainRunLoopSource(const MainRunLoopSource&) = delete;
    MainRunLoopSource& operator=(const MainRunLoopSource&) = delete;

    void addToMainRunLoop() override { CFRunLoopAddSource(CFRunLoopGetMain(), source_, kCFRunLoopCommonModes); }
    void removeFromMainRunLoop() override { CFRunLoopRemoveSource(CFRunLoopGetMain(), source_, kCFRunLoopCommonModes); }

private:
    CFRunLoopSourceRef source_;
};

class MachPortTap final : public EventTap {
public:
    MachPortTap(CFMachPortRef port, std::unique_ptr<TapCallback> callback)
        : port_(port), callback_(std::move(callback)) {}
    // Invalidated before the callback it refers to goes.
    ~MachPortTap() override {
        invalidate();
        CFRelease(port_);
    }
    MachPortTap(const MachPortTap&) = delete;
    MachPortTap& operator=(const MachPortTap&) = delete;

    bool isValid() const override { return CFMachPortIsValid(port_); }
    bool isEnabled() const override { return CGEventTapIsEnabled(port_); }
    std::unique_ptr<RunLoopSource> createRunLoopSource() override {
        CFRunLoopSourceRef source = CFMachPortCreateRunLoopSource(kCFAllocatorDefault, port_, 0);
        if (!source) return nullptr;
        return std::make_unique<MainRunLoopSource>(source);
    }
    void invalidate() override { CFMachPortInvalidate(port_); }

private:
    CFMachPortRef port_;
    std::unique_ptr<TapCallback> callback_;
};

}  // namespace

std::unique_ptr<EventTap> CoreGraphicsEventTaps::createTap(TapLocation where, std::uint64_t mask, TapCallback callback) {
    // The callback's address is the tap's context, so it lives on the heap,
    // owned by the tap.
    auto context = std::make_unique<TapCallback>(std::move(callback));
    CFMachPortRef port = CGEventTapCreate(location(where), kCGHeadInsertEventTap, kCGEventTapOptionListenOnly,
                                          static_cast<CGEventMask>(mask), deliver, context.get());
    if (!port) return nullptr;  // input monitoring not allowed
    return std::make_unique<MachPortTap>(port, std::move(context));
}

std::int64_t CoreGraphicsTapEvent::keyCode() const {
    return event_ ? CGEventGetIntegerValueField(event_, kCGKeyboardEventKeycode) : -1;
}

std::int64_t CoreGraphicsTapEvent::autorepeat() const {
    return event_ ? CGEventGetIntegerValueField(event_, kCGKeyboardEventAutorepeat) : 0;
}

std::uint64_t CoreGraphicsTapEvent::flags() const { return event_ ? CGEventGetFlags(event_) : 0; }

std::uint64_t CoreGraphicsTapEvent::timestamp() const { return event_ ? CGEventGetTimestamp(event_) : 0; }

std::int64_t CoreGraphicsTapEvent::targetPid() const {
    return event_ ? CGEventGetIntegerValueField(event_, kCGEventTargetUnixProcessID) : 0;
}

std::optional<std::int16_t> CoreGraphicsTapEvent::subtype() const { return appKitSubtype(event_); }

}  // namespace chordmap::mac_platform
