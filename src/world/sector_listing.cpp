// The sector's object listings for the panels: the objects present in display order, and whether
// another officer serves in the sector for an exchange.
#include <vector>
#include "game/officer.h"
#include "world/fleet.h"
#include "world/sector_internal.h"
#include "world/ship.h"

namespace {

// The name the kind keeps in its own record: a ship's name, a fleet's; else the header's.
const char *list_name(const GameObject *obj) {
    if (const Ship *ship = ship_of(obj)) return ship->ship_name.c_str();
    if (const Fleet *fleet = fleet_of(obj)) return fleet->display_name.c_str();
    return obj->name.c_str();
}

// Inserts every object of `owner` from the work list into the listing and takes it out.
// owner_unset: the pass takes its owner from the first object met while it is still 0.
uint64_t take_owner(std::vector<GameObject *> *work, uint64_t owner, bool owner_unset, List<GameObject> *out) {
    for (GameObject *&obj : *work) {
        if (owner_unset && owner == 0) owner = obj->owner_id;
        if (obj->owner_id != owner) continue;
        sector_list_insert(obj, out);
        obj = nullptr;
    }
    std::erase(*work, nullptr);
    return owner;
}

}  // namespace

void sector_list_insert(GameObject *obj, List<GameObject> *list) {
    const std::string_view name = list_name(obj);
    for (int32_t i = 0; i < list_count(list); ++i) {
        const GameObject *entry = list_get(list, i);
        if (!entry || entry->owner_id != obj->owner_id) continue;
        if (std::string_view(list_name(entry)) >= name) {
            list->items.insert(list->items.begin() + i, obj);
            return;
        }
    }
    (void)list_append(list, obj);
}

List<GameObject> *sector_sorted_object_list(const Sector *s) {
    List<GameObject> *out = list_create<GameObject>();
    if (!out) return nullptr;
    std::vector<GameObject *> work;
    for (GameObject *obj : s->objects.items) {
        if (!obj) break;
        work.push_back(obj);
    }
    if (s->owner_id != 0) take_owner(&work, s->owner_id, false, out);
    while (!work.empty())
        if (take_owner(&work, 0, true, out) == 0) break;   // only unowned objects were left
    return out;
}

bool sector_has_officer_available(const Sector *s, const Officer *officer) {
    if (officer && s->owner_id != officer->owner_id) return false;
    if (s->site_counts[SITE_STARBASE] < 1) return false;
    const Site *base = sector_detail::starbase(s);
    if (!base || (officer && base->owner_id != officer->owner_id)) return false;
    if (base->commander && base->commander != officer) return true;
    for (Officer *other : base->officers.items) {
        if (!other) break;
        if (other != officer) return true;
    }
    for (GameObject *obj : s->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (ship && obj->owner_id == s->owner_id && ship->pilot && ship->pilot != officer) return true;
    }
    return false;
}
