#pragma once
// Test support for the galaxy turn flow: the galaxy screen over a real new game with the screen's
// workers started through a creator the test controls.
//  - HeldWorkers creates real threads that wait at a gate until the test opens it, so a test can
//    look at the screen while the computer players are "still thinking" for as long as it likes.
//  - TurnFlowGame starts in the star map view and draws no frames, restores the thread creator
//    and the auto-pass preference, and at the end opens the gate, joins whatever worker is left and
//    puts the screen's turn state back to idle, so the next test starts from a quiet screen.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "galaxy_test_support.h"
#include "../../support/fixture_store.h"
#include "game/clock.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/log.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"

namespace galaxy_test {

class HeldWorkers {
public:
    HeldWorkers() = default;
    HeldWorkers(const HeldWorkers &) = delete;
    HeldWorkers &operator=(const HeldWorkers &) = delete;

    void install() {
        current_ = this;
        galaxy_set_thread_creator(create);
    }
    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        gate_.notify_all();
    }
    int started() const { return started_.load(); }

private:
    struct Start {
        HeldWorkers *self;
        int (*body)(void *);
    };
    static int run(void *arg) {
        const Start start = *static_cast<Start *>(arg);
        delete static_cast<Start *>(arg);
        {
            std::unique_lock<std::mutex> lock(start.self->mutex_);
            start.self->gate_.wait(lock, [&] { return start.self->open_; });
        }
        return start.body(nullptr);
    }
    static SDL_Thread *create(int (*body)(void *), void *) {
        ++current_->started_;
        return SDL_CreateThread(run, new Start{current_, body});
    }

    static inline HeldWorkers *current_ = nullptr;
    std::mutex mutex_;
    std::condition_variable gate_;
    bool open_ = false;
    std::atomic<int> started_{0};
};

// A creator that never gives a thread: every worker runs on the game thread.
inline SDL_Thread *no_thread(int (*)(void *), void *) { return nullptr; }

inline int count_of(const std::string &text, const std::string &line) {
    int n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

inline Sector *home_of(Game *game, uint64_t owner_id) {
    for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i)
        if (Sector *s = sector_of(map_object_at(game->galaxy_map, i)); s && s->owner_id == owner_id) return s;
    return nullptr;
}

class TurnFlowGame : public GalaxyGame {
protected:
    HeldWorkers held;
    int32_t auto_pass_before = 0;

    void SetUp() override {
        GalaxyGame::SetUp();
        auto_pass_before = game->auto_pass;
        game->auto_pass = 0;
        // The screen opens on the star map.
        screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
        // Replaying a frame into the test's screen rewrites the screen record that a worker
        // loading a battle's pictures reads: these frames are run but not drawn.
        driver.draw = false;
    }
    void TearDown() override {
        held.open();
        GalaxyScreen *s = screen();
        galaxy_join_thread(&s->advance_ai_thread);
        galaxy_join_thread(&s->ai_encounter_thread);
        galaxy_join_thread(&s->load_encounter_thread);
        galaxy_set_thread_creator(nullptr);
        s->screen_flags.store(0);
        s->worker_pending = GALAXY_WORKER_NONE;
        s->worker_wait_frames = 0;
        s->frozen_picture_wanted = s->frozen_picture_baked = false;
        s->autopass_countdown_ms = s->busy_delay_ms = s->today_alert_count = 0;
        s->load_delay_ms = s->announce_delay_ms = s->last_autopass_setting = 0;
        game->auto_pass = auto_pass_before;
        game->combat_background = 0;
        GalaxyGame::TearDown();
    }

    // "Next Turn" as the player gives it.
    void next_turn() {
        Control *button = find(GALAXY_ID_NEXT_TURN);
        if (button && control_is_active(button)) click(button);
        else galaxy_advance_turn();
    }
    // Frames until the flags hold all of bits.
    bool run_until_flags(uint32_t bits, int max_frames = 3000) {
        return run_until([&] { return has(bits); }, max_frames);
    }
    bool run_until_day_ends(int32_t turn_counter) {
        return run_until([&] { return game->turn_counter > turn_counter && !has(GALAXY_FLAG_TURN_IN_PROGRESS); });
    }
    // Waits, without running frames, until done() holds (a worker's doing).
    static bool wait_for(const std::function<bool()> &done) {
        for (int i = 0; i < 20000 && !done(); ++i) SDL_Delay(1);
        return done();
    }
    static bool wait_for_flag(uint32_t bit) {
        return wait_for([bit] { return has(bit); });
    }
};

}  // namespace galaxy_test
