// Site production and cycles: what starbases, shipyards and training sites build, harvesting,
// research, the weekly crew intake, recruits, and the day turn.
#include <algorithm>
#include <climits>
#include "game/alert.h"
#include "game/game.h"
#include "game/newgame.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "platform/files.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"
#include "world/site_internal.h"

namespace {

constexpr int32_t DAY = 1440;
constexpr int32_t CYCLE = 144;                 // harvest and research cycles
constexpr int32_t WEEK = 10080;
constexpr int32_t STARBASE_ASSEMBLY = 1426;    // minutes a deployed starbase needs
constexpr int32_t DEFAULT_COST = 1000, DEFAULT_MINUTES = 2880;
constexpr int32_t DEFENSE_COST = 4800, DEFENSE_MINUTES = 2880;
constexpr int32_t INITIAL_RECRUITS = 2;

uint64_t now() {
    const Game *game = game_get();
    return game && game->clock ? game->clock->minutes : 0;
}

void stamp(Date *date) {
    if (!date) return;
    date->minutes = now();
    date_from_minutes(date);
}

bool site_of_ui_player(const Site *site) {
    const Game *game = game_get();
    return game && game->ui_player_id != 0 && site->owner_id == game->ui_player_id;
}

void sound_for_ui(const Site *site, int32_t sound) {
    if (site_of_ui_player(site)) sound_play(sound);
}

const char *production_name_of(GameObject *obj) { return obj ? object_get_name(obj) : ""; }

void update_owner_totals(Site *site) {
    if (Player *owner = object_get_owner(site)) player_update_totals(owner);
}

int32_t ceil_days(int32_t minutes) { return minutes > 0 ? (minutes + DAY - 1) / DAY : 0; }

Site *starbase_of(Sector *sector) { return sector ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr; }

int32_t skill(const Officer *officer, int s) { return officer && officer->skills[s] > 0 ? officer->skills[s] : 0; }

// The bonus of the first site of the sector that carries a feature of that kind.
int32_t feature_bonus(Sector *sector, int32_t kind) {
    Site *site = sector ? sector_find_site_with_feature(sector, kind) : nullptr;
    return site && site->feature ? site->feature->bonus : 0;
}

// The home colony of the sector names the sector's owner: its people join the starbase.
bool home_colony_of_owner(Sector *sector) {
    Site *site = sector ? sector_find_site_with_feature(sector, FEATURE_HOME_COLONY) : nullptr;
    return site && site->feature && sector->owner_id != 0 && site->feature->owner_id == sector->owner_id;
}

// The intake of step 9 before the population draw: base, training site, home colony, commander,
// volunteers. Worked out wide: a commander or a site read from a save may carry any figure, and
// the sum sticks at the int32_t limits.
int32_t intake_before_draw(Site *base, Sector *sector) {
    int64_t intake = base->params.base_intake;
    if (Site *academy = sector ? sector_find_site_of_kind(sector, SITE_TRAINING) : nullptr)
        if (!(academy->state & SITE_UNDER_CONSTRUCTION)) intake += academy->params.base_intake;
    const Game *game = game_get();
    if (game && home_colony_of_owner(sector)) intake += game->setup.crew_recruitment;
    intake += 25 * int64_t(skill(base->commander, SKILL_INSTRUCTION));
    intake += feature_bonus(sector, FEATURE_CREW_INTAKE);
    return saturate_i32(intake);
}

// A percentage bonus (commander, feature, owner) on an amount: (bonus + 100) percent of it when
// the bonus is above 0. Both are held at the int32_t limits first, so the product fits 64 bits.
int64_t with_bonus(int64_t amount, int64_t bonus) {
    if (bonus <= 0) return amount;
    return (int64_t(saturate_i32(bonus)) + 100) * saturate_i32(amount) / 100;
}

// The news of a site's work goes to its owner through the builder of its kind.
void post(int32_t kind, Site *site, uint64_t sector_id, uint64_t object_id, int32_t subtype, const std::string &text) {
    if (site->owner_id == 0) return;
    const uint64_t to = site->owner_id;
    const char *t = text.c_str();
    Alert *alert = nullptr;
    switch (kind) {
    case ALERT_STARSHIP_BUILT: alert = alert_post_starship_built(to, subtype, sector_id, "%s", t); break;
    case ALERT_PRODUCTION_COMPLETE: alert = alert_post_production_complete(to, sector_id, subtype, "%s", t); break;
    case ALERT_SECTOR_NOTICE: alert = alert_post_sector_notice(to, object_id, "%s", t); break;
    case ALERT_CREW_RESCUED: alert = alert_post_crew_rescued(to, sector_id, object_id, "%s", t); break;
    case ALERT_RESOURCES_GATHERED: alert = alert_post_resources_gathered(to, sector_id, object_id, "%s", t); break;
    case ALERT_RESOURCES_DEPLETED: alert = alert_post_resources_depleted(to, sector_id, object_id, "%s", t); break;
    default: return;
    }
    game_add_alert(game_get(), alert);
}

// The statistics a site's work raises: a score figure and a per-game counter each.
enum SiteStat : int32_t {
    STAT_SHIPS_BUILT,
    STAT_STARBASES_BUILT,
    STAT_CREW_RECRUITED,
    STAT_CREW_RESCUED,
    STAT_RESOURCES_MINED,   // the credits themselves count as earned
    STAT_RESEARCH,
};

void add_stat(Player *player, SiteStat stat, int32_t n) {
    switch (stat) {
    case STAT_SHIPS_BUILT:
        player->ships_built += n;
        player->game_counters[COUNTER_SHIPS_BUILT] += n;
        break;
    case STAT_STARBASES_BUILT:
        player->starbases_built += n;
        player->game_counters[COUNTER_STARBASES_BUILT] += n;
        break;
    case STAT_CREW_RECRUITED:
    case STAT_CREW_RESCUED:
        player->crew_trained += n;
        player->game_counters[COUNTER_CREW_RECRUITED] += n;
        break;
    case STAT_RESOURCES_MINED: player->game_counters[COUNTER_RESOURCES_MINED] += n; break;
    case STAT_RESEARCH: player->game_counters[COUNTER_RESEARCH] += n; break;
    }
}

// Contested progress runs at half speed; the odd minute is carried in `carry_flag` so that
// 3 + 3 + 3 minutes make 1 + 2 + 2.
int32_t contested_minutes(Site *site, int32_t minutes, uint32_t carry_flag) {
    if (!(site->state & SITE_CONTESTED)) return minutes;
    int32_t done = minutes / 2 + ((site->state & carry_flag) ? 1 : 0);
    if (minutes % 2 != 0) site->state |= carry_flag;
    else site->state &= ~carry_flag;
    return done;
}

// ---- Recruits ----

// A new recruit with the game's next id, the site's owner and sector, a pilot name, trained skills.
Officer *new_recruit(Site *site) {
    Game *game = game_get();
    Officer *recruit = officer_create();
    if (!recruit) return nullptr;
    recruit->id = game ? game_next_id(game) : 0;
    recruit->owner_id = site->owner_id;
    recruit->sector_id = site->sector_id;
    if (game) game_random_name(game, &recruit->name);
    stamp(recruit->hired);
    officer_train(recruit);
    officer_init_stats(recruit);
    return recruit;
}

// The recruit hired first (the first found on ties).
Officer *oldest_recruit(const Site *site) {
    Officer *oldest = nullptr;
    for (Officer *o : site->officers.items) {
        if (!o) break;
        const uint64_t hired = o->hired ? o->hired->minutes : 0;
        if (!oldest || hired < (oldest->hired ? oldest->hired->minutes : 0)) oldest = o;
    }
    return oldest;
}

// Days until the next recruit, by the recruits now listed; a full pool loses its oldest.
int32_t next_recruit_days(Site *site) {
    Game *game = game_get();
    Rng *rng = game ? game->generators[0] : nullptr;
    const int32_t count = site_officer_count(site);
    if (count < 3) return rng ? rng_range(rng, 30, 45) : 30;
    if (count < 5) return rng ? rng_range(rng, 60, 90) : 60;
    const int32_t days = int32_t((rng ? random_magnitude(rng_next(rng)) : 0) % 31) + 90;
    if (Officer *oldest = oldest_recruit(site)) site_remove_officer(site, oldest->id);
    return days;
}

void add_recruit(Site *site) {
    Officer *recruit = new_recruit(site);
    if (!recruit) return;
    site_add_officer(site, recruit);
    if (recruit->refcount < 1) officer_release(recruit);   // the list refused it
}

// ---- Production ----

// The shipyard's finished ship: built from the design for its owner, given the next ship name
// (the design's name stays when the deck has none), dated, repaired and reloaded, put into the
// sector with a fresh combat state. Null when no ship could be made.
Ship *build_yard_ship(Player *owner, Ship *design, Sector *sector) {
    const int32_t index = player_design_index(owner, design->id);
    Ship *ship = ship_of(index >= 0 ? player_build_ship_from_design(owner, index) : nullptr);
    if (!ship) return nullptr;
    player_add_object(owner, ship);
    Game *game = game_get();
    std::string name;
    if (game) game_next_ship_name(game, &name);
    if (!name.empty()) ship->ship_name = name;
    if (!ship->built_date) ship->built_date = date_create();
    if (ship->built_date && game && game->clock) date_copy(ship->built_date, game->clock);
    ship_repair_and_reload(ship);
    ship_set_sector(ship, sector);
    ship_reset_state(ship);
    ship_recompute_stats(ship);
    return ship;
}

void finish_item(Site *site, Sector *sector) {
    Player *owner = object_get_owner(site);
    const uint64_t sector_id = sector ? sector->id : 0;
    if (site->subtype == SITE_STARBASE && site->item == -1) {
        site->defense_level += 1;
        post(ALERT_PRODUCTION_COMPLETE, site, sector_id, sector_id, -1,
             str_format("%s sector - Defense upgrade complete", production_name_of(sector)));
        sound_for_ui(site, SOUND_SITE_DONE);
    } else if (site->subtype == SITE_STARBASE) {
        Site *built = sector ? sector_find_site_under_construction(sector, site->item) : nullptr;
        if (built) {
            site_set_under_construction(built, 0);
            if (built->subtype == SITE_HARVESTER)
                if (Site *target = sector_find_free_resource_site(sector)) site_set_harvest_target(built, target->id);
            stamp(built->built);
            for (Officer *recruit : built->officers.items)   // its first recruits enrol as it opens
                if (recruit) stamp(recruit->hired);
            post(ALERT_PRODUCTION_COMPLETE, site, sector_id, sector_id, site->item,
                 str_format("%s sector - %s complete", production_name_of(sector), production_name_of(built)));
            sector_refresh_sites(sector);
        }
        sound_for_ui(site, SOUND_SITE_DONE);
    } else if (site->subtype == SITE_SHIPYARD) {
        Ship *design = ship_of(owner ? player_get_design(owner, site->item_id) : nullptr);
        Ship *ship = design && sector ? build_yard_ship(owner, design, sector) : nullptr;
        if (ship) {
            add_stat(owner, STAT_SHIPS_BUILT, 1);
            post(ALERT_STARSHIP_BUILT, site, sector_id, ship->id, ship->subtype,
                 str_format("Starship %s built in the %s sector", production_name_of(ship), production_name_of(sector)));
            if (design->ship_flags & SHIP_FLAG_ONE_OFF_DESIGN) player_remove_design(owner, site->item_id);
            sound_for_ui(site, SOUND_SHIP_DONE);
        }
    } else if (site->subtype == SITE_TRAINING) {
        Site *base = starbase_of(sector);
        Officer *recruit = site_find_recruit(site, site->item_id);
        if (owner && base && base->owner_id == site->owner_id && recruit) {
            officer_retain(recruit);   // held while it moves from the pool to the starbase
            stamp(recruit->hired);
            player_add_officer(owner, recruit);
            site_add_officer(base, recruit);
            recruit->sector_id = sector_id;
            Game *game = game_get();
            if (site_of_ui_player(site) && game && game->pilot_portraits)
                if (const int32_t *portrait = shuffle_next(game->pilot_portraits)) recruit->portrait = *portrait;
            site_remove_officer(site, recruit->id);
            officer_add_base_experience(recruit, 1);
            officer_release(recruit);
            sound_for_ui(site, SOUND_OFFICER);
        }
    }
    site->completed_items += 1;
    site->remaining_min = 0;
    site->status_text = "Idle";
    site->state &= ~SITE_PRODUCING;
}

// A starbase lays the keel of the facility it was paid for: a new site under construction.
void lay_down(Site *base, Sector *sector) {
    if (!sector || sector_find_site_under_construction(sector, base->item)) return;
    Site *site = site_create(base->item);
    if (!site) return;
    site_set_under_construction(site, 1);
    site->progress = 1;
    stamp(site->build_started);
    object_set_owner_id(site, base->owner_id);
    int32_t x = 0, y = 0;
    sector_place_site(sector, base->item, &x, &y);
    object_add_ref(site);   // ours until the sector holds it
    sector_add_site(sector, site, x, y);
    object_release(site);
}

void produce(Site *site, Sector *sector, int32_t minutes) {
    const bool building_site = site->subtype == SITE_STARBASE && site->item >= 0;
    if (building_site && (site->state & SITE_PENDING)) lay_down(site, sector);
    site->remaining_min -= contested_minutes(site, minutes, SITE_PRODUCTION_CARRY);
    if (site->remaining_min > 0) {
        if (building_site && sector && site->total_min > 0)
            if (Site *built = sector_find_site_under_construction(sector, site->item))
                built->progress = int32_t(int64_t(site->total_min - site->remaining_min) * 100 / site->total_min);
        return;
    }
    finish_item(site, sector);
}

// ---- Harvesting and research ----

void harvest(Site *site, Sector *sector, int32_t minutes) {
    Site *target = site_find_in_sector(site, site->harvest_target_id);
    if (!target) {
        site->harvest_target_id = 0;
        return;
    }
    Player *owner = object_get_owner(site);
    if (!owner || !(target->params.template_flags & SITE_TF_RESOURCE)) return;
    const int32_t amount = site_harvest_amount(site);
    site->harvest_timer -= minutes;
    while (site->harvest_timer <= 0 && target->resources_left >= 1) {
        site->harvest_cycle += 1;
        int32_t take = amount / 10;
        if (site->harvest_cycle >= 10) {   // every tenth cycle takes what the nine left over
            site->harvest_cycle = 0;
            take += amount - 10 * (amount / 10);
        }
        take = std::min(take + site->harvest_carry, target->resources_left);
        target->resources_left = std::max(0, target->resources_left - take);
        const int32_t divisor = target->harvest_divisor;
        if (divisor > 0) {
            site->harvest_carry = take % divisor;
            take /= divisor;
        } else {
            site->harvest_carry = 0;
        }
        player_add_resources(owner, take);
        if (take > 0) add_stat(owner, STAT_RESOURCES_MINED, take);
        site->completed_items += take;
        site->harvest_timer += CYCLE;
    }
    if (target->resources_left >= 1) return;

    site->harvest_target_id = 0;
    if (!target->feature || !(target->feature->site_mask & FEATURE_MASK_KEEP_BODY)) target->flags |= OBJ_DEAD;
    if (!sector) return;
    if (Site *next = sector_find_free_resource_site(sector)) site_set_harvest_target(site, next->id);
    post(ALERT_RESOURCES_DEPLETED, site, sector->id, target->id, target->subtype,
         str_format("%s %s (%s) resources depleted", production_name_of(sector), roman_numeral(target->label_number),
                    production_name_of(target)));
    sound_for_ui(site, SOUND_DEPLETED);
}

void research(Site *site, int32_t minutes) {
    site->research_timer -= minutes;
    if (site->research_timer > 0) return;
    const int32_t rate = site_research_rate(site);
    Player *owner = object_get_owner(site);
    if (!owner) {
        site->research_timer = CYCLE;
        return;
    }
    while (site->research_timer <= 0) {
        if (rate / 10 > 0) {
            player_add_research_points(owner, rate / 10);
            add_stat(owner, STAT_RESEARCH, rate / 10);
        }
        site->research_timer += CYCLE;
    }
}

// ---- Starbase ----

// A deployed starbase stands after a day's assembly; the sector and its facilities become its
// owner's.
void assemble_starbase(Site *base, Sector *sector) {
    if (!sector || !base->build_started || now() < base->build_started->minutes + STARBASE_ASSEMBLY) return;
    base->state &= ~SITE_UNDER_CONSTRUCTION;
    object_set_frame(base, 0);
    stamp(base->built);
    base->progress = 100;
    post(ALERT_PRODUCTION_COMPLETE, base, sector->id, sector->id, SITE_STARBASE,
         str_format("%s sector - %s complete", production_name_of(sector), production_name_of(base)));
    object_set_owner_id(sector, base->owner_id);
    for (int32_t i = 0; i < sector_site_count(sector); ++i) {
        Site *site = sector_get_site(sector, i);
        if (!site || site == base || site->subtype == SITE_STARBASE ||
            !(site->params.template_flags & SITE_TF_BUILDABLE))
            continue;
        // Stopped before it changes hands: a pending item goes back to whoever paid for it.
        if (site->state & SITE_PRODUCING) site_stop_production(site);
        object_set_owner_id(site, base->owner_id);
        site->state &= ~(SITE_PAUSED_KEPT | SITE_CONTESTED);
        if (site->subtype == SITE_TRAINING) site_reset_recruits(site);
    }
    if (Player *owner = object_get_owner(base)) add_stat(owner, STAT_STARBASES_BUILT, 1);
    if (base->crew >= SITE_CREW_NEEDED) {
        site_stamp_crew_ok(base);
        base->state &= ~SITE_CREW_SHORT;
    }
    sound_for_ui(base, SOUND_STARBASE_DONE);
}

void weekly_intake(Site *base, Sector *sector) {
    if (!base->crew_checked || int64_t(now()) - int64_t(base->crew_checked->minutes) <= WEEK) return;
    Player *owner = object_get_owner(base);
    if (owner && !(owner->flags & PLAYER_FLAG_NO_HOME_COLONY)) {
        int32_t intake = intake_before_draw(base, sector);
        if (base->state & SITE_CONTESTED) intake /= 2;
        const int32_t taken = saturate_add_i32(player_take_crew(owner, intake), owner->bonus[2]);
        const int32_t n = saturate_i32(std::min(int64_t(base->params.crew_capacity) - base->crew, int64_t(taken)));
        if (n > 0) {
            add_stat(owner, STAT_CREW_RECRUITED, n);
            site_add_crew(base, n);
            if (site_of_ui_player(base) && sector) site_show_crew_intake(sector, n);
        }
    }
    stamp(base->crew_checked);
}

void check_capacity(Site *base, Sector *sector) {
    if (base->crew < base->params.crew_capacity) base->state &= ~SITE_CREW_FULL;
    if ((base->state & SITE_CREW_FULL) || !sector || base->crew < base->params.crew_capacity) return;
    base->state |= SITE_CREW_FULL;
    post(ALERT_SECTOR_NOTICE, base, sector->id, sector->id, 0,
         str_format("%s sector - Starbase at maximum crew capacity", production_name_of(sector)));
}

void train(Site *site, int32_t minutes) {
    site->recruit_timer -= contested_minutes(site, minutes, SITE_RECRUIT_CARRY);
    if (site->recruit_timer > 0) return;
    add_recruit(site);
    site->recruit_timer += next_recruit_days(site) * DAY;
}

}  // namespace

