// Text sources of the tools and the game read line by line and word by word, each word keeping
// its place for the messages, and the whole numbers in them.
#ifndef SOURCEWORDS_H
#define SOURCEWORDS_H

#include "diagnostic.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A word of the source and where it stands.
struct SourceWord {
    std::string text;
    SourcePos pos;
};

// Calls `line` with each line of the text and its number from 1, a Windows line end taken off;
// a byte-order mark at the start of the text is not part of the first line.
void for_each_line(const std::string &text,
                   const std::function<void(const std::string &, int)> &line);

// Words are separated by blanks: spaces and tabs.
bool is_blank(char c);
// The blank-separated words of a line, each a view into it.
std::vector<std::string_view> words_of(std::string_view line);
// The same with their columns.
std::vector<SourceWord> split_words(const std::string &line, int line_number);

// A decimal integer from `low` to `high`, "-" before the digits of a negative one, nothing
// else: no sign before a positive one, no "-0", no blanks.
std::optional<long long> whole_number(std::string_view word, long long low, long long high);
// A finite decimal number, all of the word, in the C locale's form ("1.5", "-2e3").
std::optional<double> finite_number(std::string_view word);

// Drop the words from the first one that begins a comment ("#"), looking from index `from` on.
void drop_comment(std::vector<SourceWord> &words, std::size_t from = 0);

#endif
