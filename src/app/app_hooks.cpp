// Filling the hook tables of the toolkit with the model's and the screens' functions.
#include "app/app_hooks.h"

#include <algorithm>

#include "ai/ai_player.h"
#include "app/app_modes.h"
#include "effects/effect.h"
#include "effects/effect_scene.h"
#include "game/game.h"
#include "game/player.h"
#include "screens/combat/combat_mode.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "ui/player_name_label.h"
#include "ui/minimap_panel.h"
#include "ui/scene.h"
#include "ui/transfer_slider.h"
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

ControlWorldHooks app_control_world_hooks() {
    return ControlWorldHooks{
        .object_addref = object_add_ref,
        .object_release = object_release,
        .object_rect = object_control_rect,
        .map_view = map_control_view,
    };
}

MinimapWorldHooks app_minimap_world_hooks() { return MinimapWorldHooks{.map_view = map_minimap_view}; }

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

TransferSliderHooks app_transfer_slider_hooks() {
    return TransferSliderHooks{.object_picture = object_transfer_picture};
}

MinimapPanelHooks app_minimap_panel_hooks() {
    return MinimapPanelHooks{
        .combat_map = [] { return game_get() ? game_get()->combat_map : nullptr; },
        .on_hold = combat_minimap_on_click,
    };
}

PlayerNameHooks app_player_name_hooks() {
    return PlayerNameHooks{
        .player_name = [](uint64_t id, std::string *name, uint8_t *r, uint8_t *g, uint8_t *b) {
            const Player *player = game_find_player(game_get(), id);
            if (!player) return false;
            *name = player->name;
            *r = uint8_t(std::clamp(player->red, 0, 255));
            *g = uint8_t(std::clamp(player->green, 0, 255));
            *b = uint8_t(std::clamp(player->blue, 0, 255));
            return true;
        },
    };
}

void app_install_hooks() {
    app_mode_set_inits(APP_MODE_INITS);
    effect_set_world_hooks(app_effect_world_hooks());
    control_set_world_hooks(app_control_world_hooks());
    minimap_set_world_hooks(app_minimap_world_hooks());
    panel_set_effect_hooks(app_panel_effect_hooks());
    scene_set_hooks(app_scene_hooks());
    transfer_slider_set_hooks(app_transfer_slider_hooks());
    minimap_panel_set_hooks(app_minimap_panel_hooks());
    player_name_label_set_hooks(app_player_name_hooks());
    player_set_ai_hooks(ai_player_hooks());
    world_set_hooks(ai_world_hooks());
}
