#include "scan/Karabiner.h"

#include "formats/JsonInPlace.h"
#include "formats/JsonWithComments.h"
#include "model/Text.h"
#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"

#include <cmath>
#include <unordered_map>

namespace chordmap {
namespace {

const char* const simpleTitle = "简单按键映射";
const char* const simpleDetail = "当前配置把该物理键映射为另一按键；修饰键也可能随映射传递。请在配置中查看输出。";
const char* const untitledRule = "复杂修改规则";
const char* const ruleDetail = "当前配置中启用的输入规则匹配该组合；配置是否已被后台服务加载需结合实际按键核对。";
const char* const conditionalRuleDetail =
    "输入键与修饰键匹配，但规则有变量、应用、设备或左右修饰键等条件；未判断这些条件此刻是否满足。";
const char* const unparsableNote = "Karabiner：配置格式无法解析。";

// --- The document, read where simdjson parsed it. Every read is strict: a
// member of another type reads as absent, so a wrong type never widens a
// match; a repeated key keeps its last value.

using Element = simdjson::dom::element;
using Object = simdjson::dom::object;

std::optional<Element> member(Object object, std::string_view key) {
    std::optional<Element> found;
    for (const simdjson::dom::key_value_pair entry : object) {
        if (entry.key == key) found = entry.value;
    }
    return found;
}

template <typename T>
std::optional<T> as(std::optional<Element> element) {
    T value;
    if (!element || element->get(value) != simdjson::SUCCESS) return std::nullopt;
    return value;
}

std::optional<Object> objectMember(Object object, std::string_view key) { return as<Object>(member(object, key)); }
std::optional<std::string_view> stringMember(Object object, std::string_view key) {
    return as<std::string_view>(member(object, key));
}
std::optional<bool> booleanMember(Object object, std::string_view key) { return as<bool>(member(object, key)); }

// A whole number as a stored integer's 64-bit pattern; a real truncated
// toward zero, none from 2^63 on.
std::optional<std::int64_t> signedNumber(std::optional<Element> element) {
    if (const auto integer = as<std::int64_t>(element)) return integer;
    if (const auto bits = as<std::uint64_t>(element)) return static_cast<std::int64_t>(*bits);
    const auto real = as<double>(element);
    if (!real || !(std::fabs(*real) < 9223372036854775808.0)) return std::nullopt;
    return static_cast<std::int64_t>(*real);
}

// An array of objects (or of strings); absent, or holding anything else,
// reads as empty.
std::vector<Object> objects(Object object, std::string_view key) {
    const auto array = as<simdjson::dom::array>(member(object, key));
    if (!array) return {};
    std::vector<Object> out;
    for (const Element item : *array) {
        Object entry;
        if (item.get(entry) != simdjson::SUCCESS) return {};
        out.push_back(entry);
    }
    return out;
}

std::vector<std::string> strings(Object object, std::string_view key) {
    const auto array = as<simdjson::dom::array>(member(object, key));
    if (!array) return {};
    std::vector<std::string> out;
    for (const Element item : *array) {
        std::string_view text;
        if (item.get(text) != simdjson::SUCCESS) return {};
        out.emplace_back(text);
    }
    return out;
}

// Karabiner's key_code names of the keys macOS gives a virtual key code,
// with the code macOS converts the key's HID usage to. Media keys, F21 to
// F24 and the keys macOS drops have none, so they claim nothing.
const std::unordered_map<std::string_view, std::uint16_t>& karabinerKeyCodes() {
    static const std::unordered_map<std::string_view, std::uint16_t> codes{
        {"a", 0},   {"b", 11},  {"c", 8},   {"d", 2},   {"e", 14},  {"f", 3},   {"g", 5},   {"h", 4},
        {"i", 34},  {"j", 38},  {"k", 40},  {"l", 37},  {"m", 46},  {"n", 45},  {"o", 31},  {"p", 35},
        {"q", 12},  {"r", 15},  {"s", 1},   {"t", 17},  {"u", 32},  {"v", 9},   {"w", 13},  {"x", 7},
        {"y", 16},  {"z", 6},   {"1", 18},  {"2", 19},  {"3", 20},  {"4", 21},  {"5", 23},  {"6", 22},
        {"7", 26},  {"8", 28},  {"9", 25},  {"0", 29},
        {"return_or_enter", 36}, {"escape", 53}, {"delete_or_backspace", 51}, {"tab", 48}, {"spacebar", 49},
        {"hyphen", 27}, {"equal_sign", 24}, {"open_bracket", 33}, {"close_bracket", 30}, {"backslash", 42},
        {"non_us_pound", 42}, {"semicolon", 41}, {"quote", 39}, {"grave_accent_and_tilde", 50}, {"comma", 43},
        {"period", 47}, {"slash", 44}, {"non_us_backslash", 10}, {"caps_lock", 57},
        {"f1", 122}, {"f2", 120}, {"f3", 99},  {"f4", 118}, {"f5", 96},  {"f6", 97},  {"f7", 98},
        {"f8", 100}, {"f9", 101}, {"f10", 109}, {"f11", 103}, {"f12", 111}, {"f13", 105}, {"f14", 107},
        {"f15", 113}, {"f16", 106}, {"f17", 64}, {"f18", 79}, {"f19", 80}, {"f20", 90},
        // macOS has no print-screen, scroll-lock or pause key: they arrive as F13 to F15.
        {"print_screen", 105}, {"scroll_lock", 107}, {"pause", 113},
        {"insert", 114}, {"help", 114}, {"home", 115}, {"page_up", 116}, {"delete_forward", 117}, {"end", 119},
        {"page_down", 121}, {"right_arrow", 124}, {"left_arrow", 123}, {"down_arrow", 125}, {"up_arrow", 126},
        {"keypad_num_lock", 71}, {"keypad_slash", 75}, {"keypad_asterisk", 67}, {"keypad_hyphen", 78},
        {"keypad_plus", 69}, {"keypad_enter", 76}, {"keypad_1", 83}, {"keypad_2", 84}, {"keypad_3", 85},
        {"keypad_4", 86}, {"keypad_5", 87}, {"keypad_6", 88}, {"keypad_7", 89}, {"keypad_8", 91},
        {"keypad_9", 92}, {"keypad_0", 82}, {"keypad_period", 65}, {"keypad_equal_sign", 81},
        {"keypad_comma", 95}, {"application", 110},
        {"international1", 94}, {"international3", 93}, {"lang1", 104}, {"japanese_kana", 104},
        {"lang2", 102}, {"japanese_eisuu", 102},
        {"left_control", 59}, {"left_shift", 56}, {"left_option", 58}, {"left_alt", 58}, {"left_command", 55},
        {"left_gui", 55}, {"right_control", 62}, {"right_shift", 60}, {"right_option", 61}, {"right_alt", 61},
        {"right_command", 54}, {"right_gui", 54}, {"fn", 63},
    };
    return codes;
}

constexpr std::uint16_t fnKeyCode = 63;

// The key a "from" names, by key_code or as the fn key of an Apple
// keyboard; none for any other kind of input (consumer keys, pointing
// buttons, simultaneous keys, any key).
std::optional<std::uint16_t> inputKey(Object entry) {
    const std::optional<Object> from = objectMember(entry, "from");
    if (!from) return std::nullopt;
    if (const std::optional<std::string_view> name = stringMember(*from, "key_code")) {
        const auto& codes = karabinerKeyCodes();
        const auto found = codes.find(*name);
        return found == codes.end() ? std::nullopt : std::optional<std::uint16_t>(found->second);
    }
    if (stringMember(*from, "apple_vendor_top_case_key_code") == "keyboard_fn") return fnKeyCode;
    return std::nullopt;
}

// A list of from.modifiers as Karabiner reads it: one name or an array of
// names, each one of Karabiner's own.
struct ModifierNames {
    std::uint64_t flags = 0;
    bool any = false;       // "any": every modifier
    bool capsLock = false;  // the caps-lock state, which no combination carries
    bool sided = false;     // a name that holds one side only
};

std::optional<ModifierNames> modifierNames(std::optional<Element> value) {
    using namespace modifier;
    static const std::unordered_map<std::string_view, std::uint64_t> words{
        {"command", command}, {"left_command", command}, {"right_command", command}, {"left_gui", command},
        {"right_gui", command}, {"control", control}, {"left_control", control}, {"right_control", control},
        {"option", option}, {"left_option", option}, {"right_option", option}, {"left_alt", option},
        {"right_alt", option}, {"shift", shift}, {"left_shift", shift}, {"right_shift", shift},
        {"fn", function}, {"caps_lock", 0}, {"any", 0},
    };
    ModifierNames names;
    const auto add = [&](Element element) {
        std::string_view name;
        if (element.get(name) != simdjson::SUCCESS) return false;
        const auto found = words.find(name);
        if (found == words.end()) return false;
        names.flags |= found->second;
        names.any = names.any || name == "any";
        names.capsLock = names.capsLock || name == "caps_lock";
        names.sided = names.sided || name.starts_with("left_") || name.starts_with("right_");
        return true;
    };
    if (!value) return names;
    if (value->is_string()) return add(*value) ? std::optional(names) : std::nullopt;
    const auto list = as<simdjson::dom::array>(value);
    if (!list) return std::nullopt;
    for (const Element element : *list) {
        if (!add(element)) return std::nullopt;
    }
    return names;
}

// What a basic manipulator claims, and whether the claim is conditional;
// none for a manipulator of another kind, a disabled one, or one Karabiner
// would refuse for a name it does not know.
struct ManipulatorClaim {
    Claim claim;
    bool conditional = false;
    std::vector<Condition> conditions = {};
};

// The applications a frontmost_application condition names: regular
// expressions over bundle identifiers and over file paths.
std::vector<ApplicationName> namedApplications(Object condition) {
    std::vector<ApplicationName> names;
    const auto add = [&](const char* key, ApplicationName::Field field) {
        for (std::string& text : strings(condition, key)) names.push_back({field, std::move(text), true});
    };
    add("bundle_identifiers", ApplicationName::Field::bundleID);
    add("file_paths", ApplicationName::Field::path);
    return names;
}

// One entry of a manipulator's conditions, as far as it can be told from
// outside Karabiner.
Condition manipulatorCondition(Object condition) {
    const std::string_view kind = stringMember(condition, "type").value_or(std::string_view());
    if (kind == "frontmost_application_if") return Condition::inApplications(namedApplications(condition));
    if (kind == "frontmost_application_unless") return Condition::outsideApplications(namedApplications(condition));
    if (kind == "variable_if" || kind == "variable_unless") {
        const std::optional<std::string_view> name = stringMember(condition, "name");
        return Condition::undecided("需要变量 " + (name ? validUtf8(*name) : std::string("（未命名）")));
    }
    if (kind.starts_with("device_")) return Condition::undecided("需要特定的输入设备");
    if (kind.starts_with("input_source_")) return Condition::undecided("需要特定的输入法");
    if (kind.starts_with("keyboard_type_")) return Condition::undecided("需要特定的键盘类型");
    if (kind.starts_with("event_changed_")) return Condition::undecided("需要按键事件的变化状态");
    return Condition::undecided("需要 Karabiner 条件 " + validUtf8(kind));
}

std::optional<ManipulatorClaim> manipulatorClaim(Object manipulator) {
    if (stringMember(manipulator, "type") != "basic") return std::nullopt;
    if (booleanMember(manipulator, "enabled") == false) return std::nullopt;
    const std::optional<std::uint16_t> key = inputKey(manipulator);
    if (!key) return std::nullopt;

    const std::optional<Element> modifiersValue = member(*objectMember(manipulator, "from"), "modifiers");
    std::optional<ModifierNames> mandatory = ModifierNames{};
    std::optional<ModifierNames> optional = ModifierNames{};
    if (modifiersValue) {
        const auto modifiers = as<Object>(modifiersValue);
        if (!modifiers) return std::nullopt;
        mandatory = modifierNames(member(*modifiers, "mandatory"));
        optional = modifierNames(member(*modifiers, "optional"));
    }
    if (!mandatory || !optional) return std::nullopt;

    std::vector<Condition> conditionList;
    for (const Object condition : objects(manipulator, "conditions"))
        conditionList.push_back(manipulatorCondition(condition));
    const bool conditions = !conditionList.empty();
    // "any" among the mandatory names takes the key whatever is held.
    if (mandatory->any)
        return ManipulatorClaim{.claim = Claim::anyModifiers(*key), .conditional = conditions,
                                .conditions = std::move(conditionList)};
    // Normalised as the combinations they are compared with: fn on an arrow
    // or function key is no modifier of its own.
    const std::uint64_t required = ShortcutSpec(*key, mandatory->flags).modifiers;
    const std::uint64_t allowed = optional->any ? modifier::all : ShortcutSpec(*key, optional->flags).modifiers;
    if (mandatory->sided || (optional->sided && !optional->any))
        conditionList.push_back(Condition::undecided("需要按下指定一侧的修饰键"));
    if (mandatory->capsLock) conditionList.push_back(Condition::undecided("需要大写锁定处于开启状态"));
    const bool conditional = !conditionList.empty();
    return ManipulatorClaim{.claim = Claim{*key, required, allowed}, .conditional = conditional,
                            .conditions = std::move(conditionList)};
}

// Karabiner uses the first selected profile, or the first one when none is.
std::optional<Object> activeProfile(Object root) {
    const std::vector<Object> profiles = objects(root, "profiles");
    for (const Object profile : profiles) {
        if (booleanMember(profile, "selected") == true) return profile;
    }
    if (profiles.empty()) return std::nullopt;
    return profiles.front();
}

// The device a configuration entry names, in words.
std::string deviceName(Object device) {
    const std::optional<Object> identifiers = objectMember(device, "identifiers");
    const auto identifier = [&](const char* key) {
        return identifiers ? signedNumber(member(*identifiers, key)) : std::nullopt;
    };
    std::string which;
    if (const auto vendor = identifier("vendor_id")) which = "厂商 ID " + std::to_string(*vendor);
    if (const auto product = identifier("product_id")) {
        which += (which.empty() ? "" : "、") + std::string("产品 ID ") + std::to_string(*product);
    }
    return which.empty() ? "配置中指定的设备" : which + " 的设备";
}

std::string deviceDetail(Object device) {
    return "当前配置只在" + deviceName(device) + "上把该物理键映射为另一按键；未判断该设备此刻是否连接。";
}

}  // namespace

bool karabinerDeclarations(const Processes& processes, std::string_view bytes, const Url& sourceURL,
                           Inventory& inventory) {
    // Comments can only make strict JSON fail, so most files parse at once.
    simdjson::dom::parser parser;
    std::optional<Element> document = parseJsonInPlace(parser, bytes);
    if (!document) document = parseJsonInPlace(parser, withoutJsonComments(bytes));
    const auto root = as<Object>(document);
    if (!root) return false;
    const AppIdentity application =
        knownApplication(processes, "Karabiner-Elements", "org.pqrs.Karabiner-Elements.Settings");
    const std::optional<Object> profile = activeProfile(*root);
    if (!profile) return true;

    // A simple modification remaps the key whatever modifiers are held.
    const auto declareSimple = [&](Object entry, std::string id, EvidenceLevel level,
                                   const std::string& detail, std::vector<Condition> conditions) {
        const std::optional<std::uint16_t> key = inputKey(entry);
        if (!key) return;
        const Claim claim = Claim::anyModifiers(*key);
        if (!inventory.wants(claim)) return;
        inventory.declare(claim, Finding{
            .id = std::move(id),
            .level = level,
            .application = application,
            .title = simpleTitle,
            .detail = detail,
            .sourceURL = sourceURL,
        }, std::move(conditions));
    };
    const std::vector<Object> simple = objects(*profile, "simple_modifications");
    for (std::size_t i = 0; i < simple.size(); ++i) {
        declareSimple(simple[i], "karabiner-simple-" + std::to_string(i), EvidenceLevel::configuration, simpleDetail, {});
    }

    // A device's own simple modifications apply only while it is connected;
    // an ignored device is not modified at all.
    const std::vector<Object> devices = objects(*profile, "devices");
    for (std::size_t d = 0; d < devices.size(); ++d) {
        const Object device = devices[d];
        if (booleanMember(device, "ignore") == true) continue;
        const std::vector<Object> entries = objects(device, "simple_modifications");
        if (entries.empty()) continue;
        const std::string detail = deviceDetail(device);
        const Condition connected = Condition::undecided("需要" + deviceName(device) + "已连接");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            declareSimple(entries[i], "karabiner-device-" + std::to_string(d) + "-simple-" + std::to_string(i),
                          EvidenceLevel::conditionalConfiguration, detail, {connected});
        }
    }

