#include "core/frame_pace.h"

#include "core/frontend.h"

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
