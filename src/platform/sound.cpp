// Sound: loading through the data store, the manager thread's decode-ahead, and the audio callback's mix.
#include "platform/sound.h"

#include <SDL.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>
#include "platform/log.h"
#include "platform/random.h"
#include "platform/store.h"

namespace {

SoundManager *g_sound_manager = nullptr;

constexpr size_t SOUND_READ_CHUNK = 65536;   // store reads of a sound file

// --- the memory stream libvorbisfile reads a Sound through -----------------------------------

size_t sound_stream_read(void *out, size_t size, size_t count, void *source) {
    Sound *sound = static_cast<Sound *>(source);
    if (size == 0 || count == 0) return 0;
    const size_t total = sound->bytes.size();
    const size_t at = static_cast<size_t>(sound->read_position);
    const size_t left = at < total ? total - at : 0;
    const size_t wanted = count > left / size + 1 ? left : size * count;   // no overflow of size * count
    const size_t n = std::min(wanted, left);
    if (n == 0) return 0;
    std::memcpy(out, sound->bytes.data() + at, n);
    sound->read_position += static_cast<int32_t>(n);
    return n / size;
}

int sound_stream_seek(void *source, ogg_int64_t offset, int origin) {
    Sound *sound = static_cast<Sound *>(source);
    ogg_int64_t base;
    switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = sound->read_position; break;
    case SEEK_END: base = static_cast<ogg_int64_t>(sound->bytes.size()); break;
    default: return EINVAL;
    }
    // A position outside the file would let the next read copy from outside the buffer.
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(sound->bytes.size())) return -1;
    sound->read_position = static_cast<int32_t>(target);
    return sound->read_position;
}

int sound_stream_close(void *) { return 1; }

long sound_stream_tell(void *source) { return static_cast<Sound *>(source)->read_position; }

const ov_callbacks SOUND_STREAM = {sound_stream_read, sound_stream_seek, sound_stream_close, sound_stream_tell};

void sound_path(int id, char *out, size_t size) { std::snprintf(out, size, "sound/%.3i.ogg", id); }

// Reads the whole store entry of sound `id`, with a log line for each way it can fail.
Result sound_read_store(int id, std::vector<uint8_t> *bytes) {
    char path[32];
    sound_path(id, path, sizeof path);
    Store *store = store_get();
    const int64_t size = store ? store_entry_size(store, path) : int64_t{RES_NO_STORE_ENTRY};
    if (size < 1 || size > INT32_MAX) {
        log_write(LOG_SOUND, LOG_ERROR, "Load sound file %s - stat failed", path);
        return RES_OPEN_FAILED;
    }
    const int fd = store_open_entry(store, path);
    if (fd < 0) {
        log_write(LOG_SOUND, LOG_ERROR, "Load sound file %s - open failed", path);
        return RES_OPEN_FAILED;
    }
    // The entry's size comes from the archive's table: the bytes grow with what is really read, a
    // chunk at a time, so an entry that claims more than the archive holds costs no more memory
    // than the archive has.
    bytes->clear();
    const size_t total = static_cast<size_t>(size);
    while (bytes->size() < total) {
        const size_t at = bytes->size();
        const size_t want = std::min(SOUND_READ_CHUNK, total - at);
        try {
            bytes->resize(at + want);
        } catch (const std::bad_alloc &) {
            ::close(fd);
            log_write(LOG_SOUND, LOG_ERROR, "Load sound file %s - failed to allocate a %i byte buffer", path,
                      static_cast<int>(size));
            return RES_NO_MEMORY;
        }
        ssize_t n;
        do n = ::read(fd, bytes->data() + at, want);
        while (n < 0 && errno == EINTR);
        if (n < 1) {
            ::close(fd);
            bytes->clear();
            log_write(LOG_SOUND, LOG_ERROR, "Load sound file %s - unexpected eof", path);
            return RES_READ_FAILED;
        }
        bytes->resize(at + static_cast<size_t>(n));
    }
    ::close(fd);
    return RES_OK;
}

void sound_free(Sound *sound) {
    if (sound->flags & SOUND_DECODER_OPEN) ov_clear(sound->decoder);
    delete sound->decoder;
    delete sound;
}

// --- channels ----------------------------------------------------------------------------------