// ---- Production ----

Result site_start_production(Site *site, int32_t item, uint64_t item_id) {
    if (site->state & SITE_UNDER_CONSTRUCTION) return RES_UNDER_CONSTRUCTION;
    if (site->state & SITE_CREW_SHORT) return RES_CREW_SHORT;
    Player *owner = object_get_owner(site);
    if (!owner) return RES_UNKNOWN_OWNER;
    auto refuse = [site]() {
        site->state &= ~SITE_PRODUCING;
        return RES_OUT_OF_RANGE;
    };
    Sector *sector = site_find_sector(site);
    if (site->subtype == SITE_STARBASE) {
        if (!sector) return refuse();
        if (item >= 0) {
            const Site *tmpl = item < SITE_TEMPLATE_COUNT ? site_template(item) : nullptr;
            if (!tmpl || !(tmpl->params.template_flags & SITE_TF_BUILDABLE)) return refuse();
            int32_t cost = DEFAULT_COST, minutes = DEFAULT_MINUTES;
            player_build_cost(owner, item, sector->id, &cost, &minutes);
            site->total_min = tmpl->params.build_days * DAY;
            site->remaining_min = minutes;
            site->cost_paid = cost;
            site->rush_low = tmpl->params.rush_low_price;
            site->rush_high = tmpl->params.rush_high_price;
            if (const Site *started = sector_find_site_under_construction(sector, item))
                site->rush_high = site->rush_high * (100 - started->progress) / 100;
            site->status_text = "Constructing";
        } else if (item == -1) {
            int32_t cost = DEFENSE_COST, minutes = DEFENSE_MINUTES;
            player_build_cost(owner, -1, sector->id, &cost, &minutes);
            const int32_t left = 100 - site->defense_progress;
            site->total_min = minutes;
            site->remaining_min = int32_t(int64_t(left) * minutes / 100);
            site->cost_paid = int32_t(int64_t(left) * cost / 100);
            site->rush_low = site->params.defense_rush_low;
            site->rush_high = int32_t(int64_t(left) * site->params.defense_rush_high / 100);
            site->status_text = "Defense upgrade";
        } else {
            return refuse();
        }
    } else if (site->subtype == SITE_SHIPYARD) {
        GameObject *design = sector ? player_get_design(owner, item_id) : nullptr;
        if (!design) return refuse();
        int32_t cost = DEFAULT_COST, minutes = DEFAULT_MINUTES;
        player_design_build_cost(owner, design, sector->id, &cost, &minutes);
        site->remaining_min = site->total_min = minutes;
        // A design's build figures are its rush prices when nearly done and when just started.
        site->rush_low = ship_of(design)->build_a;
        site->rush_high = ship_of(design)->build_b;
        site->cost_paid = cost;
        site->status_text = "Building";
    } else if (site->subtype == SITE_TRAINING) {
        const Officer *recruit = site_find_recruit(site, item_id);
        if (!recruit) return refuse();
        // A recruit's figures: training days, then its rush prices when nearly done and when just started.
        site->remaining_min = site->total_min = recruit->figures[0] * DAY;
        site->rush_low = recruit->figures[1];
        site->rush_high = recruit->figures[2];
        site->cost_paid = recruit->training_cost;
        site->status_text = "Training";
    } else {
        return refuse();
    }
    site->item = item;
    site->item_id = item_id;
    if ((site->subtype == SITE_SHIPYARD || site->subtype == SITE_TRAINING) && (site->state & SITE_PAUSED_KEPT)) {
        site->state &= ~SITE_PAUSED_KEPT;
        if (site->paused_item_id == item_id) {   // resumed where it stopped; the caller charged the paused cost
            site->remaining_min = site->paused_remaining;
            site->total_min = site->paused_total;
            site->rush_low = site->paused_rush_low;
            site->rush_high = site->paused_rush_high;
            site->cost_paid = site->paused_cost;
        }
    }
    site->state &= ~(SITE_PAUSED_KEPT | SITE_RUSHED | SITE_PRODUCTION_CARRY);
    site->state |= SITE_PRODUCING | SITE_PENDING;
    stamp(site->started);
    player_update_totals(owner);
    return RES_OK;
}

