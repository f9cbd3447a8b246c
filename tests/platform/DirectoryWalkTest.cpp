#include "platform/DirectoryWalk.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace chordmap {
namespace {

using testing::TemporaryDirectory;
namespace fs = std::filesystem;

std::vector<std::string> walked(const std::string& root, std::set<std::string> skipped = {}) {
    auto walk = DirectoryWalk::open(root, std::move(skipped));
    if (!walk) return {"(not opened)"};
    std::vector<std::string> paths;
    while (auto path = walk->next()) paths.push_back(path->substr(root.size()));
    return paths;
}

TEST(DirectoryWalk, reportsRegularFilesDepthFirstInNameOrder) {
    TemporaryDirectory home;
    home.write("b.lua", "");
    home.write("a/z.lua", "");
    home.write("a/deeper/y.txt", "");
    home.write("c.LUA", "");
    fs::create_directory(home.path() + "/empty");
    EXPECT_EQ(walked(home.path()), (std::vector<std::string>{"/a/deeper/y.txt", "/a/z.lua", "/b.lua", "/c.LUA"}));
    // A trailing slash on the root does not double the separator.
    EXPECT_EQ(walked(home.path() + "/a/"), (std::vector<std::string>{"deeper/y.txt", "z.lua"}));
}

TEST(DirectoryWalk, skipsHiddenEntriesAndNamedSubtrees) {
    TemporaryDirectory home;
    home.write(".hidden.lua", "");
    home.write(".git/config.lua", "");
    home.write("Spoons/Foo.spoon/init.lua", "");
    home.write("lib/vendor/x.lua", "");
    home.write("lib/spoons/kept.lua", "");  // names compare exactly
    home.write("docs", "");                 // a file with a skipped name goes too
    home.write("init.lua", "");
    EXPECT_EQ(walked(home.path(), {"Spoons", "vendor", "docs", "handoffs"}),
              (std::vector<std::string>{"/init.lua", "/lib/spoons/kept.lua"}));
}

TEST(DirectoryWalk, followsLinksToFilesOnlyAndNeverLoops) {
    TemporaryDirectory home;
    const std::string outside = home.write("outside/module.lua", "");
    home.write("config/init.lua", "");
    const std::string root = home.path() + "/config";
    fs::create_symlink(outside, root + "/linked.lua");
    fs::create_symlink(home.path() + "/outside", root + "/linkedDirectory");
    fs::create_symlink(root, root + "/loop");
    fs::create_symlink(root + "/nothing", root + "/dangling.lua");
    ASSERT_EQ(::mkfifo((root + "/pipe.lua").c_str(), 0600), 0);
    EXPECT_EQ(walked(root), (std::vector<std::string>{"/init.lua", "/linked.lua"}));
}

TEST(DirectoryWalk, opensOnlyReadableDirectories) {
    TemporaryDirectory home;
    const std::string file = home.write("file.lua", "");
    EXPECT_FALSE(DirectoryWalk::open(home.path() + "/absent", {}).has_value());
    EXPECT_FALSE(DirectoryWalk::open(file, {}).has_value());
    // The root may itself be a link to a directory.
    TemporaryDirectory elsewhere;
    const std::string link = elsewhere.path() + "/link";
    fs::create_symlink(home.path(), link);
    EXPECT_EQ(walked(link), std::vector<std::string>{"/file.lua"});
}

TEST(DirectoryWalk, skipsUnreadableSubdirectoriesSilently) {
    TemporaryDirectory home;
    home.write("closed/secret.lua", "");
    home.write("open.lua", "");
    ASSERT_EQ(::chmod((home.path() + "/closed").c_str(), 0), 0);
    const auto check = [&] { return walked(home.path()) == std::vector<std::string>{"/open.lua"}; };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
    } else {
        // Permissions do not bind the super-user: walk as nobody in a child.
        ASSERT_EQ(::chmod(home.path().c_str(), 0755), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(dropped && check() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ::chmod((home.path() + "/closed").c_str(), 0700);
}

TEST(ResolvedPath, resolvesEveryLinkInThePath) {
    TemporaryDirectory home;
    const std::string file = home.write("real/init.lua", "");
    fs::create_symlink(home.path() + "/real", home.path() + "/alias");
    const auto real = resolvedPath(file);
    ASSERT_TRUE(real);
    EXPECT_EQ(resolvedPath(home.path() + "/alias/init.lua"), real);
    EXPECT_EQ(resolvedPath(home.path() + "/alias/../real/./init.lua"), real);
    EXPECT_EQ(resolvedPath(home.path() + "/alias/absent.lua"), std::nullopt);
}

}  // namespace
}  // namespace chordmap
