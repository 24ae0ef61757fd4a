#pragma once
// Galaxy music: which of the three galaxy pieces (SOUND_MUSIC_GALAXY .. +2) plays, and when the
// next one starts.
//  - The first piece is drawn evenly. Later each piece is drawn by its weight: the piece just
//    chosen drops to 0 and every other grows by 1, so the same piece never plays twice in a row
//    and a piece left out waits less and less.
//  - A piece plays for 297 to 303 s plus the extra delay (the screen's enter asks for 150 s more),
//    counted only while the music volume is above 0.
//  - Draws come from the calling thread's quick generator. Game thread only.
#include <cstdint>

constexpr int GALAXY_MUSIC_TRACKS = 3;

struct GalaxyMusic {
    int32_t last_track = -1;                       // the piece chosen last; -1 before the first choice
    int32_t weights[GALAXY_MUSIC_TRACKS] = {};     // one per piece, in sound order
    int32_t change_ms = 0;                         // time until the next piece
    int32_t extra_delay_ms = 0;                    // added once to the next piece's time
};

// Chooses the next piece, plays it and sets the time until the one after.
void galaxy_music_next(GalaxyMusic *music);
// Counts the time down by dt while the music volume is above 0; at 0 or below, the next piece.
void galaxy_music_update(GalaxyMusic *music, int32_t dt, int32_t music_volume);
