// The services that only AppKit and Foundation offer: applications, the
// workspace, the home folder and the AppKit view of an event.

#include "platform/FileAccess.h"
#include "platform/mac/MacPlatform.h"

#import <AppKit/AppKit.h>

#include <libproc.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace chordmap::mac_platform {
namespace {

std::optional<std::string> utf8(NSString* text) {
    if (!text) return std::nullopt;
    const char* bytes = text.UTF8String;
    if (!bytes) return std::nullopt;
    return std::string(bytes);
}

NSString* nsString(const std::string& text) {
    return [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSUTF8StringEncoding];
}

// A file URL in the program's own form, from the path's raw bytes; a
// directory (an application bundle) keeps its trailing slash.
std::optional<Url> fileURL(NSURL* url) {
    if (!url || !url.fileURL) return std::nullopt;
    const char* path = url.fileSystemRepresentation;
    if (!path || !*path) return std::nullopt;
    bool isDirectory = url.hasDirectoryPath;
    NSNumber* directory = nil;
    if (!isDirectory && [url getResourceValue:&directory forKey:NSURLIsDirectoryKey error:nil]) {
        isDirectory = directory.boolValue;
    }
    return Url::file(path, isDirectory);
}

NSURL* nativeFileURL(const Url& url) {
    const auto path = url.path();
    if (!path || path->empty()) return nil;
    const BOOL isDirectory = url.absoluteString().ends_with('/') ? YES : NO;
    return [NSURL fileURLWithFileSystemRepresentation:path->c_str() isDirectory:isDirectory relativeToURL:nil];
}

RunningApplication describe(NSRunningApplication* application) {
    return RunningApplication{
        .pid = static_cast<std::int32_t>(application.processIdentifier),
        .localizedName = utf8(application.localizedName),
        .executableURL = fileURL(application.executableURL),
        .bundleID = utf8(application.bundleIdentifier),
        .bundleURL = fileURL(application.bundleURL),
        .isTerminated = static_cast<bool>(application.terminated),
    };
}

}  // namespace

std::string Home::path() const {
    @autoreleasepool {
        const char* home = NSFileManager.defaultManager.homeDirectoryForCurrentUser.fileSystemRepresentation;
        if (home && *home) {
            std::string path(home);
            if (path.size() > 1 && path.back() == '/') path.pop_back();
            return path;
        }
    }
    return accountHomeDirectory().value_or("/");
}

std::vector<RunningApplication> MacProcesses::runningApplications(const std::string& bundleID) const {
    @autoreleasepool {
        NSString* identifier = nsString(bundleID);
        if (!identifier) return {};
        std::vector<RunningApplication> found;
        for (NSRunningApplication* application in
             [NSRunningApplication runningApplicationsWithBundleIdentifier:identifier]) {
            found.push_back(describe(application));
        }
        return found;
    }
}

std::optional<RunningApplication> MacProcesses::runningApplication(std::int32_t pid) const {
    @autoreleasepool {
        NSRunningApplication* application =
            [NSRunningApplication runningApplicationWithProcessIdentifier:static_cast<pid_t>(pid)];
        if (!application) return std::nullopt;
        return describe(application);
    }
}

std::optional<RunningApplication> MacProcesses::frontmostApplication() const {
    @autoreleasepool {
        NSRunningApplication* application = NSWorkspace.sharedWorkspace.frontmostApplication;
        if (!application) return std::nullopt;
        return describe(application);
    }
}

std::vector<RunningApplication> MacProcesses::regularApplications() const {
    @autoreleasepool {
        std::vector<RunningApplication> found;
        for (NSRunningApplication* application in NSWorkspace.sharedWorkspace.runningApplications) {
            if (application.activationPolicy == NSApplicationActivationPolicyRegular) {
                found.push_back(describe(application));
            }
        }
        return found;
    }
}

std::optional<Url> MacProcesses::applicationURL(const std::string& bundleID) const {
    @autoreleasepool {
        NSString* identifier = nsString(bundleID);
        if (!identifier) return std::nullopt;
        return fileURL([NSWorkspace.sharedWorkspace URLForApplicationWithBundleIdentifier:identifier]);
    }
}

