#include "platform/mac/MacShell.h"

#import <AppKit/AppKit.h>

#include <utility>
#include <vector>

// Runs the command a menu item names by its tag.
@interface ChordmapMenuTarget : NSObject
- (NSInteger)addCommand:(std::function<void()>)command;
- (void)perform:(NSMenuItem*)sender;
@end

@implementation ChordmapMenuTarget {
    std::vector<std::function<void()>> _commands;
}

- (NSInteger)addCommand:(std::function<void()>)command {
    _commands.push_back(std::move(command));
    return static_cast<NSInteger>(_commands.size() - 1);
}

- (void)perform:(NSMenuItem*)sender {
    const auto index = static_cast<std::size_t>(sender.tag);
    if (index >= _commands.size() || !_commands[index]) return;
    // A copy: the command may rebuild what holds it.
    const std::function<void()> command = _commands[index];
    command();
}

@end

namespace chordmap::mac_shell {
namespace {

// Menu items hold their target weakly.
ChordmapMenuTarget* menuTarget = nil;

NSMenu* submenu(NSMenu* bar, NSString* itemTitle, NSString* menuTitle) {
    NSMenuItem* item = [[NSMenuItem alloc] initWithTitle:itemTitle action:nil keyEquivalent:@""];
    NSMenu* menu = [[NSMenu alloc] initWithTitle:menuTitle];
    item.submenu = menu;
    [bar addItem:item];
    return menu;
}

// An item for the first responder (no explicit target).
void addStandard(NSMenu* menu, NSString* title, SEL action, NSString* key) {
    [menu addItemWithTitle:title action:action keyEquivalent:key];
}

// An item that runs a command; the key equivalent takes Command.
void addCommand(NSMenu* menu, NSString* title, NSString* key, std::function<void()> command) {
    NSMenuItem* item = [menu addItemWithTitle:title action:@selector(perform:) keyEquivalent:key];
    item.tag = [menuTarget addCommand:std::move(command)];
    item.target = menuTarget;
}

}  // namespace

void installMainMenu(MenuCommands commands) {
    @autoreleasepool {
        menuTarget = [[ChordmapMenuTarget alloc] init];
        NSMenu* bar = [[NSMenu alloc] initWithTitle:@""];

        NSMenu* application = submenu(bar, @"", @"Chordmap");
        addStandard(application, @"关于 Chordmap", @selector(orderFrontStandardAboutPanel:), @"");
        [application addItem:[NSMenuItem separatorItem]];
        addStandard(application, @"隐藏 Chordmap", @selector(hide:), @"h");
        addStandard(application, @"退出 Chordmap", @selector(terminate:), @"q");

        NSMenu* detection = submenu(bar, @"检测", @"检测");
        addCommand(detection, @"开始 / 停止检测", @"r", std::move(commands.toggleDetection));
        addCommand(detection, @"手动选择", @"k", std::move(commands.manualSelection));
        addCommand(detection, @"刷新结果", @"l", std::move(commands.refresh));
        const unichar backspace = 0x08;
        addCommand(detection, @"清空", [NSString stringWithCharacters:&backspace length:1], std::move(commands.clear));
        addCommand(detection, @"键盘总览", @"b", std::move(commands.keyboardOverview));

        NSMenu* window = submenu(bar, @"窗口", @"窗口");
        addCommand(window, @"显示主窗口", @"n", std::move(commands.showWindow));
        addStandard(window, @"关闭窗口", @selector(performClose:), @"w");
        addStandard(window, @"最小化", @selector(performMiniaturize:), @"m");

        NSMenu* help = submenu(bar, @"帮助", @"帮助");
        addCommand(help, @"使用指南与官网", @"?", std::move(commands.openHelp));

        NSApplication* app = NSApplication.sharedApplication;
        app.mainMenu = bar;
        app.windowsMenu = window;
        app.helpMenu = help;
    }
}

void styleMainWindow(std::uintptr_t nativeView) {
    @autoreleasepool {
        NSView* view = (__bridge NSView*)reinterpret_cast<void*>(nativeView);
        if (![view isKindOfClass:[NSView class]]) return;
        NSWindow* window = view.window;
        if (!window) return;
        window.titlebarAppearsTransparent = YES;
        window.backgroundColor = [NSColor colorWithSRGBRed:0.97 green:0.98 blue:1.0 alpha:1.0];
    }
}

}  // namespace chordmap::mac_shell
