// Error messages of the level tools.
#include "diagnostic.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <tuple>

namespace {

constexpr unsigned char FIRST_PRINTABLE = 0x20, DELETE = 0x7F;
constexpr char32_t FIRST_PRINTABLE_BEYOND_ASCII = 0xA0; // U+0080 to U+009F are controls
constexpr char32_t LAST_CODE_POINT = 0x10FFFF;
constexpr char32_t FIRST_SURROGATE = 0xD800, LAST_SURROGATE = 0xDFFF;
constexpr unsigned char CONTINUATION_MASK = 0xC0, CONTINUATION = 0x80;
constexpr const char *ELLIPSIS = "...";

// Bytes of the UTF-8 character that begins at `at` when it is well formed and printable, else
// 0.
std::size_t printable_character(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead >= 0xF8 || at + length > text.size())
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & CONTINUATION_MASK) != CONTINUATION)
            return 0;
        code = code << 6 | (next & ~CONTINUATION_MASK);
    }
    const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool sound = code >= shortest[length] && code <= LAST_CODE_POINT &&
                       (code < FIRST_SURROGATE || code > LAST_SURROGATE);
    return sound && code >= FIRST_PRINTABLE_BEYOND_ASCII ? length : 0;
}

} // namespace

std::string printable(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t character =
            byte >= FIRST_PRINTABLE && byte < DELETE ? 1 : printable_character(text, at);
        if (character > 0) {
            out.append(text, at, character);
            at += character;
            continue;
        }
        constexpr const char *hex = "0123456789abcdef";
        out += std::string("\\x") + hex[byte >> 4] + hex[byte & 15];
        ++at;
    }
    return out;
}

std::string format_text(const char *format, ...)
{
    char text[MESSAGE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string excerpt(std::string_view line)
{
    if (line.size() <= EXCERPT_LENGTH)
        return std::string(line);
    return std::string(line.substr(0, EXCERPT_LENGTH)) + ELLIPSIS;
}

std::string quoted_excerpt(std::string_view text)
{
    return "\"" + excerpt(text) + "\"";
}

std::string Diagnostic::text() const
{
    const std::string place =
        pos.line == 0 ? "" : ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column);
    return printable(file + place + ": " + message);
}

void Diagnostics::error(const std::string &file, SourcePos pos, const std::string &message)
{
    list_.push_back({file, pos, message});
}

void Diagnostics::sort_by_place()
{
    std::vector<std::string> files;
    for (const Diagnostic &d : list_)
        if (std::find(files.begin(), files.end(), d.file) == files.end())
            files.push_back(d.file);
    auto place = [&](const Diagnostic &d) {
        const auto file = std::find(files.begin(), files.end(), d.file) - files.begin();
        return std::make_tuple(file, d.pos.line, d.pos.column);
    };
    std::stable_sort(list_.begin(), list_.end(), [&](const Diagnostic &a, const Diagnostic &b) {
        return place(a) < place(b);
    });
}
