#pragma once
// Helpers the sector sources share among themselves (sector.cpp, sector_params.cpp,
// sector_save.cpp, sector_listing.cpp); not for other modules.
#include <cstdint>
#include "platform/result.h"
#include "world/sector.h"
#include "world/site_feature.h"

struct Buffer;

namespace sector_detail {

inline Sector *sector(GameObject *obj) { return static_cast<Sector *>(obj); }
inline const Sector *sector(const GameObject *obj) { return static_cast<const Sector *>(obj); }

// The kind of the feature a site carries, -1 without one.
inline int32_t feature_kind(const Site *site) { return site->feature ? site->feature->kind : -1; }

// Walks the sites in order up to the first null entry; the first for which pick answers true.
template <typename Pick>
Site *first_site(const Sector *s, Pick pick) {
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (pick(site)) return site;
    }
    return nullptr;
}

// The first starbase of the list (the census count is not consulted).
inline Site *starbase(const Sector *s) {
    return first_site(s, [](const Site *site) { return site->subtype == SITE_STARBASE; });
}

void free_snapshot_arrays(Sector *s);

// The save record and its snapshot copy (sector_save.cpp).
Result write(const GameObject *obj, Buffer *buf);
Result read(GameObject *obj, Buffer *buf);
Result link(GameObject *obj);
void   copy_record(GameObject *dest, const GameObject *src, int32_t level);

}  // namespace sector_detail