// The audio callback locked out while the device is open. Every caller holds the manager mutex, under
// which sound_stop closes the device: a request that comes after (a loader still running at shut-down)
// takes its channel as with no device at all, never touching the closed device's lock.
class DeviceLock {
public:
    explicit DeviceLock(const SoundManager *m) : open_((m->flags.load() & SOUND_DEVICE_OPEN) != 0) {
        if (open_) SDL_LockAudio();
    }
    ~DeviceLock() {
        if (open_) SDL_UnlockAudio();
    }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

private:
    bool open_;
};

// Empties the chunk list; the caller holds the audio lock.
void channel_clear_chunks(SoundChannel *channel) {
    channel->chunks.clear();
    channel->current_chunk = -1;
}

// Frees a finished or faded channel: flags 0, chunks gone, its sound reference dropped.
void channel_free(const SoundManager *m, SoundChannel *channel) {
    Sound *sound;
    {
        DeviceLock device(m);
        channel->flags.store(0);
        channel_clear_chunks(channel);
        sound = channel->sound;
        channel->sound = nullptr;
    }
    if (sound) {
        const int32_t left = sound_release(sound);
        log_write(LOG_SOUND, LOG_DEBUG, "Free sound %i, refcount now %i", channel->id, left);
    }
}

// Decodes one chunk ahead for every channel that plays and is not too far ahead already.
void sound_decode(SoundManager *m) {
    for (int i = 0; i < m->channel_count; ++i) {
        SoundChannel *c = &m->channels[i];
        const uint32_t flags = c->flags.load();
        if (!(flags & SOUND_CHANNEL_IN_USE) || (flags & SOUND_CHANNEL_END_OF_STREAM) || !c->sound) continue;

        // Played chunks go first, so a channel holds at most the chunks still ahead of it.
        int ahead;
        {
            DeviceLock device(m);
            if (c->current_chunk > 0) {
                c->chunks.erase(c->chunks.begin(), c->chunks.begin() + c->current_chunk);
                c->current_chunk = 0;
            }
            ahead = static_cast<int>(c->chunks.size());
        }
        if (ahead >= SOUND_DECODE_AHEAD_CHUNKS) continue;

        std::unique_ptr<SoundChunk> chunk(new (std::nothrow) SoundChunk);
        if (chunk) chunk->buffer.reset(new (std::nothrow) uint8_t[SOUND_CHUNK_BYTES]);
        if (!chunk || !chunk->buffer) continue;   // try again on the next pass
        OggVorbis_File *decoder = c->sound->decoder;
        bool end = false;
        if (ov_pcm_tell(decoder) != static_cast<ogg_int64_t>(c->pcm_position) &&
            ov_pcm_seek(decoder, static_cast<ogg_int64_t>(c->pcm_position)) != 0)
            end = true;
        while (!end && chunk->length < SOUND_CHUNK_BYTES) {
            int section = 0;
            const long n = ov_read(decoder, reinterpret_cast<char *>(chunk->buffer.get()) + chunk->length,
                                   SOUND_CHUNK_BYTES - chunk->length, 0, 2, 1, &section);
            if (n < 1) end = true;
            else chunk->length += static_cast<int32_t>(n);
        }
        const ogg_int64_t position = ov_pcm_tell(decoder);
        if (position >= 0) c->pcm_position = static_cast<uint64_t>(position);

        DeviceLock device(m);
        if (chunk->length > 0) {
            c->chunks.push_back(std::move(chunk));
            if (c->current_chunk < 0) c->current_chunk = 0;
            c->flags.fetch_or(SOUND_CHANNEL_HAS_DATA);
        }
        if (end) c->flags.fetch_or(SOUND_CHANNEL_END_OF_STREAM);
    }
}

