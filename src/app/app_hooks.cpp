// Filling the hook tables of the toolkit with the model's and the screens' functions.
#include "app/app_hooks.h"

#include "ai/ai_player.h"
#include "app/app_modes.h"
#include "effects/effect.h"
#include "game/game.h"
#include "game/player.h"
#include "ui/app_mode.h"
#include "ui/panel.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/object_views.h"
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

void app_install_hooks() {
    app_mode_set_inits(APP_MODE_INITS);
    effect_set_world_hooks(app_effect_world_hooks());
    panel_set_effect_hooks(app_panel_effect_hooks());
    player_set_ai_hooks(ai_player_hooks());
    world_set_hooks(ai_world_hooks());
}
