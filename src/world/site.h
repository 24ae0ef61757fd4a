#pragma once
// Site: one body or facility inside a sector (object kind 4): the sector's star, resource bodies
// that can be mined, and the facilities players build there (starbase, shipyard, harvester,
// research station, training site ...). Sixteen templates 0..15, read from "site/%.3i/dat/params.dat".
//  - A Site is a GameObject; its kind record follows the header. The template parameters (SiteParams)
//    are copied into every site made from a template; the frame-range offset and hot-spot tables
//    are shared with the template (which owns them: state SITE_OWNS_TABLES), the variant table stays
//    with the template.
//  - Owns its status text, its four dates, its feature record (site_feature.h) and one reference on
//    every officer of `officers` and on its commander.
//  - Production, harvesting, research, crew intake and recruit training run in site_advance_clock
//    (site_production.cpp); features, gathering and the surface grid in site_feature.cpp.
//  - Game thread, or a worker that runs the game model while the screens wait for it. No lock.
//  - Result codes: site_read_params RES_SHORT_BUFFER, RES_MALFORMED (also a negative frame range
//    start or count), RES_NO_MEMORY; the parameter group RES_MALFORMED for a frame range beyond the
//    template's frames; the save record
//    RES_SHORT_BUFFER, RES_MALFORMED, RES_NO_MEMORY; site_link RES_UNRESOLVED_ID; group loads
//    RES_READ_FAILED for a frame that does not load; production RES_UNDER_CONSTRUCTION,
//    RES_CREW_SHORT, RES_UNKNOWN_OWNER, RES_OUT_OF_RANGE.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"
#include "world/object.h"
#include "world/site_flags.h"

struct Buffer;
struct Date;
struct Factory;
struct FactoryFrame;
struct ObjectMethods;
struct Officer;
struct Sector;
struct SiteFeature;

constexpr int32_t SITE_TEMPLATE_COUNT  = 16;
constexpr int32_t SITE_ATTRIBUTE_COUNT = 5;
constexpr int32_t SITE_GRID_COLOUR_BYTES = 6;

// Site::attributes, in order.
enum SiteAttribute : int32_t {
    SITE_ATTR_DIAMETER = 0,       // km
    SITE_ATTR_TEMPERATURE = 1,    // tenths of a kelvin
    SITE_ATTR_GRAVITY = 2,        // tenths of a G
    SITE_ATTR_ATMOSPHERE = 3,     // tenths of an atmosphere
    SITE_ATTR_STELLAR_MASS = 4,   // hundredths of a solar mass
};

// Templates with fixed roles (1..5 are the star kinds, one per sector template).
constexpr int32_t SITE_STARBASE = 0;
constexpr int32_t SITE_SHIPYARD = 7;
constexpr int32_t SITE_HARVESTER = 13;
constexpr int32_t SITE_RESEARCH_STATION = 14;   // rated by research, run by the starbase crew
constexpr int32_t SITE_TRAINING = 15;

// Site::state.
constexpr uint32_t SITE_PRODUCING          = 0x1;
constexpr uint32_t SITE_UNDER_CONSTRUCTION = 0x2;
constexpr uint32_t SITE_PENDING            = 0x4;     // paid, not yet advanced
constexpr uint32_t SITE_CONTESTED          = 0x8;     // objects of another owner in the sector
constexpr uint32_t SITE_HARVESTER_MOVING   = 0x10;
constexpr uint32_t SITE_OWNS_TABLES        = 0x20;    // a template whose load groups ran
constexpr uint32_t SITE_PAUSED_KEPT        = 0x40;
constexpr uint32_t SITE_CREW_SHORT         = 0x80;
constexpr uint32_t SITE_RUSHED             = 0x100;
constexpr uint32_t SITE_PRODUCTION_CARRY   = 0x200;   // odd minute owed to contested production
constexpr uint32_t SITE_RECRUIT_CARRY      = 0x400;   // odd minute owed to contested training
constexpr uint32_t SITE_DEACTIVATED        = 0x800;
constexpr uint32_t SITE_RESOURCES_DOUBLED  = 0x1000;
constexpr uint32_t SITE_CREW_FULL          = 0x2000;