// One pass of the manager thread; the manager mutex is held.
int sound_pass(SoundManager *m, int dt) {
    int wait = -1;
    bool decode = false;
    for (int i = 0; i < m->channel_count; ++i) {
        SoundChannel *c = &m->channels[i];
        uint32_t flags = c->flags.load();
        if (!c->sound || !(flags & SOUND_CHANNEL_IN_USE)) continue;
        if (!(flags & SOUND_CHANNEL_END_OF_STREAM)) {
            wait = SOUND_DECODE_WAIT_MS;
            decode = true;
        } else {
            bool played;
            {
                DeviceLock device(m);
                played = c->chunks.empty() || c->current_chunk >= static_cast<int32_t>(c->chunks.size());
                if (played && (flags & SOUND_CHANNEL_MUSIC)) {
                    log_write(LOG_SOUND, LOG_DEBUG3, "Channel %i loop (music, sound %i)", i, c->id);
                    c->flags.fetch_and(~SOUND_CHANNEL_END_OF_STREAM);
                    c->pcm_position = 0;
                    channel_clear_chunks(c);
                    decode = true;
                }
            }
            if (played && !(flags & SOUND_CHANNEL_MUSIC)) {
                channel_free(m, c);
                continue;
            }
            wait = SOUND_DECODE_WAIT_MS;
        }
        flags = c->flags.load();
        if (flags & SOUND_CHANNEL_FADING) {
            c->fade_time += dt;
            int volume = c->volume.load();
            while (c->fade_time >= SOUND_FADE_STEP_MS && volume >= 1) {
                c->fade_time -= SOUND_FADE_STEP_MS;
                --volume;
                log_write(LOG_SOUND, LOG_DEBUG3, "Channel %i fade out, now %i", i, volume);
            }
            c->volume.store(volume);
            if (volume < 1) channel_free(m, c);
        } else if (flags & SOUND_CHANNEL_MUSIC) {
            const int32_t music = m->music_volume.load();
            if (c->volume.load() != music && music >= 1) {
                c->volume.store(music);
                log_write(LOG_SOUND, LOG_DEBUG3, "Channel %i change volume (music), now %i", i, music);
            }
        }
    }
    if (decode) sound_decode(m);
    return wait;
}

void sound_thread(SoundManager *m, uint32_t seed) {
    random_seed(seed);
    log_write(LOG_SOUND, LOG_NOTICE, "Begin sound manager thread");
    std::unique_lock<std::mutex> lock(m->mutex);
    auto last = std::chrono::steady_clock::now();
    while (!(m->flags.load() & SOUND_STOP_REQUESTED)) {
        const auto now = std::chrono::steady_clock::now();
        const auto dt = std::chrono::duration_cast<std::chrono::milliseconds>(now - last);
        last += dt;   // the part of a millisecond left over counts towards the next pass
        const int wait = sound_pass(m, static_cast<int>(dt.count()));
        if (m->flags.load() & SOUND_STOP_REQUESTED) break;
        if (wait < 0) m->wake.wait(lock);
        else m->wake.wait_for(lock, std::chrono::milliseconds(wait));
    }
    lock.unlock();
    log_write(LOG_SOUND, LOG_NOTICE, "End sound manager thread");
}

inline int16_t clamp16(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

void sound_mix_block(SoundManager *m, uint8_t *stream, int len) {
    int16_t *mix = m->mix.data();
    bool zeroed = false;
    int supplied = 0;
    for (int i = 0; i < m->channel_count; ++i) {
        SoundChannel *c = &m->channels[i];
        if (!(c->flags.load(std::memory_order_acquire) & SOUND_CHANNEL_HAS_DATA)) continue;
        int32_t current = c->current_chunk;
        const int32_t count = static_cast<int32_t>(c->chunks.size());
        if (current < 0 || current >= count) continue;
        if (!zeroed) {
            std::memset(mix, 0, static_cast<size_t>(len));
            zeroed = true;
        }
        const int32_t volume = c->volume.load(std::memory_order_relaxed);
        int out = 0;
        while (out < len && current < count) {
            SoundChunk *chunk = c->chunks[current].get();
            const int take = std::min(chunk->length - chunk->read_offset, len - out) & ~1;
            const uint8_t *in = chunk->buffer.get() + chunk->read_offset;
            int16_t *to = mix + out / 2;
            for (int k = 0; k < take / 2; ++k) {
                const int32_t sample = static_cast<int16_t>(in[2 * k] | in[2 * k + 1] << 8);
                to[k] = clamp16(to[k] + sample * volume / SOUND_VOLUME_MAX);
            }
            chunk->read_offset += take;
            out += take;
            if (chunk->read_offset >= chunk->length) ++current;
            else if (take == 0) break;
        }
        c->current_chunk = current;
        supplied = std::max(supplied, out);
    }
    if (m->flags.load(std::memory_order_relaxed) & SOUND_PLAYBACK_DISABLED) return;
    // The mix goes onto the device's output at full volume, saturating like the platform's own mixer.
    for (int k = 0; k < supplied / 2; ++k) {
        uint8_t *at = stream + 2 * k;
        const int32_t under = static_cast<int16_t>(at[0] | at[1] << 8);
        const int16_t sum = clamp16(under + mix[k]);
        at[0] = static_cast<uint8_t>(sum & 0xFF);
        at[1] = static_cast<uint8_t>((static_cast<uint16_t>(sum) >> 8) & 0xFF);
    }
}

}  // namespace

