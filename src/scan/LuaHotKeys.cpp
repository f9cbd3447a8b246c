#include "scan/LuaHotKeys.h"

#include "scan/LuaText.h"
#include "scan/TextPieces.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace chordmap {

bool LuaHotKey::literal() const {
    return (shape == Shape::call || shape == Shape::tableEntry) && modifiersFrom.kind == LuaSource::Kind::written &&
           keyFrom.kind == LuaSource::Kind::written && !loopTable;
}

namespace {

// Lua refuses to load a text nested deeper than this; the reader stops there.
constexpr int depthLimit = 200;
// Table entries kept, and loop and mapping entries followed, per text: far
// more than any configuration holds, and a bound on what a hostile text
// costs.
constexpr std::size_t entryLimit = std::size_t{1} << 18;
constexpr std::size_t followLimit = std::size_t{1} << 16;
// Names read through more than this (a.b.c... or a path with spaces) are
// not told to the reader.
constexpr std::size_t originLimit = 64;
constexpr std::size_t pathLimit = 16;

struct Table;
struct Loop;
struct Step;

// A piece of the text, where a name is written.
struct Written {
    std::uint32_t start = 0;
    std::uint32_t length = 0;

    bool empty() const { return length == 0; }
};

// A modal, named after the first variable or field it is stored in.
struct Modal {
    Written name;
};

enum class Kind : std::uint8_t {
    unknown,    // anything the reader does not follow
    nil,
    boolean,
    number,     // an integer
    string,
    table,
    builtin,    // hs, hs.hotkey, hs.hotkey.bind, spoon, pairs, ...: `text` is the path
    modal,
    spoon,      // a loaded Spoon: `text` is its name
    iterator,   // what pairs / ipairs give a generic for
    loopKey,    // a loop variable: the key of the entry at hand
    loopValue,  // a loop variable: the entry at hand, then `path`
};

// A loop variable: the loop, and the way from its entry to the value.
struct LoopItem {
    Loop* loop;
    const Step* path;
};

// Values are copied all the time and kept in every table: what a kind
// needs shares one place.
struct Value {
    Kind kind = Kind::unknown;
    bool literal = false;  // written in place
    bool flag = false;     // a boolean's truth; an iterator over the array part only
    std::size_t at = 0;
    Written origin = {};  // the name it was read through
    union {
        std::string_view text = {};  // a string; a builtin's path; a Spoon's name
        std::int64_t integer;
        Table* table;  // a table; an iterator's table
        Modal* modal;
        LoopItem item;
    };
};

struct Field {
    std::string_view key;
    Value value;
    std::size_t at = 0;
};

struct Table {
    explicit Table(std::pmr::memory_resource* arena) : array(arena), fields(arena) {}

    std::pmr::vector<Field> array;   // [1], [2], ...
    std::pmr::vector<Field> fields;  // by name
    std::pmr::unordered_map<std::string_view, std::size_t>* index = nullptr;  // of fields, once there are many
    bool opaque = false;          // written through keys the reader cannot know
    bool declaresItself = false;  // a literal `mods = ..., key = ...` entry

