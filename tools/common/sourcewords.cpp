// Lines and words of the tools' text sources.
#include "sourcewords.h"

#include "inputfiles.h"

#include <charconv>
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

std::vector<SourceWord> split_words(const std::string &line, int line_number)
{
    std::vector<SourceWord> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        words.push_back({line.substr(start, i - start),
                         {line_number, static_cast<int>(start) + 1}});
    }
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

void drop_comment(std::vector<SourceWord> &words, std::size_t from)
{
    for (std::size_t i = from; i < words.size(); ++i) {
        if (words[i].text[0] == '#') {
            words.resize(i);
            return;
        }
    }
}