// --- the singleton --------------------------------------------------------------------------------

SoundManager *sound_manager_create() {
    SoundManager *m = new (std::nothrow) SoundManager;
    if (!m) return nullptr;
    try {
        m->mix.assign(SOUND_DEVICE_SAMPLES * SOUND_DEVICE_CHANNELS, 0);
        for (SoundChannel &c : m->channels) c.chunks.reserve(SOUND_DECODE_AHEAD_CHUNKS + 1);
    } catch (const std::bad_alloc &) {
        delete m;
        return nullptr;
    }
    return m;
}

int sound_init() {
    if (g_sound_manager) return -1;
    g_sound_manager = sound_manager_create();
    return g_sound_manager ? 0 : -1;
}

SoundManager *sound_get() { return g_sound_manager; }

Result sound_start() {
    SoundManager *m = g_sound_manager;
    if (!m) return RES_PLATFORM_REFUSED;
    if (m->flags.load() & SOUND_RUNNING) return RES_OK;
    SDL_AudioSpec wanted{}, obtained{};
    wanted.freq     = SOUND_RATE;
    wanted.format   = AUDIO_S16LSB;
    wanted.channels = SOUND_DEVICE_CHANNELS;
    wanted.samples  = SOUND_DEVICE_SAMPLES;
    wanted.callback = sound_mix;
    wanted.userdata = m;
    // The mix buffer keeps the size sound_manager_create gave it: the device's thread may call the
    // callback as soon as the device opens, and the callback mixes any length in blocks of it.
    if (SDL_OpenAudio(&wanted, &obtained) < 0) return RES_PLATFORM_REFUSED;
    log_write(LOG_SOUND, LOG_DEBUG, "Sound device opened - buffer size %i, channels %i, samples %i",
              static_cast<int>(obtained.size), obtained.channels, obtained.samples);
    m->flags.fetch_and(~SOUND_STOP_REQUESTED);
    {
        std::lock_guard<std::mutex> lock(m->mutex);   // a request under way finishes without the device
        m->flags.fetch_or(SOUND_DEVICE_OPEN);
    }
    SDL_PauseAudio(0);
    m->flags.fetch_or(SOUND_RUNNING);
    try {
        m->thread = std::thread(sound_thread, m, random_worker_seed());
    } catch (const std::system_error &) {
        m->flags.fetch_and(~SOUND_RUNNING);
        std::lock_guard<std::mutex> lock(m->mutex);
        m->flags.fetch_and(~SOUND_DEVICE_OPEN);
        SDL_PauseAudio(1);
        SDL_CloseAudio();
        return RES_FAILED;   // no manager thread
    }
    return RES_OK;
}

Result sound_stop() {
    SoundManager *m = g_sound_manager;
    if (!m || !(m->flags.load() & SOUND_RUNNING)) return RES_OK;
    log_write(LOG_SOUND, LOG_NOTICE, "Sound manager stopped");
    {
        std::lock_guard<std::mutex> lock(m->mutex);
        m->flags.fetch_and(~SOUND_RUNNING);
        m->flags.fetch_or(SOUND_STOP_REQUESTED);
        m->wake.notify_all();
    }
    // The thread ends before the device closes: it locks the device's callback out while it works.
    if (m->thread.joinable()) m->thread.join();
    std::lock_guard<std::mutex> lock(m->mutex);   // no request holds the device's lock now
    m->flags.fetch_and(~SOUND_DEVICE_OPEN);
    SDL_PauseAudio(1);
    SDL_CloseAudio();
    return RES_OK;
}

