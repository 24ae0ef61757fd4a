// Classes of the minimap, arc and two-colour bitmap controls (types 0, 7 and 8). Their pictures
// come with the combat and site screens; until then the types exist as plain rectangles.
#include "ui/control.h"

namespace {
const ControlClass k_plain_class = {};
}  // namespace

const ControlClass *minimap_class() { return &k_plain_class; }
const ControlClass *arc_class() { return &k_plain_class; }
const ControlClass *bitmap_class() { return &k_plain_class; }
