#pragma once
// Sector: one star system on the galaxy map (object kind 2). It holds the sites that stand in it
// (star, resource bodies, starbase and other facilities) and the ships present, counts its sites
// by template, offers what can still be built there, labels its sites, detects other players'
// objects for its owner, twinkles its star and sends a detection pulse, forwards the clock and
// the turn to its sites and visitors, and saves its sites inside its own record.
//  - Owns one reference on every site in `sites` and every object in `objects`; `buildable` owns
//    its heap ints. The owner is the player owning the starbase (the header's owner id).
//  - Six templates (0..5) read from "sector/%.3i/dat/params.dat" with their star frames
//    "sector/%.3i/png/%.3i.png"; template 5 is the protected home sector "Sol".
//  - Random draws that need not survive a save (twinkle, pulse, placement, labels) use the
//    calling thread's quick generator.
//  - Game thread, or an AI worker while the screens wait for it; no lock.
//  - sector.cpp: the record, its operation row, queries, placement and labels, detection and the
//    turn; sector_params.cpp: the parameter file and load groups; sector_save.cpp: the save
//    record, link step and snapshot; sector_listing.cpp: the panels' listings.
//  - Result codes: RES_SHORT_BUFFER, RES_MALFORMED (a negative count, a nested record that is not
//    a site), RES_NO_MEMORY; a site's link code (RES_UNRESOLVED_ID); RES_NO_FEATURE_SITE (-55)
//    when no site takes a feature.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"
#include "world/object.h"
#include "world/site.h"

struct Buffer;
struct Factory;
struct ObjectMethods;
struct Officer;
template <typename T> struct ShuffleBag;

constexpr int32_t SECTOR_TEMPLATE_COUNT = 6;
constexpr int32_t SECTOR_SOL_TEMPLATE   = 5;
constexpr int32_t SECTOR_SITE_KINDS     = SITE_TEMPLATE_COUNT;   // site templates 0..15
constexpr int32_t SECTOR_LABEL_COUNT    = 11;    // "Alpha" .. "Tau"

// Sector::sector_flags (template flags from the parameter file).
constexpr uint32_t SECTOR_FLAG_NO_PULSE = 0x1;   // never sends a detection pulse

constexpr int32_t SECTOR_PLACE_TRIES      = 4096;
constexpr int32_t SECTOR_SITE_MIN_WIDTH   = 140;     // a site keeps at least this much room
constexpr int32_t SECTOR_PULSE_MS         = 10000;
constexpr int32_t SECTOR_SCAN_PERCENT     = 15;      // a ship's scan range on the galaxy map

struct Sector : GameObject {
    uint32_t    sector_flags = 0;         // template flags (SECTOR_FLAG_*)
    std::string label;                    // the proper name; the display name
    int32_t     star_variant = 0;         // 0..15, drawn at creation
    int32_t     reserved_a = 0, reserved_b = 0;
    int32_t     twinkle_ms = 0;           // until the next random star frame
    int32_t     pulse_ms = 0;             // until the next detection pulse
    List<Site>       sites;               // one reference each
    List<GameObject> objects;             // ships present; one reference each
    List<int32_t>    buildable;           // site templates that can be built here now
    int32_t     site_counts[SECTOR_SITE_KINDS] = {};
    int32_t     detect_range = 0;         // largest sensor range of the sites
    int32_t     resource_sites = 0;       // harvestable resource bodies

    // Template: site choices and the numbers of random sites a new sector may get.
    int32_t              choice_count = 0;
    std::vector<int32_t> choice_site, choice_a, choice_b;
    int32_t              site_count_choice_count = 0;
    std::vector<int32_t> site_count_choices;

    // Snapshot: filled only in the copies players keep (copy_record).
    int32_t               known_site_count = 0;
    std::vector<uint64_t> known_site_ids;
    std::vector<int32_t>  known_site_kinds;
    int32_t               known_feature_kind = -1;
    int32_t               known_object_count = 0;
    std::vector<uint64_t> known_object_ids;
    int32_t               known_defence_kind = -1;
    int32_t               known_defenders = 0, known_defenders_lost = 0;
    int32_t               known_starbase_crew = 0;
};

inline Sector *sector_of(GameObject *obj) {
    return obj && obj->kind == OBJECT_SECTOR && !(obj->flags & OBJ_STUB) ? static_cast<Sector *>(obj) : nullptr;
}

// ---- Kind registration (object_kinds.cpp) ----
void sector_register_methods(ObjectMethods *row);
void sector_register_factory(Factory *factory);

