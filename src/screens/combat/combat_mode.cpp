// Combat encounter and end-of-game modes: callbacks without screens yet.
#include "screens/combat/combat_mode.h"

#include "ui/app_mode.h"

namespace {

void combat_enter() {}
void combat_leave() {}
void combat_update(int32_t) {}
void combat_draw(Graphics *) {}

void end_of_game_enter() {}
void end_of_game_leave() {}
void end_of_game_update(int32_t) {}
void end_of_game_draw(Graphics *) {}

}  // namespace

void combat_mode_init(AppMode *mode) {
    mode->enter = combat_enter;
    mode->leave = combat_leave;
    mode->update = combat_update;
    mode->draw = combat_draw;
}

void end_of_game_mode_init(AppMode *mode) {
    mode->enter = end_of_game_enter;
    mode->leave = end_of_game_leave;
    mode->update = end_of_game_update;
    mode->draw = end_of_game_draw;
}

void combat_minimap_on_click(Control *) {}
