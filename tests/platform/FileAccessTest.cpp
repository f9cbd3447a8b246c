#include "platform/FileAccess.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace chordmap {
namespace {

using testing::TemporaryDirectory;

TEST(ReadRegularFile, readsUpToTheLimitInclusive) {
    TemporaryDirectory home;
    const auto exact = home.write("exact", std::string(configurationSizeLimit, 'x'));
    const auto over = home.write("over", std::string(configurationSizeLimit + 1, 'x'));
    const auto empty = home.write("empty", "");

    const FileRead atLimit = readRegularFile(exact);
    EXPECT_EQ(atLimit.status, FileReadStatus::read);
    EXPECT_EQ(atLimit.bytes.size(), configurationSizeLimit);
    EXPECT_EQ(readRegularFile(over).status, FileReadStatus::sizeUnavailable);
    EXPECT_EQ(readRegularFile(empty).status, FileReadStatus::read);
    EXPECT_EQ(readRegularFile(exact, 10).status, FileReadStatus::sizeUnavailable);
}

TEST(ReadRegularFile, classifiesWhatIsNotARegularFile) {
    TemporaryDirectory home;
    const std::string dir = home.path() + "/folder";
    std::filesystem::create_directory(dir);
    const std::string fifo = home.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string toZero = home.path() + "/zero";
    std::filesystem::create_symlink("/dev/zero", toZero);
    const std::string dangling = home.path() + "/dangling";
    std::filesystem::create_symlink(home.path() + "/nothing", dangling);
    const std::string loop = home.path() + "/loop";
    std::filesystem::create_symlink(loop, loop);
    const std::string linked = home.path() + "/linked";
    std::filesystem::create_symlink(home.write("target", "content"), linked);

    const std::string socketPath = home.path() + "/socket";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    struct Row {
        std::string path;
        FileReadStatus status;
    };
    const Row rows[] = {
        {home.path() + "/absent", FileReadStatus::missing},
        {dangling, FileReadStatus::missing},
        {loop, FileReadStatus::missing},
        {dir, FileReadStatus::sizeUnavailable},
        {fifo, FileReadStatus::unreadable},
        {toZero, FileReadStatus::unreadable},
        {socketPath, FileReadStatus::unreadable},
        {linked, FileReadStatus::read},
    };
    for (const auto& row : rows) EXPECT_EQ(readRegularFile(row.path).status, row.status) << row.path;
    EXPECT_EQ(readRegularFile(linked).bytes, "content");
    ::close(sock);
}

TEST(ReadRegularFile, contentBeyondTheReportedSizeStillRespectsTheLimit) {
    // /proc files report size 0 and deliver more: like a file growing while read.
    const FileRead whole = readRegularFile("/proc/self/status");
    EXPECT_EQ(whole.status, FileReadStatus::read);
    EXPECT_NE(whole.bytes.find("Pid:"), std::string::npos);
    EXPECT_EQ(readRegularFile("/proc/self/status", 10).status, FileReadStatus::sizeUnavailable);
}

TEST(ReadRegularFile, permissionDeniedIsUnreadable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    TemporaryDirectory home;
    const auto secret = home.write("secret", "x");
    ::chmod(secret.c_str(), 0);
    EXPECT_EQ(readRegularFile(secret).status, FileReadStatus::unreadable);
}

}  // namespace
}  // namespace chordmap
