#include "tests/core/fake_frontend.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"

FakeFrontend fake;

void ResetWorld() {
    fake = FakeFrontend{};
    game = GameState{};
    std::memset(entered_name, 0, sizeof entered_name);
    SetDefaultRankTable();
    random_source.state = 1;
    // The core saves after every finished game; each test starts with no
    // file, in a place of this run's own.
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("kobaru-core-test-" +
          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
          ".rank.txt"))
            .string();
    static const bool removed_at_exit = std::atexit([] {
                                            std::error_code ignored;
                                            std::filesystem::remove(path, ignored);
                                        }) == 0;
    (void)removed_at_exit;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    rank_file = RankFileLocation{path, false};
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

void CopyStarField() {
    ++fake.star_copies;
    fake.calls.push_back("stars");
}
void DrawTitleScreen() {
    ++fake.title_draws;
    fake.calls.push_back("title");
}
void DrawDrillScreen() {
    ++fake.drill_draws;
    fake.calls.push_back("drill");
}
void DrawEndingScreen() {
    ++fake.ending_draws;
    fake.calls.push_back("ending");
}
void RepaintWindow() {
    ++fake.repaints;
    fake.calls.push_back("repaint");
}
void PromptForName(char name[256]) {
    ++fake.name_prompts;
    fake.calls.push_back("name");
    std::memcpy(name, fake.name_to_enter.c_str(), fake.name_to_enter.size() + 1);
}
void ShowRanking() {
    ++fake.rankings;
    fake.calls.push_back("ranking");
}
