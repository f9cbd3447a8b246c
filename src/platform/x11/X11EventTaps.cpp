#include "platform/x11/X11EventTaps.h"

#include "platform/x11/X11Keyboard.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <optional>

namespace chordmap::x11 {
namespace {

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

template <typename Reply>
struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply>
using Owned = std::unique_ptr<Reply, FreeReply<Reply>>;

struct Display {
    Connection connection;
    std::uint8_t inputOpcode = 0;
};

// A connection to the display whose XInput extension delivers raw events to
// every client that selects them (version 2.1 and later; 2.0 gave them only
// to a grabbing client). None when there is no such display.
std::optional<Display> connectForRawEvents(const std::string& name) {
    Connection connection(xcb_connect(name.empty() ? nullptr : name.c_str(), nullptr));
    if (xcb_connection_has_error(connection.get())) return std::nullopt;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection.get(), &xcb_input_id);
    if (!extension || !extension->present) return std::nullopt;
    const Owned<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        connection.get(), xcb_input_xi_query_version(connection.get(), 2, 2), nullptr));
    if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 1)) {
        return std::nullopt;
    }
    return Display{std::move(connection), extension->major_opcode};
}

// Raw key presses and releases of every master keyboard, on the root window
// of every screen (the server sends them to the root of the screen the
// pointer is on).
bool selectRawKeys(xcb_connection_t* connection) {
    struct {
        xcb_input_event_mask_t header;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection)); roots.rem; xcb_screen_next(&roots)) {
        const Owned<xcb_generic_error_t> error(xcb_request_check(
            connection, xcb_input_xi_select_events_checked(connection, roots.data->root, 1, &selection.header)));
        if (error) return false;
    }
    return true;
}

class KeyEvent final : public TapEvent {
public:
    KeyEvent(const KeyDown& key, std::uint64_t timestamp) : key_(key), timestamp_(timestamp) {}
    std::int64_t keyCode() const override { return key_.keyCode; }
    std::int64_t autorepeat() const override { return key_.autorepeat ? 1 : 0; }
    std::uint64_t flags() const override { return key_.flags; }
    std::uint64_t timestamp() const override { return timestamp_; }
    std::int64_t targetPid() const override { return 0; }
    std::optional<std::int16_t> subtype() const override { return std::nullopt; }

private:
    KeyDown key_;
    std::uint64_t timestamp_;
};

class KeyTap final : public EventTap {
public:
    KeyTap(Display display, TapCallback callback)
        : connection_(std::move(display.connection)),
          inputOpcode_(display.inputOpcode),
          callback_(std::move(callback)),
          notifier_(new QSocketNotifier(xcb_get_file_descriptor(connection_.get()), QSocketNotifier::Read)) {
        notifier_->setEnabled(false);
        QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] { readEvents(); });
        readModifierMap();
        const Owned<xcb_query_keymap_reply_t> keymap(
            xcb_query_keymap_reply(connection_.get(), xcb_query_keymap(connection_.get()), nullptr));
        if (keymap) keyboard_.holdKeys(keymap->keys);
    }
    ~KeyTap() override { invalidate(); }

    bool isValid() const override { return connection_ && !xcb_connection_has_error(connection_.get()); }
    // An X connection cannot be paused: the tap works while it is valid.
    bool isEnabled() const override { return isValid(); }
    std::unique_ptr<RunLoopSource> createRunLoopSource() override;

    void invalidate() override {
        if (notifier_) {
            notifier_->setEnabled(false);
            QObject::disconnect(notifier_, nullptr, nullptr, nullptr);
            // Not under the notifier's own signal, which may be what got us here.
            if (reading_) {
                notifier_->deleteLater();
            } else {
                delete notifier_.data();
            }
            notifier_ = nullptr;
        }
        connection_.reset();
        alive_.reset();
    }

    void setReading(bool enabled) {
        if (!notifier_) return;
        notifier_->setEnabled(enabled);
        if (!enabled) return;
        // Events that arrived with the replies while the tap was set up sit in
        // the connection's queue, where the notifier does not see them.
        QMetaObject::invokeMethod(
            notifier_, [tap = std::weak_ptr<KeyTap*>(alive_)] {
                if (const auto self = tap.lock()) (*self)->readEvents();
            },
            Qt::QueuedConnection);
    }

