#include "scan/Karabiner.h"

#include "platform/Documents.h"
#include "scan/ConfigurationScanner.h"
#include "scan/DictionaryLookup.h"

#include <algorithm>

namespace chordmap {
namespace {

const char* const simpleTitle = "简单按键映射";
const char* const simpleDetail = "当前配置把该物理键映射为另一按键；修饰键也可能随映射传递。请在配置中查看输出。";
const char* const untitledRule = "复杂修改规则";
const char* const ruleDetail = "当前配置中启用的输入规则匹配该组合；配置是否已被后台服务加载需结合实际按键核对。";
const char* const conditionalRuleDetail =
    "输入键与修饰键匹配，但规则有变量、应用、设备或左右修饰键等条件；未判断这些条件此刻是否满足。";
const char* const unparsableNote = "Karabiner：配置格式无法解析。";

const Value::Dictionary* selectedProfile(const Value::Dictionary& root) {
    for (const Value::Dictionary* profile : lookup::dictionaries(root, "profiles")) {
        if (lookup::boolean(*profile, "selected") == true) return profile;
    }
    return nullptr;
}

// The key a "from" names by key_code; none for any other kind of input.
std::optional<std::uint16_t> inputKey(const Value::Dictionary& entry) {
    const Value::Dictionary* from = lookup::dictionary(entry, "from");
    const std::string* name = from ? lookup::string(*from, "key_code") : nullptr;
    return name ? ShortcutSpec::keyCodeNamed(*name) : std::nullopt;
}

bool namesASide(const std::vector<std::string>& names) {
    return std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return name.starts_with("left_") || name.starts_with("right_");
    });
}

enum class Match { none, plain, conditional };

Match manipulatorMatch(const Value::Dictionary& manipulator, const ShortcutSpec& shortcut) {
    const std::string* type = lookup::string(manipulator, "type");
    if (!type || *type != "basic") return Match::none;
    if (lookup::boolean(manipulator, "enabled") == false) return Match::none;
    if (inputKey(manipulator) != shortcut.keyCode) return Match::none;

    const Value::Dictionary* from = lookup::dictionary(manipulator, "from");
    const Value::Dictionary noModifiers;
    const Value::Dictionary* modifiers = lookup::dictionary(*from, "modifiers");
    if (!modifiers) modifiers = &noModifiers;
    const std::vector<std::string> mandatoryNames = lookup::strings(*modifiers, "mandatory");
    const std::vector<std::string> optionalNames = lookup::strings(*modifiers, "optional");

    const auto mandatory = ShortcutSpec::modifiersNamed(mandatoryNames);
    if (!mandatory) return Match::none;
    if ((*mandatory & ~shortcut.modifiers) != 0) return Match::none;
    const bool anyOptional = std::find(optionalNames.begin(), optionalNames.end(), "any") != optionalNames.end();
    const std::uint64_t disallowed = anyOptional
        ? ~modifier::all
        : ~(ShortcutSpec::modifiersNamed(optionalNames).value_or(0) | *mandatory);
    if ((shortcut.modifiers & disallowed) != 0) return Match::none;

    const bool conditional = !lookup::dictionaries(manipulator, "conditions").empty() ||
                             namesASide(mandatoryNames) || namesASide(optionalNames);
    return conditional ? Match::conditional : Match::plain;
}

}  // namespace

std::vector<Finding> karabinerFindings(const Processes& processes, const Value::Dictionary& root,
                                       const ShortcutSpec& shortcut, const Url& sourceURL) {
    const AppIdentity application =
        AppIdentity::known(processes, "Karabiner-Elements", "org.pqrs.Karabiner-Elements.Settings");
    const Value::Dictionary* profile = selectedProfile(root);
    if (!profile) return {};

    std::vector<Finding> findings;
    const auto simple = lookup::dictionaries(*profile, "simple_modifications");
    for (std::size_t i = 0; i < simple.size(); ++i) {
        if (inputKey(*simple[i]) != shortcut.keyCode) continue;
        findings.push_back(Finding{
            .id = "karabiner-simple-" + std::to_string(i),
            .level = EvidenceLevel::configuration,
            .application = application,
            .title = simpleTitle,
            .detail = simpleDetail,
            .sourceURL = sourceURL,
        });
    }

    const Value::Dictionary* complex = lookup::dictionary(*profile, "complex_modifications");
    const auto rules = complex ? lookup::dictionaries(*complex, "rules") : std::vector<const Value::Dictionary*>{};
    for (std::size_t r = 0; r < rules.size(); ++r) {
        const Value::Dictionary& rule = *rules[r];
        if (lookup::boolean(rule, "enabled") == false) continue;
        const auto manipulators = lookup::dictionaries(rule, "manipulators");
        for (std::size_t m = 0; m < manipulators.size(); ++m) {
            const Match match = manipulatorMatch(*manipulators[m], shortcut);
            if (match == Match::none) continue;
            const std::string* description = lookup::string(rule, "description");
            findings.push_back(Finding{
                .id = "karabiner-" + std::to_string(r) + "-" + std::to_string(m),
                .level = match == Match::conditional ? EvidenceLevel::conditionalConfiguration
                                                     : EvidenceLevel::configuration,
                .application = application,
                .title = description ? *description : untitledRule,
                .detail = match == Match::conditional ? conditionalRuleDetail : ruleDetail,
                .sourceURL = sourceURL,
            });
        }
    }
    return findings;
}

void ConfigurationScanner::karabiner(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const {
    const std::string path = inHome(karabinerFile);
    const auto bytes = read(path, karabinerLabel, snapshot);
    if (!bytes) return;
    const auto document = parseJson(*bytes);
    const Value::Dictionary* root = document ? document->dictionary() : nullptr;
    if (!root) {
        snapshot.notes.emplace_back(unparsableNote);
        return;
    }
    for (Finding& finding : karabinerFindings(platform_.processes, *root, shortcut, Url::file(path))) {
        snapshot.findings.push_back(std::move(finding));
    }
}

}  // namespace chordmap
