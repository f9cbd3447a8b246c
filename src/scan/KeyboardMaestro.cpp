#include "scan/KeyboardMaestro.h"

#include "formats/Documents.h"
#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"
#include "scan/DictionaryLookup.h"

namespace chordmap {
namespace {

const char* const untitledMacro = "未命名宏";
const char* const enabledDetail = "配置中的宏已启用；当前引擎是否加载此版本尚未确认。";
const char* const conditionalDetailStart = "此宏有应用或激活条件";
const char* const conditionalDetailEnd = "；当前是否生效需在 Keyboard Maestro 中核对。";
const char* const unparsableNote = "Keyboard Maestro：配置格式无法解析。";

// Groups and macros share the two switches; absent means on.
bool switchedOn(const Value::Dictionary& entry) {
    return lookup::boolean(entry, "IsActive") != false && lookup::boolean(entry, "IsDisabled") != true;
}

struct GroupCondition {
    bool conditional = false;
    std::vector<std::string> applications;
    std::vector<Condition> conditions;
};

// A targeted application as Keyboard Maestro records it: by bundle
// identifier, or by name when it has none.
std::optional<ApplicationName> targetedApplication(const Value::Dictionary& application) {
    if (const std::string* bundleID = lookup::string(application, "BundleIdentifier"); bundleID && !bundleID->empty())
        return ApplicationName{ApplicationName::Field::bundleID, *bundleID, false};
    if (const std::string* name = lookup::string(application, "Name"); name && !name->empty())
        return ApplicationName{ApplicationName::Field::name, *name, false};
    return std::nullopt;
}

// Keyboard Maestro writes a targeting dictionary for every group; one that
// targets all applications ("Targeting" = "All") limits nothing, so only the
// activation decides for it.
bool targetsAllApplications(const Value::Dictionary& targeting) {
    const std::string* scope = lookup::string(targeting, "Targeting");
    return scope && *scope == "All";
}

GroupCondition groupCondition(const Value::Dictionary& group) {
    const std::string* activate = lookup::string(group, "Activate");
    const bool toggled = activate && *activate != "Normal";
    const Condition activated = Condition::undecided("需要在 Keyboard Maestro 中激活该宏组");
    const Value::Dictionary* targeting = lookup::dictionary(group, "Targeting");
    if (targeting && !targetsAllApplications(*targeting)) {
        GroupCondition condition{.conditional = true, .applications = {}, .conditions = {}};
        std::vector<ApplicationName> names;
        for (const Value::Dictionary* application : lookup::dictionaries(*targeting, "TargetingApps")) {
            if (const std::string* name = lookup::string(*application, "Name")) condition.applications.push_back(*name);
            if (auto named = targetedApplication(*application)) names.push_back(std::move(*named));
        }
        const std::string* scope = lookup::string(*targeting, "Targeting");
        condition.conditions.push_back(scope && *scope == "Excluded" ? Condition::outsideApplications(std::move(names))
                                                                     : Condition::inApplications(std::move(names)));
        if (toggled) condition.conditions.push_back(activated);
        return condition;
    }
    return GroupCondition{.conditional = toggled, .applications = {},
                          .conditions = toggled ? std::vector{activated} : std::vector<Condition>{}};
}

std::string conditionalDetail(const std::vector<std::string>& applications) {
    std::string detail = conditionalDetailStart;
    if (!applications.empty()) {
        detail += "（";
        for (std::size_t i = 0; i < applications.size(); ++i) {
            if (i > 0) detail += "、";
            detail += applications[i];
        }
        detail += "）";
    }
    return detail + conditionalDetailEnd;
}

// The combination of a hot-key trigger; triggers of other kinds have none.
std::optional<ShortcutSpec> hotKey(const Value::Dictionary& trigger) {
    const std::string* type = lookup::string(trigger, "MacroTriggerType");
    if (!type || *type != "HotKey") return std::nullopt;
    const auto keyCode = lookup::number(trigger, "KeyCode");
    if (!keyCode || *keyCode >= 65536) return std::nullopt;
    const auto carbonModifiers = lookup::number(trigger, "Modifiers");
    if (!carbonModifiers) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*keyCode), ShortcutSpec::cocoaModifiersFromCarbon(*carbonModifiers));
}

}  // namespace

void keyboardMaestroDeclarations(const Processes& processes, const Value::Dictionary& root, const Url& sourceURL,
                                 Inventory& inventory) {
    const AppIdentity application =
        knownApplication(processes, "Keyboard Maestro", "com.stairways.keyboardmaestro.engine");
    for (const Value::Dictionary* group : lookup::dictionaries(root, "MacroGroups")) {
        if (!switchedOn(*group)) continue;
        const GroupCondition condition = groupCondition(*group);
        for (const Value::Dictionary* macro : lookup::dictionaries(*group, "Macros")) {
            if (!switchedOn(*macro)) continue;
            for (const Value::Dictionary* trigger : lookup::dictionaries(*macro, "Triggers")) {
                const std::optional<ShortcutSpec> combination = hotKey(*trigger);
                if (!combination || !inventory.wants(Claim::exactly(*combination))) continue;
                const std::string* name = lookup::string(*macro, "Name");
                const std::string title = name ? *name : untitledMacro;
                const std::string* uid = lookup::string(*macro, "UID");
                inventory.declare(Claim::exactly(*combination), Finding{
                    .id = "km-" + (uid ? *uid : title),
                    .level = condition.conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration,
                    .application = application,
                    .title = title,
                    .detail = condition.conditional ? conditionalDetail(condition.applications) : enabledDetail,
                    .sourceURL = sourceURL,
                }, condition.conditions);
            }
        }
    }
}

std::optional<Value> parseKeyboardMaestroLibrary(std::string_view bytes) {
    // What macros do is most of a library, and nothing here reads it.
    static constexpr std::string_view actions[] = {"Actions"};
    return parsePropertyList(bytes, actions);
}

void ConfigurationScanner::keyboardMaestro(Inventory& inventory) const {
    const std::string path = inHome(keyboardMaestroFile);
    const std::optional<Value> library =
        readDictionary(path, keyboardMaestroLabel, parseKeyboardMaestroLibrary, unparsableNote, inventory);
    if (library) keyboardMaestroDeclarations(processes_, *library->dictionary(), Url::file(path), inventory);
}

}  // namespace chordmap
