#include "model/Json.h"

#include "model/Text.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace chordmap {
namespace {

void putOptional(Value::Dictionary& object, const char* key, const std::optional<std::string>& value) {
    if (value) object.emplace(key, *value);
}

template <typename Integer>
void putOptional(Value::Dictionary& object, const char* key, const std::optional<Integer>& value) {
    if (value) object.emplace(key, Value::integer(static_cast<std::int64_t>(*value)));
}

bool needsEscape(char ch) {
    return static_cast<unsigned char>(ch) < 0x20 || ch == '"' || ch == '\\' || ch == '/';
}

void writeEscaped(std::string& out, char ch) {
    static constexpr char hex[] = "0123456789abcdef";
    switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += "\\/"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            const auto c = static_cast<unsigned char>(ch);
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
}

// Chinese text, most of what is written: a lead byte whose two continuation
// bytes may take any value (E1–EC, EE, EF), so no range check is needed.
bool isCommonThreeByteSequence(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    return at + 2 < text.size() && lead >= 0xE1 && lead <= 0xEF && lead != 0xED && (byte(1) & 0xC0) == 0x80 &&
           (byte(2) & 0xC0) == 0x80;
}

// One pass: text that needs nothing is copied a run at a time, bytes that
// are not UTF-8 become U+FFFD.
void writeString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char ch = text[at];
        if (static_cast<unsigned char>(ch) >= 0x80) {
            if (isCommonThreeByteSequence(text, at)) {
                at += 3;
                continue;
            }
            if (const std::size_t length = utf8SequenceLength(text, at)) {
                at += length;
                continue;
            }
            out.append(text, copied, at - copied);
            out += "\xEF\xBF\xBD";
        } else if (needsEscape(ch)) {
            out.append(text, copied, at - copied);
            writeEscaped(out, ch);
        } else {
            ++at;
            continue;
        }
        copied = ++at;
    }
    out.append(text, copied, text.size() - copied);
    out += '"';
}

struct Decimal {
    std::string digits;  // significant digits, no leading or trailing zero (zero: "0")
    int exponent = 0;    // decimal exponent of the first digit
};

// The shortest digits that read back as the same value.
Decimal shortestDecimal(double magnitude) {
    std::string text = fmt::format("{}", magnitude);
    int exponent = 0;
    if (const auto e = text.find('e'); e != std::string::npos) {
        exponent = std::stoi(text.substr(e + 1));
        text.resize(e);
    }
    const auto point = text.find('.');
    exponent += static_cast<int>(point == std::string::npos ? text.size() : point) - 1;
    if (point != std::string::npos) text.erase(point, 1);
    const auto first = text.find_first_not_of('0');
    if (first == std::string::npos) return {"0", 0};
    const auto last = text.find_last_not_of('0');
    return {text.substr(first, last - first + 1), exponent - static_cast<int>(first)};
}

// Shortest round-trip form, as std::to_chars writes it (fixed unless
// scientific is shorter), which on macOS needs a newer system than ours.
void writeNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += '0';  // JSON has no form for these; never produced by the records
        return;
    }
    if (std::signbit(value)) out += '-';
    const auto [digits, exponent] = shortestDecimal(std::fabs(value));
    const int count = static_cast<int>(digits.size());
    const int fixedLength = exponent >= count - 1 ? exponent + 1 : exponent >= 0 ? count + 1 : count + 1 - exponent;
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + (std::abs(exponent) >= 100 ? 3 : 2);
    if (fixedLength > scientificLength) {
        out += digits[0];
        if (count > 1) out.append(".").append(digits, 1);
        fmt::format_to(std::back_inserter(out), "e{}{:02}", exponent < 0 ? '-' : '+', std::abs(exponent));
    } else if (exponent >= count - 1) {
        // An integer, written exactly as printf would: beyond 2^53 its
        // digits go on past the shortest ones.
        fmt::format_to(std::back_inserter(out), "{:.0f}", std::fabs(value));
    } else if (exponent >= 0) {
        out.append(digits, 0, exponent + 1).append(".").append(digits, exponent + 1);
    } else {
        out.append("0.").append(-exponent - 1, '0').append(digits);
    }
}

