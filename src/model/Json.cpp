#include "model/Json.h"

#include "model/Text.h"

#include <charconv>
#include <cmath>

namespace chordmap {
namespace {

void putOptional(Value::Dictionary& object, const char* key, const std::optional<std::string>& value) {
    if (value) object.emplace(key, *value);
}

void putOptional(Value::Dictionary& object, const char* key, const std::optional<Url>& value) {
    if (value) object.emplace(key, value->absoluteString());
}

template <typename Integer>
void putOptional(Value::Dictionary& object, const char* key, const std::optional<Integer>& value) {
    if (value) object.emplace(key, Value::integer(static_cast<std::int64_t>(*value)));
}

Value strings(const std::vector<std::string>& items) {
    Value::Array array;
    array.reserve(items.size());
    for (const auto& item : items) array.emplace_back(item);
    return array;
}

void writeString(std::string& out, std::string_view raw) {
    static constexpr char hex[] = "0123456789abcdef";
    const std::string text = isValidUtf8(raw) ? std::string(raw) : validUtf8(raw);
    out += '"';
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '/': out += "\\/"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 0xF];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

void writeNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += '0';  // JSON has no form for these; never produced by the records
        return;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void indent(std::string& out, int depth) { out.append(static_cast<std::size_t>(depth) * 2, ' '); }

void write(std::string& out, const Value& value, int depth) {
    if (value.isNull()) {
        out += "null";
    } else if (auto b = value.boolean()) {
        out += *b ? "true" : "false";
    } else if (value.isInteger()) {
        out += std::to_string(*value.signedNumber());
    } else if (auto real = value.real()) {
        writeNumber(out, *real);
    } else if (const std::string* text = value.string()) {
        writeString(out, *text);
    } else if (const Value::Date* date = value.date()) {
        writeNumber(out, date->secondsSince2001);
    } else if (const Value::Data* data = value.data()) {
        writeString(out, data->bytes);
    } else if (const Value::Uid* uid = value.uid()) {
        out += std::to_string(uid->index);
    } else if (const Value::Array* array = value.array()) {
        if (array->empty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        for (std::size_t i = 0; i < array->size(); ++i) {
            indent(out, depth + 1);
            write(out, (*array)[i], depth + 1);
            out += i + 1 < array->size() ? ",\n" : "\n";
        }
        indent(out, depth);
        out += ']';
    } else if (const Value::Dictionary* object = value.dictionary()) {
        if (object->empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        std::size_t i = 0;
        for (const auto& [key, member] : *object) {  // std::map: keys in sorted order
            indent(out, depth + 1);
            writeString(out, key);
            out += " : ";
            write(out, member, depth + 1);
            out += ++i < object->size() ? ",\n" : "\n";
        }
        indent(out, depth);
        out += '}';
    }
}

}  // namespace

double secondsSinceReferenceDate(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    constexpr auto referenceDate = sys_days{year{2001} / January / 1};
    return duration<double>(time - referenceDate).count();
}

Value encode(const ShortcutSpec& shortcut) {
    return Value::Dictionary{
        {"keyCode", Value::integer(shortcut.keyCode)},
        {"modifiers", Value::unsignedInteger(shortcut.modifiers)},
    };
}

Value encode(const AppIdentity& application) {
    Value::Dictionary object{
        {"isRunning", application.isRunning},
        {"name", application.name},
    };
    putOptional(object, "bundleID", application.bundleID);
    putOptional(object, "bundleURL", application.bundleURL);
    putOptional(object, "pid", application.pid);
    return object;
}

Value encode(const Finding& finding) {
    Value::Dictionary object{
        {"application", encode(finding.application)},
        {"detail", finding.detail},
        {"id", finding.id},
        {"level", std::string(text(finding.level))},
        {"title", finding.title},
    };
    putOptional(object, "sourceURL", finding.sourceURL);
    return object;
}

Value encode(const DetectionSnapshot& snapshot) {
    Value::Array findings;
    findings.reserve(snapshot.findings.size());
    for (const auto& finding : snapshot.findings) findings.push_back(encode(finding));
    return Value::Dictionary{
        {"checkedSources", strings(snapshot.checkedSources)},
        {"findings", std::move(findings)},
        {"notes", strings(snapshot.notes)},
        {"observedAt", secondsSinceReferenceDate(snapshot.observedAt)},
        {"receivedKey", snapshot.receivedKey},
        {"shortcut", encode(snapshot.shortcut)},
    };
}

Value encode(const KeyboardMap& map) {
    Value::Array combinations;
    combinations.reserve(map.combinations.size());
    for (const MappedCombination& combination : map.combinations) {
        Value::Array findings;
        findings.reserve(combination.findings.size());
        for (const auto& finding : combination.findings) findings.push_back(encode(finding));
        Value::Dictionary object;
        object.emplace("conflict", std::string(text(combination.conflict)));
        object.emplace("findings", std::move(findings));
        object.emplace("shortcut", encode(combination.shortcut));
        combinations.emplace_back(std::move(object));
    }
    return Value::Dictionary{
        {"checkedSources", strings(map.checkedSources)},
        {"combinations", std::move(combinations)},
        {"notes", strings(map.notes)},
        {"observedAt", secondsSinceReferenceDate(map.observedAt)},
    };
}

Value encode(const ObservationDiagnostic& diagnostic) {
    Value::Dictionary object{{"kind", diagnostic.kind}};
    putOptional(object, "correlation", diagnostic.correlation);
    putOptional(object, "eventTimestamp", diagnostic.eventTimestamp);
    putOptional(object, "keyTimestamp", diagnostic.keyTimestamp);
    putOptional(object, "targetPID", diagnostic.targetPID);
    return object;
}

std::string writeJson(const Value& value) {
    std::string out;
    write(out, value, 0);
    return out;
}

}  // namespace chordmap
