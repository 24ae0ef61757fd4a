// The framed minimap over the game's combat map.
#include "views/minimap_panel.h"

#include "game/game.h"
#include "platform/colour_fade.h"
#include "ui/control_minimap.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "views/map_minimap.h"

namespace {

bool combat_map_read(const void *, uint32_t flags, bool with_points, MinimapArea *out) {
    const Game *game = game_get();
    return map_minimap_read(game ? game->combat_map : nullptr, flags, with_points, out);
}

}  // namespace

void minimap_panel_build(Control *panel, ControlFn on_hold) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    p->flags &= ~PANEL_PLAIN_MASK_KEEP_BORDER;
    panel_set_border(panel, true);
    panel_set_draw_children_while_resizing(panel, true);
    colour_fade_set(p->border, 96, 96, 96);
    Control *frame = image_control_create(IMAGE_MINIMAP_FRAME);
    if (!frame) return;
    panel_add_child(panel, 4, 4, 0, 1, frame);
    frame->layer = -1;
    if (Control *minimap = minimap_control_create(combat_map_read, nullptr, frame->w - 2, frame->h - 2)) {
        panel_add_child(panel, 5, 5, 0, 0, minimap);
        minimap->on_hold = on_hold;
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 4, h + 4);
}
