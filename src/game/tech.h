#pragma once
// Technology table: the fixed catalogue of the 57 technologies players research.
//  - Read once from the data store ("tech/params.dat", up to 57 entries back to back) by the
//    start-up loader thread; read-only while games run; freed at shut-down (tech_free_all).
//  - A technology is identified everywhere (saves too) by its index 0..56. A slot the file did not
//    fill is empty: every accessor treats it as no technology.
//  - Descriptions "tech/%.3i/desc.txt" and bonus texts "tech/bonus/%.3i.txt" are read on demand.
//  - Result codes: RES_SHORT_BUFFER (-15) an entry cut short, RES_NO_MEMORY (-4),
//    RES_OUT_OF_RANGE (-2) no such technology, and the store's codes.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct Buffer;

constexpr int     TECH_COUNT            = 57;
constexpr int     TECH_BONUS_COUNT      = 3;
constexpr int32_t TECH_POINTS_PER_UNIT  = 400;   // research points are shown in units of 400
constexpr const char *TECH_PARAMS_PATH  = "tech/params.dat";

// A research rate (points a day) as every panel shows it: units of 400, one decimal.
std::string tech_points_text(int32_t points);

enum TechEffectKind : int32_t {
    TECH_EFFECT_SYSTEM   = 0,   // value: system type, value2: subtype
    TECH_EFFECT_HULL     = 1,   // value: hull number
    TECH_EFFECT_FACILITY = 2,   // value: site template number
    TECH_EFFECT_BONUS    = 3,   // value: bonus category, value2: percentage
};

enum TechBonus : int32_t {
    TECH_BONUS_RESOURCES = 0,
    TECH_BONUS_RESEARCH  = 1,
    TECH_BONUS_CREW      = 2,
};

struct TechEffect {
    int32_t kind = 0;
    int32_t value = 0;
    int32_t value2 = 0;
};

struct TechInfo {
    int32_t                 number = 0;          // first word of the entry as stored
    std::string             name;                // "" unnamed: never made available
    std::vector<TechEffect> effects;
    std::vector<int32_t>    prerequisites;       // tech indices that must be done first
    int32_t                 cost = 0;            // research points
    int32_t                 credits = 0;         // materials cost in credits
    int32_t                 icon = 0;            // image type of its research news items
    int32_t                 starting_level = -1; // lowest "Starting Tech" setting that grants it; -1 none
    int32_t                 sol_level = -1;      // credits the protected faction spends before it; -1 never
};

// Empties the table and reads up to 57 entries: 0 after 57 (bytes after them are ignored), else
// the failure of the file or of the entry that stopped the reading (the entries before it stay).
Result    tech_load();
// One entry into a new TechInfo stored through out (freed when out is null); a negative count reads
// as no items. On failure the partial entry is freed.
Result    tech_read(TechInfo **out, Buffer *buf);
TechInfo *tech_create();                        // starting and Sol level -1, name ""; null when out of memory
void      tech_free(TechInfo *tech);            // null is ignored
void      tech_free_all();

TechInfo   *tech_get(int n);                    // null outside 0..56 or for an empty slot
const char *tech_name(int n);                   // null outside 0..56 or for an empty slot
int32_t     tech_icon(int n);                   // 0 outside 0..56 or for an empty slot
float       tech_points_display(int32_t points);   // points / 400, truncated towards zero
const char *tech_bonus_category_name(int category);   // "" outside 0..2
int32_t     tech_bonus_category_icon(int category);   // 0 outside 0..2

// The tech's description; without one, the description of the first granted system type, hull or
// site template that has one. RES_OUT_OF_RANGE for no such tech; else the result of the last read.
Result      tech_load_desc(int n, std::string *field);
Result      tech_load_bonus_text(int category, std::string *field);
