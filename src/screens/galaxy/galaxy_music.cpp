// Galaxy music: the weighted choice of the galaxy pieces and their playing time. A piece changes on
// the clock of the frames: its draws come from the show stream, never the game's own.
#include "screens/galaxy/galaxy_music.h"

#include "platform/random.h"
#include "platform/sound.h"

namespace {

constexpr int32_t PLAY_MS = 300000;
constexpr int32_t PLAY_SPREAD_MS = 3000;   // either side of PLAY_MS

int32_t draw_uniform_track() {
    return SOUND_MUSIC_GALAXY + int32_t(random_magnitude(random_show_u32()) % GALAXY_MUSIC_TRACKS);
}

int32_t draw_weighted_track(const int32_t weights[GALAXY_MUSIC_TRACKS]) {
    int32_t sum = 0;
    for (int i = 0; i < GALAXY_MUSIC_TRACKS; ++i) sum += weights[i];
    if (sum < 1) return draw_uniform_track();
    const int32_t r = random_show_range(0, sum - 1);
    int32_t running = 0;
    for (int i = 0; i < GALAXY_MUSIC_TRACKS; ++i) {
        running += weights[i];
        if (running > r) return SOUND_MUSIC_GALAXY + i;
    }
    return SOUND_MUSIC_GALAXY + GALAXY_MUSIC_TRACKS - 1;
}

}  // namespace

void galaxy_music_next(GalaxyMusic *music) {
    if (!music) return;
    const bool first = music->last_track < 0;
    const int32_t track = first ? draw_uniform_track() : draw_weighted_track(music->weights);
    for (int i = 0; i < GALAXY_MUSIC_TRACKS; ++i) {
        if (first) music->weights[i] = 1;
        if (SOUND_MUSIC_GALAXY + i == track) {
            music->weights[i] = 0;
        } else {
            music->weights[i] += 1;
            if (music->weights[i] < 1) music->weights[i] = 1;
        }
    }
    music->last_track = track;
    sound_play(track);
    const int32_t spread = int32_t(random_magnitude(random_show_u32()) % (2 * PLAY_SPREAD_MS + 1)) - PLAY_SPREAD_MS;
    music->change_ms = PLAY_MS + spread + music->extra_delay_ms;
    music->extra_delay_ms = 0;
}

void galaxy_music_update(GalaxyMusic *music, int32_t dt, int32_t music_volume) {
    if (!music || music_volume <= 0) return;
    music->change_ms -= dt;
    if (music->change_ms <= 0) galaxy_music_next(music);
}