// Harvester animations by index.
enum SiteHarvesterAnimation : int32_t {
    SITE_ANIM_IDLE = 0,
    SITE_ANIM_DEPLOY = 1,
    SITE_ANIM_TRAVEL_LEFT = 2,
    SITE_ANIM_TRAVEL_RIGHT = 3,
    SITE_ANIM_ARRIVE_FROM_LEFT = 4,
    SITE_ANIM_ARRIVE_FROM_RIGHT = 5,
    SITE_ANIM_CREW_SHORT = 6,
    SITE_ANIM_DEACTIVATED = 7,
};

constexpr int32_t SITE_MOVE_DONE = 5;   // move_phase once a harvester's move is over

// Starbase crew a sector needs before its sites work and produce.
constexpr int32_t SITE_CREW_NEEDED = 100;

struct SiteVariant {
    int32_t idle_animation = 0;
    int32_t variant_value = 0;
    int32_t resource_min = 0;
    int32_t resource_max = 0;
};

// The template parameters, in file order (params.dat items in brackets).
struct SiteParams {
    uint32_t template_flags = 0;         // [2]
    int32_t  build_cost = 0;             // [4] credits to build it from a starbase
    int32_t  build_days = 0;             // [5]
    int32_t  rush_low_price = 0;         // [6] rush price when nearly done
    int32_t  rush_high_price = 0;        // [7] rush price when just started
    int32_t  frame_range_first = 0;      // [8] the detail pictures (load group 3)
    int32_t  frame_range_count = 0;      // [9]
    int32_t  variant_value = 0;          // [10]
    int32_t  spare_11 = 0;               // [11]
    int32_t  construction_frame = 0;     // [12]
    int32_t  special_frame = 0;          // [13] encounter picture (load group 2)
    int32_t  spare_14 = 0;               // [14]
    int32_t  idle_animation = 0;         // [15]
    int32_t  idle_animation_choices = 0; // [16]
    int32_t  resource_min = 0, resource_max = 0;   // [17, 18]
    int32_t  divisor_min = 0, divisor_max = 0;     // [19, 20]
    int32_t  crew_capacity = 0;          // [21]
    int32_t  sensor_range = 0;           // [22]
    int32_t  base_intake = 0;            // [23] weekly crew intake
    int32_t  place_min_x = 0, place_min_y = 0, place_max_x = 0, place_max_y = 0;   // [24..27]
    int32_t  harvest_factor = 0;         // [28]
    int32_t  research_factor = 0;        // [29]
    int32_t  spare_30 = 0;               // [30]
    int32_t  attribute_min[SITE_ATTRIBUTE_COUNT] = {};   // [32..41] pairwise with attribute_max
    int32_t  attribute_max[SITE_ATTRIBUTE_COUNT] = {};
    int32_t  grid_generator = 0;         // [42] 1..5
    int32_t  grid_width = 0, grid_height = 0;            // [43, 44]
    uint8_t  grid_colours[SITE_GRID_COLOUR_BYTES] = {};  // [45..50] low and high RGB of the surface grid
    // [52] per-frame offsets of the frame range (frame_range_count each), shared with the template.
    const int32_t *range_offset_x = nullptr;
    const int32_t *range_offset_y = nullptr;
    // [53] per-frame hot-spot offsets, shared with the template.
    int32_t        hotspot_count = 0;
    const int32_t *hotspot_x = nullptr;
    const int32_t *hotspot_y = nullptr;
    int32_t  defense_cost = -1;          // [54] starbase defense upgrade price, -1 none
    int32_t  defense_minutes = -1;       // [55] and its duration
    int32_t  halo_style = 0;             // [56]
    int32_t  spare_57 = 0;               // [57]
    int32_t  defense_rush_low = 0;       // [58]
    int32_t  defense_rush_high = 0;      // [59]
};

