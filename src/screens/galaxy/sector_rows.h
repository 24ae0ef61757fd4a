#pragma once
// The pieces the sector panel and the sector information panel share: the row of site icons as
// the viewing player remembers the sector's sites, and the production boxes of a sector's
// starbase, shipyard and training site.
//  - Remembered copies (the viewer's known-object map) give the site icons; the live sector gives
//    production.
//  - Game thread only.
#include <cstdint>

struct Control;
struct GameObject;
struct Sector;
struct SystemRow;
template <typename T> struct List;

constexpr uint32_t SECTOR_ICONS_FEATURES   = 0x1;   // pass 1: features with their badges
constexpr uint32_t SECTOR_ICONS_FACILITIES = 0x2;   // pass 2: facilities, the first harvester only
constexpr uint32_t SECTOR_ICONS_OPEN_SITE  = 0x4;   // a click on an icon opens that site's panel

// The icon row of the remembered sector's sites, sized to its icons with each centred vertically;
// null when no site gives an icon. `remembered` is the viewer's copy of the sector.
Control *sector_site_icon_row_create(const GameObject *remembered, uint64_t viewer_id, uint32_t passes);

// A site icon's click (SECTOR_ICONS_OPEN_SITE): the live site the icon stands for, selected, in
// the site panel beside it; nothing when the site is gone.
void sector_site_icon_on_click(Control *icon);

// The production boxes of the live sector, by kind; null when the sector has no such site or it
// produces nothing.
enum SectorBoxKind : int32_t { SECTOR_BOX_STARBASE = 0, SECTOR_BOX_SHIPYARD = 1, SECTOR_BOX_TRAINING = 2 };
Control *sector_production_box_create(const GameObject *sector, SectorBoxKind kind);

// The starbase figures of an own sector as stat rows: crew always ("Starbase crew"), then the
// resource yield, the research rating (points with one decimal) and the crew recruitment, each
// only when above 0. Without labels the rows are an icon and a value.
void sector_starbase_rows_add(List<SystemRow> *rows, const Sector *sector, bool labelled);
