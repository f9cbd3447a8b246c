#include "model/Json.h"

#include <gtest/gtest.h>

#include <string>

namespace chordmap {
namespace {

using namespace std::chrono;

constexpr auto referenceDate = sys_days{year{2001} / January / 1};

DetectionSnapshot emptySnapshot() {
    return DetectionSnapshot{.shortcut = ShortcutSpec(0, modifier::command | modifier::shift),
                             .findings = {},
                             .notes = {},
                             .checkedSources = {},
                             .observedAt = referenceDate + milliseconds(786'000'000'250),
                             .receivedKey = false};
}

// The full form of a snapshot is in the golden files; here what they lack.
TEST(SnapshotJson, optionalsLeftOutAndEmptyArraysWritten) {
    DetectionSnapshot snapshot = emptySnapshot();
    snapshot.findings.push_back(Finding{.id = "f", .level = EvidenceLevel::listener,
                                        .application = AppIdentity{.name = "macOS", .pid = 77, .bundleID = {},
                                                                   .bundleURL = {}, .isRunning = false},
                                        .title = "t", .detail = "d", .sourceURL = {}});
    const std::string json = snapshotJson(snapshot);
    EXPECT_NE(json.find("\"application\" : {\n        \"isRunning\" : false,\n        \"name\" : \"macOS\",\n"
                        "        \"pid\" : 77\n      },\n"),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"notes\" : [],\n  \"observedAt\" : 786000000.25,"), std::string::npos) << json;
}

TEST(SnapshotJson, stringsEscapeControlsAndKeepUnicode) {
    struct Row {
        std::string raw;
        std::string written;
    };
    const Row rows[] = {
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {"\x1b[31mred", R"("\u001b[31mred")"},
        {std::string("\x00\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
        {"\x7f", "\"\x7f\""},
        {"\u2028中", "\"\u2028中\""},
        {"bad\xff\xfe", "\"bad\uFFFD\uFFFD\""},
        {"http://x/y", R"("http:\/\/x\/y")"},
    };
    for (const auto& row : rows) EXPECT_EQ(writeJson(Value(row.raw)), row.written) << row.written;
}

TEST(SnapshotJson, timestampsAreSecondsSince2001InShortestForm) {
    EXPECT_EQ(secondsSinceReferenceDate(referenceDate), 0.0);
    EXPECT_EQ(secondsSinceReferenceDate(sys_days{year{1970} / January / 1}), -978307200.0);
    // Fewest digits that read back the same; fixed unless scientific is shorter.
    const std::pair<double, const char*> rows[] = {
        {786000000.123, "786000000.123"},
        {-786000000.5, "-786000000.5"},
        {0.0, "0"},
        {-0.0, "-0"},
        {0.1, "0.1"},
        {0.001234, "0.001234"},
        {1e-4, "1e-04"},
        {1234500.0, "1234500"},
        {1e7, "1e+07"},
        {1e15, "1e+15"},
        {123456789012345680000.0, "123456789012345683968"},  // integers beyond 2^53 exactly
        {5.684341886080802e-14, "5.684341886080802e-14"},    // 2^-44: the lower neighbour is nearer
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
    };
    for (const auto& [value, text] : rows) EXPECT_EQ(writeJson(Value(value)), text) << text;
}

TEST(SnapshotJson, diagnosticLeavesOutAbsentFields) {
    ObservationDiagnostic diagnostic{.kind = "selectedKeyDown", .keyTimestamp = 5, .eventTimestamp = {},
                                     .targetPID = -1, .correlation = {}};
    EXPECT_EQ(writeJson(encode(diagnostic)),
              "{\n  \"keyTimestamp\" : 5,\n  \"kind\" : \"selectedKeyDown\",\n  \"targetPID\" : -1\n}");
}

}  // namespace
}  // namespace chordmap
