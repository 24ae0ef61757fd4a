// A new game: the players from their slots, a galaxy of sectors with their sites, home sectors,
// Sol with its guardians, the machine faction's player, starting designs, ships and officers.
#include "game/newgame.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/records.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int32_t MAP_WIDTH = 1024;    // the galaxy map is one screen
constexpr int32_t MAP_HEIGHT = 768;
constexpr int32_t STARTING_CREDITS[3] = {2000, 3000, 10000};
constexpr int32_t ARK_COLOUR[3] = {190, 198, 190};
constexpr int32_t SOL_COLOUR[3] = {210, 200, 20};

// Site templates of a home sector and of Sol.
constexpr int32_t SITE_SOL_STATION = 2;
constexpr int32_t SITE_BODY_T6 = 6;
constexpr int32_t SITE_SOL_GUARD = 8;
constexpr int32_t SITE_BODY_T9 = 9;
constexpr int32_t SITE_BODY_T10 = 10;
constexpr int32_t SITE_BODY_T11 = 11;
constexpr int32_t SITE_HOME_COLONY = 12;
constexpr int32_t SITE_ACADEMY = 14;

// A starting design: its name, hull and the system types fitted in order.
struct StartingDesign {
    const char *name;
    int32_t     hull;
    int32_t     types[3];
    int32_t     type_count;
};
constexpr StartingDesign STARTING_DESIGNS[] = {
    {"Scout", 2, {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_ENGINE}, 2},
    {"Cruiser", 3, {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_SHIELD, SYSTEM_TYPE_ENGINE}, 3},
    {"Destroyer", 3, {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_VOLLEY_GUN, SYSTEM_TYPE_ENGINE}, 3},
    {"Frigate", 5, {SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_VOLLEY_GUN, SYSTEM_TYPE_ENGINE}, 3},
};
constexpr StartingDesign CONSTRUCTOR_DESIGN = {"Constructor", 2, {SYSTEM_TYPE_STARBASE_KIT, SYSTEM_TYPE_ENGINE}, 2};

uint32_t draw() { return random_magnitude(random_u32()); }

// A coordinate base + r % range, or the base alone when the range is below 2.
int32_t draw_from(int32_t base, int32_t range) { return range < 2 ? base : base + int32_t(draw() % uint32_t(range)); }

int32_t centre_x(const GameObject *obj) { return obj->x + obj->w / 2; }
int32_t centre_y(const GameObject *obj) { return obj->y + obj->h / 2; }

double centre_distance(const GameObject *a, const GameObject *b) {
    return std::hypot(double(centre_x(a) - centre_x(b)), double(centre_y(a) - centre_y(b)));
}

int32_t sector_count_for(int32_t density) {
    switch (density) {
    case 0: return 13 + int32_t(draw() % 4u);
    case 1: return 19 + int32_t(draw() % 4u);
    case 2: return 26 + int32_t(draw() % 4u);
    case 3: return 35 + int32_t(draw() % 3u);
    case 4: return 40 + int32_t(draw() % 4u);
    default: return 24 + int32_t(draw() % 7u);
    }
}

// The star type (sector template) of a new sector by galaxy age, from a roll of 1..100.
int32_t star_type_for(int32_t age) {
    // Upper bounds of the rolls for types 4, 0, 1, 2; the rest is type 3.
    static constexpr int32_t BOUNDS[3][4] = {{29, 54, 74, 89}, {14, 29, 54, 84}, {4, 14, 39, 69}};
    static constexpr int32_t TYPES[5] = {4, 0, 1, 2, 3};
    const int32_t row = age == 0 ? 0 : age == 2 ? 2 : 1;
    const int32_t roll = 1 + int32_t(draw() % 100u);
    for (int i = 0; i < 4; ++i)
        if (roll <= BOUNDS[row][i]) return TYPES[i];
    return TYPES[4];
}

bool in_forbidden_corner(int32_t x, int32_t y, int32_t map_h) {
    return (x < 500 && y >= map_h - 215) || (x >= 793 && y < 94);
}

int32_t starbase_crew_for(int32_t recruitment) {
    if (recruitment <= 500) return 2500;
    if (recruitment <= 750) return 4000;
    return 5000;
}

