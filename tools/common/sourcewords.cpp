// Lines and words of the tools' text sources.
#include "sourcewords.h"

#include "inputfiles.h"

#include <charconv>
#include <cmath>
#include <sstream>

void for_each_line(const std::string &text,
                   const std::function<void(const std::string &, int)> &line)
{
    std::istringstream in(std::string(without_byte_order_mark(text)));
    std::string content;
    int number = 0;
    while (std::getline(in, content)) {
        ++number;
        if (!content.empty() && content.back() == '\r')
            content.pop_back();
        line(content, number);
    }
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string_view> words_of(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && is_blank(line[at]))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && !is_blank(line[at]))
            ++at;
        if (at > start)
            words.push_back(line.substr(start, at - start));
    }
    return words;
}

std::vector<SourceWord> split_words(const std::string &line, int line_number)
{
    std::vector<SourceWord> words;
    for (const std::string_view word : words_of(line))
        words.push_back({std::string(word),
                         {line_number, static_cast<int>(word.data() - line.data()) + 1}});
    return words;
}

std::optional<long long> whole_number(std::string_view word, long long low, long long high)
{
    long long value = 0;
    const char *const end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    const bool negative_zero = value == 0 && !word.empty() && word.front() == '-';
    if (error != std::errc() || stop != end || negative_zero || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<double> finite_number(std::string_view word)
{
    double value = 0;
    const char *const end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void drop_comment(std::vector<SourceWord> &words, std::size_t from)
{
    for (std::size_t i = from; i < words.size(); ++i) {
        if (words[i].text[0] == '#') {
            words.resize(i);
            return;
        }
    }
}
