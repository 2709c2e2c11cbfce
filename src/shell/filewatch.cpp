// Watching files by what stat says of them: a file written in place changes its time and size,
// one replaced by a rename its inode.
#include "filewatch.h"

bool file_watch::file_state::operator==(const file_state &other) const
{
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified_ns == other.modified_ns;
}

std::vector<file_watch::file_state> file_watch::states() const
{
    constexpr std::int64_t NS_PER_SECOND = 1000000000;
    std::vector<file_state> now;
    for (const std::string &file : files_) {
        struct stat facts;
        file_state state;
        if (stat(file.c_str(), &facts) == 0)
            state = {true, facts.st_dev, facts.st_ino, facts.st_size,
                     facts.st_mtim.tv_sec * NS_PER_SECOND + facts.st_mtim.tv_nsec};
        now.push_back(state);
    }
    return now;
}

// A file watched before keeps the state it had when its change was taken, so that a write made
// while the level was being built is a change still to come.
void file_watch::watch(std::vector<std::string> files)
{
    const std::vector<std::string> before = std::move(files_);
    const std::vector<file_state> before_built = std::move(built_from_);
    files_ = std::move(files);
    last_seen_ = built_from_ = states();
    for (std::size_t i = 0; i < files_.size(); ++i)
        for (std::size_t j = 0; j < before.size() && j < before_built.size(); ++j)
            if (files_[i] == before[j])
                built_from_[i] = before_built[j];
    if (built_from_ != last_seen_)
        last_change_ = clock::now();
}

bool file_watch::settled_change(clock::time_point now)
{
    if (now - last_look_ < LOOK_EVERY)
        return false;
    last_look_ = now;
    const std::vector<file_state> seen = states();
    if (seen != last_seen_) {
        last_seen_ = seen;
        last_change_ = now;
        return false;
    }
    if (seen == built_from_ || now - last_change_ < QUIET)
        return false;
    built_from_ = seen;
    return true;
}