// Pretty-printed output, a member or element at a time: each opens on its
// own line, indented two spaces per level; empty containers stay "{}" and "[]".
class PrettyWriter {
public:
    // `depth`: the containers already open around what it writes.
    explicit PrettyWriter(std::string& out, std::size_t depth = 0) : out_(out), empty_(depth, false) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name) {
        next();
        writeString(out_, name);
        out_ += " : ";
    }
    void element() { next(); }

    void string(std::string_view text) { writeString(out_, text); }
    void integer(std::int64_t value) { out_ += std::to_string(value); }
    void boolean(bool value) { out_ += value ? "true" : "false"; }
    void number(double value) { writeNumber(out_, value); }

    void member(std::string_view name, std::string_view text) {
        key(name);
        string(text);
    }
    void strings(std::string_view name, const std::vector<std::string>& items) {
        key(name);
        beginArray();
        for (const std::string& item : items) {
            element();
            string(item);
        }
        endArray();
    }

    // A member holding one of the records.
    void shortcut(const ShortcutSpec& shortcut) {
        beginObject();
        key("keyCode");
        integer(shortcut.keyCode);
        key("modifiers");
        out_ += std::to_string(shortcut.modifiers);
        endObject();
    }
    void application(const AppIdentity& application) {
        beginObject();
        if (application.bundleID) member("bundleID", *application.bundleID);
        if (application.bundleURL) member("bundleURL", application.bundleURL->absoluteString());
        key("isRunning");
        boolean(application.isRunning);
        member("name", application.name);
        if (application.pid) {
            key("pid");
            integer(*application.pid);
        }
        endObject();
    }
    void finding(const Finding& finding) {
        beginObject();
        key("application");
        application(finding.application);
        if (finding.applicability) member("applies", text(finding.applicability->applies));
        member("detail", finding.detail);
        member("id", finding.id);
        member("level", text(finding.level));
        if (finding.sourceURL) member("sourceURL", finding.sourceURL->absoluteString());
        member("title", finding.title);
        if (finding.applicability && finding.applicability->applies == Applies::unknown)
            member("undecided", finding.applicability->undecided);
        endObject();
    }
    void frontApplication(const std::optional<FrontApplication>& front) {
        if (!front) return;
        key("frontApplication");
        beginObject();
        if (!front->bundleID.empty()) member("bundleID", front->bundleID);
        if (!front->name.empty()) member("name", front->name);
        if (!front->path.empty()) member("path", front->path);
        endObject();
    }

    void value(const Value& value) {
        if (value.isNull()) {
            out_ += "null";
        } else if (auto b = value.boolean()) {
            boolean(*b);
        } else if (value.isInteger()) {
            integer(*value.signedNumber());
        } else if (auto real = value.real()) {
            number(*real);
        } else if (const std::string* text = value.string()) {
            string(*text);
        } else if (const Value::Date* date = value.date()) {
            number(date->secondsSince2001);
        } else if (const Value::Data* data = value.data()) {
            string(data->bytes);
        } else if (const Value::Uid* uid = value.uid()) {
            integer(uid->index);
        } else if (const Value::Array* array = value.array()) {
            beginArray();
            for (const Value& element : *array) {
                this->element();
                this->value(element);
            }
            endArray();
        } else if (const Value::Dictionary* object = value.dictionary()) {
            beginObject();
            for (const auto& [name, member] : *object) {  // std::map: keys in sorted order
                key(name);
                this->value(member);
            }
            endObject();
        }
    }

private:
    void open(char bracket) {
        out_ += bracket;
        empty_.push_back(true);
    }
    void close(char bracket) {
        const bool empty = empty_.back();
        empty_.pop_back();
        if (!empty) {
            out_ += '\n';
            indent();
        }
        out_ += bracket;
    }
    void next() {
        out_ += empty_.back() ? "\n" : ",\n";
        empty_.back() = false;
        indent();
    }
    void indent() { out_.append(empty_.size() * 2, ' '); }

    std::string& out_;
    std::vector<bool> empty_;  // per open container: nothing written in it yet
};

}  // namespace

double secondsSinceReferenceDate(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    constexpr auto referenceDate = sys_days{year{2001} / January / 1};
    return duration<double>(time - referenceDate).count();
}

std::string snapshotJson(const DetectionSnapshot& snapshot) {
    std::string out;
    PrettyWriter writer(out);
    writer.beginObject();
    writer.strings("checkedSources", snapshot.checkedSources);
    writer.key("findings");
    writer.beginArray();
    for (const Finding& finding : snapshot.findings) {
        writer.element();
        writer.finding(finding);
    }
    writer.endArray();
    writer.frontApplication(snapshot.frontApplication);
    writer.strings("notes", snapshot.notes);
    writer.key("observedAt");
    writer.number(secondsSinceReferenceDate(snapshot.observedAt));
    writer.key("receivedKey");
    writer.boolean(snapshot.receivedKey);
    writer.key("shortcut");
    writer.shortcut(snapshot.shortcut);
    writer.endObject();
    return out;
}

void writeMapJson(const KeyboardMap& map, const std::function<void(std::string_view)>& sink) {
    constexpr std::size_t flushAt = 1 << 20;
    std::string out;
    PrettyWriter writer(out);
    writer.beginObject();
    writer.strings("checkedSources", map.checkedSources);
    writer.key("combinations");
    writer.beginArray();
    // A finding claiming many combinations is listed under each, always at
    // the same depth: written once, copied after.
    constexpr std::size_t findingDepth = 4;  // document, combinations, combination, findings
    std::vector<std::uint32_t> uses(map.findings.size());
    for (const KeyboardMap::Combination& combination : map.combinations) {
        for (const std::uint32_t index : combination.findings) ++uses[index];
    }
    std::vector<std::string> written(map.findings.size());
    for (const KeyboardMap::Combination& combination : map.combinations) {
        writer.element();
        writer.beginObject();
        writer.member("conflict", text(combination.conflict));
        writer.key("findings");
        writer.beginArray();
        for (const std::uint32_t index : combination.findings) {
            writer.element();
            if (uses[index] == 1) {
                writer.finding(map.findings[index]);
                continue;
            }
            std::string& finding = written[index];
            if (finding.empty()) PrettyWriter(finding, findingDepth).finding(map.findings[index]);
            out += finding;
        }
        writer.endArray();
        writer.key("shortcut");
        writer.shortcut(combination.shortcut);
        writer.endObject();
        if (out.size() >= flushAt) {
            sink(out);
            out.clear();
        }
    }
    writer.endArray();
    writer.frontApplication(map.frontApplication);
    writer.strings("notes", map.notes);
    writer.key("observedAt");
    writer.number(secondsSinceReferenceDate(map.observedAt));
    writer.endObject();
    sink(out);
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
    PrettyWriter(out).value(value);
    return out;
}

}  // namespace chordmap
