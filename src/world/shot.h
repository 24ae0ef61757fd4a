#pragma once
// Shot: the object kind 1, a projectile a system fires (drone pod, bolt, missile, volley, drain
// charge, mass-driver round). It flies across the combat map as an object of its own, takes
// combat turns like a ship when it flies in legs, can be shot down by point defence on the way,
// and on arrival damages its target or hands the arrival to its firing system type's impact.
//  - Owns the Shot record after the GameObject header, the six templates with their parameter
//    files "shot/%.3i/dat/params.dat" and frames "shot/%.3i/png/%.3i.png", the flight, the
//    interception walk, the trail of a segmented shot (a volley of rounds drawn as one object), and
//    the save record with its link step.
//  - A shot holds one reference on its source and one on its target. The trail tables belong to
//    the template (SHOT_FLAG_TEMPLATE); shots share them.
//  - A template's trail tables must hold every row a trail can reach: a parameter file whose
//    tables fall short is refused with RES_MALFORMED, so the trail never reads past them.
//  - Figures the save record does not hold come from the template again after a load: the blast
//    radius (the template's `tmpl_word_b`), the travel speed, the remaining range (the template's
//    none: a range-limited shot read from a save flies on without a limit) and the mean damage.
//  - Quiet mode (the game's resolve-at-once flag): no sounds, texts or effects.
//  - Game thread, or the autocombat worker while it owns the model. No locks.
//  - Result codes: RES_SHORT_BUFFER (-15) a parameter file or record ends early; RES_MALFORMED
//    (-23) a negative count or trail tables that do not cover the trail; RES_READ_FAILED (-5) a
//    frame that does not load; RES_SHOT_WITHOUT_TARGET (-32) from act when no target is left;
//    RES_UNRESOLVED_ID (4312) a link that did not resolve.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "platform/result.h"
#include "world/object.h"

struct Buffer;
struct Factory;
struct FactoryFrame;
struct ObjectMethods;
struct ParticleSurface;

constexpr int32_t SHOT_TEMPLATE_COUNT = 6;
constexpr int32_t SHOT_TRAIL_SHOWN_MAX = 5;     // rounds drawn of a segmented shot
constexpr int32_t SHOT_BLEND_END = 200;         // blend progress after a direction change
constexpr int32_t SHOT_HOLD_MS = 800;
constexpr int32_t SHOT_FIRST_LEG = 45;          // the first leg after targeting
constexpr int32_t SHOT_FIRST_LAUNCH_LEG = 30;   // the first leg after a launch at a point
constexpr int32_t SHOT_LEG_INITIATIVE = 4500;   // a legged shot's initiative after its turn
constexpr int32_t SHOT_PARTICLES = 4096;
constexpr int32_t SHOT_PUFF_SIZE = 96;

// Templates other rules name by number.
constexpr int32_t SHOT_TEMPLATE_DRONE_POD = 0;
constexpr int32_t SHOT_TEMPLATE_BOLT = 1;
constexpr int32_t SHOT_TEMPLATE_MISSILE = 2;
constexpr int32_t SHOT_TEMPLATE_VOLLEY = 3;
constexpr int32_t SHOT_TEMPLATE_DRAIN = 4;
constexpr int32_t SHOT_TEMPLATE_SLUG = 5;

// Shot::shot_flags.
constexpr uint32_t SHOT_FLAG_LONG_LEGS    = 0x1;     // the next legs use leg_length
constexpr uint32_t SHOT_FLAG_LAST_LEG     = 0x2;     // the current leg reaches the destination
constexpr uint32_t SHOT_FLAG_IN_LEG       = 0x4;     // a leg is in flight
constexpr uint32_t SHOT_FLAG_AT_POINT     = 0x8;     // launched at (dest_x, dest_y)
constexpr uint32_t SHOT_FLAG_FIZZLED      = 0x10;    // no target left: bursts at the next tick
constexpr uint32_t SHOT_FLAG_TEMPLATE     = 0x20;    // owns the trail tables
constexpr uint32_t SHOT_FLAG_INTERCEPTED  = 0x40;    // the travel stops at the next pixel
constexpr uint32_t SHOT_FLAG_FIRST_LEG    = 0x80;    // the first leg was the short one
constexpr uint32_t SHOT_FLAG_RANGED       = 0x100;   // range_left limits the flight
constexpr uint32_t SHOT_FLAG_FIRST_TICK   = 0x200;   // no distance counted yet
constexpr uint32_t SHOT_FLAG_LEG_TURN     = 0x400;   // initiative 4500 when its turn ends
constexpr uint32_t SHOT_FLAG_BLENDING     = 0x800;
constexpr uint32_t SHOT_FLAG_DEFENCE      = 0x1000;  // a map's defence shot
constexpr uint32_t SHOT_FLAG_HELD         = 0x2000;  // invisible and inert for hold_delay ms
constexpr uint32_t SHOT_FLAG_SEEK_ONCE    = 0x4000;  // may seek a new target once

// Shot::shot_type_flags (template).
constexpr uint32_t SHOT_TYPE_DIRECTIONS = 0x1;   // direction animations follow the heading
constexpr uint32_t SHOT_TYPE_SEEKS      = 0x2;   // seeks a new target when its own is gone
constexpr uint32_t SHOT_TYPE_LEGS       = 0x4;   // flies in legs, a combat turn each
constexpr uint32_t SHOT_TYPE_SEGMENTED  = 0x8;   // a volley of rounds drawn along a trail