void stamp_built(Site *site, const Game *game) {
    if (!site->built) site->built = date_create();
    if (site->built && game->clock) date_copy(site->built, game->clock);
}

// The working state of one generation.
struct Galaxy {
    Game *game = nullptr;
    int32_t map_w = MAP_WIDTH, map_h = MAP_HEIGHT;
    ShuffleBag<int32_t> *site_bags[SECTOR_TEMPLATE_COUNT] = {};
    std::vector<Player *> players;       // the slot players, in slot order
    Sector *sol = nullptr;
    std::vector<Sector *> sectors;       // every sector but Sol, in creation order
    std::vector<Sector *> homes;         // by slot player

    ~Galaxy() {
        for (ShuffleBag<int32_t> *&bag : site_bags) {
            shuffle_free(bag);
            bag = nullptr;
        }
    }
};

// A new site of the template in the sector: placement, id, sector id, recount and labels.
Site *add_site(Sector *sector, int32_t tmpl, uint64_t owner, bool random_layout) {
    Site *site = site_create(tmpl);
    if (!site) {
        log_write(LOG_GAME, LOG_WARN, "Sector #%llu \"%s\" - failed to create site type %i",
                  (unsigned long long)sector->id, sector->label.c_str(), int(tmpl));
        return nullptr;
    }
    if (random_layout) site_random_layout(site);
    site->owner_id = owner;
    int32_t x = 0, y = 0;
    sector_place_site(sector, tmpl, &x, &y);
    sector_add_site(sector, site, x, y);   // id, sector id, recruits, recount
    sector_assign_site_labels(sector);
    return site;
}

// A site in one of its template's variants, drawn at random.
Site *add_varied_site(Sector *sector, int32_t tmpl, uint64_t owner) {
    Site *site = add_site(sector, tmpl, owner, true);
    const Site *pattern = site_template(tmpl);
    if (site && pattern && site_has_variants(site) && !pattern->variants.empty())
        site_feature_template(site, int32_t(draw() % uint32_t(pattern->variants.size())));
    return site;
}

// ---- Players ----------------------------------------------------------------------------------------

AiPlayer *create_ai(int32_t role, const PlayerRecord *record) {
    const PlayerAiHooks &hooks = player_ai_hooks();
    return hooks.create ? hooks.create(role, record) : nullptr;
}

void grant_starting_techs(Player *player, int32_t starting_tech) {
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        const TechInfo *tech = tech_get(t);
        if (!tech || tech->starting_level < 0 || tech->starting_level > starting_tech) continue;
        player->research_points[t] = tech->cost;
        player->tech_state[t] |= TECH_DONE;
    }
    player_process_research(player);
}

Result make_slot_players(Galaxy &g) {
    Game *game = g.game;
    const int32_t tech = std::clamp(game->setup.starting_tech, 0, 2);
    for (int slot = 0; slot < GAME_SLOT_COUNT; ++slot) {
        const PlayerRecord *record = game->slot_record_ids[slot] ? records_find(game, game->slot_record_ids[slot]) : nullptr;
        if (!record) continue;
        const bool human = record->kind == 0;
        Player *player = player_create(human ? PLAYER_KIND_HUMAN : PLAYER_KIND_COMPUTER);
        if (!player) continue;
        player->record_id = record->id;
        player_set_id(player, game_next_id(game));
        player->credits = STARTING_CREDITS[tech];
        player_set_color(player, game->slot_red[slot], game->slot_green[slot], game->slot_blue[slot]);
        player_set_name(player, record->name.c_str());
        grant_starting_techs(player, tech);
        player->commander_ai = create_ai(AI_STATE_COMMANDER, record);
        if (!human) player->galaxy_ai = create_ai(AI_STATE_GALAXY, record);
        if (game_add_player(game, player) != RES_OK) {
            player_free(player);
            continue;
        }
        g.players.push_back(player);
        if (human && !game->ui_player) {
            game->ui_player = player;
            game->ui_player_id = player->id;
            log_write(LOG_GAME, LOG_INFO, "Game UI player is #%llu \"%s\"", (unsigned long long)player->id,
                      player->name.c_str());
        }
    }
    return g.players.empty() ? RES_OUT_OF_RANGE : RES_OK;
}

