// Error messages of the level tools.
#include "diagnostic.h"

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
