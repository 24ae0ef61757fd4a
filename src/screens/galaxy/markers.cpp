// Stand-in until the map markers and the hover information land: the hover reference moves.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "world/object.h"

void galaxy_markers_refresh() {
    static bool said = false;
    galaxy_not_yet(&said, "map markers");
}

void galaxy_markers_clear() {
    static bool said = false;
    galaxy_not_yet(&said, "map markers to clear");
}

void galaxy_hover_set(GameObject *object) {
    static bool said = false;
    galaxy_not_yet(&said, "hover information");
    GalaxyScreen *screen = galaxy_screen();
    if (screen->hovered == object) return;
    if (object) object_add_ref(object);
    if (screen->hovered) object_release(screen->hovered);
    screen->hovered = object;
}
