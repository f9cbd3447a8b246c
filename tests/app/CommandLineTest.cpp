#include "app/CommandLine.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace chordmap {
namespace {

using namespace modifier;
using Args = std::vector<std::string>;

Command parse(Args rest) {
    rest.insert(rest.begin(), "chordmap");
    return parseCommandLine(rest);
}

Command scanOf(std::uint16_t code, std::uint64_t flags) { return ScanShortcut{ShortcutSpec(code, flags)}; }

TEST(CommandLine, grammar) {
    const Command window = StartWindowedApplication{};
    struct Row {
        Args args;
        Command expected;
    };
    const Row rows[] = {
        {{}, window},
        {{"--version"}, PrintVersion{}},
        {{"--version", "--scan", "0", "0"}, PrintVersion{}},
        {{"--scan", "0", "0", "--version"}, PrintVersion{}},
        {{"--scan", "0", "1048576"}, scanOf(0, command)},
        {{"--scan", "122", std::to_string(function | command)}, scanOf(122, command)},
        {{"--scan", "0", "65536"}, scanOf(0, 0)},
        {{"--scan", "49"}, window},
        {{"--scan"}, window},
        {{"--scan", "0x31", "0"}, window},
        {{"--scan", "49", "-1"}, window},
        {{"--scan", "65536", "0"}, window},
        {{"--scan", "65535", "0"}, scanOf(65535, 0)},
        {{"--scan", "49", ""}, window},
        {{"--scan", "+49", "-0"}, scanOf(49, 0)},
        {{"--scan", "+", "0"}, window},
        {{"--scan", "-", "0"}, window},
        {{"--scan", "++1", "0"}, window},
        {{"--scan", " 1", "0"}, window},
        {{"--scan", "1 ", "0"}, window},
        {{"--scan", "0", "18446744073709551615"}, scanOf(0, all)},
        {{"--scan", "0", "18446744073709551616"}, window},
        {{"--scan", "0", "0", "--scan", "1", "0"}, scanOf(0, 0)},
        {{"--scan", "x", "0", "--scan", "1", "0"}, window},
        {{"--SCAN", "0", "0"}, window},
        {{"-version"}, window},
        {{"other", "--scan", "00049", "0"}, scanOf(49, 0)},
        {{"--map"}, PrintMap{}},
        {{"--map", "--scan", "0", "0"}, scanOf(0, 0)},
        {{"--scan", "49", "--map"}, PrintMap{}},
        {{"--help", "--scan", "0", "0"}, PrintUsage{}},
        {{"-h"}, PrintUsage{}},
        {{"--version", "-h"}, PrintVersion{}},
        {{"-H"}, window},
        {{"--scan", "40", "786432", "--app", "com.apple.Terminal"}, ScanShortcut{ShortcutSpec(40, 786432), "com.apple.Terminal"}},
        {{"--app", "/Applications/Safari.app", "--map"}, PrintMap{"/Applications/Safari.app"}},
        {{"--map", "--app"}, MisusedOption{}},
        {{"--scan", "0", "0", "--app", "--map"}, MisusedOption{}},
        {{"--app", "com.apple.Terminal"}, window},
    };
    for (const auto& row : rows) {
        std::string shown;
        for (const auto& a : row.args) shown += "[" + a + "]";
        EXPECT_EQ(parse(row.args), row.expected) << shown;
    }
}

TEST(CommandLine, programPathTakesPartInTheSearch) {
    EXPECT_EQ(parseCommandLine({"--version"}), Command(PrintVersion{}));
    EXPECT_EQ(parseCommandLine({"--scan", "1", "0"}), scanOf(1, 0));
    EXPECT_EQ(parseCommandLine({}), Command(StartWindowedApplication{}));
}

struct ProcessResult {
    int status;
    std::string output;
};

// Runs a shell command line, for what it prints and its exit status.
ProcessResult shell(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// Runs the real executable with a home of the test's choosing.
ProcessResult run(const std::string& home, const std::string& arguments) {
    return shell("HOME='" + home + "' '" + CHORDMAP_EXECUTABLE + "' " + arguments);
}

TEST(Executable, printsTheVersionLine) {
    const ProcessResult result = run("/nonexistent", "--version --scan 0 0");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "Chordmap 0.1.0\n");
}

TEST(Executable, relativeHomeStillGivesAbsoluteFileUrls) {
    const std::string examples = std::string(CHORDMAP_EXAMPLE_HOME) + "/..";
    const auto [status, output] = shell("cd '" + examples + "' && HOME=home '" + CHORDMAP_EXECUTABLE + "' --scan 49 1048576");
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("\"sourceURL\" : \"file:\\/\\/\\/"), std::string::npos) << output;
    EXPECT_EQ(output.find("\"file:\\/\\/home"), std::string::npos);
}

TEST(Executable, closedOutputPipeStillExitsCleanly) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);  // nobody will read
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    std::string home = std::string("HOME=") + CHORDMAP_EXAMPLE_HOME;
    std::string program = CHORDMAP_EXECUTABLE;
    char* argv[] = {program.data(), const_cast<char*>("--scan"), const_cast<char*>("49"), const_cast<char*>("1048576"), nullptr};
    char* envp[] = {home.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Executable, helpPrintsTheUsage) {
    const ProcessResult result = run("/nonexistent", "-h");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.starts_with("用法：\n")) << result.output;
    EXPECT_NE(result.output.find("--map"), std::string::npos);
}

#ifndef __APPLE__
TEST(Executable, withoutADisplayTheWindowSaysWhyAndExitsWithTwo) {
    testing::TemporaryDirectory home;
    const auto [status, errors] = shell("env -u DISPLAY -u QT_QPA_PLATFORM HOME='" + home.path() + "' '" +
                                        CHORDMAP_EXECUTABLE + "' 2>&1 >/dev/null");
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(errors.starts_with("无法打开窗口：")) << errors;
    EXPECT_NE(errors.find("\n\n用法：\n"), std::string::npos);
}

// The command line links no GUI library; without a command it becomes the
// window program in the same process.
TEST(Executable, windowIsHandedToTheWindowProgram) {
    testing::TemporaryDirectory scratch;
    std::string program = CHORDMAP_EXECUTABLE;
    std::string platform = "QT_QPA_PLATFORM=offscreen";
    std::string home = "HOME=" + scratch.path();
    char* argv[] = {program.data(), nullptr};
    char* envp[] = {platform.data(), home.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp), 0);
    const std::filesystem::path image = "/proc/" + std::to_string(child) + "/exe";
    const auto expected = std::filesystem::path(program).parent_path() / "chordmap-window";
    bool becameWindowProgram = false;
    for (int attempt = 0; attempt < 600 && !becameWindowProgram; ++attempt) {
        std::error_code error;
        becameWindowProgram = std::filesystem::read_symlink(image, error) == std::filesystem::canonical(expected);
        if (!becameWindowProgram) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(becameWindowProgram);
}
#endif

}  // namespace
}  // namespace chordmap