struct Site : GameObject {
    uint32_t      state = 0;
    int32_t       variant = 0;
    uint64_t      sector_id = 0;
    Officer      *commander = nullptr;      // a starbase's commanding officer, one reference
    uint64_t      commander_id = 0;
    SiteFeature  *feature = nullptr;        // owned
    std::string   status_text;
    int32_t       remaining_min = 0, total_min = 0;
    int32_t       rush_low = 0, rush_high = 0;
    int32_t       item = 0;
    uint64_t      item_id = 0;
    int32_t       cost_paid = 0;
    Date         *started = nullptr;        // owned
    int32_t       paused_remaining = 0, paused_total = 0, paused_rush_low = 0, paused_rush_high = 0;
    int32_t       paused_item = 0;
    uint64_t      paused_item_id = 0;
    int32_t       paused_cost = 0;
    Date         *build_started = nullptr;  // owned
    int32_t       progress = 0;             // construction percent 0..100
    int32_t       harvest_timer = 0, harvest_cycle = 0;
    Date         *built = nullptr;          // owned
    int32_t       crew = 0;
    Date         *crew_checked = nullptr;   // owned
    int32_t       resources_max = 0, resources_left = 0;
    int32_t       harvest_divisor = 0, harvest_carry = 0;
    uint64_t      harvest_target_id = 0;
    int32_t       research_timer = 0;
    List<Officer> officers;                 // a starbase's officers, a training site's recruits
    int32_t       recruit_timer = 0;
    int32_t       move_phase = 0;
    int32_t       population = 0;
    int32_t       label_number = 0;
    int32_t       attributes[SITE_ATTRIBUTE_COUNT] = {};
    uint32_t      grid_seed = 0;
    int32_t       hotspot_x = 0, hotspot_y = 0;
    int32_t       home_x = 0, home_y = 0;
    int32_t       completed_items = 0;
    int32_t       defense_level = 0, defense_progress = 0;
    int32_t       gather_a = 0, gather_b = 0, gather_state = -1;
    int32_t       known_feature_kind = -1;
    SiteParams    params;
    std::vector<SiteVariant> variants;      // templates only
};

inline Site *site_cast(GameObject *obj) {
    return obj && obj->kind == OBJECT_SITE && !(obj->flags & OBJ_STUB) ? static_cast<Site *>(obj) : nullptr;
}
inline const Site *site_cast(const GameObject *obj) {
    return obj && obj->kind == OBJECT_SITE && !(obj->flags & OBJ_STUB) ? static_cast<const Site *>(obj) : nullptr;
}

// ---- Registration (object_kinds.cpp) ---------------------------------------------------------------

void site_register_methods(ObjectMethods *row);
void site_register_factory(Factory *factory);

// ---- Templates and parameters ------------------------------------------------------------------------

// The loaded template t (a Site), null outside 0..15 or before the factories are set up.
Site  *site_template(int32_t t);
// Reads a params.dat record into the template (name, speed, animations and SiteParams); the
// previous tables and animations of the template are freed first.
Result site_read_params(Site *tmpl, Buffer *buf);
// The factory's slots: group 0 reads params.dat and the frame sizes; group 1 holds every frame but
// the frame range and the special frame, 2 the special frame, 3 the frame range.
Result site_load_params(GameObject *tmpl);
void   site_group_frames(const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out);

// ---- Creation and record -----------------------------------------------------------------------------

