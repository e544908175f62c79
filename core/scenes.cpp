// The scene cycle's rules: reset, frame gate, entry ticks, the title's and
// the ending's transitions, and the result step.
#include "core/scenes.h"

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/history.h"
#include "core/random_source.h"
#include "core/rank_table.h"

namespace {

constexpr uint32_t kEntryWaitMs = 500;
constexpr uint32_t kEndingTimeoutMs = 5000;

void GenerateStarField() {
    for (std::size_t i = 0; i < kStarFieldBytes; ++i) {
        // About one pixel in 298 lights up, in one of the 253 star colours.
        const int32_t draw = Next();
        star_field[i] = draw % 300 != 0 ? 0 : static_cast<uint8_t>(Next() % 253 + 1);
    }
}

// The entry tick is taken on a scene's first call, drawn or not.
bool OpenFrame(uint32_t& entry_tick, uint32_t& last_frame_tick) {
    if (entry_tick == 0) {
        entry_tick = GetTick();
    }
    return PassFrameGate(last_frame_tick);
}

}  // namespace

bool PassFrameGate(uint32_t& last_frame_tick) {
    if (TicksSince(GetTick(), last_frame_tick) <= 10) {
        return false;
    }
    last_frame_tick = GetTick();
    return true;
}

void ResetGame() {
    // Every field back to its start but the frame gates' ticks, which keep
    // a scene's first frame of the next game from waiting; the digits are
    // dealt below.
    const GameState last = game;
    game = GameState{};
    game.time_limit_s = 30;
    game.scene = Scene::Title;
    game.title_last_frame_tick = last.title_last_frame_tick;
    game.drill_last_frame_tick = last.drill_last_frame_tick;
    game.ending_last_frame_tick = last.ending_last_frame_tick;

    GenerateStarField();
    const uint32_t seed = GetTick();
    Seed(seed);
    StartDrillRecord(seed);
    for (int32_t& digit : game.digits) {
        digit = Next() % 10;
    }
}

void StartFirstGame() {
    game.drill_last_frame_tick = GetTick();
    ResetGame();
}

bool OpenTitleFrame() {
    return OpenFrame(game.title_start_tick, game.title_last_frame_tick);
}

void TestTitleStart() {
    if (TicksSince(GetTick(), game.title_start_tick) > kEntryWaitMs && IsKeyDown(kKeyReturn)) {
        game.scene = Scene::Drill;
    }
}

void ResultStep() {
    // The drill is remembered before anything can keep the player waiting.
    SaveDrillRecord();
    // Another copy of the game may have saved since this one last looked:
    // the score places, and the dialogs show, against the table as stored.
    RefreshRankTable();
    if (QualifiesForRanking(game.final_ans)) {
        // The file is not held while the player types.
        PromptForName(entered_name);
        // Every finished game reaches the disk at once, so a crash or a kill
        // later in the run costs at most the game in progress.
        InsertRankingAndSave(game.final_ans, entered_name);
    }
    ShowRanking();
    game.scene = Scene::Ending;
}

bool OpenEndingFrame() {
    return OpenFrame(game.ending_start_tick, game.ending_last_frame_tick);
}

void TestEndingExit() {
    const bool by_return =
        TicksSince(GetTick(), game.ending_start_tick) > kEntryWaitMs && IsKeyDown(kKeyReturn);
    if (by_return || TicksSince(GetTick(), game.ending_start_tick) > kEndingTimeoutMs) {
        game.scene = Scene::Title;
        // Read back before it is counted, the table the next title shows
        // holds what other copies have saved meanwhile.
        CountGameAndSave();
        ResetGame();
    }
}