void site_stop_production(Site *site) {
    site->state &= ~SITE_PRODUCING;
    site->status_text = "Idle";
    Player *owner = object_get_owner(site);
    if (site->state & SITE_PENDING) {
        if (owner) player_add_resources(owner, site->cost_paid);
        site->state &= ~SITE_PENDING;
        site->cost_paid = 0;
    } else {
        site->paused_remaining = site->remaining_min;
        site->paused_total = site->total_min;
        site->paused_rush_low = site->rush_low;
        site->paused_rush_high = site->rush_high;
        site->paused_item = site->item;
        site->paused_item_id = site->item_id;
        const int64_t cost = site->total_min > 0 ? int64_t(site->remaining_min) * site->cost_paid / site->total_min
                                                 : site->cost_paid;
        site->paused_cost = int32_t(std::max<int64_t>(1, cost));
        if (site->subtype == SITE_STARBASE && site->item == -1 && site->total_min > 0)
            site->defense_progress = std::min<int32_t>(
                99, int32_t(int64_t(site->total_min - site->remaining_min) * 100 / site->total_min));
        site->state |= SITE_PAUSED_KEPT;
    }
    if (Sector *sector = site_find_sector(site)) sector_refresh_sites(sector);
    if (owner) player_update_totals(owner);
}

