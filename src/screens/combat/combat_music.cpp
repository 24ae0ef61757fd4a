// Combat music: which of the three combat pieces plays in a battle.
//  - The first battle draws a piece evenly. Later each piece is drawn by its weight: the piece just
//    chosen drops to 0 and every other grows by 1, so no piece plays in two battles running.
//  - Draws come from the game thread's quick generator.
#include <algorithm>

#include "platform/random.h"
#include "platform/sound.h"
#include "screens/combat/combat_screen.h"

namespace {

// Four raw bytes taken as an unsigned word, so that the three pieces stay equally likely.
int32_t draw_even_track() {
    return SOUND_MUSIC_COMBAT + int32_t(random_u32() % uint32_t(COMBAT_MUSIC_TRACKS));
}

}  // namespace

int32_t combat_music_choose(CombatScreen *s) {
    const bool first = s->music_track < 0;
    int32_t sum = 0;
    for (int i = 0; i < COMBAT_MUSIC_TRACKS; ++i) {
        if (first) s->music_weights[i] = 1;
        sum += s->music_weights[i];
    }
    int32_t track = SOUND_MUSIC_COMBAT + COMBAT_MUSIC_TRACKS - 1;
    if (first || sum <= 0) {
        track = draw_even_track();
    } else {
        const int32_t r = random_range(0, sum - 1);
        int32_t running = 0;
        for (int i = 0; i < COMBAT_MUSIC_TRACKS; ++i) {
            running += s->music_weights[i];
            if (running > r) {
                track = SOUND_MUSIC_COMBAT + i;
                break;
            }
        }
    }
    for (int i = 0; i < COMBAT_MUSIC_TRACKS; ++i) {
        if (SOUND_MUSIC_COMBAT + i == track) s->music_weights[i] = 0;
        else s->music_weights[i] = std::max(s->music_weights[i] + 1, 1);
    }
    s->music_track = track;
    return track;
}
