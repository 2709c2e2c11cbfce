// Text sources of the tools read line by line and word by word, each word keeping its place
// for the messages.
#ifndef SOURCEWORDS_H
#define SOURCEWORDS_H

#include "diagnostic.h"

#include <functional>
#include <string>
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

// Split a line into blank-separated words with their columns.
std::vector<SourceWord> split_words(const std::string &line, int line_number);

// Drop the words from the first one that begins a comment ("#"), looking from index `from` on.
void drop_comment(std::vector<SourceWord> &words, std::size_t from = 0);

#endif
