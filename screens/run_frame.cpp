// The dispatcher the frontends' loops call, and its waiting variant.
#include "core/frontend.h"
#include "core/game_state.h"
#include "core/scenes.h"
#include "screens/screens.h"

void RunFrame() {
    // The scene is read afresh before each test, so a move to a later scene
    // runs that scene in the same pass.
    if (game.scene == Scene::Title) {
        TitleFrame();
    }
    if (game.scene == Scene::Drill) {
        DrillFrame();
    }
    if (game.scene == Scene::Result) {
        ResultStep();
    }
    if (game.scene == Scene::Ending) {
        EndingFrame();
    }
}

bool RunFrameUnlessIdle(LastFrameCall& last) {
    const uint32_t now = GetTick();
    if (last.made && last.tick == now && !last.moved_scene) {
        return false;
    }
    const Scene before = game.scene;
    RunFrame();
    last = {true, now, game.scene != before};
    return true;
}
