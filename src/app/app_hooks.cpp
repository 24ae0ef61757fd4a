// Filling the hook tables of the toolkit with the model's and the screens' functions.
#include "app/app_hooks.h"

#include "ai/ai_player.h"
#include "app/app_modes.h"
#include "effects/effect.h"
#include "effects/effect_scene.h"
#include "game/game.h"
#include "game/player.h"
#include "screens/title/help_window.h"
#include "ui/app_mode.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/object_views.h"
#include "world/toolkit_views.h"
#include "world/world_hooks.h"

EffectWorldHooks app_effect_world_hooks() {
    return EffectWorldHooks{
        .object_addref = object_add_ref,
        .object_release = object_release,
        .object_view = object_effect_view,
        .map_set_busy = map_set_busy,
        .map_clear_busy = map_clear_busy,
    };
}

PanelEffectHooks app_panel_effect_hooks() { return effect_panel_hooks(); }

SceneHooks app_scene_hooks() {
    return SceneHooks{
        .template_picture = template_scene_picture,
        .ship_heading_frame = template_ship_heading_frame,
        .site_halo_style = template_site_halo_style,
        .halo = effect_scene_halo,
        .explosion = effect_scene_explosion,
        .pulse = effect_scene_pulse,
        .portal = effect_scene_portal,
    };
}

GameScreenHooks app_game_screen_hooks() {
    return GameScreenHooks{
        .help_window_init = help_window_init,
    };
}

void app_install_hooks() {
    app_mode_set_inits(APP_MODE_INITS);
    effect_set_world_hooks(app_effect_world_hooks());
    panel_set_effect_hooks(app_panel_effect_hooks());
    scene_set_hooks(app_scene_hooks());
    player_set_ai_hooks(ai_player_hooks());
    world_set_hooks(ai_world_hooks());
    game_set_screen_hooks(app_game_screen_hooks());
}
