// Error messages of the level tools, each naming the file, line and column it is about.
#ifndef DIAGNOSTIC_H
#define DIAGNOSTIC_H

#include <string>
#include <vector>

// A place in a text file; line and column count from 1, 0 means "the whole file".
struct SourcePos {
    int line = 0;
    int column = 0;
};

struct Diagnostic {
    std::string file;
    SourcePos pos;
    std::string message;

    // "file:line:column: message", or "file: message" without a place.
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