    Field* find(std::string_view key) {
        if (index) {
            const auto found = index->find(key);
            return found == index->end() ? nullptr : &fields[found->second];
        }
        for (Field& field : fields) {
            if (field.key == key) return &field;
        }
        return nullptr;
    }
};

struct Loop {
    Table* table;
    bool arrayOnly;
    Written name;
};

// One step from a loop's entry to a value inside it: a field, or an index.
struct Step {
    const Step* parent;
    std::string_view field;
    std::int64_t index;  // 0: a field
    std::size_t length;
};

// What the reader knows of Lua's and Hammerspoon's own tables: the paths
// through them that matter to hot keys.
constexpr std::string_view builtinPaths[] = {
    "hs", "hs.hotkey", "hs.hotkey.bind", "hs.hotkey.new", "hs.hotkey.bindSpec", "hs.hotkey.modal",
    "hs.hotkey.modal.new", "hs.loadSpoon", "hs.fnutils", "hs.fnutils.each", "hs.fnutils.ieach", "hs.keycodes",
    "hs.keycodes.map", "spoon", "pairs", "ipairs", "require", "table", "table.insert", "table.remove",
};

// The known path `path` or `path.field` names, as stored above.
std::optional<std::string_view> builtinPath(std::string_view path, std::string_view field = {}) {
    for (const std::string_view known : builtinPaths) {
        if (field.empty() ? known == path
                          : known.size() == path.size() + 1 + field.size() && known.starts_with(path) &&
                                known[path.size()] == '.' && known.ends_with(field))
            return known;
    }
    return std::nullopt;
}

bool isTrimmed(UChar32 c) {
    if (c == '"' || c == '\'' || c == '\t' || (c >= 0x0A && c <= 0x0D) || c == 0x85) return true;
    return (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// What the arena asks for beyond the memory it starts with.
class Overflow final : public std::pmr::memory_resource {
public:
    std::size_t bytes = 0;

private:
    void* do_allocate(std::size_t size, std::size_t alignment) override {
        bytes += size;
        return std::pmr::new_delete_resource()->allocate(size, alignment);
    }
    void do_deallocate(void* pointer, std::size_t size, std::size_t alignment) override {
        std::pmr::new_delete_resource()->deallocate(pointer, size, alignment);
    }
    bool do_is_equal(const memory_resource& other) const noexcept override { return this == &other; }
};

class Reader {
public:
    Reader(std::string_view text, std::span<std::byte> memory)
        : text_(text.substr(0, UINT32_MAX)), lexer_(text_), arena_(memory.data(), memory.size(), &overflow_) {
        current_ = lexer_.next();
    }

    std::size_t overflow() const { return overflow_.bytes; }

    void run(const std::function<void(const LuaHotKey&)>& each) {
        while (!is(LuaToken::end)) {
            if (blockEnds()) advance();  // an `end` without its opening
            else statement();
        }
        for (Pending& pending : found_) {
            if (pending.modal && !pending.modal->name.empty()) pending.hotKey.owner = text(pending.modal->name);
            each(pending.hotKey);
        }
    }

private:
    struct Pending {
        LuaHotKey hotKey;
        Modal* modal;
    };

    // Where an assignment stores its value.
    struct Place {
        enum class Kind : std::uint8_t { none, name, field, index } kind = Kind::none;
        std::string_view name = {};  // a name; a field's name
        Value base = {};             // a field's or an index's table
        Value key = {};              // an index
        Written path = {};  // as written
    };

    // Counts a level of nesting for as long as it lives.
    class Nest {
    public:
        explicit Nest(Reader& reader) : reader_(reader) {
            if (++reader_.depth_ > depthLimit) reader_.stop();
        }
        ~Nest() { --reader_.depth_; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;

    private:
        Reader& reader_;
    };

    // --- Tokens ---

    bool is(LuaToken token) const { return current_.token == token; }
    std::uint32_t textEnd() const { return static_cast<std::uint32_t>(text_.size()); }
    std::string_view spelling() const { return text_.substr(current_.start, current_.end - current_.start); }

    void advance() {
        // Shorter than the shortest literal declaration, mods={},key='x', in quotes
        if (current_.token == LuaToken::string && current_.end - current_.start >= 17) literalsInString(current_);
        previousEnd_ = current_.end;
        if (stopped_) {
            current_ = LuaLexeme{.token = LuaToken::end, .start = textEnd(), .end = textEnd()};
        } else if (hasAhead_) {
            current_ = ahead_;
            hasAhead_ = false;
        } else {
            current_ = lexer_.next();
        }
    }

    const LuaLexeme& ahead() {
        if (!hasAhead_) {
            ahead_ = lexer_.next();
            hasAhead_ = true;
        }
        return ahead_;
    }

    bool accept(LuaToken token) {
        if (!is(token)) return false;
        advance();
        return true;
    }

    void stop() {
        stopped_ = true;
        hasAhead_ = false;
        current_ = LuaLexeme{.token = LuaToken::end, .start = textEnd(), .end = textEnd()};
    }

    bool blockEnds() const {
        return is(LuaToken::end) || is(LuaToken::kEnd) || is(LuaToken::kElse) || is(LuaToken::kElseif) ||
               is(LuaToken::kUntil);
    }

    // --- Values ---

    std::string_view keep(std::string_view text) {
        char* copy = static_cast<char*>(arena_.allocate(text.size() + 1, 1));
        std::memcpy(copy, text.data(), text.size());
        return {copy, text.size()};
    }

    template <typename T, typename... Arguments>
    T* make(Arguments&&... arguments) {
        return new (arena_.allocate(sizeof(T), alignof(T))) T(std::forward<Arguments>(arguments)...);
    }

    Value newTable(std::size_t at) {
        return Value{.kind = Kind::table, .at = at, .table = make<Table>(&arena_)};
    }

    static Value nil(std::size_t at = 0) { return Value{.kind = Kind::nil, .literal = true, .at = at, .text = {}}; }
    static Value string(std::string_view text, std::size_t at) {
        return Value{.kind = Kind::string, .literal = true, .at = at, .text = text};
    }
    static Value number(std::int64_t integer, std::size_t at) {
        return Value{.kind = Kind::number, .literal = true, .at = at, .integer = integer};
    }

    Value stringValue(const LuaLexeme& lexeme) {
        if (lexeme.closed && !lexeme.escaped) return string(luaStringContents(text_, lexeme), lexeme.start);
        const std::optional<std::string> decoded = luaStringValue(text_, lexeme);
        if (!decoded) return {};
        return string(keep(*decoded), lexeme.start);
    }

    // Stores into a table, unless the text has filled too many already.
    void store(Table& table, std::string_view key, const Value& value, std::size_t at) {
        if (Field* field = table.find(key)) {
            field->value = value;
            return;
        }
        if (++entries_ > entryLimit) {
            table.opaque = true;
            return;
        }
        table.fields.push_back(Field{key, value, at});
        if (table.index) {
            table.index->emplace(key, table.fields.size() - 1);
        } else if (table.fields.size() > 8) {
            table.index = make<std::pmr::unordered_map<std::string_view, std::size_t>>(&arena_);
            for (std::size_t i = 0; i < table.fields.size(); ++i) table.index->emplace(table.fields[i].key, i);
        }
    }

    void store(Table& table, std::int64_t index, const Value& value, std::size_t at) {
        if (index >= 1 && static_cast<std::size_t>(index) <= table.array.size()) {
            table.array[static_cast<std::size_t>(index - 1)].value = value;
        } else if (static_cast<std::size_t>(index) == table.array.size() + 1 && ++entries_ <= entryLimit) {
            table.array.push_back(Field{{}, value, at});
        } else {
            table.opaque = true;  // a hole, or too many entries: `pairs` would miss it
        }
    }

    void store(const Value& table, const Value& key, const Value& value, std::size_t at) {
        if (table.kind != Kind::table || table.table->opaque) return;
        if (key.kind == Kind::string) store(*table.table, key.text, value, at);
        else if (key.kind == Kind::number) store(*table.table, key.integer, value, at);
        else table.table->opaque = true;
    }

    std::string_view text(Written written) const { return text_.substr(written.start, written.length); }

    // Where a name read from the text is written.
    Written written(std::string_view name) const {
        return Written{static_cast<std::uint32_t>(name.data() - text_.data()), static_cast<std::uint32_t>(name.size())};
    }

    // The name something is read through, as written from `start` to the
    // last token read; none when long or spread over spaces and lines.
    Written originOf(std::size_t start) const {
        const std::string_view path = text_.substr(start, previousEnd_ - start);
        if (path.size() > originLimit) return {};
        for (const char c : path) {
            if (c == ' ' || (c >= '\t' && c <= '\r')) return {};
        }
        return written(path);
    }

    static Value named(Value value, Written origin) {
        if (value.origin.empty()) value.origin = origin;
        return value;
    }

    // A value read from a table of this file is named by the path to it,
    // written from `start` on.
    Value fromTable(const Value& table, const Value& value, std::size_t start) const {
        return table.kind == Kind::table ? named(value, originOf(start)) : value;
    }

    Value lookup(std::string_view name, bool indexed) {
        auto found = variables_.find(name);
        if (found == variables_.end()) {
            if (const std::optional<std::string_view> path = builtinPath(name)) return Value{.kind = Kind::builtin, .text = *path};
            if (!indexed) return {};
            // A name the file fills in without defining it: its fields are
            // what the file gives them from here on.
            found = variables_.emplace(name, newTable(current_.start)).first;
        } else if (indexed && found->second.kind == Kind::unknown) {
            found->second = newTable(current_.start);
        }
        return named(found->second, written(name));
    }

    Value builtin(std::string_view path, std::string_view field) {
        const std::optional<std::string_view> joined = builtinPath(path, field);
        return joined ? Value{.kind = Kind::builtin, .text = *joined} : Value{};
    }

    Value fieldOf(const Value& base, std::string_view field) {
        switch (base.kind) {
            case Kind::table: {
                if (base.table->opaque) return {};
                const Field* found = base.table->find(field);
                return found ? found->value : Value{};
            }
            case Kind::builtin:
                if (base.text == "spoon") return Value{.kind = Kind::spoon, .text = field};
                // Hammerspoon's own table of key names: the name is the key.
                if (base.text == "hs.keycodes.map") return string(field, 0);
                return builtin(base.text, field);
            case Kind::loopValue: return stepInto(base, field, 0);
            default: return {};
        }
    }

    Value indexOf(const Value& base, const Value& key) {
        if (key.kind == Kind::string) return fieldOf(base, key.text);
        if (key.kind != Kind::number) return {};
        if (base.kind == Kind::loopValue) return key.integer >= 1 ? stepInto(base, {}, key.integer) : Value{};
        if (base.kind != Kind::table || base.table->opaque) return {};
        const std::size_t index = static_cast<std::size_t>(key.integer);
        if (key.integer < 1 || index > base.table->array.size()) return {};
        return base.table->array[index - 1].value;
    }

    Value stepInto(const Value& base, std::string_view field, std::int64_t index) {
        const std::size_t length = base.item.path ? base.item.path->length + 1 : 1;
        if (length > pathLimit) return {};
        Value value = base;
        value.item.path = make<Step>(Step{base.item.path, field, index, length});
        return value;
    }

    // The value inside a loop's entry that a loop variable stands for.
    Value instantiate(const Value& value, const Field& entry, const Value& key) {
        if (value.kind == Kind::loopKey) return key;
        if (value.kind != Kind::loopValue) return value;
        const Step* steps[pathLimit];
        std::size_t count = 0;
        for (const Step* step = value.item.path; step; step = step->parent) steps[count++] = step;
        Value inside = entry.value;
        while (count > 0) {
            const Step* step = steps[--count];
            inside = step->index ? indexOf(inside, number(step->index, 0)) : fieldOf(inside, step->field);
        }
        return inside;
    }

    // --- What the text declares ---

    LuaSource sourceOf(const Value& value, LuaSource::Kind kind) const {
        if (value.origin.empty()) return {};
        return LuaSource{kind, text(value.origin)};
    }

    // Room for `count` words of a modifier list, kept while the reader lives.
    std::span<std::string_view> words(std::size_t count) {
        auto* room = static_cast<std::string_view*>(arena_.allocate(count * sizeof(std::string_view), alignof(std::string_view)));
        std::uninitialized_value_construct_n(room, count);
        return {room, count};
    }

    void record(LuaHotKey::Shape shape, std::size_t at, const Value& mods, const Value& key, Modal* modal,
                std::string_view owner, std::string_view entry, const Loop* loop) {
        LuaHotKey hotKey{.shape = shape, .at = at};
        switch (mods.kind) {
            case Kind::nil: break;  // no modifiers
            case Kind::string: {
                const std::span<std::string_view> list = words(1);
                list[0] = mods.text;
                hotKey.modifiers = list;
                hotKey.modifiersFrom = sourceOf(mods, LuaSource::Kind::string);
                break;
            }
            case Kind::table: {
                if (mods.table->opaque) return;
                const std::span<std::string_view> list = words(mods.table->array.size());
                for (std::size_t i = 0; i < list.size(); ++i) {
                    const Value& item = mods.table->array[i].value;
                    if (item.kind != Kind::string) return;
                    list[i] = item.text;
                    if (hotKey.modifiersFrom.name.empty() && !item.origin.empty())
                        hotKey.modifiersFrom = LuaSource{LuaSource::Kind::value, text(item.origin)};
                }
                hotKey.modifiers = list;
                if (!mods.origin.empty()) hotKey.modifiersFrom = sourceOf(mods, LuaSource::Kind::table);
                break;
            }
            default: return;
        }
        if (key.kind == Kind::string) {
            hotKey.key = key.text;
            hotKey.keyFrom = sourceOf(key, LuaSource::Kind::string);
        } else if (key.kind == Kind::number) {
            hotKey.keyCode = key.integer;
            hotKey.keyFrom = sourceOf(key, LuaSource::Kind::value);
        } else {
            return;
        }
        hotKey.owner = owner;
        hotKey.entry = entry;
        if (loop) hotKey.loopTable = text(loop->name);
        found_.push_back(Pending{hotKey, modal});
    }

    // A declaration whose list or key may stand for each entry of a loop.
    void declare(LuaHotKey::Shape shape, std::size_t at, const Value& mods, const Value& key, Modal* modal = nullptr,
                 std::string_view owner = {}, std::string_view entry = {}) {
        Loop* loop = nullptr;
        for (const Value* value : {&mods, &key}) {
            if (value->kind != Kind::loopKey && value->kind != Kind::loopValue) continue;
            if (loop && loop != value->item.loop) return;  // two loops at once
            loop = value->item.loop;
        }
        if (!loop) {
            record(shape, at, mods, key, modal, owner, entry, nullptr);
            return;
        }
        if (loop->table->opaque) return;  // changed in ways the reader cannot follow
        const auto each = [&](const Field& item, const Value& itemKey) {
            --budget_;
            // A literal entry already declares itself.
            if (item.value.kind == Kind::table && item.value.table->declaresItself && isStep(mods, "mods") &&
                isStep(key, "key"))
                return;
            record(shape, item.at, instantiate(mods, item, itemKey), instantiate(key, item, itemKey), modal, owner,
                   entry, loop);
        };
        const Table& table = *loop->table;
        for (std::size_t i = 0; i < table.array.size() && budget_ > 0; ++i)
            each(table.array[i], number(static_cast<std::int64_t>(i + 1), table.array[i].at));
        for (std::size_t i = 0; !loop->arrayOnly && i < table.fields.size() && budget_ > 0; ++i)
            each(table.fields[i], string(table.fields[i].key, table.fields[i].at));
    }

    static bool isStep(const Value& value, std::string_view field) {
        const Step* step = value.item.path;
        return value.kind == Kind::loopValue && step && !step->parent && !step->index && step->field == field;
    }

    // Each entry of a Spoon's hot-key mapping: a name and {mods, key}.
    void mapping(const Value& table, std::string_view owner) {
        if (table.kind != Kind::table || table.table->opaque) return;
        for (const Field& field : table.table->fields) {
            if (budget_ == 0) return;
            --budget_;
            const Value& spec = field.value;
            if (spec.kind != Kind::table || spec.table->opaque || spec.table->array.size() < 2) continue;
            declare(LuaHotKey::Shape::spoonMapping, field.at, spec.table->array[0].value, spec.table->array[1].value,
                    nullptr, owner, field.key);
        }
    }

    // The `hotkeys` of a Spoon's settings (SpoonInstall's andUse,
    // hs.spoons.use), which go to the Spoon's bindHotkeys unless the
    // settings disable the Spoon.
    void settingsHotKeys(std::span<const Value> arguments) {
        std::string_view owner;
        for (const Value& argument : arguments) {
            if (argument.kind == Kind::string) {
                if (owner.empty()) owner = argument.text;
                continue;
            }
            if (argument.kind != Kind::table || argument.table->opaque) continue;
            const Field* hotKeys = argument.table->find("hotkeys");
            if (!hotKeys || hotKeys->value.kind != Kind::table) continue;
            const Field* disable = argument.table->find("disable");
            if (disable && disable->value.kind != Kind::nil && !(disable->value.kind == Kind::boolean && !disable->value.flag))
                continue;
            mapping(hotKeys->value, owner);
        }
    }

    static const Value& argument(std::span<const Value> arguments, std::size_t i) {
        static const Value absent = nil();
        return i < arguments.size() ? arguments[i] : absent;
    }

    Value call(const Value& callee, std::span<const Value> arguments, std::size_t at) {
        settingsHotKeys(arguments);
        if (callee.kind != Kind::builtin) return {};
        const std::string_view path = callee.text;
        const Value& first = argument(arguments, 0);
        if (path == "hs.hotkey.bind" || path == "hs.hotkey.new") {
            declare(LuaHotKey::Shape::call, at, first, argument(arguments, 1));
        } else if (path == "hs.hotkey.bindSpec") {
            declare(LuaHotKey::Shape::call, at, indexOf(first, number(1, 0)), indexOf(first, number(2, 0)));
        } else if (path == "hs.hotkey.modal.new") {
            Modal* modal = make<Modal>();
            if (argument(arguments, 1).kind != Kind::nil)
                declare(LuaHotKey::Shape::modalEntry, at, first, argument(arguments, 1), modal);
            return Value{.kind = Kind::modal, .modal = modal};
        } else if (path == "hs.loadSpoon") {
            if (first.kind == Kind::string) return Value{.kind = Kind::spoon, .text = first.text};
        } else if (path == "require") {
            if (first.kind == Kind::string && first.text.starts_with("hs.")) return builtin(first.text, {});
        } else if (path == "pairs" || path == "ipairs") {
            if (first.kind == Kind::table && !first.table->opaque)
                return Value{.kind = Kind::iterator, .flag = path == "ipairs", .origin = first.origin, .table = first.table};
        } else if (path == "table.insert") {
            if (first.kind == Kind::table && arguments.size() == 2) store(first, number(static_cast<std::int64_t>(first.table->array.size() + 1), 0), arguments[1], arguments[1].at);
            else if (first.kind == Kind::table) first.table->opaque = true;
        } else if (path == "table.remove") {
            if (first.kind == Kind::table) first.table->opaque = true;
        }
        return {};
    }

    Value method(const Value& self, std::string_view name, std::span<const Value> arguments, std::size_t at) {
        settingsHotKeys(arguments);
        if (self.kind == Kind::modal) {
            if (name == "bind")
                declare(LuaHotKey::Shape::modalBinding, at, argument(arguments, 0), argument(arguments, 1), self.modal,
                        text(self.origin));
            return self;  // its methods return it, for chaining
        }
        if (self.kind == Kind::spoon && (name == "bindHotkeys" || name == "bindHotKeys"))
            mapping(argument(arguments, 0), self.text);
        return {};
    }

    bool iterates(const Value& callee) const {
        return callee.kind == Kind::builtin && (callee.text == "hs.fnutils.each" || callee.text == "hs.fnutils.ieach");
    }

    // Each entry of a table, for the function hs.fnutils.each calls with it.
    Value loopOver(const Value& table, bool arrayOnly) {
        if (table.kind != Kind::table || table.table->opaque) return {};
        return Value{.kind = Kind::loopValue, .item = {make<Loop>(Loop{table.table, arrayOnly, table.origin}), nullptr}};
    }

    // The two literal shapes inside a string.
    void literalsInString(const LuaLexeme& lexeme) {
        const std::string_view content = luaStringContents(text_, lexeme);
        if (!contains(content, "hs.hotkey.") && !contains(content, "mods")) return;
        for (const LuaHotKeyDeclaration& declaration : luaHotKeyDeclarations(content)) {
            const std::vector<std::string> names = trimmedPieces(declaration.modifierList, ',', isTrimmed);
            const std::span<std::string_view> list = words(names.size());
            for (std::size_t i = 0; i < names.size(); ++i) list[i] = keep(names[i]);
            const LuaHotKey hotKey{.shape = declaration.pattern == 0 ? LuaHotKey::Shape::call : LuaHotKey::Shape::tableEntry,
                                   .at = static_cast<std::size_t>(content.data() - text_.data()) + declaration.start,
                                   .modifiers = list,
                                   .key = keep(declaration.keyName)};
            found_.push_back(Pending{hotKey, nullptr});
        }
    }

    // --- Statements ---

    void block() {
        while (!blockEnds()) statement();
    }

    void scopedBlock() {
        openScope();
        block();
        closeScope();
    }

    void statement() {
        Nest nest(*this);
        switch (current_.token) {
            case LuaToken::semicolon:
            case LuaToken::kBreak: advance(); return;
            case LuaToken::kGoto:
                advance();
                accept(LuaToken::name);
                return;
            case LuaToken::doubleColon:
                advance();
                accept(LuaToken::name);
                accept(LuaToken::doubleColon);
                return;
            case LuaToken::kIf:
                advance();
                expression();
                accept(LuaToken::kThen);
                scopedBlock();
                while (is(LuaToken::kElseif)) {
                    advance();
                    expression();
                    accept(LuaToken::kThen);
                    scopedBlock();
                }
                if (accept(LuaToken::kElse)) scopedBlock();
                accept(LuaToken::kEnd);
                return;
            case LuaToken::kWhile:
                advance();
                expression();
                accept(LuaToken::kDo);
                scopedBlock();
                accept(LuaToken::kEnd);
                return;
            case LuaToken::kDo:
                advance();
                scopedBlock();
                accept(LuaToken::kEnd);
                return;
            case LuaToken::kRepeat:
                advance();
                openScope();
                block();
                accept(LuaToken::kUntil);
                expression();
                closeScope();
                return;
            case LuaToken::kFor: forStatement(); return;
            case LuaToken::kFunction: functionStatement(); return;
            case LuaToken::kLocal: localStatement(); return;
            case LuaToken::kReturn:
                advance();
                if (!blockEnds() && !is(LuaToken::semicolon)) expressions();
                accept(LuaToken::semicolon);
                return;
            default: expressionStatement(); return;
        }
    }

    void forStatement() {
        advance();
        const std::size_t names = names_.size();
        while (is(LuaToken::name)) {
            names_.push_back(spelling());
            advance();
            if (!accept(LuaToken::comma)) break;
        }
        const std::size_t values = stack_.size();
        Loop* loop = nullptr;
        if (accept(LuaToken::assign)) {
            expressions();  // a numeric for
        } else {
            accept(LuaToken::kIn);
            const Value iterator = expressions() > 0 ? stack_[values] : Value{};
            if (iterator.kind == Kind::iterator) loop = make<Loop>(Loop{iterator.table, iterator.flag, iterator.origin});
        }
        stack_.resize(values);
        accept(LuaToken::kDo);
        openScope();
        for (std::size_t i = names; i < names_.size(); ++i) {
            Value value;
            if (loop && i < names + 2) value = Value{.kind = i == names ? Kind::loopKey : Kind::loopValue, .item = {loop, nullptr}};
            declareLocal(names_[i], value);
        }
        names_.resize(names);
        block();
        closeScope();
        accept(LuaToken::kEnd);
    }

    void functionStatement() {
        advance();
        Place place;
        bool method = false;
        if (is(LuaToken::name)) {
            const std::size_t start = current_.start;
            const std::string_view name = spelling();
            const bool dotted = ahead().token == LuaToken::dot || ahead().token == LuaToken::colon;
            advance();
            Value base = lookup(name, dotted);
            place = Place{.kind = Place::Kind::name, .name = name, .path = written(name)};
            while (is(LuaToken::dot) || is(LuaToken::colon)) {
                method = is(LuaToken::colon);
                advance();
                if (!is(LuaToken::name)) break;
                const std::string_view field = spelling();
                advance();
                place = Place{.kind = Place::Kind::field, .name = field, .base = base, .path = originOf(start)};
                base = fieldOf(base, field);
                if (method) break;
            }
        }
        functionBody(method, nullptr);
        assign(place, Value{});
    }

    void localStatement() {
        advance();
        if (accept(LuaToken::kFunction)) {
            if (is(LuaToken::name)) {
                declareLocal(spelling(), Value{});
                advance();
            }
            functionBody(false, nullptr);
            return;
        }
        const std::size_t names = names_.size();
        while (is(LuaToken::name)) {
            names_.push_back(spelling());
            advance();
            if (is(LuaToken::binary) && spelling() == "<") {  // an attribute: <const>, <close>
                advance();
                accept(LuaToken::name);
                if (is(LuaToken::binary)) advance();
            }
            if (!accept(LuaToken::comma)) break;
        }
        const std::size_t values = stack_.size();
        const std::size_t count = accept(LuaToken::assign) ? expressions() : 0;
        for (std::size_t i = 0; names + i < names_.size(); ++i) {
            const Value value = i < count ? stack_[values + i] : nil();
            nameModal(value, written(names_[names + i]));
            declareLocal(names_[names + i], value);
        }
        names_.resize(names);
        stack_.resize(values);
    }

    void expressionStatement() {
        const std::size_t before = current_.start;
        Place first;
        suffixed(&first);
        if (current_.start == before && !is(LuaToken::end)) {
            advance();  // no statement begins here
            return;
        }
        if (!is(LuaToken::assign) && !is(LuaToken::comma)) return;  // a call
        const std::size_t places = places_.size();
        places_.push_back(first);
        while (accept(LuaToken::comma)) {
            Place next;
            suffixed(&next);
            places_.push_back(next);
        }
        accept(LuaToken::assign);
        const std::size_t values = stack_.size();
        const std::size_t count = expressions();
        for (std::size_t i = places; i < places_.size(); ++i) {
            const std::size_t n = i - places;
            assign(places_[i], n < count ? stack_[values + n] : nil());
        }
        stack_.resize(values);
        places_.resize(places);
    }

    void assign(const Place& place, const Value& value) {
        switch (place.kind) {
            case Place::Kind::none: return;
            case Place::Kind::name:
                nameModal(value, place.path);
                variables_[place.name] = value;
                return;
            case Place::Kind::field:
                nameModal(value, place.path);
                if (place.base.kind == Kind::table && !place.base.table->opaque)
                    store(*place.base.table, place.name, value, value.at);
                return;
            case Place::Kind::index:
                nameModal(value, place.path);
                store(place.base, place.key, value, value.at);
                return;
        }
    }

    static void nameModal(const Value& value, Written name) {
        if (value.kind == Kind::modal && value.modal->name.empty()) value.modal->name = name;
    }

    void functionBody(bool method, const Value* firstParameter) {
        openScope();
        if (method) declareLocal("self", Value{});
        if (accept(LuaToken::openParen)) {
            bool first = true;
            while (is(LuaToken::name) || is(LuaToken::ellipsis)) {
                if (is(LuaToken::name)) declareLocal(spelling(), first && firstParameter ? *firstParameter : Value{});
                first = false;
                advance();
                if (!accept(LuaToken::comma)) break;
            }
            accept(LuaToken::closeParen);
        }
        block();
        accept(LuaToken::kEnd);
        closeScope();
    }

    // --- Expressions ---

    // Pushes the values of a comma-separated list; returns how many.
    std::size_t expressions() {
        std::size_t count = 0;
        do {
            stack_.push_back(expression());
            ++count;
        } while (accept(LuaToken::comma));
        return count;
    }

    Value expression() {
        Nest nest(*this);
        Value value = unary();
        while (is(LuaToken::binary) || is(LuaToken::minus) || is(LuaToken::tilde) || is(LuaToken::concat) ||
               is(LuaToken::kAnd) || is(LuaToken::kOr)) {
            advance();
            unary();
            value = Value{};
        }
        return value;
    }

    Value unary() {
        if (is(LuaToken::kNot) || is(LuaToken::minus) || is(LuaToken::tilde) || is(LuaToken::hash)) {
            Nest nest(*this);
            advance();
            unary();
            return {};
        }
        return simple();
    }

    Value simple() {
        const LuaLexeme lexeme = current_;
        switch (lexeme.token) {
            case LuaToken::number: {
                advance();
                const std::optional<std::int64_t> integer = luaIntegerValue(text_.substr(lexeme.start, lexeme.end - lexeme.start));
                return integer ? number(*integer, lexeme.start) : Value{};
            }
            case LuaToken::string: {
                Value value = stringValue(lexeme);
                advance();
                return value;
            }
            case LuaToken::kNil: advance(); return nil(lexeme.start);
            case LuaToken::kTrue:
            case LuaToken::kFalse:
                advance();
                return Value{.kind = Kind::boolean, .literal = true, .flag = lexeme.token == LuaToken::kTrue, .at = lexeme.start,
                             .text = {}};
            case LuaToken::ellipsis: advance(); return {};
            case LuaToken::openBrace: return constructor();
            case LuaToken::kFunction:
                advance();
                functionBody(false, nullptr);
                return {};
            default: return suffixed(nullptr);
        }
    }

    Value suffixed(Place* place) {
        const std::size_t start = current_.start;
        Value value;
        Place last;
        if (is(LuaToken::name)) {
            const std::string_view name = spelling();
            const LuaToken next = ahead().token;
            advance();
            value = lookup(name, next == LuaToken::dot || next == LuaToken::openBracket);
            if (place) last = Place{.kind = Place::Kind::name, .name = name, .path = written(name)};
        } else if (accept(LuaToken::openParen)) {
            value = expression();
            accept(LuaToken::closeParen);
        } else {
            return {};
        }
        for (;;) {
            switch (current_.token) {
                case LuaToken::dot: {
                    advance();
                    if (!is(LuaToken::name)) return {};
                    const std::string_view field = spelling();
                    advance();
                    if (place) last = Place{.kind = Place::Kind::field, .name = field, .base = value, .path = originOf(start)};
                    value = fromTable(value, fieldOf(value, field), start);
                    break;
                }
                case LuaToken::openBracket: {
                    advance();
                    const Value key = expression();
                    accept(LuaToken::closeBracket);
                    if (place) last = Place{.kind = Place::Kind::index, .base = value, .key = key, .path = originOf(start)};
                    value = fromTable(value, indexOf(value, key), start);
                    break;
                }
                case LuaToken::colon: {
                    advance();
                    if (!is(LuaToken::name)) return {};
                    const std::string_view name = spelling();
                    const std::size_t at = current_.start;
                    advance();
                    const std::size_t base = arguments(Value{});
                    value = method(value, name, std::span<const Value>(stack_).subspan(base), at);
                    stack_.resize(base);
                    last.kind = Place::Kind::none;
                    break;
                }
                case LuaToken::openParen:
                case LuaToken::openBrace:
                case LuaToken::string: {
                    const std::size_t base = arguments(value);
                    value = call(value, std::span<const Value>(stack_).subspan(base), start);
                    stack_.resize(base);
                    last.kind = Place::Kind::none;
                    break;
                }
                default:
                    if (place) *place = last;
                    return value;
            }
        }
    }

    // Pushes a call's arguments; returns where they begin.
    std::size_t arguments(const Value& callee) {
        const std::size_t base = stack_.size();
        if (is(LuaToken::string)) {
            stack_.push_back(stringValue(current_));
            advance();
        } else if (is(LuaToken::openBrace)) {
            stack_.push_back(constructor());
        } else if (accept(LuaToken::openParen)) {
            if (!is(LuaToken::closeParen)) {
                do {
                    if (stack_.size() == base + 1 && is(LuaToken::kFunction) && iterates(callee)) {
                        // hs.fnutils.each(t, function(entry) ... end)
                        const Value entry = loopOver(stack_[base], callee.text == "hs.fnutils.ieach");
                        advance();
                        functionBody(false, &entry);
                        stack_.push_back(Value{});
                    } else {
                        stack_.push_back(expression());
                    }
                } while (accept(LuaToken::comma));
            }
            accept(LuaToken::closeParen);
        }
        return base;
    }

    Value constructor() {
        Nest nest(*this);
        Value table = newTable(current_.start);
        table.literal = true;
        advance();
        // A literal `mods = {...}` just before, for the `mods = ..., key = ...` entry.
        std::optional<Field> mods;
        while (!is(LuaToken::closeBrace) && !is(LuaToken::end)) {
            const std::size_t at = current_.start;
            Value value;
            if (is(LuaToken::name) && ahead().token == LuaToken::assign) {
                const std::string_view key = spelling();
                advance();
                advance();
                value = expression();
                if (key == "key" && mods && value.kind == Kind::string && value.literal && !value.text.empty()) {
                    record(LuaHotKey::Shape::tableEntry, mods->at, mods->value, value, nullptr, {}, {}, nullptr);
                    table.table->declaresItself = true;
                }
                mods.reset();
                if (key == "mods" && value.kind == Kind::table && value.literal && value.origin.empty())
                    mods = Field{key, value, at};
                if (!table.table->opaque) store(*table.table, key, value, at);
            } else if (accept(LuaToken::openBracket)) {
                const Value key = expression();
                accept(LuaToken::closeBracket);
                accept(LuaToken::assign);
                value = expression();
                mods.reset();
                if (key.kind == Kind::string || key.kind == Kind::number) store(table, key, value, at);
            } else {
                value = expression();
                mods.reset();
                if (current_.start == at) break;  // no expression begins here
                if (!table.table->opaque)
                    store(*table.table, static_cast<std::int64_t>(table.table->array.size() + 1), value, at);
            }
            table.literal = table.literal && value.literal;
            if (accept(LuaToken::semicolon)) mods.reset();
            else if (!accept(LuaToken::comma)) break;
        }
        accept(LuaToken::closeBrace);
        return table;
    }

    // --- Scopes ---

    void openScope() { scopes_.push_back(undo_.size()); }

    void closeScope() {
        const std::size_t mark = scopes_.back();
        scopes_.pop_back();
        while (undo_.size() > mark) {
            Undo& undo = undo_.back();
            if (undo.previous) variables_[undo.name] = *undo.previous;
            else variables_.erase(undo.name);
            undo_.pop_back();
        }
    }

    void declareLocal(std::string_view name, const Value& value) {
        const auto [found, added] = variables_.try_emplace(name, value);
        undo_.push_back(Undo{name, added ? std::nullopt : std::optional<Value>(found->second)});
        found->second = value;
    }

    struct Undo {
        std::string_view name;
        std::optional<Value> previous;
    };

    std::string_view text_;
    LuaLexer lexer_;
    LuaLexeme current_;
    LuaLexeme ahead_;
    bool hasAhead_ = false;
    std::size_t previousEnd_ = 0;
    bool stopped_ = false;
    int depth_ = 0;
    std::size_t budget_ = followLimit;  // loop and mapping entries still to follow
    std::size_t entries_ = 0;
    Overflow overflow_;
    std::pmr::monotonic_buffer_resource arena_;
    std::pmr::unordered_map<std::string_view, Value> variables_{&arena_};
    std::pmr::vector<Undo> undo_{&arena_};
    std::pmr::vector<std::size_t> scopes_{&arena_};
    std::pmr::vector<Value> stack_{&arena_};
    std::pmr::vector<Place> places_{&arena_};
    std::pmr::vector<std::string_view> names_{&arena_};
    std::pmr::vector<Pending> found_{&arena_};
};

// The memory a thread keeps from one reading to the next, up to a bound:
// handing it back to the system after each file and taking it again costs
// a page fault for every page.
constexpr std::size_t keptMemoryLimit = std::size_t{4} << 20;

std::vector<std::byte>& keptMemory() {
    thread_local std::vector<std::byte> memory;
    return memory;
}

}  // namespace

void forEachLuaHotKey(std::string_view text, const std::function<void(const LuaHotKey&)>& each) {
    // No hot key without one of these words (bind, hotkeys, bindHotkeys, a
    // `mods = ...` entry).
    if (!contains(text, "otkey") && !contains(text, "otKey") && !contains(text, "mods")) return;
    std::vector<std::byte> memory = std::exchange(keptMemory(), {});
    if (memory.empty()) memory.resize(std::size_t{64} << 10);
    std::size_t needed = memory.size();
    {
        Reader reader(text, memory);
        reader.run(each);
        needed += reader.overflow();
    }
    if (needed > memory.size()) memory.resize(std::min(needed, keptMemoryLimit));
    keptMemory() = std::move(memory);
}

}  // namespace chordmap
