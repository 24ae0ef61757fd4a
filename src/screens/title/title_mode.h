#pragma once
// Title mode (mode 2): the screen that starts new games and loads saved ones.
//  - The first entry of a run types a boot log over the boot background, then reveals the title
//    background through a grid of 64 x 64 tiles whose start delays come from a shuffle bag; later
//    entries paint the title background at once. The title game menu shows from the start.
//  - Leaving for a game: the menu flashes away, the music fades, the screen is wiped in vertical
//    stripes to the transition background, the galaxy load thread generates the new game (or just
//    loads what the galaxy screen needs after a load) while "Loading..." pulses, then a second wipe
//    to the galaxy background and the galaxy mode is requested. A failed galaxy load returns to the
//    title with a fresh menu that says "Error loading game".
//  - Two worker threads: the title load thread (logo pictures, title music) and the galaxy load
//    thread. Each is seeded with a draw the game thread makes when it starts it, sets its completion
//    bit in TitleState::flags as its last write (fetch_or, release) and is joined before the next one
//    starts and in leave. The game thread reads nothing a worker writes before its bit (acquire).
//  - The title state is this module's and the logo and About pages' (title_pages.h); tests read it.
//  - Main thread only, but for the two thread bodies.
#include <SDL.h>
#include <atomic>
#include <cstdint>
#include "platform/list.h"

struct AppMode;
struct ColourFade;
struct Control;
struct Graphics;

// TitleFlags.
constexpr uint32_t TITLE_TILES_STARTED   = 0x1;      // squares to copy in the next draw
constexpr uint32_t TITLE_REPAINT         = 0x2;      // repaint the screen from the target background
constexpr uint32_t TITLE_ASSETS_LOADED   = 0x4;      // the title load thread's completion bit
constexpr uint32_t TITLE_LOGO_PENDING    = 0x8;
constexpr uint32_t TITLE_ABOUT_REQUESTED = 0x10;
constexpr uint32_t TITLE_ABOUT_REVEAL    = 0x20;     // restart the reveal for the About page
constexpr uint32_t TITLE_ABOUT_PENDING   = 0x40;
constexpr uint32_t TITLE_LEAVING         = 0x80;
constexpr uint32_t TITLE_LOAD_TRANSITION = 0x200;    // load background slot 2
constexpr uint32_t TITLE_LOAD_GALAXY_BG  = 0x400;    // load the galaxy background slot
constexpr uint32_t TITLE_GENERATE        = 0x800;    // the galaxy load thread makes a new game
constexpr uint32_t TITLE_GALAXY_LOADED   = 0x1000;   // completion bits of the galaxy load thread
constexpr uint32_t TITLE_GALAXY_FAILED   = 0x2000;
constexpr uint32_t TITLE_START_GALAXY    = 0x4000;   // start the galaxy load thread
constexpr uint32_t TITLE_HELP_OPEN       = 0x8000;   // the menu is disabled while help shows
constexpr uint32_t TITLE_NEW_GAME_FAILED = 0x10000;  // with TITLE_GALAXY_FAILED: the new game was not made

enum TitlePhase : int32_t {
    TITLE_PHASE_COUNTDOWN = 0,   // boot countdown; at 0 the tile grid is built
    TITLE_PHASE_TILES     = 1,   // tiles start after their delays and reveal the target background
    TITLE_PHASE_FADING    = 2,   // outlines fade out
    TITLE_PHASE_REVEALED  = 3,   // waits for the About hand-off
    TITLE_PHASE_IDLE      = 4,
};

enum TitleLeaveStep : int32_t {
    TITLE_LEAVE_FLASH      = 0,   // the menu's frame flashes for 400 ms, then every control goes
    TITLE_LEAVE_WIPE_OUT   = 1,   // stripes of the transition background
    TITLE_LEAVE_LOADING    = 2,   // the galaxy load thread runs; "Loading..." pulses
    TITLE_LEAVE_WIPE_IN    = 3,   // stripes of the galaxy background
    TITLE_LEAVE_HOLD       = 4,
    TITLE_LEAVE_GALAXY     = 5,   // requests the galaxy mode
};