private:
    void readEvents() {
        if (!notifier_ || !notifier_->isEnabled()) return;
        const std::weak_ptr<KeyTap*> alive = alive_;
        reading_ = true;
        while (connection_) {
            const Owned<xcb_generic_event_t> event(xcb_poll_for_event(connection_.get()));
            if (!event) break;
            handle(*event);
            if (alive.expired()) return;  // the callback ended the tap
        }
        reading_ = false;
        // A broken connection stays readable; stop listening to it. The
        // watchdog finds the tap invalid.
        if (notifier_ && !isValid()) notifier_->setEnabled(false);
    }

    void handle(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7F;
        if (type == XCB_MAPPING_NOTIFY) {
            const auto& mapping = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
            if (mapping.request != XCB_MAPPING_POINTER) readModifierMap();
            return;
        }
        if (type != XCB_GE_GENERIC) return;
        const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
        if (generic.extension != inputOpcode_) return;
        if (generic.event_type != XCB_INPUT_RAW_KEY_PRESS && generic.event_type != XCB_INPUT_RAW_KEY_RELEASE) return;

        const auto& raw = reinterpret_cast<const xcb_input_raw_key_press_event_t&>(event);
        const std::uint64_t timestamp = clock_.nanoseconds(raw.time);
        if (raw.detail > 255) return;
        const auto keyCode = static_cast<std::uint8_t>(raw.detail);
        if (generic.event_type == XCB_INPUT_RAW_KEY_RELEASE) {
            keyboard_.release(keyCode);
            return;
        }
        if (const auto key = keyboard_.press(keyCode)) {
            const KeyEvent keyDown(*key, timestamp);
            const TapCallback callback = callback_;  // the call may end the tap
            callback(event_type::keyDown, keyDown);
        }
    }

    void readModifierMap() {
        xcb_connection_t* connection = connection_.get();
        const Owned<xcb_get_modifier_mapping_reply_t> reply(
            xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
        if (!reply) return;
        const std::span<const std::uint8_t> rows(xcb_get_modifier_mapping_keycodes(reply.get()),
                                                 xcb_get_modifier_mapping_keycodes_length(reply.get()));
        keyboard_.setModifierMap(ModifierMap::fromRows(rows, reply->keycodes_per_modifier));
    }

    Connection connection_;
    std::uint8_t inputOpcode_;
    TapCallback callback_;
    QPointer<QSocketNotifier> notifier_;
    KeyboardState keyboard_;
    ServerClock clock_;
    bool reading_ = false;
    // Queued work holds the tap through this; it expires when the tap ends.
    std::shared_ptr<KeyTap*> alive_ = std::make_shared<KeyTap*>(this);
};

// Adding the source to the main run loop means reading the connection on the
// Qt event loop of the main thread.
class KeyTapSource final : public RunLoopSource {
public:
    explicit KeyTapSource(std::weak_ptr<KeyTap*> tap) : tap_(std::move(tap)) {}
    void addToMainRunLoop() override { setReading(true); }
    void removeFromMainRunLoop() override { setReading(false); }

private:
    void setReading(bool enabled) {
        if (const auto tap = tap_.lock()) (*tap)->setReading(enabled);
    }
    std::weak_ptr<KeyTap*> tap_;
};

std::unique_ptr<RunLoopSource> KeyTap::createRunLoopSource() {
    if (!isValid()) return nullptr;
    return std::make_unique<KeyTapSource>(alive_);
}

}  // namespace

std::unique_ptr<EventTap> X11EventTaps::createTap(TapLocation location, std::uint64_t mask, TapCallback callback) {
    // Only the key tap exists here: X has no hot-key dispatch to observe.
    if (location != TapLocation::session || !(mask & event_mask::keyDown)) return nullptr;
    // The connection is read on the Qt event loop.
    if (!QCoreApplication::instance()) return nullptr;
    auto display = connectForRawEvents(display_);
    if (!display || !selectRawKeys(display->connection.get())) return nullptr;
    return std::make_unique<KeyTap>(std::move(*display), std::move(callback));
}

bool X11InputMonitoring::preflightListenEventAccess() const { return connectForRawEvents(display_).has_value(); }

}  // namespace chordmap::x11
