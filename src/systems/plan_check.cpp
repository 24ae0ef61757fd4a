// Checking the kept answers of the combat searches: the switch, the count, the failure and the
// draws' marks.
#include "systems/plan_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "game/game.h"
#include "platform/log.h"
#include "systems/system.h"

namespace {

bool switch_from_environment() {
    const char *text = std::getenv("ASTROVANE_VERIFY_CACHES");
    return text && std::strcmp(text, "1") == 0;
}

constinit thread_local uint64_t t_checked = 0;

// The generator the calling thread draws from, or null for its quick one (as system_random).
Rng *draws_generator() {
    if (Rng *rng = system_draws::plan_generator) return rng;
    const Game *game = game_get();
    return game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) ? game->generators[GAME_GENERATOR_RESOLVE] : nullptr;
}

}  // namespace

namespace plan_check_state {
bool on = switch_from_environment();
constinit thread_local bool fresh = false;
}  // namespace plan_check_state

bool plan_check_set(bool on) {
    const bool was = plan_check_state::on;
    plan_check_state::on = on;
    return was;
}

uint64_t plan_check_count() { return t_checked; }
void plan_check_counted() { ++t_checked; }

void plan_check_failed(const char *cache, const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log_write(LOG_GAME, LOG_ERROR, "Kept answer differs from a fresh one (%s): %s", cache, text);
    std::fprintf(stderr, "Kept answer differs from a fresh one (%s): %s\n", cache, text);
    std::fflush(stderr);
    std::abort();
}

PlanDrawMark plan_check_mark() {
    PlanDrawMark mark;
    mark.rng = draws_generator();
    if (mark.rng) mark.copy = std::make_unique<Rng>(*mark.rng);
    mark.quick = random_state();
    return mark;
}

void plan_check_rewind(const PlanDrawMark &mark) {
    if (mark.rng) *mark.rng = *mark.copy;
    random_set_state(mark.quick);
}

bool plan_check_draws_at(const PlanDrawMark &mark) {
    if (random_state() != mark.quick) return false;
    if (!mark.rng) return true;
    return mark.rng->index == mark.copy->index &&
           std::memcmp(mark.rng->state, mark.copy->state, sizeof mark.rng->state) == 0;
}