void sound_shutdown() {
    SoundManager *m = g_sound_manager;
    if (!m) return;
    (void)sound_stop();   // always RES_OK
    if (m->thread.joinable()) m->thread.join();
    for (SoundChannel &c : m->channels) {
        c.chunks.clear();
        if (c.sound) sound_release(c.sound);
        c.sound = nullptr;
    }
    for (Sound *&sound : m->sounds) {
        if (sound) sound_release(sound);
        sound = nullptr;
    }
    delete m;
    g_sound_manager = nullptr;
}

// --- sounds --------------------------------------------------------------------------------------

int32_t sound_retain(Sound *sound) {
    std::lock_guard<std::mutex> lock(sound->mutex);
    return ++sound->refcount;
}

int32_t sound_release(Sound *sound) {
    int32_t left;
    {
        std::lock_guard<std::mutex> lock(sound->mutex);
        left = --sound->refcount;
    }
    if (left <= 0) sound_free(sound);
    return left;
}

Result sound_create(int id, std::vector<uint8_t> bytes, Sound **out) {
    Sound *sound = new (std::nothrow) Sound;
    OggVorbis_File *decoder = new (std::nothrow) OggVorbis_File;
    if (!sound || !decoder) {
        delete sound;
        delete decoder;
        return RES_NO_MEMORY;
    }
    sound->id = id;
    sound->bytes = std::move(bytes);
    sound->decoder = decoder;
    const int r = ov_open_callbacks(sound, decoder, nullptr, 0, SOUND_STREAM);
    if (r != 0) {
        char path[32];
        sound_path(id, path, sizeof path);
        log_write(LOG_SOUND, LOG_ERROR, "Load sound file %s - vorbisfile call returned non-success value %i", path, r);
        sound_free(sound);
        return RES_READ_FAILED;
    }
    sound->flags |= SOUND_DECODER_OPEN;
    sound->refcount = 1;
    *out = sound;
    return RES_OK;
}

Result sound_load(SoundManager *m, int id) {
    if (id < 0 || id >= m->sound_count) return RES_OUT_OF_RANGE;
    {
        std::lock_guard<std::mutex> lock(m->mutex);
        if (Sound *loaded = m->sounds[id]) {
            const int32_t count = sound_retain(loaded);
            log_write(LOG_SOUND, LOG_DEBUG, "Load sound %i (already exists), refcount now %i", id, count);
            return RES_OK;
        }
    }
    // Reading and opening the decoder take a while; other threads keep playing meanwhile.
    std::vector<uint8_t> bytes;
    Sound *fresh = nullptr;
    Result r = sound_read_store(id, &bytes);
    if (r == RES_OK) r = sound_create(id, std::move(bytes), &fresh);
    if (r != RES_OK) {
        log_write(LOG_SOUND, LOG_ERROR, "Load sound %i failed with error %i", id, static_cast<int>(r));
        return r;
    }
    Sound *installed = nullptr;
    int32_t count;
    {
        std::lock_guard<std::mutex> lock(m->mutex);
        if (m->sounds[id]) {
            installed = m->sounds[id];   // another thread was quicker
            count = sound_retain(installed);
        } else {
            m->sounds[id] = fresh;
            count = 1;
        }
    }
    if (installed) {
        sound_release(fresh);
        log_write(LOG_SOUND, LOG_DEBUG, "Load sound %i (already exists), refcount now %i", id, count);
    } else {
        log_write(LOG_SOUND, LOG_DEBUG, "Load sound %i (read from storage), refcount now %i", id, count);
    }
    return RES_OK;
}

Result sound_load_id(int id) {
    if (id < 0) return RES_OUT_OF_RANGE;
    SoundManager *m = g_sound_manager;
    if (!m) return RES_OUT_OF_RANGE;
    return sound_load(m, id);
}

namespace {
// Drops the slot owner's reference of sound `id`; the manager mutex is held.
void sound_release_slot(SoundManager *m, int id) {
    Sound *sound = m->sounds[id];
    if (!sound) return;
    const int32_t left = sound_release(sound);
    if (left <= 0) {
        m->sounds[id] = nullptr;
        log_write(LOG_SOUND, LOG_DEBUG, "Free sound %i (released), refcount now %i", id, left);
    } else {
        log_write(LOG_SOUND, LOG_DEBUG, "Free sound %i (not released), refcount now %i", id, left);
    }
}
}  // namespace

