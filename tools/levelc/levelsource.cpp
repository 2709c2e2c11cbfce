// Reading the level source: directives one to a line, words separated by blanks, "#" starts a
// comment, and layer pictures taken verbatim from "layer N" to "end".
#include "levelsource.h"

#include "maplib.h"
#include "mapwords.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>

namespace {

constexpr int MAX_LAYER = MAP_LAYERS - 1;
constexpr int MAX_ANIM_TYPE = anim_once_finished;
constexpr const char *PICTURE_END = "end";
constexpr const char *DIRECTIVES[] = {"tiles", "names", "maptype", "start",
                                      "block", "anim",  "layer"};
// Where mistakes of the source as a whole are reported: its beginning.
constexpr SourcePos WHOLE_SOURCE{1, 1};

bool is_directive(const std::string &word)
{
    return std::find(std::begin(DIRECTIVES), std::end(DIRECTIVES), word) != std::end(DIRECTIVES);
}

// "tiles, names, ... or layer"
std::string directive_list()
{
    std::string list;
    for (std::size_t i = 0; i < std::size(DIRECTIVES); ++i)
        list += (i == 0 ? "" : i + 1 == std::size(DIRECTIVES) ? " or " : ", ") +
                std::string(DIRECTIVES[i]);
    return list;
}

// Attribute 1 to 7 of a block setting "attr1" to "attr7", or 0.
int attribute_named(const std::string &key)
{
    for (int a = 1; a <= BLOCK_ATTRIBUTES; ++a)
        if (key == "attr" + std::to_string(a))
            return a;
    return 0;
}

// The length most rows have; on a tie the first row's.
std::size_t usual_width(const std::vector<std::string> &rows)
{
    std::map<std::size_t, int> rows_of_width;
    for (const std::string &row : rows)
        ++rows_of_width[row.size()];
    std::size_t usual = rows.front().size();
    for (const auto &[width, count] : rows_of_width)
        if (count > rows_of_width[usual])
            usual = width;
    return usual;
}

// A decimal integer with an optional minus sign, and nothing else.
bool parse_integer(const std::string &text, long long &value)
{
    constexpr std::size_t max_digits = 12; // far beyond every field, far below overflow
    if (text.empty())
        return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size() || text.size() - i > max_digits)
        return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    value = text[0] == '-' ? -v : v;
    return true;
}

// Split a comma-separated list; each item keeps its own column.
std::vector<SourceWord> split_list(const SourceWord &word)
{
    std::vector<SourceWord> items;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = word.text.find(',', start);
        std::size_t end = comma == std::string::npos ? word.text.size() : comma;
        items.push_back({word.text.substr(start, end - start),
                         {word.pos.line, word.pos.column + static_cast<int>(start)}});
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
}

class Parser {
public:
    Parser(const std::string &file, LevelSource &out, Diagnostics &errors)
        : file_(file), out_(out), errors_(errors)
    {
        out_.file = file;
    }

    void parse(const std::string &text);

private:
    void error(SourcePos pos, const std::string &message) { errors_.error(file_, pos, message); }

    void source_line(const std::string &line, int line_number);
    bool runs_into_directive(const std::vector<SourceWord> &words) const;
    bool pass_over(const std::vector<SourceWord> &words);

    void directive(std::vector<SourceWord> &words);
    void path_directive(const std::vector<SourceWord> &words, SourceWord &target);
    void maptype_directive(const std::vector<SourceWord> &words);
    void start_directive(const std::vector<SourceWord> &words);
    void block_directive(std::vector<SourceWord> &words);
    void anim_directive(std::vector<SourceWord> &words);
    void layer_directive(const std::vector<SourceWord> &words);

    // Symbol and name of a block or animation; false after reporting a mistake.
    bool legend_entry(std::vector<SourceWord> &words, char &symbol, std::string &name);
    // The key and the value of a key=value word; false after reporting a mistake.
    bool key_value(const SourceWord &word, std::string &key, SourceWord &value);
    bool number_in_range(const SourceWord &value, long long low, long long high,
                         long long &number);
    // Hands each key=value word of a legend entry to `apply`, each key once; returns the keys.
    // Keys named in `aliases` share the slot of another key and so cannot both be set.
    template <typename Apply>
    std::set<std::string> settings(const std::vector<SourceWord> &words, const std::string &entry,
                                   const std::map<std::string, std::string> &aliases,
                                   Apply apply);
    void block_setting(BlockDef &block, const std::string &key, const SourceWord &value);
    void block_flags(BlockDef &block, const SourceWord &value);
    // Attribute 1 to 7 of the block from a number within `range`.
    void set_attribute(BlockDef &block, int attribute, AttributeRange range,
                       const SourceWord &value);
    void anim_setting(AnimDef &anim, const std::string &key, const SourceWord &value);

