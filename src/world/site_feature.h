#pragma once
// SiteFeature: something special found on a labelled body of a sector (resources to gather,
// survivors, research or intake bonuses, a construction discount, a home colony, an automated
// defence), and the body's procedurally generated surface grid.
//  - Seven feature templates 0..6, read once from "site/feature/params.dat" as the site factory's
//    extra data (feature_params_load / feature_templates_free); a second load does nothing.
//  - A site owns at most one feature record; gathering a kind-0 or kind-2 feature consumes it.
//  - Feature placement draws quick random numbers (random_u32) of the calling thread; the surface
//    grid draws from its own generator seeded with the site's grid seed, so it is the same every
//    time.
//  - Game thread, or a worker that runs the game model while the screens wait for it. No lock.
//  - Result codes: feature_params_load RES_SHORT_BUFFER and the store's codes; the save record
//    RES_SHORT_BUFFER; feature_grid_generate RES_NO_PLACEMENT (an empty grid), RES_NO_MEMORY,
//    RES_UNSUPPORTED (a generator type outside 1..5).
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"
#include "platform/random.h"
#include "platform/result.h"

struct Buffer;
struct GameObject;
struct Officer;
struct Site;

constexpr int32_t FEATURE_TEMPLATE_COUNT = 7;
constexpr int32_t FEATURE_LEVEL_COUNT = 3;   // ARK strength 0, 1, 2
constexpr const char *FEATURE_PARAMS_PATH = "site/feature/params.dat";

enum FeatureKind : int32_t {
    FEATURE_RESOURCES = 0,      // gathering gives `bonus` credits
    FEATURE_RICH_BODY = 1,      // harvest value per unit + `bonus` percent
    FEATURE_SURVIVORS = 2,      // gathering sends `bonus` crew to the nearest starbase
    FEATURE_CREW_INTAKE = 3,    // + `bonus` weekly intake at the sector's starbase
    FEATURE_RESEARCH = 4,       // + `bonus` percent research in the sector
    FEATURE_DISCOUNT = 5,       // builds in the sector cost 3/4 and take half the time
    FEATURE_HOME_COLONY = 6,    // the home of `owner_id`
};

// site_mask bits: the body templates that may carry the feature, and the keep-when-exhausted bit.
constexpr int32_t FEATURE_MASK_T11 = 1;
constexpr int32_t FEATURE_MASK_T12 = 2;
constexpr int32_t FEATURE_MASK_T6  = 4;
constexpr int32_t FEATURE_MASK_T9  = 8;
constexpr int32_t FEATURE_MASK_T10 = 16;
constexpr int32_t FEATURE_MASK_KEEP_BODY = 32;

constexpr int32_t FEATURE_DEFENCE_NONE = -1;
constexpr int32_t FEATURE_DEFENCE_ARMED = 3;

struct SiteFeature {
    int32_t  kind = 0;
    int32_t  doubles_resources = 0;
    int32_t  spare_value = 0;
    int32_t  bag_count = 0;
    int32_t  site_mask = 0;
    int32_t  grid_x = 0, grid_y = 0;
    int32_t  bonus_min = 0, bonus_max = 0;
    int32_t  bonus = 0;
    int32_t  defence_kind_by_level[FEATURE_LEVEL_COUNT] = {};
    int32_t  defenders_min_by_level[FEATURE_LEVEL_COUNT] = {};
    int32_t  defenders_max_by_level[FEATURE_LEVEL_COUNT] = {};
    int32_t  defence_kind = 0;
    int32_t  defenders = 0;
    int32_t  defenders_lost = 0;
    int32_t  weapon_a = 0, weapon_b = 0;
    uint32_t seed = 0;
    uint64_t owner_id = 0;
};

// ---- Templates -----------------------------------------------------------------------------------------

Result feature_params_load();             // the site factory's load_extra
void   feature_templates_free();          // the site factory's free_extra
const SiteFeature *feature_template(int32_t kind);   // null outside 0..6 or before the load
// The UI image type of the badge that marks a body carrying a feature of that kind (coin, pick,
// survivors, crew, flask, crane, flag); 0, the fallback picture, outside 0..6.
int32_t feature_badge_image(int32_t kind);
// Reads the seven records of params.dat into `out` (tests and the loader).
Result feature_read_params(Buffer *buf, SiteFeature out[FEATURE_TEMPLATE_COUNT]);

// ---- Record -------------------------------------------------------------------------------------------

// The save record inside the site record; bag_count, the bonus range and the per-level arrays
// are template data and read back as 0.
Result feature_write(const SiteFeature *feature, Buffer *buf);
Result feature_read(SiteFeature *feature, Buffer *buf);
void   site_free_feature(Site *site);

// ---- Placement and queries -----------------------------------------------------------------------------

void site_generate_features(Site *site, int32_t kind);
bool site_feature_flag_test(const Site *site, int32_t kind);
// A new bag holding each feature kind bag_count times (items are owned heap ints).
ShuffleBag<int32_t> *site_random_features();
bool site_has_defence(const Site *site);
void feature_ark_name(const Site *site, std::string *out);
// The ships that defend the site, one reference each, sorted by display name; empty when undefended.
void feature_create_ark_defenses(Site *site, List<GameObject> *out);
void site_gather_feature(Site *site, uint64_t player_id);
void site_set_deactivated(Site *site, int on);
Result feature_load_description(int32_t kind, int variant_flag, std::string *out);
Result feature_load_gather_description(int32_t kind, std::string *out);
// The surface grid: grid_width x grid_height bytes, rows top to bottom.
Result feature_grid_generate(const Site *site, std::vector<uint8_t> *out);
double site_research_per_day(Site *site);
double site_harvest_value(const Site *site);
double site_harvest_per_day(Site *site);
// A new list (not owning) of the site's officers by name, ascending bytes.
List<Officer> *site_officers_by_name(const Site *site);
void site_get_frame_extent(const Site *site, int32_t *out_w, int32_t *out_h);
