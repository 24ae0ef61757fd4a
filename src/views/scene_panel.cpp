// Scene panel: fill, border, background picture, items and size from a Scene.
#include "views/scene_panel.h"

#include <cstdio>
#include <new>

#include "platform/colour_fade.h"
#include "platform/sprite.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scene.h"

namespace {

struct ScenePanelState {
    Sprite *background = nullptr;   // one reference
};

void free_scene_state(void *data) {
    ScenePanelState *state = static_cast<ScenePanelState *>(data);
    if (state && state->background) sprite_release(state->background);
    delete state;
}

}  // namespace

void scene_panel_init(Control *panel, const Scene *scene) {
    Panel *p = panel_of(panel);
    if (!p || !scene) return;
    panel_remove_children(panel);
    if (scene->flags & SCENE_DARK) {
        panel_set_background(panel, true);
        colour_fade_set(p->background, 3, 3, 3);
    }
    if (scene->flags & SCENE_BORDER) {
        panel_set_border(panel, true);
        colour_fade_start(p->border, 24, 24, 0, 64, 64, 64, 1, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        if (p->border) {   // the channels step at their own pace, so the pulse drifts through hues
            p->border->period_r = 25;
            p->border->period_g = 25;
            p->border->period_b = 15;
        }
    }
    ScenePanelState *state = new (std::nothrow) ScenePanelState{};
    control_set_widget_state(panel, state, free_scene_state);
    if ((scene->flags & SCENE_BACKGROUND) && state) {
        char path[40];
        std::snprintf(path, sizeof path, "scene/bg/%.3i.png", scene->background);
        if (Sprite *picture = sprite_load_png(path)) {
            sprite_addref(picture);
            state->background = picture;
            if (Control *image = image_control_create_single(picture)) {
                panel_add_child(panel, 0, 0, 0, 1, image);
                image->layer = -3;
            }
        }
    }
    scene_build(scene, panel);
    if (scene->flags & SCENE_FIXED_SIZE) {
        control_set_size(panel, scene->width, scene->height);
    } else if (scene->flags & SCENE_FIT) {
        panel_stop_resize(panel);
        int w = 0, h = 0;
        panel_layout(panel, &w, &h);
        control_set_size(panel, w, h);
    }
}

Control *scene_panel_create(const Scene *scene) {
    Control *panel = panel_create_empty();
    if (panel) scene_panel_init(panel, scene);
    return panel;
}