// ---- One round of the galaxy --------------------------------------------------------------------------

Sector *place_sol(Galaxy &g) {
    Sector *sol = sector_create(SECTOR_SOL_TEMPLATE);
    if (!sol) return nullptr;
    sol->label = "Sol";
    sol->name = "Sol";
    const int32_t x = draw_from(400, g.map_w - 799);
    const int32_t y = draw_from(330, g.map_h - 659);
    map_place_object(g.game->galaxy_map, sol, x, y, 1);
    add_site(sol, SITE_SOL_STATION, 0, false);
    g.game->sol_sector_id = sol->id;
    return sol;
}

// A position at least the spacing away from every sector so far; false when the tries run out.
bool find_sector_position(Galaxy &g, Sector *sector) {
    for (int32_t attempt = 0; attempt < NEWGAME_SECTOR_TRIES; ++attempt) {
        int32_t x, y;
        do {
            x = draw_from(90, g.map_w - 179);
            y = draw_from(60, g.map_h - 149);
        } while (in_forbidden_corner(x, y, g.map_h));
        sector->x = x;
        sector->y = y;
        bool clear = centre_distance(sector, g.sol) > NEWGAME_SECTOR_SPACING;
        for (size_t i = 0; clear && i < g.sectors.size(); ++i)
            clear = centre_distance(sector, g.sectors[i]) > NEWGAME_SECTOR_SPACING;
        if (clear) return true;
    }
    return false;
}

void place_sectors(Galaxy &g) {
    Game *game = g.game;
    const int32_t count = sector_count_for(game->setup.star_density);
    for (ShuffleBag<char> *deck : {game->sector_names, game->ship_names, game->pilot_names})
        if (deck) shuffle_reset(deck);
    if (game->pilot_portraits) shuffle_reset(game->pilot_portraits);
    game->ship_name_cycles = 0;
    game->pilot_name_cycles = 0;
    for (int32_t n = 0; n < count; ++n) {
        Sector *sector = sector_create(star_type_for(game->setup.galaxy_age));
        if (!sector) continue;
        game_next_sector_name(game, &sector->label);
        sector->name = sector->label;
        if (!find_sector_position(g, sector)) {
            object_destroy(sector);   // no room left: the galaxy goes without it
            continue;
        }
        map_place_object(game->galaxy_map, sector, sector->x, sector->y, 1);
        g.sectors.push_back(sector);
        add_site(sector, sector_star_kind(sector->subtype), 0, true);
    }
}

// Steps home points and home sectors: false when a player finds no point or no free sector.
bool choose_homes(Galaxy &g) {
    std::vector<std::pair<int32_t, int32_t>> points;
    for (size_t p = 0; p < g.players.size(); ++p) {
        bool found = false;
        for (int32_t attempt = 0; attempt < NEWGAME_HOME_POINT_TRIES && !found; ++attempt) {
            const int32_t x = int32_t(draw() % uint32_t(g.map_w));
            const int32_t y = int32_t(draw() % uint32_t(g.map_h));
            found = true;
            for (const auto &[px, py] : points)
                if (std::hypot(double(x - px), double(y - py)) < NEWGAME_HOME_POINT_GAP) found = false;
            if (found) points.emplace_back(x, y);
        }
        if (!found) return false;
    }
    for (size_t p = 0; p < g.players.size(); ++p) {
        Sector *best = nullptr;
        double best_distance = 0;
        for (Sector *sector : g.sectors) {
            if (sector->owner_id) continue;
            const double d = std::hypot(double(centre_x(sector) - points[p].first),
                                        double(centre_y(sector) - points[p].second));
            if (!best || d < best_distance) {
                best = sector;
                best_distance = d;
            }
        }
        if (!best) return false;
        best->owner_id = g.players[p]->id;
        g.homes.push_back(best);
    }
    for (size_t a = 0; a < g.homes.size(); ++a)
        for (size_t b = a + 1; b < g.homes.size(); ++b)
            if (centre_distance(g.homes[a], g.homes[b]) < NEWGAME_HOME_GAP) return false;
    return true;
}

