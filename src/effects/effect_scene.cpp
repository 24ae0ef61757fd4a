// The effects of scenes, placed in a scene panel.
#include "effects/effect_scene.h"

#include "effects/effect_particles.h"
#include "effects/effect_spark.h"
#include "effects/effect_sprite.h"
#include "platform/sprite.h"
#include "ui/panel.h"

void effect_scene_halo(Control *panel, int style, int cx, int cy) {
    if (HaloEffect *halo = effect_create_halo(style))   // drawn from its top-left corner
        panel_add_effect(panel, halo, cx - halo->width / 2, cy - halo->height / 2, -2);
}

void effect_scene_explosion(Control *panel, bool large, int cx, int cy, int delay) {
    ParticleEffect *effect = large ? effect_create_large_explosion_particles() : effect_create_explosion_particles();
    if (!effect) return;
    effect_particles_set_delay(effect, delay);
    panel_add_effect(panel, effect, cx, cy, 0);
}

void effect_scene_pulse(Control *panel, int cx, int cy, int direction) {
    if (PulseEffect *pulse = effect_create_pulse(5, 48, 230, 600, 240, 200, 260, direction, 0, 0))
        panel_add_effect(panel, pulse, cx, cy, -1);
}

int effect_scene_portal(Control *panel, int x, int y, int delay, int hold) {
    PortalEffect *portal = effect_create_portal(0);
    if (!portal) return 0;
    effect_portal_open(portal, delay, hold);
    int height = portal->height;
    if (height <= 0 && portal->frame_count > 0 && portal->frames[0]) height = portal->frames[0]->height;
    panel_add_effect(panel, portal, x, y, -2);
    return height;
}
