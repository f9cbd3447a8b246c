#include "platform/BundleInfo.h"
#include "formats/Documents.h"
#include "platform/mac/MacPlatform.h"

#include <Carbon/Carbon.h>
#include <IOKit/IOKitLib.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

namespace chordmap::mac_platform {
namespace {

// A number as NSNumber's unsigned 64-bit accessor reads it: integers as
// their 64-bit pattern, reals truncated toward zero, booleans as 0 or 1.
std::optional<std::uint64_t> numberValue(CFTypeRef value) {
    if (!value) return std::nullopt;
    if (CFGetTypeID(value) == CFBooleanGetTypeID()) return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? 1 : 0;
    if (CFGetTypeID(value) != CFNumberGetTypeID()) return std::nullopt;
    const auto number = static_cast<CFNumberRef>(value);
    if (CFNumberIsFloatType(number)) {
        double real = 0;
        if (!CFNumberGetValue(number, kCFNumberDoubleType, &real) || !std::isfinite(real)) return std::nullopt;
        real = std::trunc(real);
        // Out of range for 64 bits: no meaningful pattern.
        if (real < -9.2233720368547758e18 || real >= 1.8446744073709552e19) return std::nullopt;
        return real < 0 ? static_cast<std::uint64_t>(static_cast<std::int64_t>(real)) : static_cast<std::uint64_t>(real);
    }
    std::int64_t integer = 0;
    CFNumberGetValue(number, kCFNumberSInt64Type, &integer);
    return static_cast<std::uint64_t>(integer);
}

std::optional<bool> flagValue(CFTypeRef value) {
    if (auto number = numberValue(value)) return *number != 0;
    return std::nullopt;
}

bool hasOnlyStringKeys(CFDictionaryRef dictionary) {
    std::vector<const void*> keys(static_cast<std::size_t>(CFDictionaryGetCount(dictionary)));
    CFDictionaryGetKeysAndValues(dictionary, keys.data(), nullptr);
    return std::all_of(keys.begin(), keys.end(),
                       [](const void* key) { return key && CFGetTypeID(key) == CFStringGetTypeID(); });
}

}  // namespace

std::optional<std::vector<SymbolicHotKey>> symbolicHotKeyEntries(CFTypeRef list) {
    if (!list || CFGetTypeID(list) != CFArrayGetTypeID()) return std::nullopt;
    const auto array = static_cast<CFArrayRef>(list);
    const CFIndex count = CFArrayGetCount(array);
    std::vector<SymbolicHotKey> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (CFIndex i = 0; i < count; ++i) {
        const void* element = CFArrayGetValueAtIndex(array, i);
        if (!element || CFGetTypeID(element) != CFDictionaryGetTypeID()) return std::nullopt;
        const auto dictionary = static_cast<CFDictionaryRef>(element);
        if (!hasOnlyStringKeys(dictionary)) return std::nullopt;
        entries.push_back({
            .code = numberValue(CFDictionaryGetValue(dictionary, kHISymbolicHotKeyCode)),
            .carbonModifiers = numberValue(CFDictionaryGetValue(dictionary, kHISymbolicHotKeyModifiers)),
            .enabled = flagValue(CFDictionaryGetValue(dictionary, kHISymbolicHotKeyEnabled)),
        });
    }
    return entries;
}

SymbolicHotKeyList CarbonSymbolicHotKeys::copySymbolicHotKeys() const {
    CFArrayRef list = nullptr;
    const OSStatus status = CopySymbolicHotKeys(&list);
    auto entries = status == noErr ? symbolicHotKeyEntries(list) : std::nullopt;
    if (list) CFRelease(list);
    return {static_cast<std::int32_t>(status), std::move(entries)};
}

EventTapListResult CoreGraphicsTapList::eventTapList(std::uint32_t room) const {
    std::uint32_t count = 0;
    if (room == 0) {
        const CGError error = CGGetEventTapList(0, nullptr, &count);
        return {static_cast<std::int32_t>(error), error == kCGErrorSuccess ? count : 0, {}};
    }
    std::vector<CGEventTapInformation> list(room);
    const CGError error = CGGetEventTapList(room, list.data(), &count);
    if (error != kCGErrorSuccess) return {static_cast<std::int32_t>(error), 0, {}};

    EventTapListResult result{0, count, {}};
    const std::uint32_t filled = std::min(room, count);
    result.taps.reserve(filled);
    for (std::uint32_t i = 0; i < filled; ++i) {
        result.taps.push_back({
            .tappingProcess = static_cast<std::int32_t>(list[i].tappingProcess),
            .enabled = list[i].enabled,
            .options = static_cast<std::uint32_t>(list[i].options),
            .eventsOfInterest = static_cast<std::uint64_t>(list[i].eventsOfInterest),
        });
    }
    return result;
}

bool CarbonSecureInput::isSecureEventInputEnabled() const { return IsSecureEventInputEnabled(); }

Value CarbonSecureInput::consoleUsers() const {
    const io_registry_entry_t root = IORegistryGetRootEntry(MACH_PORT_NULL);  // the default main port
    if (root == MACH_PORT_NULL) return {};
    const CFTypeRef users = IORegistryEntryCreateCFProperty(root, CFSTR("IOConsoleUsers"), kCFAllocatorDefault, 0);
    IOObjectRelease(root);
    if (!users) return {};
    // Registry properties are property-list types: the list reader, which the
    // tests exercise, turns them into a value.
    const CFDataRef data = CFPropertyListCreateData(kCFAllocatorDefault, users, kCFPropertyListBinaryFormat_v1_0, 0, nullptr);
    CFRelease(users);
    if (!data) return {};
    auto value = parsePropertyList(std::string_view(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                                    static_cast<std::size_t>(CFDataGetLength(data))));
    CFRelease(data);
    return value ? std::move(*value) : Value();
}

bool CoreGraphicsInputMonitoring::preflightListenEventAccess() const { return CGPreflightListenEventAccess(); }

bool CoreGraphicsInputMonitoring::requestListenEventAccess() const { return CGRequestListenEventAccess(); }

}  // namespace chordmap::mac_platform