// ---- Tables ----
int32_t     sector_star_kind(int32_t sector_template);   // the star's site template
const char *sector_label_name(int32_t index);            // null outside 0..10

// ---- Parameters ----
// Decodes a parameter file at the cursor into a template.
Result sector_read_params(Sector *tmpl, Buffer *buf);

// ---- Queries (each walks a list in order and stops at the first null entry) ----
Sector     *sector_create(int32_t sector_template);       // through the factory; null when it cannot
Site       *sector_find_site_of_kind(const Sector *sector, int32_t kind);
Site       *sector_find_site_under_construction(const Sector *sector, int32_t kind);
int32_t     sector_starbase_crew(const Sector *sector);
bool        sector_starbase_crew_full(const Sector *sector);
int32_t     sector_starbase_intake(const Sector *sector);
bool        sector_has_starbase_of(const Sector *sector, uint64_t player_id);
Site       *sector_find_harvester_of(const Sector *sector, uint64_t target_id);
int32_t     sector_harvest_income(const Sector *sector);
int32_t     sector_total_research_rate(const Sector *sector);
Site       *sector_find_recruitable_site(const Sector *sector);   // a peopled site whose crew can be recruited
Site       *sector_find_defended_site(const Sector *sector);
bool        sector_has_defended_site(const Sector *sector);
Site       *sector_find_gather_site(const Sector *sector);   // resources or survivors to gather
int32_t     sector_first_feature_kind(const Sector *sector);
Site       *sector_find_site_with_feature(const Sector *sector, int32_t feature_kind);
Site       *sector_find_cheapest_resource_site(const Sector *sector);
Site       *sector_find_free_resource_site(const Sector *sector);
Result      sector_generate_feature(Sector *sector, int32_t feature_kind);
int32_t     sector_count_objects_of_owner(const Sector *sector, uint64_t player_id);
int32_t     sector_count_other_owners(const Sector *sector, uint64_t player_id);
GameObject *sector_get_object(const Sector *sector, int32_t index);
int32_t     sector_object_count(const Sector *sector);
Site       *sector_get_site(const Sector *sector, int32_t index);
int32_t     sector_site_count(const Sector *sector);
bool        sector_has_site_kind(const Sector *sector, int32_t kind);
int32_t     sector_get_entry_kind(const Sector *sector, int32_t index);   // -1 out of range
int32_t     sector_entry_count(const Sector *sector);
bool        sector_can_build(const Sector *sector, int32_t kind);
void        sector_add_object(Sector *sector, GameObject *obj);           // one reference taken
void        sector_remove_object(Sector *sector, GameObject *obj);        // first occurrence, released
void        sector_set_reserved(Sector *sector, int32_t a, int32_t b);
int32_t     sector_count_labelled_sites(const Sector *sector);
// Some object of the player is present in the sector.
bool        sector_has_object_of(const GameObject *sector, uint64_t player_id);
// The live sector of that id on the galaxy map (else through the game's object lookup), or null.
Sector     *sector_find(uint64_t id);
// A ship's membership: the sector holding it and the sector's object list (world/ship.cpp).
void        sector_join(GameObject *sector, GameObject *obj);    // not a live sector: nothing
void        sector_leave(GameObject *sector, GameObject *obj);

// ---- Listings ----
// A new list (the caller frees it; the objects gain no references) of the objects present: the
// sector owner's first, then each other owner's in the order their first object is met, each
// group ordered by name.
List<GameObject> *sector_sorted_object_list(const Sector *sector);
// Puts obj among the entries of its owner, before the first whose name is not below its own;
// appended when there is none.
void              sector_list_insert(GameObject *obj, List<GameObject> *list);
// Whether an officer other than `officer` (null: any) serves in the sector for an exchange.
bool              sector_has_officer_available(const Sector *sector, const Officer *officer);

// ---- New game ----
int32_t sector_template_random_entry(const Sector *sector);   // a random site count, 0 without
// The site templates the template offers, as heap ints the bag frees; null for an unknown
// template or one that offers no random sites.
ShuffleBag<int32_t> *sector_template_site_bag(int32_t sector_template);
void sector_place_site(Sector *sector, int32_t site_template, int32_t *out_x, int32_t *out_y);
void sector_add_site(Sector *sector, Site *site, int32_t x, int32_t y);
void sector_arrange_sites(Sector *sector);
void sector_assign_site_labels(Sector *sector);
void sector_refresh_sites(Sector *sector);
