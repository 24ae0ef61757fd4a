#pragma once
// Sound: the game's 38 sounds, 8 of them music, played on 16 channels.
//  - Owns the process singleton SoundManager: the loaded Sounds (whole .ogg files in memory with a
//    libvorbisfile decoder each), the channels with their decoded PCM chunks, the manager thread and
//    the SDL audio device (44,100 Hz, signed 16-bit little-endian, stereo, 1,024 frames a buffer).
//  - Any game-side thread may call sound_play, sound_load_id, the volume setters and the fades; they
//    meet the manager thread under the manager mutex. The manager thread decodes each playing channel
//    at most SOUND_DECODE_AHEAD_CHUNKS chunks (about two seconds) ahead of play; the audio callback
//    mixes without the manager mutex and touches only channels with the has-data bit.
//  - A channel's chunk list and its current chunk change only while the audio callback is locked out
//    (SDL_LockAudio): appends, trims of played chunks, emptying and freeing alike.
//  - A sound is decoded outside the manager mutex and installed under it after a re-check, so two
//    threads loading the same sound install it once; the loser's copy is freed.
//  - Sounds are reference counted: the slot's owner and each playing channel hold one reference each.
//  - Music (13..20) plays at the music volume, loops, and fades out when other music starts.
//  - Results: RES_OK; RES_OUT_OF_RANGE (sound number); RES_OPEN_FAILED, RES_NO_MEMORY, RES_READ_FAILED
//    (loading); RES_PLATFORM_REFUSED (the audio device could not be opened, or
//    there is no manager); RES_FAILED (the manager thread could not be created).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include "platform/result.h"

struct OggVorbis_File;

constexpr int SOUND_COUNT               = 38;
constexpr int SOUND_CHANNEL_COUNT       = 16;
constexpr int SOUND_FIRST_MUSIC         = 13;
constexpr int SOUND_LAST_MUSIC          = 20;
constexpr int SOUND_RATE                = 44100;
constexpr int SOUND_DEVICE_CHANNELS     = 2;
constexpr int SOUND_DEVICE_SAMPLES      = 1024;
constexpr int SOUND_CHUNK_BYTES         = 102400;
constexpr int SOUND_DECODE_AHEAD_CHUNKS = 4;       // 4 x 102,400 bytes: 2.3 s of stereo audio
constexpr int SOUND_VOLUME_MAX          = 128;
constexpr int SOUND_VOLUME_DEFAULT      = 100;
constexpr int SOUND_FADE_STEP_MS        = 30;      // one volume step of a fade
constexpr int SOUND_DECODE_WAIT_MS      = 10;      // the manager thread's pace while anything plays

// The game's sounds by id: effects, then the music from SOUND_FIRST_MUSIC to SOUND_LAST_MUSIC.
enum SoundId : int {
    SOUND_EXPLOSION       = 0,    // a small explosion
    SOUND_LARGE_EXPLOSION = 1,
    SOUND_BEAM            = 2,    // a beam fires or hits
    SOUND_SHIELD_HIT      = 3,
    SOUND_BLIP            = 4,
    SOUND_CLICK           = 5,    // a button
    SOUND_OPEN_PANEL      = 6,    // a panel opens, something is selected
    SOUND_PROJECTILE      = 7,    // a projectile or drain weapon fires
    SOUND_SHIP_MOVE       = 8,    // a ship moves in combat
    SOUND_SCANNER_PING    = 9,
    SOUND_SHOT_AWAY       = 10,   // a shot sets off on a leg of its flight
    SOUND_NEXT_TURN       = 11,
    SOUND_PURCHASE        = 12,
    SOUND_MUSIC_TITLE     = 13,
    SOUND_MUSIC_GALAXY    = 14,   // three pieces, 14..16
    SOUND_MUSIC_COMBAT    = 17,   // three pieces, 17..19
    SOUND_MUSIC_SUMMARY   = 20,   // the battle summary
    SOUND_REPAIR          = 21,   // repair and reload
    SOUND_COURSE_SET      = 22,
    SOUND_HEAVY_CANNON    = 23,
    SOUND_FLEET_ARRIVED   = 24,
    SOUND_ENCOUNTER_ALARM = 25,
    SOUND_SITE_DONE       = 26,   // a facility or upgrade is complete
    SOUND_SHIP_DONE       = 27,   // a ship is built, a drone launched
    SOUND_OFFICER         = 28,   // an officer is hired or promoted
    SOUND_RESEARCH_DONE   = 29,
    SOUND_GATHERED        = 30,   // resources gathered
    SOUND_RESCUED         = 31,   // crew rescued
    SOUND_STARBASE_DONE   = 32,
    SOUND_JUMP            = 33,
    SOUND_LAUNCH          = 34,   // a missile or drone leaves its launcher
    SOUND_SCRAPPED        = 35,   // a ship is scrapped
    SOUND_POWER_UP        = 36,   // a boost or a drain takes hold
    SOUND_DEPLETED        = 37,   // a resource runs out
};

