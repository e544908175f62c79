// How long the portable renderer takes to compose one drawn frame of each
// scene, and how long start-up takes until the first title frame is composed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "null/shell.h"
#include "render/surface.h"
#include "render/text.h"
#include "screens/screens.h"

extern char** environ;

namespace {

constexpr const char* kMissingRankFile = "/nonexistent/kobaru-bench/rank.txt";

void StartGame() {
    ResetWorld();
    fake.tick = 1000;
    rank_file.path = kMissingRankFile;
    LoadRankTable();
    CreateFrameSurface();
    StartFirstGame();
}

bool game_started = false;

// One game, started once; the first frames of each scene warm the caches.
void WarmGame() {
    if (!game_started) {
        StartGame();
        game_started = true;
    }
}

void SetUpDrill(bool streak) {
    game.scene = Scene::Drill;
    game.drill_start_tick = 1;
    game.drill_elapsed_ms = 12345;
    game.ans = streak ? 1234 : 0;
    game.combo = streak ? 7 : 0;
    game.combo_live = streak ? 1 : 0;
    game.combo_tick = fake.tick;
    // Mid-slide: five digits partly on the surface.
    game.slide_x = streak ? 4 : 0;
}

// The copy alone, for comparison: every drawn frame starts with it.
void StarFieldCopy(benchmark::State& state) {
    WarmGame();
    for (auto _ : state) {
        CopyStarField();
        benchmark::DoNotOptimize(frame_surface.pixels[0]);
    }
}

// What a drawn frame does between its gate and its repaint.
void Compose(benchmark::State& state, void (*draw)()) {
    for (auto _ : state) {
        CopyStarField();
        draw();
        benchmark::DoNotOptimize(frame_surface.pixels[0]);
    }
}

void TitleComposition(benchmark::State& state) {
    WarmGame();
    game.scene = Scene::Title;
    Compose(state, [] {
        game.wave_phase += 7;
        DrawTitleScreen();
    });
}

void DrillComposition(benchmark::State& state) {
    WarmGame();
    SetUpDrill(state.range(0) != 0);
    Compose(state, DrawDrillScreen);
}

void EndingComposition(benchmark::State& state) {
    WarmGame();
    game.scene = Scene::Ending;
    Compose(state, DrawEndingScreen);
}

// In-process start-up from nothing: the renderer's faces, glyphs and
// fontconfig configuration are dropped first, so every iteration pays for
// fontconfig's set-up, the font files and the glyphs of the first frame.
// (The code page 932 tables are built once per process and are not dropped.)
void StartUpToFirstTitleFrame(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ReleaseRenderFonts();
        game_started = false;
        state.ResumeTiming();
        StartGame();
        fake.tick += 11;
        TitleFrame();
        benchmark::DoNotOptimize(frame_surface.pixels[0]);
    }
}

// A whole kobaru-sim process that composes the first title frame and exits:
// what a person starting the simulator waits for.
void SimulatorProcessStartUp(benchmark::State& state) {
    char temp[] = "/tmp/kobaru-bench-XXXXXX";
    const int fd = mkstemp(temp);
    if (fd < 0 || write(fd, "frame\n", 6) != 6) {
        state.SkipWithError("cannot write the script");
        return;
    }
    close(fd);
    char sim[] = KOBARU_SIM_PATH;
    char* argv[] = {sim, temp, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, "/tmp");
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, sim, &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start kobaru-sim");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("kobaru-sim failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    unlink(temp);
}

}  // namespace

// Each figure is reported as the mean, median and spread of ten repetitions.
BENCHMARK(StarFieldCopy)->Unit(benchmark::kMicrosecond)->Repetitions(10);
BENCHMARK(TitleComposition)->Unit(benchmark::kMicrosecond)->Repetitions(10);
BENCHMARK(DrillComposition)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("streak")
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10);
BENCHMARK(EndingComposition)->Unit(benchmark::kMicrosecond)->Repetitions(10);
BENCHMARK(StartUpToFirstTitleFrame)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(10);
BENCHMARK(SimulatorProcessStartUp)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(10)
    ->UseRealTime();

BENCHMARK_MAIN();