void sound_release_id(SoundManager *m, int id) {
    if (!m || id < 0 || id >= m->sound_count) return;
    std::lock_guard<std::mutex> lock(m->mutex);
    sound_release_slot(m, id);
}

void sound_free_all() {
    SoundManager *m = g_sound_manager;
    if (!m) return;
    std::lock_guard<std::mutex> lock(m->mutex);
    for (int id = 0; id < m->sound_count; ++id) {
        sound_release_slot(m, id);
        m->sounds[id] = nullptr;
    }
}

// --- playing -------------------------------------------------------------------------------------

bool sound_is_music(int id) { return id >= SOUND_FIRST_MUSIC && id <= SOUND_LAST_MUSIC; }

void sound_fade_out_music() {
    SoundManager *m = g_sound_manager;
    if (!m) return;
    log_write(LOG_SOUND, LOG_DEBUG2, "Fade out music");
    std::lock_guard<std::mutex> lock(m->mutex);
    for (SoundChannel &c : m->channels) {
        const uint32_t flags = c.flags.load();
        if ((flags & SOUND_CHANNEL_IN_USE) && (flags & SOUND_CHANNEL_MUSIC) && !(flags & SOUND_CHANNEL_FADING)) {
            c.fade_time = 0;
            c.flags.fetch_or(SOUND_CHANNEL_FADING);
        }
    }
}

void sound_set_music_volume(int volume) {
    SoundManager *m = g_sound_manager;
    if (!m) return;
    volume = std::clamp(volume, 0, SOUND_VOLUME_MAX);
    m->music_volume.store(volume);
    if (volume < 1) sound_fade_out_music();
}

void sound_set_sound_volume(int volume) {
    SoundManager *m = g_sound_manager;
    if (!m) return;
    m->sound_volume.store(std::clamp(volume, 0, SOUND_VOLUME_MAX));
}

void sound_play(int id) {
    SoundManager *m = g_sound_manager;
    if (!m || id < 0 || id >= m->sound_count) return;
    const bool music = sound_is_music(id);
    if (music) sound_fade_out_music();
    const int32_t volume = music ? m->music_volume.load() : m->sound_volume.load();
    if (volume < 1) return;
    bool loaded;
    {
        std::lock_guard<std::mutex> lock(m->mutex);
        loaded = m->sounds[id] != nullptr;
    }
    if (!loaded) {
        log_write(LOG_SOUND, LOG_DEBUG, "Auto-load queued sound %i", id);
        if (sound_load(m, id) != RES_OK) return;
    }
    std::lock_guard<std::mutex> lock(m->mutex);
    Sound *sound = m->sounds[id];
    for (int i = 0; sound && i < m->channel_count; ++i) {
        SoundChannel *c = &m->channels[i];
        if (c->flags.load() & (SOUND_CHANNEL_HAS_DATA | SOUND_CHANNEL_IN_USE)) continue;
        Sound *old;
        {
            DeviceLock device(m);
            channel_clear_chunks(c);
            old = c->sound;
            c->sound = nullptr;
        }
        if (old) sound_release(old);
        c->sound = sound;
        const int32_t count = sound_retain(sound);
        c->id = id;
        c->pcm_position = 0;
        c->volume.store(volume);
        c->fade_time = 0;
        c->flags.store(music ? SOUND_CHANNEL_IN_USE | SOUND_CHANNEL_MUSIC : SOUND_CHANNEL_IN_USE);
        log_write(LOG_SOUND, LOG_DEBUG2, "Queue sound %i, channel %i, volume %i, refcount now %i", id, i, volume, count);
        break;
    }
    m->wake.notify_all();
}

int sound_manager_step(SoundManager *m, int dt_ms) {
    std::lock_guard<std::mutex> lock(m->mutex);
    return sound_pass(m, dt_ms);
}

void sound_mix(void *manager, uint8_t *stream, int len) {
    SoundManager *m = static_cast<SoundManager *>(manager);
    const int block = static_cast<int>(m->mix.size() * 2) & ~3;
    for (int done = 0; done < len; done += block) sound_mix_block(m, stream + done, std::min(block, len - done));
}
