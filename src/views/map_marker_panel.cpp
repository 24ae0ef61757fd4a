// The map marker panel over the game's galaxy map.
#include "views/map_marker_panel.h"

#include "game/game.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "views/map_minimap.h"

namespace {

bool galaxy_map_read(const void *, uint32_t flags, bool with_points, MinimapArea *out) {
    const Game *game = game_get();
    return map_minimap_read(game ? game->galaxy_map : nullptr, flags, with_points, out);
}

Control *minimap_in(Control *panel) { return panel_find_child(panel, MAP_MARKER_MINIMAP_ID); }

}  // namespace

void map_marker_panel_build(Control *panel) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 1);
    panel_set_scroll(panel, 0, 0);
    panel_add_child(panel, 0, 0, MAP_MARKER_MINIMAP_ID, 0,
                    minimap_control_create(galaxy_map_read, nullptr, MAP_MARKER_WIDTH, MAP_MARKER_HEIGHT));
    panel_relayout(panel);
}

void map_marker_place(Control *panel, int32_t x, int32_t y) { minimap_set_point(minimap_in(panel), x, y); }

void map_marker_panel_set_highlight(Control *panel, uint64_t object_id) {
    minimap_set_selected(minimap_in(panel), object_id);
}
