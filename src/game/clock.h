#pragma once
// Game clock: turns the queued game minutes of a galaxy day into calendar time, production and
// travel, frame by frame at the configured galaxy speed.
//  - A turn queues 1440 minutes (one day); the galaxy screen calls game_advance_clock once per
//    frame with the frame's real milliseconds until nothing is queued.
//  - One game minute is 60,000 clock units; a frame of d ms at speed s buys s x 28,800 x d / 100
//    units (a day per real second at the default 300). The fraction of a minute carries over in
//    the game's clock remainder; the last frame of a day is cut to the minutes left.
//  - Objects travel in travel milliseconds (units / 86,400): a whole day is 1,000 at any speed.
//  - Each advance: calendar, every galaxy-map object's minutes (production, harvesting, crew and
//    training, fleets' ship orders), every player's escape pods and totals, travel, the objects'
//    after-advance step (fleet scans, sector detection) and the UI player's visibility, in that
//    order.
//  - Game thread only; allocates nothing.
#include <cstdint>

struct Game;

constexpr int32_t CLOCK_UNITS_PER_MINUTE = 60000;
constexpr int32_t CLOCK_UNITS_PER_TRAVEL_MS = 86400;
constexpr int32_t CLOCK_DAY_MINUTES = 1440;

void game_queue_minutes(Game *game, int32_t minutes);
bool game_is_advancing(const Game *game);
// One advance of elapsed_ms real milliseconds; nothing while no minutes are queued.
void game_advance_clock(Game *game, int32_t elapsed_ms);
