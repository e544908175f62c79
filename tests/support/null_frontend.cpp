// The tests' frontend: a scripted clock and keyboard, and a record of the calls.
#include "tests/support/null_frontend.h"

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

NullFrontend fake;

void ResetWorld() {
    fake = NullFrontend{};
    game = GameState{};
    std::memset(entered_name, 0, sizeof entered_name);
    random_source.state = 1;
    // The game saves after every finished game; each test starts without a
    // file, in a place of this run's own, removed at exit.
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("kobaru-test-" + std::to_string(::getpid()) + ".rank.txt"))
                                        .string();
    [[maybe_unused]] static const int removed_at_exit =
        std::atexit([] { std::remove(path.c_str()); });
    std::remove(path.c_str());
    rank_file = RankFileLocation{path, false};
    // The defaults, and nothing of an earlier test's file remembered.
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

uint32_t GetTick() {
    const uint32_t now = fake.tick;
    fake.tick += fake.tick_step_per_read;
    return now;
}

bool IsKeyDown(uint8_t virtual_key) {
    fake.key_queries.push_back(virtual_key);
    return fake.keys[virtual_key];
}

void RepaintWindow() {
    Record("repaint");
}

void PromptForName(char name[256]) {
    Record("name");
    if (fake.while_prompting) {
        fake.while_prompting();
    }
    std::memcpy(name, fake.name_to_enter.c_str(), fake.name_to_enter.size() + 1);
}

void ShowRanking() {
    Record("ranking");
    fake.shown_ranking = rank_table;
}