void site_rush(Site *site) {
    Game *game = game_get();
    if (!game || !game->clock || site->total_min <= 0) return;   // an item of no minutes has no rush
    Date midnight = *game->clock;
    date_set(&midnight, midnight.year, midnight.month, midnight.day);
    midnight.minutes += DAY;
    date_from_minutes(&midnight);
    site->remaining_min = int32_t(midnight.minutes - game->clock->minutes);
    site->state |= SITE_RUSHED;
}

int32_t site_rush_cost(const Site *site) {
    if (site->total_min <= 0) return 0;
    // Wide enough for any saved figures; a price beyond the credits' range is held at its edge.
    const int64_t span = std::max<int64_t>(1, int64_t(site->rush_high) - site->rush_low);
    const int64_t price = site->rush_low + int64_t(site->remaining_min) * span / site->total_min;
    return int32_t(std::clamp<int64_t>(price, 0, INT32_MAX));
}

int32_t site_production_info(Site *site, GameObject **out_item, Officer **out_recruit, int32_t *out_days_left,
                             int32_t *out_days_total, int32_t *out_rush_cost) {
    if (!(site->state & SITE_PRODUCING)) return 0;
    if (out_item) {
        *out_item = nullptr;
        if (site->subtype == SITE_STARBASE && site->item >= 0 && site->item < SITE_TEMPLATE_COUNT)
            *out_item = site_template(site->item);
        else if (site->subtype == SITE_SHIPYARD)
            if (Player *owner = object_get_owner(site)) *out_item = player_get_design(owner, site->item_id);
    }
    if (out_recruit) *out_recruit = site->subtype == SITE_TRAINING ? site_find_recruit(site, site->item_id) : nullptr;
    if (out_days_left) *out_days_left = (site->state & SITE_RUSHED) ? 0 : ceil_days(site->remaining_min);
    if (out_days_total) *out_days_total = ceil_days(site->total_min);
    if (out_rush_cost) *out_rush_cost = site_rush_cost(site);
    return 1;
}