void populate_open_sector(Galaxy &g, Sector *sector) {
    const int32_t count = sector_template_random_entry(sector);
    ShuffleBag<int32_t> *bag = sector->subtype >= 0 && sector->subtype < SECTOR_TEMPLATE_COUNT
                                   ? g.site_bags[sector->subtype]
                                   : nullptr;
    for (int32_t i = 0; i < count && bag; ++i)
        if (const int32_t *tmpl = shuffle_next(bag)) add_site(sector, *tmpl, 0, true);
}

void populate_home_sector(Galaxy &g, Sector *sector) {
    Game *game = g.game;
    const uint64_t owner = sector->owner_id;
    add_varied_site(sector, SITE_BODY_T11, 0);
    if (Site *colony = add_varied_site(sector, SITE_HOME_COLONY, 0)) {
        site_generate_features(colony, FEATURE_HOME_COLONY);
        if (colony->feature) colony->feature->owner_id = owner;
    }
    static constexpr int32_t BODIES[3] = {SITE_BODY_T10, SITE_BODY_T9, SITE_BODY_T6};
    add_site(sector, BODIES[draw() % 3u], 0, true);
    if (draw() % 2u == 0) add_site(sector, draw() % 2u == 0 ? SITE_BODY_T9 : SITE_BODY_T6, 0, true);

    if (Site *starbase = add_site(sector, SITE_STARBASE, owner, true)) {
        stamp_built(starbase, game);
        starbase->crew = starbase_crew_for(game->setup.crew_recruitment);
        site_update_crew_state(starbase);
    }
    if (Site *harvester = add_site(sector, SITE_HARVESTER, owner, true)) {
        stamp_built(harvester, game);
        if (Site *target = sector_find_cheapest_resource_site(sector)) site_set_harvest_target(harvester, target->id);
    }
    // A shipyard adds no production of its own: the starbase's queue builds its ships.
    if (game->setup.starting_tech >= 1)
        if (Site *yard = add_site(sector, SITE_SHIPYARD, owner, true)) stamp_built(yard, game);
    if (game->setup.starting_tech >= 2)
        for (int32_t tmpl : {SITE_ACADEMY, SITE_TRAINING})
            if (Site *site = add_site(sector, tmpl, owner, true)) stamp_built(site, game);
    sector_refresh_sites(sector);
}

void populate_sol(Galaxy &g) {
    add_site(g.sol, SITE_SOL_GUARD, 0, false);
    if (Site *starbase = add_site(g.sol, SITE_STARBASE, 0, false)) {
        if (!starbase->built) starbase->built = date_create();
        if (starbase->built) date_set(starbase->built, 2649, 6, 6);
    }
    sector_refresh_sites(g.sol);
}

void fill_resources(Galaxy &g) {
    std::vector<Sector *> all = g.sectors;
    all.push_back(g.sol);
    for (Sector *sector : all) {
        for (Site *site : sector->sites.items) {
            if (!site) break;
            if (site->params.template_flags & SITE_TF_RESOURCE) site_init_resources(site);
        }
        for (Site *site : sector->sites.items) {
            if (!site) break;
            if (site->subtype != SITE_HARVESTER) continue;
            Site *target = sector_find_cheapest_resource_site(sector);
            site_set_harvest_target(site, target ? target->id : 0);
        }
    }
}

// Every world that holds people starts with as many as a home starbase starts with crew: the
// weekly intake of a starbase draws its recruits from these worlds, so a galaxy without them
// would promise recruits and deliver none. The figure follows the crew-recruitment setting and
// takes no draw, so a seed gives the same galaxy with or without the people in it.
void settle_populations(Galaxy &g) {
    const int32_t people = starbase_crew_for(g.game->setup.crew_recruitment);
    std::vector<Sector *> all = g.sectors;
    all.push_back(g.sol);
    for (Sector *sector : all)
        for (Site *site : sector->sites.items) {
            if (!site) break;
            if (site->params.template_flags & SITE_TF_POPULATION) site_set_population(site, people);
        }
}

