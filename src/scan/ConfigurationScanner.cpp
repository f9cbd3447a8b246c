#include "scan/ConfigurationScanner.h"

#include "platform/FileAccess.h"
#include "scan/Concurrently.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <utility>

namespace chordmap {
namespace {

const char* const caveatRulesNeedLiveCheck =
    "配置能证明存在对应规则；软件是否已加载、应用范围及条件是否满足，仍需结合实时结果。未检出不代表没有占用。";
const char* const caveatPhysicalKeys =
    "按物理键位匹配，字母标记采用美式键盘；系统菜单、浏览器扩展、任意脚本与未支持工具的私有配置不在完整扫描范围内。";

std::string canonicalName(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return name;
    const icu::UnicodeString source = icu::UnicodeString::fromUTF8(name);
    if (nfc->isNormalized(source, status) && U_SUCCESS(status)) return name;
    status = U_ZERO_ERROR;
    icu::UnicodeString normalized = nfc->normalize(source, status);
    if (U_FAILURE(status)) return name;
    std::string out;
    normalized.toUTF8String(out);
    return out;
}

// Each conditional finding, judged for the front application, and each
// finding whose tool leaves some applications out (skhd's blacklist).
void judge(Inventory& declared, const std::optional<FrontApplication>& front) {
    if (!front) return;
    for (Declaration& declaration : declared.declarations) {
        if (declaration.finding.level == EvidenceLevel::conditionalConfiguration || !declaration.conditions.empty())
            declaration.finding.applicability = evaluate(declaration.conditions, *front);
    }
}

}  // namespace

DetectionSnapshot ConfigurationScanner::scan(const ShortcutSpec& shortcut,
                                             const std::optional<FrontApplication>& front) const {
    DetectionSnapshot snapshot{
        .shortcut = shortcut,
        .findings = {},
        .notes = {},
        .checkedSources = {},
        .observedAt = platform_.clock.now(),
        .receivedKey = false,
        .frontApplication = front,
    };
    Inventory declared = inventory(shortcut);
    judge(declared, front);
    for (Declaration& declaration : declared.declarations) snapshot.findings.push_back(std::move(declaration.finding));
    snapshot.notes = std::move(declared.notes);
    snapshot.checkedSources = std::move(declared.checkedSources);
    listeners(snapshot);
    snapshot.notes.emplace_back(caveatRulesNeedLiveCheck);
    snapshot.notes.emplace_back(caveatPhysicalKeys);
    sortFindings(snapshot.findings);
    return snapshot;
}

KeyboardMap ConfigurationScanner::map(const std::optional<FrontApplication>& front) const {
    KeyboardMap map{.findings = {}, .combinations = {}, .notes = {}, .checkedSources = {},
                    .observedAt = platform_.clock.now(), .frontApplication = front};
    Inventory declared = inventory();
    judge(declared, front);
    // The notes and labels a scan of any combination would give: listeners
    // run for theirs, but their findings are not claims.
    DetectionSnapshot general{.shortcut = {}, .findings = {}, .notes = declared.notes,
                              .checkedSources = declared.checkedSources, .observedAt = map.observedAt,
                              .receivedKey = false, .frontApplication = std::nullopt};
    listeners(general);
    general.notes.emplace_back(caveatRulesNeedLiveCheck);
    general.notes.emplace_back(caveatPhysicalKeys);
    for (std::string& note : general.notes) {
        if (std::find(map.notes.begin(), map.notes.end(), note) == map.notes.end()) map.notes.push_back(std::move(note));
    }
    map.checkedSources = std::move(general.checkedSources);

    // Every combination's findings are a subsequence of the declarations, so
    // listing each declaration under its combinations in rank order leaves
    // every list in the order a scan sorts it into.
    std::vector<const Finding*> findings;
    findings.reserve(declared.declarations.size());
    for (const Declaration& declaration : declared.declarations) findings.push_back(&declaration.finding);
    std::map<std::pair<std::uint16_t, std::uint64_t>, std::vector<std::uint32_t>> claimed;
    for (const std::size_t index : rankOrder(findings)) {
        const Declaration& declaration = declared.declarations[index];
        const auto place = static_cast<std::uint32_t>(map.findings.size());
        for (const ShortcutSpec& combination : declaration.claim.combinations()) {
            claimed[{combination.keyCode, combination.modifiers}].push_back(place);
        }
        map.findings.push_back(std::move(declared.declarations[index].finding));
    }
    map.combinations.reserve(claimed.size());
    for (auto& [combination, places] : claimed) {
        std::vector<const Finding*> claims;
        for (const std::uint32_t place : places) claims.push_back(&map.findings[place]);
        map.combinations.push_back(KeyboardMap::Combination{
            .shortcut = ShortcutSpec(combination.first, combination.second),
            .findings = std::move(places),
            .conflict = conflictOf(claims),
        });
    }
    return map;
}

Inventory ConfigurationScanner::inventory(std::optional<ShortcutSpec> only) const {
    using Source = void (ConfigurationScanner::*)(Inventory&) const;
    const std::array<Source, 6> sources{&ConfigurationScanner::system,      &ConfigurationScanner::keyboardMaestro,
                                        &ConfigurationScanner::karabiner,   &ConfigurationScanner::skhd,
                                        &ConfigurationScanner::hammerspoon, &ConfigurationScanner::knownPreferences};
    std::vector<Inventory> parts(sources.size(), Inventory(only));
    runConcurrently(sources.size(), [&](std::size_t i) {
        const Source source = sources.at(i);
        (this->*source)(parts.at(i));
    });
    Inventory declared(only);
    for (Inventory& part : parts) declared.append(std::move(part));
    return declared;
}

std::string ConfigurationScanner::inHome(std::string_view relative) const {
    std::string path = home_;
    if (path.empty() || path.back() != '/') path += '/';
    path += relative;
    return path;
}

std::optional<std::string> ConfigurationScanner::read(const std::string& path, const std::string& source,
                                                      Inventory& inventory) const {
    FileRead file = readRegularFile(path, configurationSizeLimit);
    switch (file.status) {
        case FileReadStatus::missing:
            return std::nullopt;
        case FileReadStatus::sizeUnavailable:
            inventory.notes.push_back(source + "：文件超过读取上限或无法读取大小，未扫描。");
            return std::nullopt;
        case FileReadStatus::unreadable:
            inventory.notes.push_back(source + "：无法读取配置。");
            return std::nullopt;
        case FileReadStatus::read:
            break;
    }
    inventory.checkedSources.push_back(source);
    return std::move(file.bytes);
}

std::optional<Value> ConfigurationScanner::readDictionary(const std::string& path, const std::string& source,
                                                          Parser parse, const char* unparsableNote,
                                                          Inventory& inventory) const {
    const std::optional<std::string> bytes = read(path, source, inventory);
    if (!bytes) return std::nullopt;
    std::optional<Value> document = parse(*bytes);
    if (document && document->dictionary()) return document;
    if (unparsableNote) inventory.notes.emplace_back(unparsableNote);
    return std::nullopt;
}

std::vector<std::size_t> ConfigurationScanner::rankOrder(const std::vector<const Finding*>& findings) {
    // UTF-8 byte order is code point order, so comparing normalised UTF-8
    // strings compares Unicode scalar values. Few names recur many times.
    std::unordered_map<std::string, std::string> canonical;
    struct Key {
        std::size_t rank;
        bool holdsHere;
        const std::string* name;
    };
    std::vector<Key> keys;
    keys.reserve(findings.size());
    for (const Finding* finding : findings) {
        auto name = canonical.find(finding->application.name);
        if (name == canonical.end())
            name = canonical.emplace(finding->application.name, canonicalName(finding->application.name)).first;
        const bool holdsHere = !finding->applicability || finding->applicability->applies != Applies::no;
        keys.push_back({static_cast<std::size_t>(finding->level), holdsHere, &name->second});
    }
    std::vector<std::size_t> order(findings.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (keys[a].rank != keys[b].rank) return keys[a].rank < keys[b].rank;
        if (keys[a].holdsHere != keys[b].holdsHere) return keys[a].holdsHere;
        return *keys[a].name < *keys[b].name;
    });
    return order;
}

void ConfigurationScanner::sortFindings(std::vector<Finding>& findings) {
    std::vector<const Finding*> pointers;
    pointers.reserve(findings.size());
    for (const Finding& finding : findings) pointers.push_back(&finding);
    std::vector<Finding> sorted;
    sorted.reserve(findings.size());
    for (const std::size_t index : rankOrder(pointers)) sorted.push_back(std::move(findings[index]));
    findings = std::move(sorted);
}

}  // namespace chordmap
