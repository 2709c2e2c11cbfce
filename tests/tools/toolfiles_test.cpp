// The tools' files, run as a person runs them: an output is replaced only whole, never through
// a link and never when it is one of the inputs; only regular files are read; messages quote
// what they read in short, printable excerpts.
#include "headless.h"
#include "testfiles.h"
#include "toolstest.h"

#include "maplib.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <iterator>

namespace {

namespace fs = std::filesystem;

constexpr int KILLED = -1; // run_program's status for a program ended by a signal

const std::string LEVELC = std::string("timeout 20 ") + LEVELC_PROGRAM;
const std::string MAPINSPECT = std::string("timeout 20 ") + MAPINSPECT_PROGRAM;
const std::string MAPRENDER = std::string("timeout 20 ") + MAPRENDER_PROGRAM;
const std::string MAPEXPORT = std::string("timeout 20 ") + MAPEXPORT_PROGRAM;
// As on a full disk: files limited to `blocks` of 512 bytes, the signal of a file growing past
// the limit either left to end the program or ignored (the write fails).
std::string killed_at(int blocks) { return "ulimit -f " + std::to_string(blocks) + "; "; }
std::string full_disk(int blocks) { return "trap '' XFSZ; " + killed_at(blocks); }

const char *const SMALL_LEVEL = "tiles sheet.pcx\nnames sheet.txt\nblock . sky\n"
                                "block # rock bg=rock\nlayer 0\n.#\nend\n";
const char *const LONG_LINE =
    "\x1b[31mroot:x:0:0:a line of some other file, much longer than a message may quote\n";

void write(const std::string &path, const std::string &text)
{
    ASSERT_TRUE(testfiles::write_file(path, text));
}

// A copy of `from` with the first `what` made `with`.
void edit(const std::string &from, const std::string &to, const std::string &what,
          const std::string &with)
{
    std::string text = testfiles::read_file(from);
    const std::size_t at = text.find(what);
    ASSERT_NE(at, std::string::npos) << what;
    write(to, text.replace(at, what.size(), with));
}

// A folder with a level source and its art, its map, the game's level and that level as a
// Tiled map, made once and copied for each case.
const fs::path &inputs()
{
    static const fs::path folder = [] {
        const fs::path made = fs::path(testfiles::scratch_dir()) / "tool-inputs";
        fs::create_directory(made);
        toolstest::save_test_sheet((made / "sheet.pcx").string(), 2, 2);
        testfiles::write_file((made / "sheet.txt").string(), std::string("1 rock\n3 leaf\n"));
        testfiles::write_file((made / "small.level").string(), std::string(SMALL_LEVEL));
        fs::copy_file(ORVIA_SOURCE_DIR "/data/jump.fmp", made / "j.fmp");
        const std::string in = "cd " + made.string() + " && ";
        EXPECT_EQ(toolstest::run_program(in + LEVELC + " small.level small.fmp").status, 0);
        EXPECT_EQ(toolstest::run_program(in + MAPEXPORT + " j.fmp t.tmx").status, 0);
        return made;
    }();
    return folder;
}

struct Case {
    const char *name;
    std::function<void()> setup; // in the case's folder, beside the inputs
    std::string command;
    int status;
    std::vector<std::string> told; // parts of what is said on standard error
    std::vector<std::string> made; // the files that may change; all others stay as they were
    bool leaves_temporary = false; // a killed program leaves its unfinished file behind
};

void run_case(const Case &c)
{
    SCOPED_TRACE(c.name);
    const testfiles::CurrentFolder here;
    for (const auto &entry : fs::directory_iterator(inputs()))
        fs::copy(entry.path(), here.path() / entry.path().filename());
    c.setup();
    auto before = testfiles::folder_contents(here.path());
    const toolstest::run_result r = toolstest::run_program(c.command);
    EXPECT_EQ(r.status, c.status) << r.output;
    for (const std::string &part : c.told)
        EXPECT_NE(r.standard_error.find(part), std::string::npos)
            << "wanted: " << part << "\ngot: " << r.standard_error;
    auto after = testfiles::folder_contents(here.path());
    for (const std::string &name : c.made) {
        EXPECT_TRUE(after.count(name)) << name;
        before.erase(name);
        after.erase(name);
    }
    for (auto entry = after.begin(); c.leaves_temporary && entry != after.end();)
        entry = entry->first[0] == '.' && !before.count(entry->first) ? after.erase(entry)
                                                                      : std::next(entry);
    EXPECT_EQ(after, before) << r.output;
}

void nothing() {}

void mkfifo_here(const char *name)
{
    ASSERT_EQ(mkfifo(name, 0600), 0);
}

// Earlier outputs in the way of a new run, and the file a link points at.
void earlier_outputs()
{
    write("out.fmp", "my earlier map");
    write("out.png", "my earlier picture");
    write("out.tmx", "my earlier Tiled map");
    write("out.tsx", "my own tileset");
    write("precious", "not to be written through a link");
}

// The earlier tileset's name given to a link to a file of the person's.
void tileset_linked()
{
    earlier_outputs();
    fs::remove("out.tsx");
    fs::create_symlink("precious", "out.tsx");
}

TEST(ToolFiles, OutputsAreReplacedOnlyWholeAndNeverThroughALink)
{
    const Case cases[] = {
        {"mapexport: a folder where the sheet goes",
         [] { earlier_outputs(); fs::remove("out.png"); fs::create_directory("out.png"); },
         MAPEXPORT + " j.fmp out.tmx", 1, {"out.png: Is a directory"}, {}},
        {"levelc on a full disk", earlier_outputs,
         full_disk(1) + "exec " + LEVELC + " small.level out.fmp", 1,
         {"out.fmp: cannot write the map file: File too large"}, {}},
        {"mapexport on a full disk: the last file does not fit", earlier_outputs,
         full_disk(20) + "exec " + MAPEXPORT + " j.fmp out.tmx", 1,
         {"out.tmx: cannot write the map: File too large"}, {}},
        {"maprender on a full disk", earlier_outputs,
         full_disk(1) + "exec " + MAPRENDER + " j.fmp out.png", 1,
         {"out.png: cannot write the PNG file: File too large"}, {}},
        {"maprender ended midway", earlier_outputs,
         killed_at(1) + "exec " + MAPRENDER_PROGRAM + " j.fmp out.png", KILLED, {}, {}, true},
        {"levelc through a link",
         [] { earlier_outputs(); fs::create_symlink("precious", "l.fmp"); },
         LEVELC + " small.level l.fmp", 1,
         {"l.fmp: cannot write the map file: a symbolic link, which is not written through"}, {}},
        {"maprender through a dangling link", [] { fs::create_symlink("nowhere", "link.png"); },
         MAPRENDER + " j.fmp link.png", 1, {"link.png: a symbolic link"}, {}},
        {"mapexport through a link", tileset_linked,
         MAPEXPORT + " j.fmp out.tmx", 1, {"out.tsx: a symbolic link"}, {}},
        {"all three replaced", earlier_outputs, MAPEXPORT + " j.fmp out.tmx", 0, {},
         {"out.tmx", "out.tsx", "out.png"}},
    };
    for (const Case &c : cases)
        run_case(c);
}

TEST(ToolFiles, AnOutputThatIsAnInputIsRefused)
{
    const std::string as_well = " as well, which is not overwritten";
    const Case cases[] = {
        {"levelc onto its Tiled map", nothing, LEVELC + " t.tmx t.tmx", 1,
         {"cannot read \"t.tmx\": it is the output t.tmx" + as_well}, {}},
        {"levelc onto the tileset", nothing, LEVELC + " t.tmx t.tsx", 1,
         {"t.tmx:3:2: cannot read \"t.tsx\": it is the output t.tsx" + as_well}, {}},
        {"levelc onto the tileset's image", nothing, LEVELC + " t.tmx ./t.png", 1,
         {"cannot read the tileset image \"t.png\": it is the output ./t.png" + as_well}, {}},
        {"levelc onto its source", nothing, LEVELC + " small.level small.level", 1,
         {"small.level: cannot read the level source: it is the output small.level" + as_well},
         {}},
        {"levelc onto its tile sheet", nothing, LEVELC + " small.level sheet.pcx", 1,
         {"small.level:1:7: cannot open the tile sheet sheet.pcx: it is the output"}, {}},
        {"maprender onto its map", [] { fs::copy_file("j.fmp", "j.png"); },
         MAPRENDER + " j.png j.png", 1, {"j.png is the input j.png (the same file)"}, {}},
        {"mapexport onto its map under another name",
         [] { fs::create_hard_link("j.fmp", "x.png"); },
         MAPEXPORT + " j.fmp x.tmx", 1, {"x.png is the input j.fmp (the same file)"}, {}},
    };
    for (const Case &c : cases)
        run_case(c);
}

// Folders, FIFOs and devices named as inputs give the tools' "cannot read" at once, with
// status 1: no abort, no wait for a writer, no endless read.
TEST(ToolFiles, OnlyRegularFilesAreRead)
{
    const std::string not_regular = "not a regular file";
    const Case cases[] = {
        {"levelc of a folder", [] { fs::create_directory("d.tmx"); }, LEVELC + " d.tmx o.fmp", 1,
         {"d.tmx: cannot read \"d.tmx\": " + not_regular}, {}},
        {"a tileset that is a folder",
         [] { edit("t.tmx", "e.tmx", "source=\"t.tsx\"", "source=\".\""); },
         LEVELC + " e.tmx o.fmp", 1, {"e.tmx:3:2: cannot read \".\": " + not_regular}, {}},
        {"an image that is a folder",
         [] {
             edit("t.tsx", "e.tsx", "source=\"t.png\"", "source=\".\"");
             edit("t.tmx", "e.tmx", "source=\"t.tsx\"", "source=\"e.tsx\"");
         },
         LEVELC + " e.tmx o.fmp", 1, {"cannot read the tileset image \".\": " + not_regular}, {}},
        {"an image that is endless",
         [] {
             edit("t.tsx", "z.tsx", "source=\"t.png\"", "source=\"/dev/zero\"");
             edit("t.tmx", "z.tmx", "source=\"t.tsx\"", "source=\"z.tsx\"");
         },
         LEVELC + " z.tmx o.fmp", 1, {"\"/dev/zero\": " + not_regular}, {}},
        {"levelc of a FIFO", [] { mkfifo_here("f.level"); }, LEVELC + " f.level o.fmp", 1,
         {"f.level: cannot read the level source: " + not_regular}, {}},
        {"names that are a FIFO",
         [] { mkfifo_here("n.fifo"); edit("small.level", "n.level", "sheet.txt", "n.fifo"); },
         LEVELC + " n.level o.fmp", 1, {"cannot read the tile names n.fifo: " + not_regular}, {}},
        {"maprender of a FIFO", [] { mkfifo_here("f.fmp"); }, MAPRENDER + " f.fmp o.png", 1,
         {"f.fmp: cannot load the map: maperror 3"}, {}},
        {"mapinspect of a folder", nothing, MAPINSPECT + " .", 1,
         {"problem: the file cannot be read: " + not_regular, "maperror 3"}, {}},
    };
    for (const Case &c : cases)
        run_case(c);
}

// What a message quotes of a file is short and printable; a byte-order mark is no directive and
// no XML; a packed map that would have Allegro make up bytes is refused alike by the inspector
// and the loader.
TEST(ToolFiles, MessagesQuoteLittleAndPrintably)
{
    const std::string quoted(LONG_LINE + 5, LONG_LINE + 60);
    const Case cases[] = {
        {"a names file that is some other file",
         [] {
             write("other.txt", LONG_LINE + std::string("daemon:x:1:1\n"));
             edit("small.level", "o.level", "sheet.txt", "other.txt");
         },
         LEVELC + " o.level o.fmp", 1,
         {"other.txt:1:1: expected \"number name\", not \"\\x1b[31m" + quoted +
          "...\"; the rest of the file is not read\n"},
         {}},
        {"a source that begins with a byte-order mark",
         [] { write("bom.level", std::string("\xEF\xBB\xBF") + SMALL_LEVEL); },
         LEVELC + " bom.level bom.fmp", 0, {}, {"bom.fmp"}},
        {"a Tiled map that begins with a byte-order mark",
         [] { write("bom.tmx", "\xEF\xBB\xBF" + testfiles::read_file("t.tmx")); },
         LEVELC + " bom.tmx bom.fmp", 0, {}, {"bom.fmp"}},
        {"a packed map referring to bytes not unpacked yet",
         [] { write("p.fmp", std::string("slh!\x00\xF0\xF0", 7)); }, MAPINSPECT + " p.fmp", 1,
         {"problem: the file cannot be read: the packed data refers to bytes it has not unpacked "
          "yet\n",
          "the loader refuses the file: maperror 2"},
         {}},
    };
    for (const Case &c : cases)
        run_case(c);
}

} // namespace
