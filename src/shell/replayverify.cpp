// Verifying a replay: its attempts run again headless, their ends compared, and the verdict in
// words a person can act on.
#include "replayverify.h"

#include "diagnostic.h"
#include "maplib.h"
#include "replaylevel.h"
#include "replayplay.h"

#include <allegro.h>

namespace {

constexpr std::size_t NUMBER_TEXT_SIZE = 32;

// How an attempt ran, to be compared with how it was recorded.
struct attempt_run {
    long ticks = 0;           // run, up to the end or to a death before the end
    bool died = false;        // she fell out of the map
    bool died_early = false;  // and passes of the recording were left
    girl_check state;
};

// Every recorded pass, in order; stops after the pass in which she fell out of the map, as the
// level loop does.
attempt_run run_attempt(const replay_attempt &recorded, map_point start)
{
    attempt a(start);
    attempt_run run;
    pass_cursor passes(recorded.passes);
    for (; !run.died && passes.pass(); passes.step()) {
        const replay_passes &p = *passes.pass();
        advance(a, p.controls, p.ticks);
        run.ticks += p.ticks;
        run.died = a.result == level_died;
    }
    run.died_early = run.died && passes.pass();
    run.state = check_of(a.girl);
    return run;
}

// Pixels to four places, trailing zeros dropped, then the raw number as the file has it.
std::string number_text(std::int32_t raw)
{
    char pixels[NUMBER_TEXT_SIZE];
    std::snprintf(pixels, sizeof pixels, "%.4f", fixtof(raw));
    std::string text = pixels;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    if (text == "-0")
        text = "0";
    return text + " (" + std::to_string(raw) + ")";
}

std::string state_text(const char *how, const girl_check &s)
{
    return std::string(how) + ", x " + number_text(s.x) + ", y " + number_text(s.y) + ", xv " +
           number_text(s.xv) + ", yv " + number_text(s.yv) + ", status " +
           std::to_string(s.status) + " (" + status_name(s.status) + ")";
}

bool ends_as_recorded(const replay_attempt &recorded, const attempt_run &run)
{
    // ESC in the pass of a death quits: a recorded quit may follow a fall out of the map.
    const bool end_agrees = recorded.end == attempt_end::death ? run.died : true;
    return end_agrees && !run.died_early && run.state == recorded.state;
}

std::string difference_text(const std::string &file, const replay_attempt &recorded,
                            const attempt_run &run, long session_ticks, const replay &r)
{
    std::string where = "after tick " + std::to_string(run.ticks) + " of the attempt (tick " +
                        std::to_string(session_ticks + run.ticks) + " of the session)";
    if (run.died_early)
        where = "she falls out of the map in tick " + std::to_string(run.ticks) +
                " of the attempt (tick " + std::to_string(session_ticks + run.ticks) +
                " of the session), where the recording goes on to tick " +
                std::to_string(recorded.ticks);
    std::string text = file + ":" + std::to_string(recorded.end_line) + ": attempt " +
                       std::to_string(recorded.number) + " does not end as recorded: " + where +
                       "\n  recorded:  " +
                       state_text(replay_end_word(recorded.end), recorded.state) +
                       "\n  this game: " +
                       state_text(run.died ? "death" : "no death", run.state) + "\n";
    if (r.header.game_version != game_version())
        text += "  (recorded by version " + r.header.game_version + ", this is version " +
                game_version() + ")\n";
    return text;
}

std::string plural(long n, const char *word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace

verify_report verify_replay(const std::string &file, const replay &r, const level &lvl)
{
    verify_report report;
    const std::string name = printable(file);
    const std::string refusal = replay_refusal(r.header, lvl);
    if (!refusal.empty())
        return {replay_refused, name + ": " + refusal + "\n"};
    long ticks = 0, checked_ticks = 0;
    int checked = 0;
    std::string cut_short;
    for (const replay_attempt &recorded : r.attempts) {
        if (load_level_map(lvl) != 0)
            return {replay_refused, name + ": the level " + replay_level_name(lvl) +
                                        " cannot be loaded: " + MapErrorText(maperror) + "\n"};
        const attempt_run run = run_attempt(recorded, lvl.start);
        MapFreeMem();
        if (recorded.end == attempt_end::unfinished) {
            cut_short = "; attempt " + std::to_string(recorded.number) + " is cut short after " +
                        plural(run.ticks, "tick") + ", run without a check";
        } else if (!ends_as_recorded(recorded, run)) {
            report.verdict = replay_differs;
            report.text += difference_text(name, recorded, run, ticks, r);
        } else {
            ++checked;
            checked_ticks += run.ticks;
        }
        ticks += recorded.ticks;
    }
    if (report.verdict == replay_as_recorded)
        report.text = name + ": " + plural(checked, "attempt") + ", " +
                      plural(checked_ticks, "tick") + ", as recorded" + cut_short + "\n";
    return report;
}

int verify_command(const char *replay_path, const level &lvl, std::FILE *out, std::FILE *err)
{
    replay r;
    std::string problem;
    if (!read_replay(replay_path, r, problem)) {
        std::fprintf(err, "%s\n", problem.c_str());
        return replay_refused;
    }
    const verify_report report = verify_replay(replay_path, r, lvl);
    std::fputs(report.text.c_str(), report.verdict == replay_refused ? err : out);
    return report.verdict;
}
