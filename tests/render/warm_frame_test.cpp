// Once a scene's fonts and glyphs are cached, composing its frame again
// allocates nothing (and so opens no font and loads no file).
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "render/surface.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

bool counting = false;
long allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

long AllocationsIn(void (*draw)()) {
    allocations = 0;
    counting = true;
    CopyStarField();
    draw();
    counting = false;
    return allocations;
}

TEST(WarmFrames, ComposingAgainAllocatesNothing) {
    ResetWorld();
    CreateFrameSurface();
    StartFirstGame();
    const struct {
        const char* name;
        void (*draw)();
    } scenes[] = {
        {"title", DrawTitleScreen}, {"drill", DrawDrillScreen}, {"ending", DrawEndingScreen}};
    for (const auto& scene : scenes) {
        // The first frame opens the fonts and renders the glyphs it needs.
        EXPECT_GT(AllocationsIn(scene.draw), 0) << scene.name;
        EXPECT_EQ(AllocationsIn(scene.draw), 0) << scene.name;
    }
    // New digits and a running combo need no new font: their glyphs were
    // rendered with the first frame's font, or are rendered once now.
    game.combo = 3;
    game.ans = 98765;
    AllocationsIn(DrawDrillScreen);
    for (int32_t& digit : game.digits) {
        digit = 9 - digit;
    }
    AllocationsIn(DrawDrillScreen);
    EXPECT_EQ(AllocationsIn(DrawDrillScreen), 0);
}

}  // namespace
