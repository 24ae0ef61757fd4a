// What the game keeps for the screens: the title's logo pictures and the help window.
#include "game/game.h"

#include "platform/list.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

namespace {

GameScreenHooks g_screen_hooks;

// The help window waiting in this frame's new controls, when it was opened earlier in the frame.
Control *queued_help_window(const Game *game) {
    if (!game->new_controls) return nullptr;
    for (Control *c : game->new_controls->items)
        if (c && c->id == CONTROL_ID_HELP && !(c->flags & CTRL_REMOVED)) return c;
    return nullptr;
}

}  // namespace

void game_set_screen_hooks(const GameScreenHooks &hooks) { g_screen_hooks = hooks; }
const GameScreenHooks &game_screen_hooks() { return g_screen_hooks; }

Result title_load_images(Game *game) {
    if (game->title_image_count > 0) return RES_OK;
    int count = 0;
    Sprite **images = sprite_load_numbered(TITLE_IMAGE_SET, &count);
    if (!images || count < 1) {
        sprite_array_release(images, count);
        return RES_READ_FAILED;
    }
    game->title_images = images;
    game->title_image_count = count;
    return RES_OK;
}

void title_free_images(Game *game) {
    if (game->title_image_count > 0) sprite_array_release(game->title_images, game->title_image_count);
    game->title_images = nullptr;
    game->title_image_count = 0;
}

Control *game_open_help_popup(Game *game) {
    Control *window = game_find_control(game, CONTROL_ID_HELP);
    if (!window) window = queued_help_window(game);
    if (!window) {
        if (!g_screen_hooks.help_window_init) return nullptr;
        window = panel_create(20, 10, 0, 0, 0);
        if (!window) return nullptr;
        g_screen_hooks.help_window_init(window, game->help_topic);
        window->id = CONTROL_ID_HELP;
        window->flags &= ~CTRL_MOVING;
        game_popup_look(window);
        window->layer = CONTROL_LAYER_HELP;
        game_queue_control(game, window);
    }
    control_set_position(window, ui_screen_width() / 2 - window->w / 2, ui_screen_height() / 2 - window->h / 2);
    return window;
}