int32_t site_get_paused_production(const Site *site, int32_t *out_item, uint64_t *out_item_id, int32_t *out_cost,
                                   int32_t *out_days_left) {
    if (!(site->state & SITE_PAUSED_KEPT)) return 0;
    if (out_item) *out_item = site->paused_item;
    if (out_item_id) *out_item_id = site->paused_item_id;
    if (out_cost) *out_cost = site->paused_cost;
    if (out_days_left) *out_days_left = ceil_days(site->paused_remaining);
    return 1;
}

void site_clear_paused(Site *site) { site->state &= ~SITE_PAUSED_KEPT; }

// ---- Crew ----

int32_t site_starbase_crew(const Site *site) {
    const Sector *sector = site_find_sector(site);
    return sector && sector->owner_id == site->owner_id ? sector_starbase_crew(sector) : 0;
}

bool site_lacks_crew(const Site *site) {
    if (site->params.template_flags & (SITE_TF_LABELLED | SITE_TF_NEVER_CREW_SHORT)) return false;
    const Sector *sector = site_find_sector(site);
    if (!sector || sector->owner_id != site->owner_id) return true;
    const Site *base = site->subtype == SITE_STARBASE ? site : sector_find_site_of_kind(sector, SITE_STARBASE);
    return !base || base->crew < SITE_CREW_NEEDED;
}

