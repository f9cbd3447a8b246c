#include "scan/Condition.h"

#include "platform/Regex.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace chordmap {
namespace {

const char* const unknownBundleID = "不知道前台应用的 bundle ID";
const char* const unknownName = "不知道前台应用的名称";
const char* const unknownPath = "不知道前台应用的路径";
const char* const invalidPattern = "条件中的正则表达式无法解析：";

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// Whether the name fits the application; none, with the reason, when the
// field is not known or the pattern does not compile.
std::optional<bool> fits(const ApplicationName& name, const FrontApplication& front, std::string& reason) {
    const std::string* field = nullptr;
    switch (name.field) {
        case ApplicationName::Field::bundleID: field = &front.bundleID; reason = unknownBundleID; break;
        case ApplicationName::Field::name: field = &front.name; reason = unknownName; break;
        case ApplicationName::Field::path: field = &front.path; reason = unknownPath; break;
    }
    if (field->empty()) return std::nullopt;
    if (!name.pattern) {
        return name.field == ApplicationName::Field::bundleID || name.field == ApplicationName::Field::path
                   ? *field == name.text
                   : sameIgnoringAsciiCase(*field, name.text);
    }
    // Configurations repeat a few patterns over many rules: compile each once.
    thread_local std::unordered_map<std::string, std::optional<RegexMatcher>> matchers;
    auto found = matchers.find(name.text);
    if (found == matchers.end()) {
        std::optional<RegexMatcher> matcher;
        if (const std::optional<Regex> regex = Regex::compile(name.text)) matcher.emplace(*regex);
        found = matchers.emplace(name.text, std::move(matcher)).first;
    }
    if (!found->second) {
        reason = invalidPattern + name.text;
        return std::nullopt;
    }
    return found->second->firstMatch(*field).has_value();
}

// One condition: yes, no, or unknown with its reason.
Applicability evaluate(const Condition& condition, const FrontApplication& front) {
    if (condition.applications.empty()) {
        if (!condition.undecidable.empty()) return {Applies::unknown, condition.undecidable};
        return {condition.excluded ? Applies::yes : Applies::no, {}};
    }
    std::string firstReason;
    for (const ApplicationName& name : condition.applications) {
        std::string reason;
        const std::optional<bool> fit = fits(name, front, reason);
        if (fit == true) return {condition.excluded ? Applies::no : Applies::yes, {}};
        if (!fit && firstReason.empty()) firstReason = reason;
    }
    if (!firstReason.empty()) return {Applies::unknown, firstReason};
    return {condition.excluded ? Applies::yes : Applies::no, {}};
}

}  // namespace

Applicability evaluate(const std::vector<Condition>& conditions, const FrontApplication& front) {
    Applicability result{Applies::yes, {}};
    for (const Condition& condition : conditions) {
        Applicability one = evaluate(condition, front);
        if (one.applies == Applies::no) return one;
        if (one.applies == Applies::unknown && result.applies == Applies::yes) result = std::move(one);
    }
    return result;
}

}  // namespace chordmap
