// The null frontend's window: a fresh start of the program, and the record of
// every call the game makes.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <utility>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "null/shell.h"

NullFrontend fake;

void ResetWorld() {
    fake = NullFrontend{};
    game = GameState{};
    std::memset(entered_name, 0, sizeof entered_name);
    random_source.state = 1;
    // The game saves after every finished game, rank.txt and history.csv;
    // each run starts without them, in a folder of this process's own,
    // removed at exit.
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kobaru-null-" + std::to_string(::getpid()));
    [[maybe_unused]] static const int removed_at_exit = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directory(folder, ignored);
    rank_file = RankFileLocation{(folder / "rank.txt").string(), false};
    // The defaults, and nothing of an earlier run's file remembered.
    LoadRankTable();
}

void Record(const char* kind, int32_t a, int32_t b, int32_t c, int32_t d, std::string text) {
    fake.calls.push_back({kind, a, b, c, d, std::move(text)});
}

int CountCalls(const char* kind) {
    return static_cast<int>(CallsOf(kind).size());
}

std::vector<Call> CallsOf(const char* kind) {
    std::vector<Call> out;
    std::copy_if(fake.calls.begin(), fake.calls.end(), std::back_inserter(out),
                 [&](const Call& call) { return call.kind == kind; });
    return out;
}

void RepaintWindow() {
    Record("repaint");
}
