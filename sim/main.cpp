// kobaru-sim: runs whole games with a scripted clock and keyboard, for tests,
// bug reports and replays.
//
//   kobaru-sim [--start-tick T] [--wall-clock TIME] [--trace] [SCRIPT]
//
// One command a line, from SCRIPT or standard input; see docs/SIMULATOR.md.
// Exit status: 0 when the script ran to its end or to close, 2 for a bad
// option or script line, 3 when the simulator's own output could not be
// written.
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown, WallClockMs    sim/input.cpp, whatever the script last set (the wall
//                                      clock runs with the tick from --wall-clock)
//   CopyStarField                      sim/text_ops.cpp, the portable surface's, traced
//   RepaintWindow                      sim/window.cpp, the end of a frame (its trace line)
//   SetInk, SelectScreenFont, ReleaseScreenFont, DrawTextAt, DrawCentredLine
//                                      sim/text_ops.cpp, the portable surface's, traced
//   PromptForName, ShowRanking         sim/dialogs.cpp, the queued names, JSON events
//   ReadStoredFile, WriteStoredFile, AppendStoredLine, LockStoredFile, UnlockStoredFile
//                                      storage/posix_*.cpp, flock for the turns
// Where it differs from the Windows program on purpose: no window and no
// wall clock; start-up (StartSimulator) and the window's close
// (CloseSimulator, the script's close) are sim/window.cpp's; the loop is the
// script, a line at a time, below.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/history.h"
#include "sim/script.h"
#include "sim/shell.h"

namespace {

constexpr const char* kUsage =
    "usage: kobaru-sim [--start-tick T] [--wall-clock TIME] [--trace] [SCRIPT]\n";
constexpr int kBadScript = 2;
constexpr int kOutputFailed = 3;

void Complain(const std::string& message) {
    const std::string line = "kobaru-sim: " + message + "\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int OutputFailed(int error) {
    Complain(std::string("cannot write the output: ") +
             (error ? std::strerror(error) : "write error"));
    return kOutputFailed;
}

// A standard descriptor that was closed is taken by /dev/null, read-only:
// writes to it still fail, as they should, and no file the simulator opens
// (rank.txt, a snapshot) can take its number and receive the output.
void HoldClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            ::open("/dev/null", O_RDONLY);
        }
    }
}

// Reads the script a line at a time, so a program can drive the simulator
// over a pipe; returns the exit status.
int RunScript(int fd) {
    const ScriptLimits limits;
    std::string pending;
    unsigned line_number = 0;
    char chunk[4096];
    bool at_end = false;
    while (!at_end || !pending.empty()) {
        std::size_t newline = pending.find('\n');
        if (newline == std::string::npos && !at_end) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                Complain(std::string("cannot read the script: ") + std::strerror(errno));
                return kBadScript;
            }
            if (got == 0) {
                at_end = true;
            } else {
                pending.append(chunk, static_cast<std::size_t>(got));
            }
            continue;
        }
        // The last line may lack its line feed.
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline == std::string::npos ? pending.size() : newline + 1);
        ++line_number;
        try {
            if (RunScriptLine(line, limits) == ScriptStep::Closed) {
                return 0;
            }
        } catch (const ScriptError& failure) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            Complain("line " + std::to_string(line_number) + ": " + failure.message + ": " +
                     EscapeBytes(line));
            return kBadScript;
        } catch (const OutputError& failure) {
            return OutputFailed(failure.error);
        }
    }
    // A script that ends without close keeps only what the finished games
    // saved, as a killed game does.
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    HoldClosedStandardDescriptors();
    // A reader that goes away is reported as a failed write, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);

    uint32_t start_tick = 1000;
    int64_t wall_start_ms = 0;
    const char* script_path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            if (std::fputs(kUsage, stdout) == EOF || std::fflush(stdout) != 0) {
                return OutputFailed(errno);
            }
            return 0;
        }
        if (arg == "--trace") {
            frame_trace.enabled = true;
        } else if (arg == "--start-tick") {
            if (i + 1 == argc) {
                Complain(std::string("--start-tick needs a value\n") + kUsage);
                return kBadScript;
            }
            ++i;
            try {
                start_tick = ScriptNumber(argv[i]);
            } catch (const ScriptError&) {
                Complain("bad start tick '" + EscapeBytes(argv[i]) + "'\n" + kUsage);
                return kBadScript;
            }
        } else if (arg == "--wall-clock") {
            if (i + 1 == argc || !ParseUtc(argv[i + 1], wall_start_ms)) {
                Complain(std::string("--wall-clock needs a time such as 2026-12-07T09:30:00Z\n") +
                         kUsage);
                return kBadScript;
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            Complain("unknown option '" + EscapeBytes(arg) + "'\n" + kUsage);
            return kBadScript;
        } else if (!script_path) {
            script_path = argv[i];
        } else {
            Complain(std::string("more than one script\n") + kUsage);
            return kBadScript;
        }
    }

    int fd = 0;
    if (script_path) {
        fd = ::open(script_path, O_RDONLY | O_CLOEXEC);
        struct stat status;
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
            ::close(fd);
            fd = -1;
            errno = EISDIR;
        }
        if (fd < 0) {
            Complain("cannot read script '" + EscapeBytes(script_path) +
                     "': " + std::strerror(errno));
            return kBadScript;
        }
    }

    StartSimulator(start_tick, wall_start_ms);
    return RunScript(fd);
}