Site *site_create(int32_t t);   // a new site of template t (refcount 0, no id); null for a bad t
void  site_set_under_construction(Site *site, int on);
void  site_set_harvest_target(Site *site, uint64_t id);
void  site_init_resources(Site *site);
void  site_add_resources(Site *site, int32_t n);
int32_t site_resource_ratio(const Site *site, int32_t n);
void  site_random_layout(Site *site);
void  site_feature_template(Site *site, int32_t variant);
int32_t site_get_population(const Site *site);
void  site_set_population(Site *site, int32_t n);
Officer *site_get_officer(const Site *site, int32_t index);
int32_t  site_officer_count(const Site *site);
void     site_add_officer(Site *site, Officer *officer);
void     site_remove_officer(Site *site, uint64_t id);
// A starbase's commanding officer (null: none). The outgoing commander is no longer posted here
// (its site id is cleared) and loses the starbase's reference.
void     site_set_pilot(Site *site, Officer *officer);
Officer *site_find_recruit(const Site *site, uint64_t id);
bool site_is_producing(const Site *site);
bool site_is_pending(const Site *site);
bool site_is_under_construction(const Site *site);
bool site_is_contested(const Site *site);
bool site_is_deactivated(const Site *site);
bool site_is_crew_short(const Site *site);   // its work stopped for want of crew
bool site_has_variants(const Site *site);
bool site_is_idle(const Site *site);
void site_clear_contested(Site *site);
bool site_special_frame_is(const Site *site, int32_t frame);
bool site_frame_in_range(const Site *site, int32_t frame);
bool site_frame_is_plain(const Site *site, int32_t frame);
Result site_load_description(const Site *site, std::string *out);   // "site/%.3i/dat/desc.txt"
void site_set_animation_state(Site *site);

// The sector holding the site (a live sector of the galaxy map), or null.
Sector *site_find_sector(const Site *site);
// The site of that id in the site's sector, or null.
Site *site_find_in_sector(const Site *site, uint64_t id);

// ---- Production and cycles (site_production.cpp) -----------------------------------------------------

Result  site_start_production(Site *site, int32_t item, uint64_t item_id);
void    site_stop_production(Site *site);
void    site_rush(Site *site);
// 0 when not producing; else 1 and each requested output (null outputs skipped). The item is the
// site template record a starbase builds or the design (a ship of the owner) a shipyard builds.
int32_t site_production_info(Site *site, GameObject **out_item, Officer **out_recruit, int32_t *out_days_left,
                             int32_t *out_days_total, int32_t *out_rush_cost);
// The rush price of the current item; 0 when its total is 0 (such an item cannot be rushed).
int32_t site_rush_cost(const Site *site);
// 0 unless a paused item is kept; else 1 with its item, id, cost and whole days left.
int32_t site_get_paused_production(const Site *site, int32_t *out_item, uint64_t *out_item_id, int32_t *out_cost,
                                   int32_t *out_days_left);
void    site_clear_paused(Site *site);
// The crew of the starbase of the site's sector when that sector is the site's owner's; else 0.
int32_t site_starbase_crew(const Site *site);
// Whether the site lacks the crew to work: labelled bodies and templates never short are spared;
// the rest needs its sector to be its owner's and that sector's starbase to hold SITE_CREW_NEEDED.
bool    site_lacks_crew(const Site *site);
// Sets or clears the crew-short state by site_lacks_crew, at once rather than at the next tick;
// a starbase manned again starts its week of crew intake afresh.
void    site_refresh_crew_short(Site *site);
void    site_update_crew_state(Site *site);
void    site_stamp_crew_ok(Site *site);
void    site_add_crew(Site *site, int32_t n);
int32_t site_crew_intake_rate(Site *site);   // what the next weekly intake draws from the owner's worlds, plus its bonus
int32_t site_harvest_amount(Site *site);
int32_t site_research_rate(Site *site);
// Recruits of a training site: the first draw when it joins a sector, and a fresh pool for a new
// owner (the old recruits are released).
void    site_spawn_initial_recruits(Site *site);
void    site_reset_recruits(Site *site);
void    site_advance_clock(GameObject *obj, int32_t minutes);
void    site_galaxy_turn(GameObject *obj);
