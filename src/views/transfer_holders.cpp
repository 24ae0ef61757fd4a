// The holders' pictures of a transfer slider.
#include "views/transfer_holders.h"

#include <cstdint>

#include "ui/transfer_slider.h"
#include "world/object.h"

Sprite *object_transfer_picture(GameObject *object) {
    if (!object || !object->frames) return nullptr;
    int32_t frame = -1;
    if (object->kind == OBJECT_SHIP) frame = object->frame;
    else if (object->kind == OBJECT_SITE) frame = object_get_picture(object);
    if (frame < 0 || frame >= object->frame_count) return nullptr;
    return object->frames[frame];
}

void transfer_slider_set_holders(Control *slider, GameObject *left, GameObject *right) {
    transfer_slider_set_pictures(slider, object_transfer_picture(left), object_transfer_picture(right));
}