    void finish_picture();
    void check_layers();

    std::string file_;
    LevelSource &out_;
    Diagnostics &errors_;
    LayerDef *picture_ = nullptr; // the layer whose rows are being read
    bool passing_over_ = false;   // after a wrong directive, until its picture has passed
    bool lost_picture_ = false;   // a picture was passed over: its layer line was wrong
    int start_line_ = 0;          // of the first "start" line, also when it was wrong
    std::set<std::string> names_;
};

void Parser::parse(const std::string &text)
{
    for_each_line(text,
                  [this](const std::string &line, int number) { source_line(line, number); });
    if (picture_) {
        error(picture_->pos, "layer " + std::to_string(picture_->number) +
                                 " has no \"" + PICTURE_END + "\" line after its picture");
        finish_picture();
    }
    if (out_.tiles.text.empty())
        error(WHOLE_SOURCE, "no \"tiles\" line names the tile sheet");
    if (out_.names.text.empty())
        error(WHOLE_SOURCE, "no \"names\" line names the tile names file");
    check_layers();
}

void Parser::source_line(const std::string &line, int line_number)
{
    std::vector<SourceWord> words = split_words(line, line_number);
    if (picture_) {
        if (words.size() == 1 && words[0].text == PICTURE_END) {
            finish_picture();
            return;
        }
        if (!runs_into_directive(words)) {
            picture_->rows.push_back(line);
            picture_->row_lines.push_back(line_number);
            return;
        }
        error(picture_->pos, "layer " + std::to_string(picture_->number) + " has no \"" +
                                 PICTURE_END + "\" line before the directive on line " +
                                 std::to_string(line_number));
        finish_picture();
    }
    if (words.empty() || words[0].text[0] == '#')
        return;
    if (passing_over_ && pass_over(words))
        return;
    passing_over_ = false;
    directive(words);
}

// A picture row has no blanks: a line of several words that begins with a directive is one,
// and the picture before it lacks its end line.
bool Parser::runs_into_directive(const std::vector<SourceWord> &words) const
{
    return words.size() > 1 && is_directive(words[0].text);
}

// After a wrong directive, lines of one word that is no directive are the rows of a picture
// whose layer line was wrong, up to and with its end line.
bool Parser::pass_over(const std::vector<SourceWord> &words)
{
    if (words.size() != 1 || is_directive(words[0].text))
        return false;
    if (words[0].text == PICTURE_END) {
        passing_over_ = false;
        lost_picture_ = true;
    }
    return true;
}

void Parser::directive(std::vector<SourceWord> &words)
{
    const std::string name = words[0].text;
    if (name == "block") {
        block_directive(words);
        return;
    }
    if (name == "anim") {
        anim_directive(words);
        return;
    }
    drop_comment(words, 1);
    if (name == "tiles")
        path_directive(words, out_.tiles);
    else if (name == "names")
        path_directive(words, out_.names);
    else if (name == "maptype")
        maptype_directive(words);
    else if (name == "start")
        start_directive(words);
    else if (name == "layer")
        layer_directive(words);
    else if (name == PICTURE_END)
        error(words[0].pos, std::string("an \"") + PICTURE_END + "\" line without a picture");
    else {
        error(words[0].pos,
              "unknown directive " + quoted_excerpt(name) + " (expected " + directive_list() + ")");
        passing_over_ = true;
    }
}

void Parser::path_directive(const std::vector<SourceWord> &words, SourceWord &target)
{
    if (words.size() != 2) {
        error(words[0].pos, "\"" + words[0].text + "\" takes one path");
        return;
    }
    if (!target.text.empty()) {
        error(words[0].pos, "a second \"" + words[0].text + "\" line");
        return;
    }
    target = words[1];
}

void Parser::maptype_directive(const std::vector<SourceWord> &words)
{
    if (words.size() != 2) {
        error(words[0].pos, "\"maptype\" takes one number, " +
                                std::to_string(MAP_TYPE_OFFSETS) + " to " +
                                std::to_string(MAP_TYPE_LAST));
        return;
    }
    long long type = 0;
    if (number_in_range(words[1], MAP_TYPE_OFFSETS, MAP_TYPE_LAST, type))
        out_.maptype = static_cast<int>(type);
}

// Her start is a map pixel, as the map file keeps it; whether it lies in the map is the game's
// check, made when the map is written.
void Parser::start_directive(const std::vector<SourceWord> &words)
{
    if (start_line_ != 0) {
        error(words[0].pos, "a second \"start\" line (the first is line " +
                                std::to_string(start_line_) + ")");
        return;
    }
    start_line_ = words[0].pos.line;
    if (words.size() != 3) {
        error(words[0].pos, "\"start\" takes two numbers, x and y: the map pixel of her feet");
        return;
    }
    constexpr long long low = std::numeric_limits<std::int32_t>::min();
    constexpr long long high = std::numeric_limits<std::int32_t>::max();
    long long x = 0, y = 0;
    const bool x_read = number_in_range(words[1], low, high, x);
    const bool y_read = number_in_range(words[2], low, high, y);
    if (x_read && y_read)
        out_.start = map_point{static_cast<int>(x), static_cast<int>(y)};
}

