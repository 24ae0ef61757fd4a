#pragma once
// The sound family: the game's 38 sounds, "sound/000.ogg" .. "sound/037.ogg", made by our synthesiser.
//  - Effects last 0.1 to 2 s; 13..20 are music tracks of 60 to 120 s whose last sample flows into the
//    first, so the game's loop restarts at sample 0 without a seam.
//  - Every file is 44,100 Hz stereo Ogg Vorbis; a pure function of the seed.
//  - sound_family_generate renders the sounds on up to four threads, each sound on one thread.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/family.h"
#include "platform/result.h"

constexpr int SOUND_FAMILY_COUNT       = 38;
constexpr int SOUND_FAMILY_FIRST_MUSIC = 13;
constexpr int SOUND_FAMILY_LAST_MUSIC  = 20;

// Renders sound `id` (0..37) and encodes it. RES_OUT_OF_RANGE for another id.
Result sound_family_render(int id, uint32_t seed, std::vector<uint8_t> *ogg);
// What the sound is for, in a few words ("large explosion").
const char *sound_family_role(int id);

int  sound_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void sound_family_list_paths(std::vector<std::string> *out);
AssetFamily sound_family();                                            // the family table's row