std::optional<std::string> MacProcesses::executablePath(std::int32_t pid) const {
    std::array<char, PROC_PIDPATHINFO_MAXSIZE> buffer{};
    const int length = proc_pidpath(pid, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (length < 1) return std::nullopt;
    return std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
}

bool MacProcesses::processExists(std::int32_t pid) const { return ::kill(pid, 0) == 0; }

std::int32_t MacProcesses::ownPid() const { return static_cast<std::int32_t>(::getpid()); }

bool AppKitWorkspace::openURL(const Url& url) const {
    @autoreleasepool {
        NSString* text = nsString(url.absoluteString());
        NSURL* target = text ? [NSURL URLWithString:text] : nil;
        if (!target) return false;
        return [NSWorkspace.sharedWorkspace openURL:target];
    }
}

void AppKitWorkspace::activateFileViewerSelectingURLs(const std::vector<Url>& urls) const {
    @autoreleasepool {
        NSMutableArray<NSURL*>* files = [NSMutableArray arrayWithCapacity:urls.size()];
        for (const Url& url : urls) {
            if (NSURL* file = nativeFileURL(url)) [files addObject:file];
        }
        if (files.count == 0) return;
        [NSWorkspace.sharedWorkspace activateFileViewerSelectingURLs:files];
    }
}

std::optional<IconImage> AppKitWorkspace::iconForFile(const std::string& path, int size) const {
    if (size <= 0 || path.empty()) return std::nullopt;
    @autoreleasepool {
        NSString* file = [NSFileManager.defaultManager stringWithFileSystemRepresentation:path.c_str()
                                                                                   length:path.size()];
        NSImage* icon = file ? [NSWorkspace.sharedWorkspace iconForFile:file] : nil;
        if (!icon) return std::nullopt;
        NSRect frame = NSMakeRect(0, 0, size, size);
        CGImageRef image = [icon CGImageForProposedRect:&frame context:nil hints:nil];
        if (!image) return std::nullopt;

        // Premultiplied ARGB in host order, one 32-bit word per pixel, the
        // top row first: the layout of IconImage.
        IconImage result{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * static_cast<std::size_t>(size))};
        CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceSRGB);
        const auto layout = static_cast<std::uint32_t>(kCGImageAlphaPremultipliedFirst) |
                            static_cast<std::uint32_t>(kCGBitmapByteOrder32Host);
        CGContextRef context = CGBitmapContextCreate(result.pixels.data(), static_cast<std::size_t>(size),
                                                     static_cast<std::size_t>(size), 8,
                                                     static_cast<std::size_t>(size) * sizeof(std::uint32_t), space, layout);
        CGColorSpaceRelease(space);
        if (!context) return std::nullopt;
        CGContextSetInterpolationQuality(context, kCGInterpolationHigh);
        CGContextDrawImage(context, CGRectMake(0, 0, size, size), image);
        CGContextRelease(context);
        return result;
    }
}

std::optional<std::int16_t> appKitSubtype(CGEventRef event) {
    if (!event) return std::nullopt;
    @autoreleasepool {
        NSEvent* view = [NSEvent eventWithCGEvent:event];
        if (!view) return std::nullopt;
        // Reading the subtype of any other type raises.
        switch (view.type) {
            case NSEventTypeSystemDefined:
            case NSEventTypeAppKitDefined:
            case NSEventTypeApplicationDefined:
            case NSEventTypeLeftMouseDown:
            case NSEventTypeLeftMouseUp:
            case NSEventTypeRightMouseDown:
            case NSEventTypeRightMouseUp:
            case NSEventTypeOtherMouseDown:
            case NSEventTypeOtherMouseUp:
            case NSEventTypeMouseMoved:
            case NSEventTypeLeftMouseDragged:
            case NSEventTypeRightMouseDragged:
            case NSEventTypeOtherMouseDragged:
                return static_cast<std::int16_t>(view.subtype);
            default:
                return std::nullopt;
        }
    }
}

}  // namespace chordmap::mac_platform
