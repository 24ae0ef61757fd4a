// The framed minimap.
#include "ui/minimap_panel.h"

#include "platform/colour_fade.h"
#include "ui/control_minimap.h"
#include "ui/image_control.h"
#include "ui/panel.h"

namespace {

MinimapPanelHooks g_hooks;

}  // namespace

void minimap_panel_set_hooks(const MinimapPanelHooks &hooks) { g_hooks = hooks; }
const MinimapPanelHooks &minimap_panel_hooks() { return g_hooks; }

void minimap_panel_build(Control *panel) {
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
    ObjectMap *map = g_hooks.combat_map ? g_hooks.combat_map() : nullptr;
    if (Control *minimap = minimap_control_create(map, frame->w - 2, frame->h - 2)) {
        panel_add_child(panel, 5, 5, 0, 0, minimap);
        minimap->on_hold = g_hooks.on_hold;
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 4, h + 4);
}
