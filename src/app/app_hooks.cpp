// Filling the hook tables of the toolkit with the model's and the screens' functions.
#include "app/app_hooks.h"

#include "app/app_modes.h"
#include "effects/effect.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/object_views.h"

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

void app_install_hooks() {
    app_mode_set_inits(APP_MODE_INITS);
    effect_set_world_hooks(app_effect_world_hooks());
    control_set_world_hooks(app_control_world_hooks());
    minimap_set_world_hooks(app_minimap_world_hooks());
    panel_set_effect_hooks(app_panel_effect_hooks());
}
