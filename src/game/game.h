#pragma once
// Game: the one game state of the process.
//  - Holds the flags the game loop obeys, the cursors, the id counter shared by every persistent
//    record, the seven random generators, the three object maps, the global object list, the
//    top-level controls, the players with their id map, the encounters, the alerts, the name decks,
//    the clock, the protected home sector and its owner, the preferences, the new-game settings and
//    the outcome of the game.
//  - Reached only through game_get, which creates it on first use; freed by the shut-down routine
//    (game_destroy). A new game or a load empties it with game_clear without freeing it.
//  - Owns every list, map, deck, the clock, the star layer and the strings; holds one reference on
//    the current encounter, the hover control and the focus control; the UI player is borrowed
//    from the player list. Fields whose types belong to later modules stay empty until those
//    modules fill them.
//  - Game thread only, except while a screen's worker thread runs: the screen then neither walks
//    nor changes what the worker may touch until it has joined it.
//  - The rule every screen that starts a model worker (encounter start, autocombat, AI turns)
//    follows: object reference counts are the only shared words and may be touched from either
//    side; removed objects are purged on the game thread only, before the worker starts and after
//    it is joined; while the worker runs the game thread walks no model container (maps, lists,
//    players) and draws the last picture it kept of the map. The combat option scorer's worker
//    (ai/ai_combat_scorer.h) is no model worker: it only reads, and only while a combat AI search
//    holds it, which changes nothing it reads meanwhile (the audit is beside ai_combat_scorer_start).
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"
#include "ui/game_controls.h"

struct Cursor;
struct Sprite;
struct Rng;
struct Date;
template <typename T> struct List;
template <typename T> struct HashTable;
struct ObjectMap;
struct Encounter;
struct Alert;
struct PlayerRecord;
struct Starfield;
template <typename T> struct ShuffleBag;
struct Player;
struct Control;
struct GameObject;

// GameFlags.
constexpr uint32_t GAME_FLAG_QUIT              = 0x1u;      // the loop ends after the current frame
constexpr uint32_t GAME_FLAG_LOOP_RUNNING      = 0x2u;
constexpr uint32_t GAME_FLAG_BOOT_LOG_SHOWN    = 0x10u;     // the title typed its boot log in this run
constexpr uint32_t GAME_FLAG_NO_CURSOR         = CONTROL_ROOT_NO_CURSOR;
constexpr uint32_t GAME_FLAG_CONTROLS_OFF      = CONTROL_ROOT_CONTROLS_OFF;
constexpr uint32_t GAME_FLAG_NO_MODE_UPDATE    = CONTROL_ROOT_NO_MODE_UPDATE;
constexpr uint32_t GAME_FLAG_RESOLVE_AT_ONCE   = 0x200u;    // random picks come from the fourth generator
constexpr uint32_t GAME_FLAG_MUSIC_RESTART     = CONTROL_ROOT_MUSIC_RESTART;
constexpr uint32_t GAME_FLAG_LOAD_PENDING      = 0x1000u;
constexpr uint32_t GAME_FLAG_LOAD_FROM_STORE   = 0x2000u;   // the pending load reads the data store
constexpr uint32_t GAME_FLAG_SIDE_CHOICE       = 0x8000u;
constexpr uint32_t GAME_FLAG_FIRST_RUN         = 0x10000u;  // the preferences file was missing
constexpr uint32_t GAME_FLAG_DAMAGE_DEALT      = 0x20000u;  // a battle resolved at once dealt damage

constexpr int     GAME_CURSOR_COUNT     = CONTROL_CURSOR_COUNT;
constexpr int     GAME_GENERATOR_COUNT  = 7;
constexpr int     GAME_GENERATOR_RESOLVE = 3;   // the fourth: resolve-at-once mode and hit rolls
constexpr int     GAME_GENERATOR_HACKING = 5;   // the sixth: hacking delays and rolls (survives a save)
constexpr int     GAME_SLOT_COUNT       = 5;    // new-game player slots
constexpr int32_t GAME_CLOCK_SCALE      = 28800;
constexpr int32_t GAME_AUTOSAVE_TURNS   = 14;

enum WinKind : int32_t {
    WIN_ONLY_SECTOR_HOLDER = 0,   // the only player left holding sectors
    WIN_SOL_HOLDER         = 1,   // took the Sol sector from its guardian
    WIN_TWO_THIRDS         = 2,   // holds two thirds of the conquerable sectors
};

// The six new-game settings, also copied into every save header.
struct GameSetup {
    int32_t star_density = 2;        // 0..4
    int32_t starting_tech = 1;       // 0..2
    int32_t galaxy_age = 1;          // 0..2
    int32_t ark_strength = 1;        // 0..2
    int32_t crew_recruitment = 500;  // 200..1500
    int32_t fog_of_war_off = 0;      // non-zero: every player learns every sector and fleet each turn
};

