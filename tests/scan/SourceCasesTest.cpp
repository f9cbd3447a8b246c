// The tool sources over small inputs, one case a line, from tests/scan/cases:
//   @source karabiner | keyboard-maestro | skhd | hammerspoon | prefs <application>
//   @text NAME TEXT             a text the expectations name as $NAME
//   @wrap NAME TEXT             an input written "%NAME rest" is TEXT with rest for each %%
//   INPUT ⇒ KEY [MODIFIERS]: FINDING ; FINDING ⇒ KEY ...
// INPUT is JSON for the sources that read documents, else text with \n, \r,
// \t, \0, \\ and \xHH escapes. KEY is a key code or "any" (every declaration);
// MODIFIERS are names joined by "+". A FINDING is its id, its level and, when
// given, its detail and title=...; texts are "quoted", bare or $NAME pieces
// side by side. Each KEY lists every finding, in order.
#include "formats/Documents.h"
#include "scan/Hammerspoon.h"
#include "scan/Karabiner.h"
#include "scan/KeyboardMaestro.h"
#include "scan/KnownPreferences.h"
#include "scan/Skhd.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace chordmap {
namespace {

std::vector<std::string> split(const std::string& text, const std::string& by) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + by.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] == '\\' && i + 1 < text.size() ? text[++i] : 0;
        if (c == 'x') out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)), i += 2;
        else out += c == 0 ? text[i] : c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
    }
    return out;
}

std::optional<ShortcutSpec> shortcut(const std::string& text) {
    static const std::map<std::string, std::uint64_t> bits{
        {"", 0}, {"shift", modifier::shift}, {"control", modifier::control}, {"option", modifier::option},
        {"command", modifier::command}, {"fn", modifier::function}, {"hyper", modifier::hyper}};
    std::istringstream in(text);
    std::string key, names;
    in >> key >> names;
    if (key == "any") return std::nullopt;
    std::uint64_t modifiers = 0;
    for (const std::string& name : split(names, "+")) modifiers |= bits.at(name);
    return ShortcutSpec(static_cast<std::uint16_t>(std::stoul(key)), modifiers);
}

struct CaseFile {
    std::string source, application;
    std::map<std::string, std::string> texts, wraps;

    std::string text(const std::string& pieces) const {
        std::string out;
        for (std::size_t i = 0, end; i < pieces.size(); i = end) {
            if (pieces[i] == '"') {
                end = pieces.find('"', i + 1) + 1;
                out += pieces.substr(i + 1, end - i - 2);
            } else if (pieces[i] == '$') {
                end = pieces.find_first_of("\"$", i + 1);
                out += texts.at(pieces.substr(i + 1, end - i - 1));
            } else {
                end = i + 1;
                out += pieces[i];
            }
        }
        return out;
    }

    std::vector<Finding> run(const std::string& input, std::optional<ShortcutSpec> only) const {
        const testing::FakeProcesses processes;
        const Url url = Url::file("/c");
        Inventory inventory(only);
        SkhdConfiguration configuration;
        const std::optional<Value> document = parseJson(input);
        const Value::Dictionary root = document && document->dictionary() ? *document->dictionary() : Value::Dictionary{};
        const auto known = std::find_if(knownApplications.begin(), knownApplications.end(),
                                        [&](const KnownApplication& a) { return a.name == application; });
        if (source == "skhd") skhdDeclarations(unescaped(input), url, configuration, inventory);
        else if (source == "hammerspoon") hammerspoonDeclarations(processes, unescaped(input), url, inventory);
        else if (!document || !document->dictionary()) ADD_FAILURE() << "not a JSON object: " << input;
        else if (source == "karabiner") EXPECT_TRUE(karabinerDeclarations(processes, input, url, inventory));
        else if (source == "keyboard-maestro") keyboardMaestroDeclarations(processes, root, url, inventory);
        else knownPreferenceDeclarations(processes, known[0], root, url, nullptr, inventory);
        std::vector<Finding> findings;
        for (Declaration& declaration : inventory.declarations) findings.push_back(std::move(declaration.finding));
        return findings;
    }

    void check(const std::string& line) const {
        const std::vector<std::string> parts = split(line, " \u21D2 ");
        EXPECT_GT(parts.size(), 1u) << "a case without expectations";
        std::string input = parts[0];
        if (input.starts_with("%")) {
            const std::size_t space = input.find(' ');
            const std::vector<std::string> pieces = split(wraps.at(input.substr(1, space - 1)), "%%");
            input = pieces[0];
            for (std::size_t k = 1; k < pieces.size(); ++k) input += parts[0].substr(space + 1) + pieces[k];
        }
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::size_t colon = parts[i].find(':');
            ASSERT_NE(colon, std::string::npos) << parts[i];
            const std::vector<Finding> found = run(input, shortcut(parts[i].substr(0, colon)));
            std::vector<std::string> specs = split(parts[i].substr(colon + 1), " ; ");
            if (specs == std::vector<std::string>{""}) specs.clear();
            // Each finding with the parts its line gives (an unexpected one with its id and level).
            std::vector<std::string> expected, actual;
            for (std::size_t k = 0; k < std::max(specs.size(), found.size()); ++k) {
                std::vector<std::string> words{""};
                for (bool quoted = false; const char c : k < specs.size() ? specs[k] : " ") {
                    quoted ^= c == '"';
                    if (c == ' ' && !quoted) words.emplace_back();
                    else words.back() += c;
                }
                std::erase(words, "");
                words.resize(std::max<std::size_t>(words.size(), 2));
                std::string want, got;
                for (std::size_t w = 0; w < words.size(); ++w) {
                    const bool title = words[w].starts_with("title=");
                    want += " " + (w == 1 ? words[w] : text(title ? words[w].substr(6) : words[w]));
                    if (k >= found.size()) continue;
                    const Finding& f = found[k];
                    got += " " + (w == 0 ? f.id : w == 1 ? std::string(chordmap::text(f.level)) : title ? f.title : f.detail);
                }
                if (k < specs.size()) expected.push_back(want);
                if (k < found.size()) actual.push_back(got);
            }
            EXPECT_EQ(actual, expected) << parts[i];
        }
    }
};

TEST(SourceCases, eachLineHolds) {
    std::size_t cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(CHORDMAP_TESTS) + "/scan/cases")) {
        std::istringstream lines(testing::readFile(entry.path().string()));
        CaseFile file;
        std::size_t number = 0;
        for (std::string line; std::getline(lines, line);) {
            SCOPED_TRACE(entry.path().filename().string() + ":" + std::to_string(++number));
            const std::size_t space = line.find(' '), second = line.find(' ', space + 1);
            const std::string directive = line.substr(0, space), name = line.substr(space + 1, second - space - 1);
            const std::string rest = second == std::string::npos ? "" : line.substr(second + 1);
            if (line.empty() || line.starts_with("#")) continue;
            if (directive == "@source") file.source = name, file.application = rest;
            else if (directive == "@text") file.texts[name] = rest;
            else if (directive == "@wrap") file.wraps[name] = rest;
            else file.check(line), ++cases;
        }
    }
    EXPECT_GT(cases, 100u);
}

}  // namespace
}  // namespace chordmap
