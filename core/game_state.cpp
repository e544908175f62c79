// The one record of the running game, the star field and the entered name.
#include "core/game_state.h"

GameState game;
char entered_name[256];

namespace {

uint8_t own_star_field[kStarFieldBytes];

}  // namespace

uint8_t* star_field = own_star_field;