void site_refresh_crew_short(Site *site) {
    if (site_lacks_crew(site)) {
        site->state |= SITE_CREW_SHORT;
        return;
    }
    if ((site->state & SITE_CREW_SHORT) && site->subtype == SITE_STARBASE) site_stamp_crew_ok(site);
    site->state &= ~SITE_CREW_SHORT;
}

void site_update_crew_state(Site *site) {
    if (site->crew < 0) site->crew = 0;
    if (site->crew >= SITE_CREW_NEEDED) {
        site->state &= ~SITE_CREW_SHORT;
        if (site->subtype == SITE_STARBASE) site_stamp_crew_ok(site);
    } else {
        site->state |= SITE_CREW_SHORT;
    }
    update_owner_totals(site);
}

void site_stamp_crew_ok(Site *site) { stamp(site->crew_checked); }

void site_add_crew(Site *site, int32_t n) {
    site->crew += n;
    site_update_crew_state(site);
}

// The figure is what the next weekly intake brings (room aboard aside): the recruits come from the
// owner's peopled worlds, so once those are empty the starbase shows only what the owner's flat
// bonus still brings, not a recruitment that no longer happens.
int32_t site_crew_intake_rate(Site *site) {
    if (site->state & SITE_CREW_SHORT) return 0;
    Player *owner = object_get_owner(site);
    if (!owner || (owner->flags & PLAYER_FLAG_NO_HOME_COLONY)) return 0;
    int32_t intake = intake_before_draw(site, site_find_sector(site));
    if (site->state & SITE_CONTESTED) intake /= 2;
    return saturate_add_i32(player_crew_available(owner, intake), owner->bonus[2]);
}

