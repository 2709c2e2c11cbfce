// Error messages of the level tools, each naming the file, line and column it is about.
#ifndef DIAGNOSTIC_H
#define DIAGNOSTIC_H

#include <string>
#include <string_view>
#include <vector>

// Names and text taken from files, as a message may show them: control bytes, and bytes that
// are no part of a printable UTF-8 character, become \xNN, so that no file can send a terminal
// its escape sequences.
std::string printable(std::string_view text);

// A message's text as printf would print it, cut at MESSAGE_SIZE - 1 bytes.
constexpr std::size_t MESSAGE_SIZE = 1024;
std::string format_text(const char *format, ...) __attribute__((format(printf, 1, 2)));

// What a message quotes of another file's line: at most its first EXCERPT_LENGTH bytes, and
// "..." where it is cut.
constexpr std::size_t EXCERPT_LENGTH = 60;
std::string excerpt(std::string_view line);
// An excerpt in double quotes, as messages quote words and lines of the files they are about.
std::string quoted_excerpt(std::string_view text);

// A place in a text file; line and column count from 1, 0 means "the whole file".
struct SourcePos {
    int line = 0;
    int column = 0;
};

struct Diagnostic {
    std::string file;
    SourcePos pos;
    std::string message;

    // "file:line:column: message", or "file: message" without a place; printable.
    std::string text() const;
};

// The mistakes found so far; tools go on after one to report every mistake in a single run.
class Diagnostics {
public:
    void error(const std::string &file, SourcePos pos, const std::string &message);
    bool empty() const { return list_.empty(); }
    // Put the mistakes in reading order: the files as first named, each file by line and
    // column, mistakes of a whole file first.
    void sort_by_place();
    const std::vector<Diagnostic> &list() const { return list_; }

private:
    std::vector<Diagnostic> list_;
};

#endif
