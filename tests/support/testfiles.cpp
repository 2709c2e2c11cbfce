// The scratch folder of a test process, files in it, and whole files read and written.
#include "testfiles.h"

#include <allegro.h>
#include <unistd.h>

#include <cstdio>

namespace testfiles {

namespace fs = std::filesystem;

namespace {

// The scratch folder, removed with everything in it when the test process ends. A child
// process that a death test forks leaves it to its parent.
struct ScratchFolder {
    const pid_t owner = getpid();
    const fs::path path = fs::temp_directory_path() / ("orvia-test-" + std::to_string(owner));
    ScratchFolder() { fs::create_directories(path); }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (getpid() == owner)
            fs::remove_all(path, ignored);
    }
};

} // namespace

std::string scratch_dir()
{
    static const ScratchFolder folder;
    return folder.path.string();
}

std::string write_scratch(const std::string &name, const std::string &text)
{
    const std::string path = scratch_dir() + "/" + name;
    write_file(path, text);
    return path;
}

std::map<std::string, std::string> folder_contents(const fs::path &folder)
{
    std::map<std::string, std::string> contents;
    for (const auto &entry : fs::directory_iterator(folder)) {
        std::string &held = contents[entry.path().filename().string()];
        if (entry.is_symlink())
            held = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            held = "folder";
        else if (entry.is_regular_file())
            held = read_file(entry.path().string());
        else
            held = "other";
    }
    return contents;
}

bool write_file(const std::string &path, const void *data, std::size_t size)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

bool write_packed_file(const std::string &path, const void *data, std::size_t size)
{
    PACKFILE *file = pack_fopen(path.c_str(), F_WRITE_PACKED);
    if (!file)
        return false;
    const auto length = static_cast<long>(size);
    const bool written = pack_fwrite(data, length, file) == length;
    return pack_fclose(file) == 0 && written;
}

ScratchFile::ScratchFile(const std::string &name) : path_(scratch_dir() + "/" + name) {}

ScratchFile::~ScratchFile() { std::remove(path_.c_str()); }

CurrentFolder::CurrentFolder() : previous_(fs::current_path())
{
    static int made = 0;
    path_ = fs::path(scratch_dir()) / ("folder-" + std::to_string(++made));
    fs::create_directory(path_);
    fs::current_path(path_);
}

CurrentFolder::~CurrentFolder()
{
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

} // namespace testfiles