int32_t site_harvest_amount(Site *site) {
    if (site->subtype != SITE_HARVESTER) return 0;
    Sector *sector = site_find_sector(site);
    if (!sector || sector->owner_id != site->owner_id) return 0;
    const Site *base = starbase_of(sector);
    int64_t amount = int64_t(site->params.harvest_factor) * (base ? base->crew : 0);
    int64_t bonus = 10 * int64_t(skill(base ? base->commander : nullptr, SKILL_MINING));
    if (Player *owner = object_get_owner(site)) bonus += owner->bonus[0];
    amount = with_bonus(amount, bonus);
    if (site->state & SITE_CONTESTED) amount /= 2;
    return saturate_i32(amount);
}

int32_t site_research_rate(Site *site) {
    if (site->params.research_factor < 1 || (site->state & (SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT))) return 0;
    Sector *sector = site_find_sector(site);
    if (!sector || sector->owner_id != site->owner_id) return 0;
    const Site *base = starbase_of(sector);
    int64_t rate = int64_t(site->params.research_factor) * (base ? base->crew : 0);
    int64_t bonus = 10 * int64_t(skill(base ? base->commander : nullptr, SKILL_SCIENCE)) +
                    feature_bonus(sector, FEATURE_RESEARCH);
    if (Player *owner = object_get_owner(site)) bonus += owner->bonus[1];
    rate = with_bonus(rate, bonus);
    if (site->state & SITE_CONTESTED) rate /= 2;
    return saturate_i32(rate);
}