// The flag word, the cursors and the top-level controls are the toolkit's ControlRoot. They stay in
// the game record: the toolkit reaches them only as the root the game registers, so no hook table
// carries them and the toolkit learns nothing of the game; the model needs the toolkit below it in
// any case (alerts keep scenes, equipment builds its stat rows, objects start effects).
struct Game : ControlRoot {
    Sprite    **title_images = nullptr;      // the title screen's logo pictures, while it shows
    int32_t     title_image_count = 0;
    uint64_t    next_id = 0;
    Rng        *generators[GAME_GENERATOR_COUNT] = {};
    ObjectMap  *galaxy_map = nullptr;
    ObjectMap  *sector_map = nullptr;        // contents of the sector a screen shows
    ObjectMap  *combat_map = nullptr;
    // The lists are made empty by game_create; each item kind's module sets the free callback
    // (objects and players: release one reference; new controls: destroy; alerts: free).
    List<GameObject> *objects = nullptr;
    List<Player>     *players = nullptr;        // in order of addition
    HashTable<Player> *player_map = nullptr;    // u64 id -> Player
    List<Encounter>  *encounters = nullptr;
    List<Alert>      *alerts = nullptr;
    Encounter  *current_encounter = nullptr; // one reference
    Starfield  *star_layer = nullptr;
    ShuffleBag<char>    *sector_names = nullptr;     // heap strings; made by the name-list loader
    ShuffleBag<char>    *ship_names = nullptr;
    ShuffleBag<char>    *pilot_names = nullptr;
    ShuffleBag<int32_t> *pilot_portraits = nullptr;  // heap-allocated portrait numbers
    int32_t     ship_name_cycles = 0;
    int32_t     pilot_name_cycles = 0;
    Player     *ui_player = nullptr;         // borrowed from the player list
    uint64_t    shown_sector_id = 0;
    std::vector<int32_t> shown_hulls;       // ship templates whose detail pictures the sector view holds
    int32_t     reserved_word = 36;          // kept in saves
    Date       *clock = nullptr;
    int32_t     clock_scale = 0;
    int32_t     clock_remainder = 0;         // in 1/60000 of a game minute
    int32_t     queued_minutes = 0;
    uint64_t    ui_player_id = 0;
    uint64_t    current_encounter_id = 0;    // as read from a save, until the link step
    uint64_t    combat_ai_player_id = 0;
    uint64_t    sol_sector_id = 0;
    uint64_t    sol_player_id = 0;
    uint64_t    newest_alert_id = 0;
    uint64_t    newest_alert_seen_id = 0;
    int32_t     sol_budget = 0;
    int32_t     sol_spent = 0;
    int32_t     save_counter = 0;
    int32_t     galaxy_speed = 300;          // preferences
    int32_t     sound_volume = 128;
    int32_t     music_volume = 76;
    int32_t     display_mode = 0;
    int32_t     auto_pass = 0;
    int32_t     combat_speed = 100;
    int32_t     turn_counter = 0;
    List<PlayerRecord> *player_records = nullptr;
    uint64_t    slot_record_ids[GAME_SLOT_COUNT] = {};
    uint8_t     slot_red[GAME_SLOT_COUNT] = {};
    uint8_t     slot_green[GAME_SLOT_COUNT] = {};
    uint8_t     slot_blue[GAME_SLOT_COUNT] = {};
    std::string load_file_name;
    int32_t     autosave_countdown = GAME_AUTOSAVE_TURNS;
    int32_t     autosave_failure = 0;   // the code of an autosave that failed, until a screen told the player
    GameSetup   setup;
    uint64_t    winner_id = 0;
    int32_t     win_kind = WIN_ONLY_SECTOR_HOLDER;
    int32_t     backdrop = 0;                // 0..15; the screens show background backdrop + 4
    int32_t     combat_background = 0;       // the background slot the next battle shows (36..51)
    int32_t     conquerable_sectors = 0;
    int32_t     music_override = -1;         // volume level 0..5 from the command line, -1 none
    int32_t     sound_override = -1;
    int32_t     help_topic = 0;              // the topic the help popup opens with
};

Game *game_create();                  // null when out of memory
void  game_free(Game *game);
Game *game_get();                     // the singleton, created on first use
Game *game_ensure();                  // creates the singleton when missing
void  game_destroy();                 // frees the singleton and forgets it

void     game_clear(Game *game);          // empties the game model, keeps preferences and settings
void     game_clear_players(Game *game);
uint64_t game_next_id(Game *game);        // never 0
int32_t  game_random_range(Game *game, int32_t lo, int32_t hi);   // lo..hi inclusive
// An index 0..29 with probability weights[i] / total: from the fourth generator in resolve-at-once
// mode, else from the quick draws.
int      game_random_weighted_index(Game *game, const int32_t weights[30], int32_t total);

// The object of an id wherever the game keeps it: the galaxy, sector-contents and combat maps in
// that order (an object or one it contains; stubs awaiting their link are skipped), then every
// player's own objects, then the global object list. Null for id 0.
GameObject *game_find_object(const Game *game, uint64_t id);
GameObject *game_find_object_of_kind(const Game *game, int32_t kind, uint64_t id);   // null for another kind
// True when a sector of the galaxy map is owned by the player or holds one of its objects: the
// foothold a jump drive needs to land somewhere.
bool        game_player_has_sector_presence(const Game *game, uint64_t player_id);
// The player's sector with a starbase nearest to (x, y) on the galaxy map; the first in map order
// on a tie; null when the player holds none.
GameObject *game_nearest_owned_sector(const Game *game, int32_t x, int32_t y, uint64_t player_id);

// The title screen's logo pictures: the numbered image set "title/png", loaded once (a second call
// keeps what is loaded). RES_READ_FAILED when the set is missing or empty; freeing is idempotent.
constexpr const char *TITLE_IMAGE_SET = "title/png";
Result title_load_images(Game *game);
void   title_free_images(Game *game);


void game_request_quit(Game *game);
void game_set_controls_hidden(Game *game, int on);
void game_show_cursor(Game *game);
int  game_cursor_index(const Game *game);