bool Parser::legend_entry(std::vector<SourceWord> &words, char &symbol, std::string &name)
{
    if (words.size() < 2) {
        error(words[0].pos, "\"" + words[0].text + "\" needs a symbol character and a name");
        return false;
    }
    const SourceWord &sym = words[1];
    if (sym.text.size() != 1) {
        error(sym.pos, "a legend symbol is one character, not " + quoted_excerpt(sym.text));
        return false;
    }
    symbol = sym.text[0];
    const bool defined_before = !out_.symbols.insert(symbol).second;
    drop_comment(words, 2);
    if (words.size() < 3 || words[2].text.find('=') != std::string::npos) {
        error(sym.pos, "the symbol '" + sym.text + "' needs a name after it");
        return false;
    }
    name = words[2].text;
    if (defined_before) {
        error(sym.pos, "the legend symbol '" + sym.text + "' is defined twice");
        return false;
    }
    if (!names_.insert(name).second) {
        error(words[2].pos, "the name " + quoted_excerpt(name) + " is defined twice");
        return false;
    }
    return true;
}

bool Parser::key_value(const SourceWord &word, std::string &key, SourceWord &value)
{
    std::size_t eq = word.text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == word.text.size()) {
        error(word.pos, "expected key=value, not " + quoted_excerpt(word.text));
        return false;
    }
    key = word.text.substr(0, eq);
    value = {word.text.substr(eq + 1),
             {word.pos.line, word.pos.column + static_cast<int>(eq) + 1}};
    return true;
}

bool Parser::number_in_range(const SourceWord &value, long long low, long long high,
                             long long &number)
{
    if (!parse_integer(value.text, number)) {
        error(value.pos, quoted_excerpt(value.text) + " is not a number");
        return false;
    }
    if (number < low || number > high) {
        error(value.pos, std::to_string(number) + " is out of range " + std::to_string(low) +
                             " to " + std::to_string(high));
        return false;
    }
    return true;
}

template <typename Apply>
std::set<std::string> Parser::settings(const std::vector<SourceWord> &words,
                                       const std::string &entry,
                                       const std::map<std::string, std::string> &aliases,
                                       Apply apply)
{
    std::set<std::string> keys;
    for (std::size_t i = 3; i < words.size(); ++i) {
        std::string key;
        SourceWord value;
        if (!key_value(words[i], key, value))
            continue;
        const auto alias = aliases.find(key);
        const std::string &slot = alias == aliases.end() ? key : alias->second;
        if (!keys.insert(slot).second) {
            std::string message = quoted_excerpt(key) + " is set twice for " + entry;
            for (const auto &[other, shared] : aliases)
                if (shared == slot)
                    message += " (" + other + " and " + shared + " are the same attribute)";
            error(words[i].pos, message);
            continue;
        }
        apply(key, value);
    }
    return keys;
}

void Parser::block_directive(std::vector<SourceWord> &words)
{
    BlockDef block;
    if (!legend_entry(words, block.symbol, block.name))
        return;
    block.pos = words[1].pos;
    // The slope type is attribute 1: one block cannot set it twice under two names.
    settings(words, "block " + quoted_excerpt(block.name), {{"slope", "attr1"}},
             [&](const std::string &key, const SourceWord &value) {
                 block_setting(block, key, value);
             });
    out_.blocks.push_back(block);
}

void Parser::block_setting(BlockDef &block, const std::string &key, const SourceWord &value)
{
    if (key == "bg")
        block.bg = value;
    else if (key == "fg1")
        block.fg1 = value;
    else if (key == "fg2")
        block.fg2 = value;
    else if (key == "fg3")
        block.fg3 = value;
    else if (key == "flags")
        block_flags(block, value);
    else if (key == "slope")
        set_attribute(block, 1, slope_range(), value);
    else if (const int attribute = attribute_named(key))
        set_attribute(block, attribute, attribute_range(attribute), value);
    else
        error({value.pos.line, value.pos.column - static_cast<int>(key.size()) - 1},
              "unknown block setting " + quoted_excerpt(key) +
                  " (expected bg, fg1, fg2, fg3, flags, slope or attr1 to attr7)");
}

void Parser::set_attribute(BlockDef &block, int attribute, AttributeRange range,
                           const SourceWord &value)
{
    long long n = 0;
    if (number_in_range(value, range.low, range.high, n))
        block.attributes[attribute - 1] = n;
}