// Control ids of the title screen (top-level controls).
constexpr int TITLE_ID_BOOT_LOG    = 810340;
constexpr int TITLE_ID_MENU        = 810341;
constexpr int TITLE_ID_LOGO        = 810342;
constexpr int TITLE_ID_ABOUT_OK    = 810343;
constexpr int TITLE_ID_CREDITS     = 810344;
constexpr int TITLE_ID_CONTRIBUTE  = 810345;
constexpr int TITLE_ID_MORE_INFO   = 810346;
constexpr int TITLE_ID_LINK_DIALOG = 810347;
constexpr int TITLE_ID_LINK_TEXT   = 810348;   // inside a link panel
constexpr int TITLE_ID_LINK_LINE   = 810349;
constexpr int TITLE_ID_VERSION     = 810350;

// Background slots.
constexpr int32_t TITLE_BG_BOOT       = 0;
constexpr int32_t TITLE_BG_ABOUT      = 1;
constexpr int32_t TITLE_BG_TRANSITION = 2;
constexpr int32_t TITLE_BG_TITLE      = 3;
constexpr int32_t TITLE_BG_GALAXY     = 4;   // plus the game's backdrop number

constexpr int32_t TITLE_TILE_SIZE      = 64;
constexpr int32_t TITLE_TILE_ROW_DELAY = 30;      // ms of delay per row in the bag
constexpr int32_t TITLE_BOOT_MS        = 11000;
constexpr int32_t TITLE_ABOUT_SHORTCUT_MS = 600;
constexpr int32_t TITLE_LOAD_COUNTDOWN_MS = 1000;
constexpr int32_t TITLE_MENU_Y         = 330;
constexpr int     TITLE_HELP_KEY       = '/';
constexpr const char *TITLE_ERROR_LOADING = "Error loading game";
constexpr const char *TITLE_ERROR_NEW_GAME = "Error starting new game";

struct TitleTile {
    int32_t     x = 0, y = 0;
    int32_t     started = 0;
    int32_t     drawn = 0;
    int32_t     delay = 0;      // ms before it starts
    int32_t     visible = 0;    // its outline is drawn this frame
    ColourFade *colour = nullptr;   // owned
};

struct TitleState {
    std::atomic<uint32_t> flags{0};
    int32_t     phase = TITLE_PHASE_IDLE;
    int32_t     boot_countdown = 0;
    int32_t     target_background = TITLE_BG_TITLE;
    List<TitleTile> *tiles = nullptr;   // frees its tiles (title_tile_free)
    int32_t     load_countdown = 0;     // ms until the pending load runs; 0 when idle
    int32_t     leave_step = TITLE_LEAVE_FLASH;
    int32_t     leave_timer = 0;
    int32_t     reveal_offset = 0;      // 0..128
    int32_t     reveal_offset_drawn = 0;
    SDL_Thread *loader = nullptr;       // the last loader thread started, until joined
    uint32_t    loader_seed = 0;        // its quick generator's seed, drawn by the game thread
    ColourFade *loading_colour = nullptr;   // owned between enter and leave
    int32_t     loading_text_width = 0;
    int32_t     font_line_height = 0;
};

void        title_mode_init(AppMode *mode);   // fills enter, leave, update and draw
TitleState *title_state();

void title_enter();
void title_leave();
void title_update(int32_t ms);
void title_draw(Graphics *graphics);
void title_tile_free(TitleTile *tile);

// The title's game menu: the menu with New game, Load game, Options, Help, About and Quit game,
// centred, with hotkeys, and its glow.
void title_menu_build(Control *panel);
Control *title_menu_create();   // a new title menu on the top level, placed

// The menu's owner slots.
void title_on_new_game(Control *menu);
void title_on_load_requested(Control *menu);
void title_menu_rebuild(Control *menu);
void title_on_about(Control *menu);
// Runs the load the load screen prepared; on success the leaving transition starts, on failure the
// game is cleared and the menu says so.
void title_run_pending_load();

int title_load_thread(void *unused);
int title_galaxy_load_thread(void *unused);
