#include "scan/Karabiner.h"

#include "formats/Documents.h"
#include "scan/AppIdentities.h"
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

// What a basic manipulator claims, and whether the claim is conditional;
// none for a manipulator of another kind, a disabled one, or one whose
// names are not all known.
struct ManipulatorClaim {
    Claim claim;
    bool conditional = false;
};

std::optional<ManipulatorClaim> manipulatorClaim(const Value::Dictionary& manipulator) {
    const std::string* type = lookup::string(manipulator, "type");
    if (!type || *type != "basic") return std::nullopt;
    if (lookup::boolean(manipulator, "enabled") == false) return std::nullopt;
    const std::optional<std::uint16_t> key = inputKey(manipulator);
    if (!key) return std::nullopt;

    const Value::Dictionary* from = lookup::dictionary(manipulator, "from");
    const Value::Dictionary noModifiers;
    const Value::Dictionary* modifiers = lookup::dictionary(*from, "modifiers");
    if (!modifiers) modifiers = &noModifiers;
    const std::vector<std::string> mandatoryNames = lookup::strings(*modifiers, "mandatory");
    const std::vector<std::string> optionalNames = lookup::strings(*modifiers, "optional");

    const auto mandatory = ShortcutSpec::modifiersNamed(mandatoryNames);
    if (!mandatory) return std::nullopt;
    const bool anyOptional = std::find(optionalNames.begin(), optionalNames.end(), "any") != optionalNames.end();
    const std::uint64_t optional =
        anyOptional ? modifier::all : ShortcutSpec::modifiersNamed(optionalNames).value_or(0);

    const bool conditional = !lookup::dictionaries(manipulator, "conditions").empty() ||
                             namesASide(mandatoryNames) || namesASide(optionalNames);
    return ManipulatorClaim{.claim = Claim{*key, *mandatory, optional}, .conditional = conditional};
}

}  // namespace

void karabinerDeclarations(const Processes& processes, const Value::Dictionary& root, const Url& sourceURL,
                           Inventory& inventory) {
    const AppIdentity application =
        knownApplication(processes, "Karabiner-Elements", "org.pqrs.Karabiner-Elements.Settings");
    const Value::Dictionary* profile = selectedProfile(root);
    if (!profile) return;

    const auto simple = lookup::dictionaries(*profile, "simple_modifications");
    for (std::size_t i = 0; i < simple.size(); ++i) {
        const std::optional<std::uint16_t> key = inputKey(*simple[i]);
        if (!key) continue;
        // A simple modification remaps the key whatever modifiers are held.
        inventory.declare(Claim::anyModifiers(*key), Finding{
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
            const std::optional<ManipulatorClaim> match = manipulatorClaim(*manipulators[m]);
            if (!match || !inventory.wants(match->claim)) continue;
            const std::string* description = lookup::string(rule, "description");
            inventory.declare(match->claim, Finding{
                .id = "karabiner-" + std::to_string(r) + "-" + std::to_string(m),
                .level = match->conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration,
                .application = application,
                .title = description ? *description : untitledRule,
                .detail = match->conditional ? conditionalRuleDetail : ruleDetail,
                .sourceURL = sourceURL,
            });
        }
    }
}

void ConfigurationScanner::karabiner(Inventory& inventory) const {
    const std::string path = inHome(karabinerFile);
    const std::optional<Value> root = readDictionary(path, karabinerLabel, parseJson, unparsableNote, inventory);
    if (root) karabinerDeclarations(platform_.processes, *root->dictionary(), Url::file(path), inventory);
}

}  // namespace chordmap