// ---- Recruits ----

void site_spawn_initial_recruits(Site *site) {
    if (site->subtype != SITE_TRAINING || site_officer_count(site) > 0) return;
    for (int32_t i = 0; i < INITIAL_RECRUITS; ++i) add_recruit(site);
    site->recruit_timer = next_recruit_days(site) * DAY;
}

void site_reset_recruits(Site *site) {
    if (site->subtype != SITE_TRAINING) return;
    list_clear(&site->officers);
    site_spawn_initial_recruits(site);
}

// ---- Clock and turn ----

void site_advance_clock(GameObject *obj, int32_t minutes) {
    Site *site = site_detail::as_site(obj);
    Sector *sector = site_find_sector(site);

    if (site_lacks_crew(site)) site->state |= SITE_CREW_SHORT;
    else site->state &= ~SITE_CREW_SHORT;
    if ((site->state & SITE_PRODUCING) && (site->state & SITE_CREW_SHORT)) {
        site_stop_production(site);
        post(ALERT_SECTOR_NOTICE, site, sector ? sector->id : 0, sector ? sector->id : 0, 0,
             str_format("%s sector - %s halted production due to crew shortage", production_name_of(sector),
                        production_name_of(site)));
    }
    if (site->state & SITE_PRODUCING) produce(site, sector, minutes);
    site->state &= ~SITE_PENDING;

    const bool working = !(site->state & (SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT));
    if (site->subtype == SITE_HARVESTER && working && !(site->state & SITE_DEACTIVATED)) harvest(site, sector, minutes);
    if (site->params.research_factor > 0 && working) research(site, minutes);
    if (site->subtype == SITE_STARBASE && (site->state & SITE_UNDER_CONSTRUCTION)) assemble_starbase(site, sector);
    if (site->subtype == SITE_STARBASE && !(site->state & (SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT))) {
        weekly_intake(site, sector);
        check_capacity(site, sector);
    }
    if (site->subtype == SITE_TRAINING && !(site->state & (SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT)))
        train(site, minutes);
}

void site_galaxy_turn(GameObject *obj) {
    Site *site = site_detail::as_site(obj);
    Sector *sector = site_find_sector(site);
    if (!sector) return;
    if (sector_count_other_owners(sector, site->owner_id) > 0) site->state |= SITE_CONTESTED;
    else site->state &= ~SITE_CONTESTED;
    if (site->subtype == SITE_STARBASE && !(site->state & SITE_CREW_SHORT) && site->commander)
        officer_add_base_experience(site->commander, 100);
}