namespace chordmap {

std::optional<std::string> bundleShortVersion() {
    // The main bundle is not ours to release (Get rule), nor is its value.
    const CFBundleRef bundle = CFBundleGetMainBundle();
    if (!bundle) return std::nullopt;
    const CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleShortVersionString"));
    if (!value || CFGetTypeID(value) != CFStringGetTypeID()) return std::nullopt;
    const auto text = static_cast<CFStringRef>(value);
    const CFIndex length = CFStringGetLength(text);
    const CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
    std::string bytes(static_cast<std::size_t>(capacity), '\0');
    if (!CFStringGetCString(text, bytes.data(), capacity, kCFStringEncodingUTF8)) return std::nullopt;
    bytes.resize(std::char_traits<char>::length(bytes.c_str()));
    return bytes;
}

const Platform& systemPlatform() {
    static const mac_platform::Home home;
    static const mac_platform::MacProcesses processes;
    static const mac_platform::CarbonSymbolicHotKeys symbolicHotKeys;
    static const mac_platform::CoreGraphicsTapList tapList;
    static const mac_platform::CarbonSecureInput secureInput;
    static const mac_platform::SystemWallClock clock;
    static mac_platform::CoreGraphicsEventTaps eventTaps;
    static mac_platform::DispatchMainQueue mainQueue;
    static const mac_platform::AppKitWorkspace workspace;
    static const mac_platform::CoreGraphicsInputMonitoring inputMonitoring;
    static const Platform platform{home,      processes, symbolicHotKeys, tapList,   secureInput,
                                   clock,     eventTaps, mainQueue,       workspace, inputMonitoring};
    return platform;
}

}  // namespace chordmap
