#include "model/KeyboardMap.h"
#include "scan/Declaration.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using namespace modifier;

Finding finding(std::string id, EvidenceLevel level = EvidenceLevel::configuration) {
    Finding f;
    f.id = std::move(id);
    f.level = level;
    return f;
}

TEST(Claim, whichCombinationsItTakes) {
    struct Row {
        const char* name;
        Claim claim;
        std::vector<std::uint64_t> takes;  // of key 40 (K); every other modifier set is refused
    };
    const Row rows[] = {
        {"exactly", Claim{40, command, 0}, {command}},
        {"no modifiers", Claim{40, 0, 0}, {0}},
        {"optional shift", Claim{40, command, shift}, {command, shift | command}},
        {"optional given again as required", Claim{40, command, command | shift}, {command, shift | command}},
        {"any further", Claim{40, command | option, all}, {option | command, shift | option | command,
                                                           control | option | command, hyper,
                                                           option | command | function,
                                                           shift | option | command | function,
                                                           control | option | command | function, all}},
        {"a required bit beyond the five", Claim{40, 0x10000, all}, {}},
    };
    for (const Row& row : rows) {
        std::vector<std::uint64_t> taken;
        for (std::uint64_t bits = 0; bits <= all; bits += shift) {
            if ((bits & ~all) == 0 && row.claim.claims(ShortcutSpec(40, bits))) taken.push_back(bits);
        }
        EXPECT_EQ(taken, row.takes) << row.name;
        std::vector<std::uint64_t> listed;
        for (const ShortcutSpec& combination : row.claim.combinations()) listed.push_back(combination.modifiers);
        EXPECT_EQ(listed, row.takes) << row.name;
        EXPECT_FALSE(row.claim.claims(ShortcutSpec(41, row.takes.empty() ? 0 : row.takes[0]))) << row.name;
    }
    // Normalisation drops fn on arrows and function keys: the sixteen others remain, each once.
    EXPECT_EQ(Claim::anyModifiers(123).combinations().size(), 16u);
    EXPECT_EQ(Claim::anyModifiers(0).combinations().size(), 32u);
    EXPECT_TRUE((Claim{123, function, 0}.combinations().empty()));
}

TEST(Inventory, keepsOnlyWhatClaimsItsCombination) {
    Inventory one(ShortcutSpec(40, command));
    Inventory all;
    for (Inventory* inventory : {&one, &all}) {
        inventory->declare(Claim{40, command, 0}, finding("a"));
        inventory->declare(Claim{40, 0, 0}, finding("b"));
        inventory->declare(Claim::anyModifiers(40), finding("c"));
    }
    ASSERT_EQ(one.declarations.size(), 2u);
    EXPECT_EQ(one.declarations[0].finding.id, "a");
    EXPECT_EQ(one.declarations[1].finding.id, "c");
    EXPECT_EQ(all.declarations.size(), 3u);
}

TEST(Conflict, classification) {
    using enum EvidenceLevel;
    struct Row {
        std::vector<EvidenceLevel> levels;
        Conflict expected;
    };
    const Row rows[] = {
        {{}, Conflict::none},
        {{configuration}, Conflict::none},
        {{conditionalConfiguration}, Conflict::none},
        {{systemBinding, configuration}, Conflict::definite},
        {{configuration, configuration, conditionalConfiguration}, Conflict::definite},
        {{configuration, conditionalConfiguration}, Conflict::possible},
        {{conditionalConfiguration, conditionalConfiguration}, Conflict::possible},
        {{systemBinding, nearbyEvent}, Conflict::none},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(conflictOf(row.levels), row.expected) << row.levels.size() << " findings";
    }
}

}  // namespace
}  // namespace chordmap