// Deals the features to the open sectors: false when a kind every galaxy needs was not placed.
bool deal_features(Galaxy &g) {
    std::vector<Sector *> open;
    for (Sector *sector : g.sectors)
        if (!sector->owner_id) open.push_back(sector);
    ShuffleBag<int32_t> *bag = site_random_features();
    if (!bag) return false;
    const int32_t k = (65 + int32_t(draw() % 11u)) * int32_t(open.size()) / 100;
    bool placed[FEATURE_TEMPLATE_COUNT] = {};
    // The open sectors in the order of a draw without repetition.
    for (size_t i = open.size(); i > 1; --i) std::swap(open[i - 1], open[draw() % uint32_t(i)]);
    for (int32_t n = 0; n < k; ++n) {
        const int32_t *kind = shuffle_next(bag);
        if (!kind) break;
        for (size_t i = 0; i < open.size(); ++i) {
            if (sector_generate_feature(open[i], *kind) != RES_OK) continue;
            placed[*kind] = true;
            open.erase(open.begin() + ptrdiff_t(i));
            break;
        }
    }
    shuffle_free(bag);
    for (int32_t kind : {FEATURE_RICH_BODY, FEATURE_CREW_INTAKE, FEATURE_RESEARCH, FEATURE_DISCOUNT})
        if (!placed[kind]) return false;
    return true;
}

// How a round of the galaxy ended.
enum class RoundEnd {
    MADE,
    NO_HOMES,   // the home points or home sectors failed: nothing but the sectors was made
    REJECTED,   // the galaxy was populated and then failed a later check
};

// One round of steps 5 to 12; anything but MADE means the galaxy must be drawn again.
RoundEnd generate_round(Galaxy &g) {
    Game *game = g.game;
    map_clear(game->galaxy_map);
    g.sectors.clear();
    g.homes.clear();
    g.sol = place_sol(g);
    if (!g.sol) return RoundEnd::REJECTED;
    place_sectors(g);
    map_add_pending_objects(game->galaxy_map);
    if (!choose_homes(g)) return RoundEnd::NO_HOMES;
    for (Sector *sector : g.sectors) {
        if (sector->owner_id) populate_home_sector(g, sector);
        else populate_open_sector(g, sector);
    }
    fill_resources(g);
    populate_sol(g);

    int32_t unlabelled = 0;
    for (Sector *sector : g.sectors)
        if (sector_count_labelled_sites(sector) == 0) ++unlabelled;
    if (unlabelled > std::max(int32_t(g.sectors.size()) / 13, 1)) return RoundEnd::REJECTED;
    for (Sector *home : g.homes)
        if (centre_distance(home, g.sol) < NEWGAME_HOME_SOL_GAP) return RoundEnd::REJECTED;
    return deal_features(g) ? RoundEnd::MADE : RoundEnd::REJECTED;
}

// ---- Designs, ships and officers ------------------------------------------------------------------------

int32_t mount_kind_for(int32_t type) { return type == SYSTEM_TYPE_ENGINE ? MOUNT_ENGINE : MOUNT_SYSTEM; }

// A ship of the hull with the player's best system of each type fitted.
Ship *fitted_ship(Player *player, int32_t hull, const int32_t *types, int32_t type_count) {
    Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, hull));
    if (!ship) return nullptr;
    for (int32_t i = 0; i < type_count; ++i) (void)player_fit_best_system(player, ship, types[i], mount_kind_for(types[i]));
    ship_recompute_stats(ship);
    return ship;
}

void add_design(Player *player, const StartingDesign &d) {
    Ship *ship = fitted_ship(player, d.hull, d.types, d.type_count);
    if (!ship) return;
    ship->ship_name = d.name;
    player_add_design(player, ship);
}

void equip_players(Galaxy &g) {
    for (size_t p = 0; p < g.players.size(); ++p) {
        Player *player = g.players[p];
        for (const StartingDesign &d : STARTING_DESIGNS) add_design(player, d);
        if (sector_find_site_of_kind(g.homes[p], SITE_HARVESTER)) add_design(player, CONSTRUCTOR_DESIGN);
        if (Ship *ship = ship_of(player_build_ship_from_design(player, 0))) {
            player->ships_built += 1;
            player_commission_ship(player, ship, player_hire_officer(player, true, g.homes[p]), g.homes[p]);
        }
        if (player->kind != PLAYER_KIND_HUMAN) player_clear_designs(player);   // its AI designs its own
    }
}

