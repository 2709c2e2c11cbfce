// Files for tests: one scratch folder per test process (gone when the process ends), scratch
// files and current folders inside it, and whole files read and written, plain or packed.
#ifndef TESTS_TESTFILES_H
#define TESTS_TESTFILES_H

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace testfiles {

// This process's scratch folder, created on first use.
std::string scratch_dir();
// Write text to a file in the scratch folder; returns its path.
std::string write_scratch(const std::string &name, const std::string &text);

// The whole content of a file as characters or bytes, empty when it cannot be read.
template <typename Bytes = std::string>
Bytes read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry of a folder with what it holds: a file's bytes, "-> target" for a symbolic link,
// "folder" for a folder, "other" for anything else. For seeing that a failure changed nothing.
std::map<std::string, std::string> folder_contents(const std::filesystem::path &folder);

// Write a file, replacing it; false when it cannot be written whole.
bool write_file(const std::string &path, const void *data, std::size_t size);
// The same through the game library's packer (its packed-file magic number, then LZSS).
// Needs Allegro installed.
bool write_packed_file(const std::string &path, const void *data, std::size_t size);

template <typename Bytes>
bool write_file(const std::string &path, const Bytes &bytes)
{
    return write_file(path, bytes.data(), bytes.size());
}

template <typename Bytes>
bool write_packed_file(const std::string &path, const Bytes &bytes)
{
    return write_packed_file(path, bytes.data(), bytes.size());
}

// A file of this name in the scratch folder, removed when the object goes.
class ScratchFile {
public:
    explicit ScratchFile(const std::string &name);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    const char *path() const { return path_.c_str(); }
    template <typename Bytes>
    bool write(const Bytes &bytes) const
    {
        return write_file(path_, bytes);
    }

private:
    std::string path_;
};

// A new empty folder in the scratch folder, the current folder while the object lives. The
// previous current folder comes back, and the new one goes with everything in it, after.
class CurrentFolder {
public:
    CurrentFolder();
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_, previous_;
};

} // namespace testfiles

#endif
