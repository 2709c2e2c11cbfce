// Watching the files a level was built from while the game runs: a change counts once the
// files have stayed as they are for a short while, so that an editor's save, written in several
// steps, is taken whole.
#ifndef FILEWATCH_H
#define FILEWATCH_H

#include <chrono>
#include <string>
#include <sys/stat.h>
#include <vector>

class file_watch {
public:
    using clock = std::chrono::steady_clock;

    // How long the files must stay unchanged, and how often they are looked at.
    static constexpr clock::duration QUIET = std::chrono::milliseconds(300);
    static constexpr clock::duration LOOK_EVERY = std::chrono::milliseconds(100);

    // Watch these files, the level having been built from them as they are now.
    void watch(std::vector<std::string> files);

    // True once for each change of the files that has been quiet for QUIET; the files are
    // looked at no more often than LOOK_EVERY. `now` is the clock's time.
    bool settled_change(clock::time_point now);

private:
    // What tells a change of one file: it appeared, vanished, or was written or replaced.
    struct file_state {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        std::int64_t modified_ns = 0;
        bool operator==(const file_state &other) const;
    };
    std::vector<file_state> states() const;

    std::vector<std::string> files_;
    std::vector<file_state> built_from_; // as they were when the level was built
    std::vector<file_state> last_seen_;
    clock::time_point last_look_{}, last_change_{};
};

#endif