void staff_starbase(Game *, Player *player, Sector *sector) {
    Site *starbase = sector ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr;
    if (!starbase) return;
    Officer *officer = player_hire_officer(player, false, sector);
    if (officer) site_set_pilot(starbase, officer);
}

Player *make_faction(Game *game, const char *name, const int32_t colour[3]) {
    Player *player = player_create(PLAYER_KIND_COMPUTER);
    if (!player) return nullptr;
    player_set_id(player, game_next_id(game));
    player_set_color(player, colour[0], colour[1], colour[2]);
    player_set_name(player, name);
    return player;
}

void make_ark_player(Game *game) {
    Player *ark = make_faction(game, "ARK Zero", ARK_COLOUR);
    if (!ark) return;
    ark->commander_ai = create_ai(AI_STATE_ARK_COMMANDER, nullptr);
    if (game_add_player(game, ark) != RES_OK) {
        player_free(ark);
        return;
    }
    game->combat_ai_player_id = ark->id;
    log_write(LOG_GAME, LOG_INFO, "Game AI combat player is #%llu \"%s\"", (unsigned long long)ark->id,
              ark->name.c_str());
}

Player *make_sol_player(Galaxy &g) {
    Game *game = g.game;
    Player *sol = make_faction(game, "United Earth Council", SOL_COLOUR);
    if (!sol) return nullptr;
    sol->commander_ai = create_ai(AI_STATE_SOL_COMMANDER, nullptr);
    sol->galaxy_ai = create_ai(AI_STATE_SOL_GALAXY, nullptr);
    if (game_add_player(game, sol) != RES_OK) {
        player_free(sol);
        return nullptr;
    }
    g.sol->owner_id = sol->id;
    if (Site *starbase = sector_find_site_of_kind(g.sol, SITE_STARBASE)) starbase->owner_id = sol->id;
    game->sol_player_id = sol->id;
    log_write(LOG_GAME, LOG_INFO, "Game Sol sector is #%llu, Sol player is #%llu \"%s\"",
              (unsigned long long)g.sol->id, (unsigned long long)sol->id, sol->name.c_str());
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        const TechInfo *tech = tech_get(t);
        if (tech && tech->sol_level == 0) sol->research_points[t] = tech->cost;
    }
    player_process_research(sol);

    static constexpr int32_t GUARD_TYPES[2][3] = {
        {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_ENGINE},
        {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_SHIELD, SYSTEM_TYPE_ENGINE},
    };
    static constexpr int32_t GUARD_HULLS[2] = {2, 3};
    static constexpr int32_t GUARD_TYPE_COUNTS[2] = {2, 3};
    for (int i = 0; i < 2; ++i) {
        Ship *ship = fitted_ship(sol, GUARD_HULLS[i], GUARD_TYPES[i], GUARD_TYPE_COUNTS[i]);
        if (!ship) continue;
        Officer *pilot = officer_create();
        if (pilot) {
            pilot->id = game_next_id(game);
            pilot->owner_id = sol->id;
            game_random_name(game, &pilot->name);
            if (pilot->hired && game->clock) date_copy(pilot->hired, game->clock);
            for (int step = 0; step < 2; ++step) {
                const int32_t next = std::min(pilot->rank + 1, OFFICER_RANK_COUNT - 1);
                officer_add_experience(pilot, officer_rank_threshold(next), 1);
            }
            player_add_officer(sol, pilot);
        }
        player_commission_ship(sol, ship, pilot, g.sol);
    }
    return sol;
}

void learn_start(Galaxy &g) {
    Game *game = g.game;
    game->conquerable_sectors = 0;
    for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i) {
        GameObject *obj = map_object_at(game->galaxy_map, i);
        if (obj && obj->kind == OBJECT_SECTOR && obj->id != game->sol_sector_id) ++game->conquerable_sectors;
    }
    for (Player *player : game->players->items) {
        if (!player) break;
        player_learn_object(player, g.sol, 1);
        player_update_totals(player);
        if (!game->setup.fog_of_war_off || player->id == game->sol_player_id ||
            player->id == game->combat_ai_player_id)
            continue;
        for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i) {
            GameObject *obj = map_object_at(game->galaxy_map, i);
            if (obj && obj->kind == OBJECT_SECTOR && obj->id != game->sol_sector_id) player_learn_object(player, obj, 1);
        }
    }
    log_write(LOG_GAME, LOG_INFO, "Game sector conquer count is %i", game->conquerable_sectors);
}