    const std::optional<Object> complex = objectMember(*profile, "complex_modifications");
    const std::vector<Object> rules = complex ? objects(*complex, "rules") : std::vector<Object>{};
    for (std::size_t r = 0; r < rules.size(); ++r) {
        const Object rule = rules[r];
        if (booleanMember(rule, "enabled") == false) continue;
        const std::vector<Object> manipulators = objects(rule, "manipulators");
        for (std::size_t m = 0; m < manipulators.size(); ++m) {
            std::optional<ManipulatorClaim> match = manipulatorClaim(manipulators[m]);
            if (!match || !inventory.wants(match->claim)) continue;
            const std::optional<std::string_view> description = stringMember(rule, "description");
            inventory.declare(match->claim, Finding{
                .id = "karabiner-" + std::to_string(r) + "-" + std::to_string(m),
                .level = match->conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration,
                .application = application,
                .title = description ? std::string(*description) : untitledRule,
                .detail = match->conditional ? conditionalRuleDetail : ruleDetail,
                .sourceURL = sourceURL,
            }, std::move(match->conditions));
        }
    }
    return true;
}

void ConfigurationScanner::karabiner(Inventory& inventory) const {
    const std::string path = inHome(karabinerFile);
    const std::optional<std::string> bytes = read(path, karabinerLabel, inventory);
    if (bytes && !karabinerDeclarations(processes_, *bytes, Url::file(path), inventory))
        inventory.notes.emplace_back(unparsableNote);
}

}  // namespace chordmap