// SoundManager flags.
constexpr uint32_t SOUND_RUNNING           = 1u;   // device open, thread started
constexpr uint32_t SOUND_STOP_REQUESTED    = 2u;
constexpr uint32_t SOUND_PLAYBACK_DISABLED = 4u;   // decode and consume, but mix nothing into the output
constexpr uint32_t SOUND_DEVICE_OPEN       = 8u;   // the audio device is open: its lock guards the channels

// Sound flags.
constexpr uint32_t SOUND_DECODER_OPEN = 1u;

// SoundChannel flags.
constexpr uint32_t SOUND_CHANNEL_HAS_DATA      = 1u;
constexpr uint32_t SOUND_CHANNEL_IN_USE        = 2u;
constexpr uint32_t SOUND_CHANNEL_END_OF_STREAM = 4u;
constexpr uint32_t SOUND_CHANNEL_FADING        = 8u;
constexpr uint32_t SOUND_CHANNEL_MUSIC         = 16u;

struct Sound {
    uint32_t             flags = 0;
    int32_t              refcount = 0;             // guarded by `mutex`
    int32_t              id = -1;
    std::mutex           mutex;
    std::vector<uint8_t> bytes;                    // the whole .ogg file
    int32_t              read_position = 0;        // the memory stream's position
    OggVorbis_File      *decoder = nullptr;        // owned; open while SOUND_DECODER_OPEN is set
};

struct SoundChunk {
    std::unique_ptr<uint8_t[]> buffer;             // SOUND_CHUNK_BYTES of 16-bit little-endian frames
    int32_t length = 0;
    int32_t read_offset = 0;
};

struct SoundChannel {
    std::atomic<uint32_t> flags{0};
    Sound   *sound = nullptr;                      // one reference held while set
    int32_t  id = -1;
    uint64_t pcm_position = 0;                     // frame where the next decode starts
    std::vector<std::unique_ptr<SoundChunk>> chunks;
    int32_t  current_chunk = -1;                   // chunk being played; -1 none; == size: starving
    std::atomic<int32_t> volume{0};                // 0..128
    int32_t  fade_time = 0;                        // ms towards the next fade step
};

struct SoundManager {
    std::atomic<uint32_t> flags{0};
    std::thread  thread;
    std::mutex   mutex;                            // channels (but what the callback reads), sound slots
    std::condition_variable wake;
    Sound       *sounds[SOUND_COUNT] = {};
    int32_t      sound_count = SOUND_COUNT;
    int32_t      channel_count = SOUND_CHANNEL_COUNT;
    SoundChannel channels[SOUND_CHANNEL_COUNT];
    std::vector<int16_t> mix;                      // sized at creation, before any device opens; the callback's only
    std::atomic<int32_t> music_volume{SOUND_VOLUME_DEFAULT};
    std::atomic<int32_t> sound_volume{SOUND_VOLUME_DEFAULT};
};

// The singleton's life.
SoundManager *sound_manager_create();              // 16 empty channels; null when out of memory
int           sound_init();                        // creates the singleton: 0, or -1 when one exists
SoundManager *sound_get();
Result        sound_start();                       // opens the device, starts the manager thread
Result        sound_stop();                        // stops the thread, closes the device
void          sound_shutdown();                    // stop, then free everything and forget the singleton

// Loading and reference counts. sound_load reads "sound/%.3i.ogg" from the data store.
Result  sound_load(SoundManager *manager, int id);
Result  sound_load_id(int id);
void    sound_release_id(SoundManager *manager, int id);
void    sound_free_all();
int32_t sound_retain(Sound *sound);                // the new count
int32_t sound_release(Sound *sound);               // the new count; the sound is freed at 0 or below
// A sound over an .ogg file already in memory, decoder open, one reference: what sound_load
// installs after reading the store. RES_READ_FAILED when the decoder does not accept the bytes.
Result  sound_create(int id, std::vector<uint8_t> bytes, Sound **out);

// Playing.
void sound_play(int id);
void sound_fade_out_music();
void sound_set_music_volume(int volume);
void sound_set_sound_volume(int volume);
bool sound_is_music(int id);

// One pass of the manager thread over the channels (frees, loops, fades, then decodes ahead),
// `dt_ms` after the previous one; takes the manager mutex. The wait before the next pass in ms,
// or -1 when nothing is left to decode. The thread runs it; tests drive it without one.
int  sound_manager_step(SoundManager *manager, int dt_ms);
// The audio callback: mixes every channel with data into `stream` (len bytes).
void sound_mix(void *manager, uint8_t *stream, int len);
