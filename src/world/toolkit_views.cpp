// The toolkit's view of templates and objects.
#include "world/toolkit_views.h"

#include <cstdint>

#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

// The template, with the factories set up first; null when that fails or there is no such one.
GameObject *scene_template(int kind, int tmpl) {
    if (tmpl < 0 || factory_init() != RES_OK) return nullptr;
    const Factory *factory = factory_get(kind);
    if (!factory || tmpl >= factory->template_count) return nullptr;
    return factory_get_template(kind, tmpl);
}

}  // namespace

Sprite *template_scene_picture(int factory, int tmpl, int frame) {
    GameObject *t = scene_template(factory == 0 ? OBJECT_SITE : OBJECT_SHIP, tmpl);
    if (!t || !t->frames || frame < 0 || frame >= t->frame_count) return nullptr;
    return t->frames[frame];
}

int template_ship_heading_frame(int tmpl, int degrees) {
    GameObject *t = scene_template(OBJECT_SHIP, tmpl);
    return t ? ship_frame_for_heading(static_cast<const Ship *>(t), degrees) : -1;
}

int template_site_halo_style(int tmpl) {
    const Site *t = static_cast<const Site *>(scene_template(OBJECT_SITE, tmpl));
    if (!t || !(t->params.template_flags & SITE_TF_HALO)) return -1;
    return t->params.halo_style;
}