using ShotTable = std::shared_ptr<const std::vector<int32_t>>;

struct Shot : GameObject {
    uint32_t    shot_flags = 0;
    int32_t     dir_frame = 0;
    int32_t     origin_x = 0, origin_y = 0;     // where the current flight began
    int32_t     impact_x = 0, impact_y = 0;     // where the damage lands on the target
    int32_t     dest_x = 0, dest_y = 0;         // the point it was launched at
    int32_t     range_left = 0;
    int32_t     last_x = 0, last_y = 0;
    int32_t     damage = 0;                     // base damage; negative: a miss
    int32_t     damage_avg = 0;
    int32_t     hit_points = 0;
    int32_t     trail_count = 0;                // rounds left of a segmented shot
    std::vector<int32_t> trail_x, trail_y;      // trail_max offsets from the top-left corner
    GameObject *source = nullptr;               // one reference
    uint64_t    source_id = 0;
    GameObject *target = nullptr;               // one reference; none: aimed at a point
    uint64_t    target_id = 0;
    int32_t     impact_type = -1;               // system type whose impact handles the arrival
    std::vector<uint64_t> intercepted_by;       // point defences that reacted this turn
    ParticleSurface *particles = nullptr;       // owned; templates 2 and 5
    int32_t     blend = 0;
    int32_t     hold_delay = 0;
    int32_t     blast_radius = 0;               // missiles and drone pods; the template's tmpl_word_b
    int32_t     puff_delay = 0;                 // ms until a slug's next puff
    // Template figures (copied by shot_copy_template).
    uint32_t    shot_type_flags = 0;
    int32_t     damage_min = 0, damage_max = 0;
    int32_t     dir_count = 0;
    int32_t     picture_index = 0;
    int32_t     first_anim = 0;
    int32_t     tmpl_word_b = 0;                // the blast radius of the kind
    int32_t     leg_length = 0;
    int32_t     max_hit_points = 0;
    int32_t     trail_max = 0;
    std::string label_a, label_b;               // one round / several rounds
    int32_t     table_count = 0;
    ShotTable   table_x, table_y;
    int32_t     shot_evasion = 0;
};

Shot       *shot_of(GameObject *obj);            // null unless a whole shot
const Shot *shot_of(const GameObject *obj);

// ---- Kind set-up (object_kinds.cpp) ----------------------------------------------------------------

void shot_register_methods(ObjectMethods *row);
void shot_factory_init(Factory *factory);   // kind 1, six templates

// ---- Creation, aiming, figures ---------------------------------------------------------------------

Shot   *shot_create(int32_t subtype);           // refcount 0, no id; null for a bad subtype
void    shot_set_impact_type(Shot *shot, int32_t type);
void    shot_set_range(Shot *shot, int32_t distance);
void    shot_set_source(Shot *shot, GameObject *source);   // one reference; null: none
void    shot_set_target(Shot *shot, GameObject *target);   // aims the next leg; null: none
GameObject *shot_target_of(const GameObject *shot);   // the shot's target; null for none or not a shot
void    shot_launch(Shot *shot, int32_t x, int32_t y);
// The damage of what is left of the volley; the AI's estimate scales the template's maximum alike.
int32_t shot_damage(const Shot *shot);
int32_t shot_max_damage(const Shot *shot);
// Both display names at once (empty leaves one as it is).
void    shot_set_labels(Shot *shot, const char *one, const char *several);
// A new shot becomes a map's defence shot: names, base damage and flight flags.
void    shot_arm_defense(GameObject *obj, const char *singular, const char *plural, int32_t damage);
// Drops one round of a segmented shot before launch (a damaged gun); false when it has fewer than 2.
bool    shot_drop_round(Shot *shot);
// Recomputes the trail of a segmented shot and its size.
void    shot_update_trail(Shot *shot);

// ---- Slots -----------------------------------------------------------------------------------------

uint32_t    shot_size();
const char *shot_type_name();                    // "Shot"
void        shot_init(GameObject *obj);
void        shot_free(GameObject *obj);
void        shot_copy_template(GameObject *obj, const GameObject *tmpl);
void        shot_on_created(GameObject *obj);
void        shot_update(GameObject *obj, int32_t dt);
void        shot_set_heading(GameObject *obj, int32_t degrees);
int32_t     shot_apply_damage(GameObject *obj, GameObject *shooter, int32_t amount, int32_t x, int32_t y,
                              int32_t kind);
Result      shot_act(GameObject *obj);
int32_t     shot_travel_point(GameObject *obj, int32_t x, int32_t y);

// ---- Parameter files, load groups, save record -----------------------------------------------------

// Decodes a parameter file at the buffer's cursor into a template; checks the trail tables.
Result shot_read_params(Shot *tmpl, Buffer *buf);
// The factory's slots: group 0 reads the parameter file and frame sizes; group 2 holds every frame.
Result shot_load_params(GameObject *tmpl);
void   shot_group_frames(const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out);
// The rows a template's trail can reach, in table entries; 0 for a shot without a trail.
int64_t shot_trail_entries_needed(uint32_t type_flags, int32_t dir_count, int32_t trail_max);

Result shot_write(const GameObject *obj, Buffer *buf);
Result shot_read(GameObject *obj, Buffer *buf);
Result shot_link(GameObject *obj);
void   shot_copy_record(GameObject *dest, const GameObject *src, int32_t version);
