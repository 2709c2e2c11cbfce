// The library's files: only regular files are read, packed map files are unpacked without
// inventing bytes, and files are replaced only whole.
#include "loadertest.h"
#include "testfiles.h"

#include <sys/stat.h>

#include <filesystem>

using namespace loadertest;

namespace {

namespace fs = std::filesystem;

// A regular file, a folder, a FIFO, a device and a link to it: only the first is read, and
// nothing waits on the FIFO or reads the device without end.
TEST(ReadingFiles, OnlyRegularFilesWithinTheirSizeAreRead)
{
    const testfiles::CurrentFolder here;
    ASSERT_TRUE(testfiles::write_file("five", std::string("12345")));
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    fs::create_directory("folder");
    fs::create_symlink("/dev/zero", "zeros");
    struct Case {
        const char *path;
        std::uint64_t limit;
        const char *problem; // empty: read whole
    };
    const Case cases[] = {
        {"five", 5, ""},
        {"five", 4, "larger than 4 bytes"},
        {"folder", 100, "not a regular file"},
        {"fifo", 100, "not a regular file"},
        {"/dev/zero", 100, "not a regular file"},
        {"zeros", 100, "not a regular file"},
        {"absent", 100, "No such file or directory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        std::string bytes = "old", problem;
        const int expected = *c.problem ? -1 : 0;
        EXPECT_EQ(MapReadFile(c.path, c.limit, bytes, &problem), expected);
        EXPECT_EQ(bytes, *c.problem ? "" : "12345");
        EXPECT_EQ(problem, c.problem);
        problem.clear();
        EXPECT_EQ(MapCheckFile(c.path, c.limit, &problem), expected);
        EXPECT_EQ(problem, c.problem);
    }
}

using MapFileReading = HeadlessTest;

// The map loaders open what the readers open: anything but a regular file is "cannot be
// opened", and the previous map stays.
TEST_F(MapFileReading, FilesThatAreNotRegularKeepThePreviousMap)
{
    const testfiles::CurrentFolder here;
    ASSERT_EQ(mkfifo("fifo.fmp", 0600), 0);
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    BlockStr *records = mapblockstrpt;
    for (const char *path : {"fifo.fmp", "/dev/zero", "."}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(MapLoad(path), -1);
        EXPECT_EQ(maperror, MER_NOOPEN);
        EXPECT_EQ(mapblockstrpt, records);
        EXPECT_EQ(MapLoadMAR(path, 1), -1);
        std::vector<unsigned char> image;
        std::string problem;
        EXPECT_EQ(MapReadMapFile(path, image, &problem), -1);
        EXPECT_EQ(problem, "not a regular file");
    }
}

// Allegro's packer: "slh!", then flag bytes that announce eight items each, lowest bit first
// (1: a literal, 0: a two-byte reference, position low byte, then its high nibble and the
// length less 3). Writing begins at window byte 4078; the bytes before it start as zeros.
Bytes packed(std::initializer_list<unsigned char> stream)
{
    Bytes file = {'s', 'l', 'h', '!'};
    for (unsigned char byte : stream)
        file.push_back(byte);
    return file;
}

// References to the zeros are sound, and so are copies that overlap what they write; a
// reference to a window byte the stream has not yet written is refused, as are files in which
// it comes after the header.
TEST_F(MapFileReading, PackedFilesMayReferOnlyToBytesAlreadyWritten)
{
    const testfiles::CurrentFolder here;
    constexpr unsigned char LITERAL_THEN_REFERENCE = 0x01, REFERENCE = 0x00;
    constexpr unsigned char AT_4078 = 0xEE, AT_4080 = 0xF0, HIGH_F = 0xF0, LENGTH_3 = 0x00;
    struct Case {
        const char *name;
        Bytes file;
        Bytes unpacked; // empty: refused
    };
    const Case cases[] = {
        {"plain", {'a', 'b'}, {'a', 'b'}},
        {"stored with its mark", {'s', 'l', 'h', '.', 'a'}, {'a'}},
        {"three zeros", packed({REFERENCE, 0x00, LENGTH_3}), {0, 0, 0}},
        {"a copy of what it writes",
         packed({LITERAL_THEN_REFERENCE, 'A', AT_4078, HIGH_F | LENGTH_3}),
         {'A', 'A', 'A', 'A'}},
        {"a byte never written", packed({REFERENCE, AT_4078, HIGH_F | LENGTH_3}), {}},
        {"a byte not yet written",
         packed({LITERAL_THEN_REFERENCE, 'A', AT_4080, HIGH_F | LENGTH_3}),
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testfiles::write_file("case.fmp", c.file));
        std::vector<unsigned char> image;
        std::string problem;
        EXPECT_EQ(MapReadMapFile("case.fmp", image, &problem), c.unpacked.empty() ? -1 : 0);
        EXPECT_EQ(image, c.unpacked);
        EXPECT_EQ(problem, c.unpacked.empty()
                               ? "the packed data refers to bytes it has not unpacked yet"
                               : "");
    }
    // The header unpacked as literals (a flag byte of eight, then one of four before a
    // reference to window byte 4095, unwritten after 12 bytes): the previous map goes, since
    // the file showed itself to be a map.
    const Bytes image = encode(sample_map());
    Bytes file = packed({0xFF});
    file.insert(file.end(), image.begin(), image.begin() + 8);
    file.push_back(0x0F);
    file.insert(file.end(), image.begin() + 8, image.begin() + 12);
    file.insert(file.end(), {0xFF, HIGH_F | LENGTH_3});
    ASSERT_TRUE(testfiles::write_file("cut.fmp", file));
    ASSERT_EQ(MapDecode(image.data()), 0);
    EXPECT_EQ(MapLoad("cut.fmp"), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_EQ(mapblockstrpt, nullptr);
}

std::string permissions_of(const std::string &path)
{
    struct stat facts;
    return stat(path.c_str(), &facts) == 0 ? std::to_string(facts.st_mode & 0777) : "none";
}

// The writers run in order, once the targets have been checked, and nothing is renamed until
// every one has written its file whole.
TEST(ReplacingFiles, AllFilesOrNoneAndNeverThroughALink)
{
    const testfiles::CurrentFolder here;
    const mode_t umask_now = umask(022);
    umask(umask_now);
    const std::string plain_create = std::to_string(0666 & ~umask_now);
    fs::create_directory("out");
    ASSERT_TRUE(testfiles::write_file("outside", std::string("not mine")));
    std::vector<std::string> ran;
    auto writer = [&](const std::string &text, bool fails = false) {
        return [&ran, text, fails](const char *path, std::string &problem) {
            ran.push_back(text);
            problem = "the writer gave up";
            return !fails && testfiles::write_file(path, text);
        };
    };
    struct Case {
        const char *name;
        std::function<void()> setup;
        std::vector<MapOutputFile> files;
        const char *problem; // empty: replaced
        std::vector<std::string> writers_run;
    };
    const Case cases[] = {
        {"a writer fails", [] { testfiles::write_file("out/a", std::string("old a")); },
         {{"out/a", writer("new a")}, {"out/b", writer("new b", true)}, {"out/c", writer("c")}},
         "out/b: the writer gave up", {"new a", "new b"}},
        {"a folder in the way", [] { fs::create_directory("out/c"); },
         {{"out/a", writer("new a")}, {"out/c", writer("new c")}}, "out/c: Is a directory", {}},
        {"a link", [] { fs::create_symlink("../outside", "out/link"); },
         {{"out/a", writer("new a")}, {"out/link", writer("new")}},
         "out/link: a symbolic link, which is not written through", {}},
        {"a missing folder", [] {}, {{"out/none/x", writer("x")}},
         "out/none/x: No such file or directory", {}},
        {"all written", [] { fs::remove("out/c"); },
         {{"out/a", writer("new a")}, {"out/b", writer("new b")}}, "", {"new a", "new b"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.setup();
        auto expected = testfiles::folder_contents("out");
        ran.clear();
        std::string problem;
        EXPECT_EQ(MapReplaceFiles(c.files, &problem), *c.problem ? -1 : 0);
        EXPECT_EQ(problem, *c.problem ? c.problem : "");
        EXPECT_EQ(ran, c.writers_run);
        for (std::size_t i = 0; !*c.problem && i < c.files.size(); ++i) {
            expected[fs::path(c.files[i].path).filename().string()] = c.writers_run[i];
            EXPECT_EQ(permissions_of(c.files[i].path), plain_create);
        }
        EXPECT_EQ(testfiles::folder_contents("out"), expected) << "and no temporary file";
    }
    EXPECT_EQ(testfiles::read_file("outside"), "not mine");
}

} // namespace