void Parser::block_flags(BlockDef &block, const SourceWord &value)
{
    for (const SourceWord &item : split_list(value)) {
        std::optional<std::uint8_t> bit = flag_from_word(item.text);
        if (bit)
            block.flags |= *bit;
        else
            error(item.pos, "unknown flag " + quoted_excerpt(item.text) + " (flags are " +
                                flag_word_list() + ")");
    }
}

void Parser::anim_directive(std::vector<SourceWord> &words)
{
    AnimDef anim;
    if (!legend_entry(words, anim.symbol, anim.name))
        return;
    anim.pos = words[1].pos;
    const std::set<std::string> keys =
        settings(words, "animation " + quoted_excerpt(anim.name), {},
                 [&](const std::string &key, const SourceWord &value) {
                     anim_setting(anim, key, value);
                 });
    if (!keys.count("frames"))
        error(anim.pos, "animation " + quoted_excerpt(anim.name) + " has no frames=");
    out_.anims.push_back(anim);
}

void Parser::anim_setting(AnimDef &anim, const std::string &key, const SourceWord &value)
{
    long long n = 0;
    if (key == "type") {
        std::optional<int> type = anim_type_from_word(value.text);
        if (type)
            anim.type = *type;
        else if (parse_integer(value.text, n) && n >= 0 && n <= MAX_ANIM_TYPE)
            anim.type = static_cast<int>(n);
        else
            error(value.pos, "unknown animation type " + quoted_excerpt(value.text) + " (types are " +
                                 anim_type_word_list() + ")");
    } else if (key == "delay" || key == "user") {
        if (number_in_range(value, 0, std::numeric_limits<std::uint8_t>::max(), n))
            (key == "delay" ? anim.delay : anim.user) = static_cast<std::uint8_t>(n);
    } else if (key == "frames") {
        for (const SourceWord &item : split_list(value)) {
            if (item.text.empty())
                error(item.pos, "an empty frame name in the frames list");
            else
                anim.frames.push_back(item);
        }
    } else {
        error({value.pos.line, value.pos.column - static_cast<int>(key.size()) - 1},
              "unknown animation setting " + quoted_excerpt(key) +
                  " (expected type, delay, user or frames)");
    }
}

void Parser::layer_directive(const std::vector<SourceWord> &words)
{
    long long number = 0;
    if (words.size() != 2) {
        error(words[0].pos, "\"layer\" takes one number, 0 to 7");
        passing_over_ = true;
        return;
    }
    if (!number_in_range(words[1], 0, MAX_LAYER, number)) {
        passing_over_ = true;
        return;
    }
    for (const LayerDef &layer : out_.layers) {
        if (layer.number == number) {
            error(words[1].pos, "layer " + std::to_string(number) + " is drawn twice");
            break;
        }
    }
    LayerDef layer;
    layer.number = static_cast<int>(number);
    layer.pos = words[0].pos;
    out_.layers.push_back(layer);
    picture_ = &out_.layers.back();
}

void Parser::finish_picture()
{
    LayerDef &layer = *picture_;
    picture_ = nullptr;
    const std::string name = "layer " + std::to_string(layer.number);
    if (layer.rows.empty()) {
        error(layer.pos, name + " has no rows");
        return;
    }
    layer.width = usual_width(layer.rows);
    if (layer.width == 0) {
        error(layer.pos, name + " has only empty rows");
        return;
    }
    for (std::size_t r = 0; r < layer.rows.size(); ++r) {
        const std::size_t length = layer.rows[r].size();
        if (length == layer.width)
            continue;
        error({layer.row_lines[r], static_cast<int>(std::min(length, layer.width)) + 1},
              "ragged row: " + std::to_string(length) + " cells, but the other rows of " + name +
                  " have " + std::to_string(layer.width));
    }
}

void Parser::check_layers()
{
    const LayerDef *first = nullptr;
    for (const LayerDef &layer : out_.layers)
        if (layer.number == 0)
            first = &layer;
    if (!first) {
        if (!lost_picture_)
            error(WHOLE_SOURCE, "no \"layer 0\": the level itself is layer 0");
        return;
    }
    if (first->width == 0)
        return;
    const std::size_t height = first->rows.size();
    for (const LayerDef &layer : out_.layers) {
        if (layer.width == 0 || (layer.width == first->width && layer.rows.size() == height))
            continue;
        error(layer.pos, "layer " + std::to_string(layer.number) + " is " +
                             std::to_string(layer.width) + " x " +
                             std::to_string(layer.rows.size()) + " cells, layer 0 is " +
                             std::to_string(first->width) + " x " + std::to_string(height));
    }
}

} // namespace

bool parse_level_source(const std::string &file, const std::string &text, LevelSource &out,
                        Diagnostics &errors)
{
    out = LevelSource{};
    Parser parser(file, out, errors);
    parser.parse(text);
    return errors.empty();
}
