// Error messages of the level tools.
#include "diagnostic.h"

#include <algorithm>
#include <tuple>

std::string Diagnostic::text() const
{
    if (pos.line == 0)
        return file + ": " + message;
    return file + ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column) + ": " +
           message;
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
