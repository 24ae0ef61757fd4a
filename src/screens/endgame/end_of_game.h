#pragma once
// End of game (mode 4): the "END OF GAME" title opens in a dark green band across the middle of
// the screen, letter after letter, holds, slides left and rises to the top; then the results
// screen (how the game ended, with the final galaxy), "Next" to the score table, and "Main Menu",
// which adds the game's counters to the player records, writes them and returns to the title.
//  - The files: end_of_game_mode.cpp (the mode record, the animation and its drawing, the two
//    buttons' handlers), end_of_game_results.cpp (the results and score screens, the scores).
//  - The state is one module-level EndGameState; the screens are controls of the game's list and
//    the band and title stay drawn under them.
//  - Scores are signed 64-bit: a negative total ranks below zero and prints with its sign.
//  - Main thread only.
#include <cstdint>
#include <vector>

struct AppMode;
struct ColourFade;
struct Control;
struct Game;
struct Graphics;
struct Player;

constexpr uint32_t ENDGAME_ACTIVE         = 0x1u;
constexpr uint32_t ENDGAME_WANT_SCORES    = 0x2u;
constexpr uint32_t ENDGAME_WANT_RESULTS   = 0x4u;

enum EndGamePhase : int32_t {
    ENDGAME_SET_UP = 0,
    ENDGAME_OPENING,
    ENDGAME_HOLD,
    ENDGAME_SLIDE,
    ENDGAME_RISE,
    ENDGAME_REQUEST_RESULTS,
    ENDGAME_IDLE,
};

constexpr const char *ENDGAME_TITLE = "END OF GAME";
constexpr int ENDGAME_TITLE_FONT = 3;
constexpr int ENDGAME_BUTTON_ID = 1602002;   // "Next" and "Main Menu"

struct EndGameState {
    uint32_t     flags = 0;
    int32_t      phase = ENDGAME_SET_UP;
    ColourFade **letter_fades = nullptr;   // owned, one per title character
    int32_t      letter_count = 0;
    int32_t      time_acc = 0;             // ms carried between frames
    int32_t      band_left = 0, band_top = 0, band_right = 0, band_bottom = 0;   // inclusive
    int32_t      title_x = 0, title_y = 0;
};

EndGameState *endgame_state();

void endgame_mode_init(AppMode *mode);   // fills enter, leave, update and draw
void endgame_enter();
void endgame_leave();
void endgame_update(int32_t dt_ms);
void endgame_draw(Graphics *gfx);

void endgame_on_next(Control *button);        // asks for the score table
void endgame_on_main_menu(Control *button);   // writes the records and asks for the title

// The screens, built by the update when asked for; each first frees every control of the game.
void endgame_show_results();
void endgame_show_scores();

// The competing players: every player but the machine faction and Sol, in the players' order.
std::vector<Player *> endgame_competitors(Game *game);
// The game's total score of a player.
int64_t endgame_total_score(const Player *player);
// The score table's order: the winner first, then by total score, highest first (players' order
// among equal totals). Reads the players' stored totals.
std::vector<Player *> endgame_score_order(Game *game);
// The left edge of the score table for n scored players.
int32_t endgame_table_left(int32_t n);