Result generate(Game *game) {
    Galaxy g;
    g.game = game;
    log_write(LOG_GAME, LOG_DEBUG, "Generating initial game state, start ID %llu",
              (unsigned long long)game->next_id);
    for (int32_t t = 0; t < SECTOR_TEMPLATE_COUNT; ++t) g.site_bags[t] = sector_template_site_bag(t);
    game_clear(game);
    date_set(game->clock, NEWGAME_START_YEAR, 1, 1);
    map_set_world_size(game->galaxy_map, g.map_w, g.map_h);

    if (Result r = make_slot_players(g); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to set new game (error %i)", r);
        game_clear(game);
        return r;
    }
    // Five homes on a sparse map are rare in a round, so most rounds end at the home choice;
    // those cost only the sectors and have a cap of their own, far above what any setting needs.
    int32_t homeless = 0, rejected = 0;
    for (RoundEnd end = generate_round(g); end != RoundEnd::MADE; end = generate_round(g)) {
        (end == RoundEnd::NO_HOMES ? homeless : rejected) += 1;
        if (homeless >= NEWGAME_MAX_HOME_DRAWS || rejected >= NEWGAME_MAX_ROUNDS) {
            log_write(LOG_GAME, LOG_ERROR,
                      "Failed to generate a galaxy in %i rounds, %i without homes (error %i)",
                      homeless + rejected, homeless, RES_GALAXY_NOT_MADE);
            game_clear(game);
            return RES_GALAXY_NOT_MADE;
        }
    }
    log_write(LOG_GAME, LOG_DEBUG, "Galaxy of %i sectors made in %i rounds, %i without homes",
              int(g.sectors.size()), homeless + rejected + 1, homeless);
    settle_populations(g);

    if (game->setup.starting_tech >= 1) equip_players(g);
    for (size_t p = 0; p < g.players.size(); ++p) {
        staff_starbase(game, g.players[p], g.homes[p]);
    }
    make_ark_player(game);
    Player *sol = make_sol_player(g);
    learn_start(g);
    if (sol) staff_starbase(game, sol, g.sol);
    map_update_visibility(game->galaxy_map, game->ui_player_id);
    return RES_OK;
}

// Slot checks made before anything changes.
Result check_slots(Game *game) {
    int32_t players = 0, humans = 0;
    for (int slot = 0; slot < GAME_SLOT_COUNT; ++slot) {
        const PlayerRecord *record = game->slot_record_ids[slot] ? records_find(game, game->slot_record_ids[slot]) : nullptr;
        if (!record) continue;
        ++players;
        if (record->kind == 0) ++humans;
    }
    if (players < 2) return RES_TOO_FEW_PLAYERS;
    if (humans < 1) return RES_NO_HUMAN_PLAYER;
    return RES_OK;
}

}  // namespace

Result game_new_start(Game *game, NewGameJob *job) {
    job->game = game;
    job->done.store(0, std::memory_order_relaxed);
    job->result = check_slots(game);
    if (job->result != RES_OK) {
        job->done.store(1, std::memory_order_release);
        return job->result;
    }
    const uint32_t seed = random_worker_seed();
    try {
        job->thread = std::thread([job, seed] {
            random_seed(seed);
            job->result = generate(job->game);
            job->done.fetch_or(1, std::memory_order_release);
        });
    } catch (...) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to create galaxy load thread");
        job->result = RES_FAILED;
        job->done.store(1, std::memory_order_release);
        return RES_FAILED;
    }
    return RES_OK;
}

bool game_new_finished(const NewGameJob *job) { return job->done.load(std::memory_order_acquire) != 0; }

Result game_new_join(NewGameJob *job) {
    if (job->thread.joinable()) job->thread.join();
    return job->result;
}

Result game_new(Game *game) {
    NewGameJob job;
    if (Result r = game_new_start(game, &job); r != RES_OK) return r;
    return game_new_join(&job);
}
