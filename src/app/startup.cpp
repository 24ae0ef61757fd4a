// Start-up order, command line and the ordered shut-down.
#include "app/startup.h"


#include <SDL.h>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <unistd.h>
#include "ai/ai_combat_scorer.h"
#include "app/app_hooks.h"
#include "app/frame_stats.h"
#include "effects/effect.h"
#include "game/game.h"
#include "game/game_loop.h"
#include "game/prefs.h"
#include "game/tech.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/store.h"
#include "screens/galaxy/galaxy_screen.h"
#include "systems/system.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "world/factory.h"

namespace {

constexpr const char *DEFAULT_STORE_PATH = "./store.dat";

// Every line after "Usage: %s [options]".
const char *const USAGE_LINES[] = {
    "\n",
    "Options\n",
    "-------\n",
    "    -h, --help              Show this message\n",
    "    --version               Print version string and exit\n",
    "    --basedir <path>        Set base directory for process (default .)\n",
    "    --music-volume <level>  Set the music volume (0-5)\n",
    "    --sound-volume <level>  Set the sound volume (0-5)\n",
    "    --store-path <path>     Specify the path for the store file\n",
    "    --log-path <path>       Specify the path for the log file\n",
    "    --no-sound-playback     Disable sound playback (sound assets are still managed)\n",
    "\n",
};

void on_quit_signal(int) { game_signal_quit(); }

void install_quit_signals() {
    struct sigaction action {};
    action.sa_handler = on_quit_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    file_ignore_size_limit_signal();   // a save past the file-size limit fails instead of killing us
}

[[noreturn]] void exit_failure() { std::exit(EXIT_STATUS_FAILURE); }

// The end-to-end roads' slow workers (ASTROVANE_TEST_WORKER_DELAY_MS): each galaxy worker waits that
// long before its work, so that a small new galaxy shows what a long day of thinking shows.
int32_t g_worker_delay_ms = 0;

struct DelayedWork {
    int (*body)(void *);
    void *arg;
};

int delayed_work(void *work) {
    const DelayedWork w = *static_cast<DelayedWork *>(work);
    delete static_cast<DelayedWork *>(work);
    SDL_Delay(uint32_t(g_worker_delay_ms));
    return w.body(w.arg);
}

SDL_Thread *create_delayed_worker(int (*body)(void *), void *arg) {
    DelayedWork *work = new (std::nothrow) DelayedWork{body, arg};
    if (!work) return nullptr;
    SDL_Thread *thread = SDL_CreateThread(delayed_work, work);
    if (!thread) delete work;
    return thread;
}

void install_worker_delay() {
    const char *text = std::getenv("ASTROVANE_TEST_WORKER_DELAY_MS");
    if (!text || !*text) return;
    char *end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (*end != '\0' || ms <= 0 || ms > 60000) return;
    g_worker_delay_ms = int32_t(ms);
    galaxy_set_thread_creator(create_delayed_worker);
}

// A developer's fixed seed for the game thread's quick generator: ASTROVANE_RANDOM_SEED as a
// decimal number replaces the time, so that a run's galaxy can be made again. False without one.
bool random_seed_override(uint32_t *seed) {
    const char *text = std::getenv("ASTROVANE_RANDOM_SEED");
    if (!text || !*text) return false;
    char *end = nullptr;
    const unsigned long long asked = std::strtoull(text, &end, 10);
    if (*end != '\0' || *text == '-' || asked > 0xFFFFFFFFull) return false;
    *seed = uint32_t(asked);
    return true;
}

}  // namespace

StartupParse startup_parse_args(int argc, char **argv, StartupOptions *out, std::string *message) {
    if (argc > 0 && argv[0]) out->program = argv[0];
    for (int i = 1; i < argc; ++i) {
        const char *word = argv[i];
        if (!std::strcmp(word, "-h") || !std::strcmp(word, "--help")) return STARTUP_PARSE_USAGE;
        if (!std::strcmp(word, "--version")) return STARTUP_PARSE_VERSION;
        if (!std::strcmp(word, "--no-sound-playback")) {
            out->no_sound_playback = true;
            continue;
        }
        struct { const char *name; bool *given; std::string *text; int32_t *level; } const takes_argument[] = {
            {"--basedir", &out->has_basedir, &out->basedir, nullptr},
            {"--music-volume", &out->has_music_volume, nullptr, &out->music_volume},
            {"--sound-volume", &out->has_sound_volume, nullptr, &out->sound_volume},
            {"--store-path", &out->has_store_path, &out->store_path, nullptr},
            {"--log-path", &out->has_log_path, &out->log_path, nullptr},
        };
        bool known = false;
        for (const auto &option : takes_argument) {
            if (std::strcmp(word, option.name) != 0) continue;
            known = true;
            if (i + 1 >= argc) {
                *message = std::string(word) + " option needs a parameter";
                return STARTUP_PARSE_ERROR;
            }
            const char *argument = argv[++i];   // taken whatever it looks like
            *option.given = true;
            if (option.text) *option.text = argument;
            if (option.level) *option.level = std::atoi(argument);
            break;
        }
        if (!known) {
            *message = std::string("Unknown option \"") + word + "\"";
            return STARTUP_PARSE_ERROR;
        }
    }
    return STARTUP_PARSE_RUN;
}

std::string startup_usage_text(const char *program) {
    std::string text = std::string("Usage: ") + program + " [options]\n";
    for (const char *line : USAGE_LINES) text += line;
    return text;
}

std::string startup_version_text() {
    return std::string("astrovane version ") + ASTROVANE_VERSION + ", " + ASTROVANE_BUILD_DATE + "\n";
}

void print_usage(const char *program) {
    std::fputs(startup_usage_text(program).c_str(), stdout);
    exit_failure();
}

void print_version() {
    std::fputs(startup_version_text().c_str(), stdout);
    exit_failure();
}

void fail_usage(const char *format, const char *argument) {
    std::printf(format, argument);
    std::fputs(" (run with -h for usage)\n", stdout);
    exit_failure();
}

int32_t prefs_read_display_mode() {
    std::string path;
    save_folder_path(&path);
    path_append(&path, PREFS_FILE_NAME);
    const int fd = file_open_read(path.c_str());
    if (fd < 0) return 0;
    uint32_t word = 0;
    const Result r = file_read_u32(fd, &word);
    file_close(fd);
    return r == RES_OK ? int32_t(word) : 0;
}

void main_shutdown() {
    frame_stats_finish();   // first, while the logger can still report a failed write
    if (sound_get()) (void)sound_stop();   // always RES_OK

    // Let the frame in progress complete, then stop the graphics thread.
    Graphics *g = gfx_get();
    if (g && gfx_thread_running(g)) {
        gfx_wait_frame(g);
        gfx_request_quit(g);
        gfx_wait_stopped(g);
    }
    app_mode_shutdown();
    ai_combat_scorer_stop();   // after the modes have joined their AI threads
    game_destroy();
    system_types_free();
    tech_free_all();
    factory_free();
    effect_types_free();
    fonts_free_all();
    control_classes_free_all();
    store_shutdown();
    input_destroy();
    gfx_destroy();
    sound_shutdown();
    distance_table_free();
    logger_destroy();
    SDL_Quit();
}

int startup_log_level_override(int level) {
    const char *text = std::getenv("ASTROVANE_LOG_LEVEL");
    if (!text || !*text) return level;
    char *end = nullptr;
    const long asked = std::strtol(text, &end, 10);
    return *end == '\0' && asked >= LOG_ERROR && asked <= LOG_DEBUG2 ? int(asked) : level;
}

bool startup_prepare(const StartupOptions &options, bool open_window, int *exit_status) {
    app_install_hooks();
    install_worker_delay();
    uint32_t fixed_seed = 0;
    const bool seed_fixed = random_seed_override(&fixed_seed);
    random_seed(seed_fixed ? fixed_seed : uint32_t(std::time(nullptr)));
    store_set_path(options.has_store_path ? options.store_path.c_str() : DEFAULT_STORE_PATH);

    Logger *logger = logger_get();
    if (logger) {
        log_disable_categories(logger, LOG_INPUT | LOG_SPRITE | LOG_CONTROL | LOG_REFCOUNT);
        log_set_error_bypass(logger);
        log_set_max_level(logger, startup_log_level_override(LOG_ERROR));
        if (options.has_log_path) (void)log_open_file(logger, options.log_path.c_str());   // refused: no file log
    }
    log_write(LOG_NONE, LOG_NOTICE, "Begin operation, version %s, %s", ASTROVANE_VERSION, ASTROVANE_BUILD_DATE);
    if (seed_fixed) log_write(LOG_NONE, LOG_INFO, "Random seed %u from ASTROVANE_RANDOM_SEED", unsigned(fixed_seed));

    *exit_status = EXIT_STATUS_FAILURE;
    if (Result r = store_open(); r != RES_OK) {
        log_write(LOG_NONE, LOG_ERROR, "Failed to open data store (%i), exiting", int(r));
        return false;
    }

    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) < 0) {
        log_write(LOG_NONE, LOG_ERROR, "Fatal error - %s", SDL_GetError());
        return false;
    }
    // A machine without a sound device still plays: opening the device reports it later.
    (void)SDL_InitSubSystem(SDL_INIT_AUDIO);

    Graphics *g = gfx_get();
    if (!g) {
        log_write(LOG_NONE, LOG_ERROR, "Could not start graphics");
        return false;
    }
    if (open_window) {
        gfx_set_size(g, prefs_read_display_mode() != 0 ? GFX_FLAG_FULLSCREEN : 0);
        if (gfx_init_video(g) != RES_OK) {
            log_write(LOG_NONE, LOG_ERROR, "Could not start graphics");
            *exit_status = 0;
            return false;
        }
    }

    (void)sound_init();   // without a manager every sound call does nothing
    Game *game = game_ensure();
    if (!game) {
        log_write(LOG_NONE, LOG_ERROR, "Could not start game");
        return false;
    }
    if (logger) log_disable_categories(logger, LOG_STORE);

    if (options.has_music_volume) {
        game->music_override = options.music_volume;
        log_write(LOG_NONE, LOG_INFO, "Override music volume by command line, level %i", options.music_volume);
    }
    if (options.has_sound_volume) {
        game->sound_override = options.sound_volume;
        log_write(LOG_NONE, LOG_INFO, "Override sound volume by command line, level %i", options.sound_volume);
    }
    *exit_status = 0;
    return true;
}

void startup_run(int argc, char **argv) {
    std::atexit(main_shutdown);

    StartupOptions options;
    std::string message;
    switch (startup_parse_args(argc, argv, &options, &message)) {
    case STARTUP_PARSE_USAGE: print_usage(options.program.c_str());
    case STARTUP_PARSE_VERSION: print_version();
    case STARTUP_PARSE_ERROR: fail_usage("%s", message.c_str());
    case STARTUP_PARSE_RUN: break;
    }
    install_quit_signals();

    if (options.has_basedir && ::chdir(options.basedir.c_str()) != 0)
        fail_usage("Failed to set current directory \"%s\"", options.basedir.c_str());

    if (int status = 0; !startup_prepare(options, true, &status)) std::exit(status);
    Graphics *g = gfx_get();
    Game *game = game_ensure();
    // Without it the combat AI scores its options on its own thread: the same plans, later.
    if (ai_combat_scorer_start() != RES_OK)
        log_write(LOG_NONE, LOG_WARN, "Combat option scorer not started, the combat AI scores alone");

    app_mode_request(APP_MODE_LOADING);
    app_mode_apply_request();

    if (sound_start() != RES_OK)
        log_write(LOG_NONE, LOG_WARN, "Failed to initialize audio, no sound will be available");
    if (options.no_sound_playback) {
        if (SoundManager *sound = sound_get()) sound->flags.fetch_or(SOUND_PLAYBACK_DISABLED);
        log_write(LOG_NONE, LOG_INFO, "Sound playback disabled");
    }

    if (gfx_start_thread(g) != RES_OK) {
        log_write(LOG_NONE, LOG_ERROR, "Could not start graphics");
        exit_failure();
    }
    const LoopClock *timed = frame_stats_start();   // null unless a developer asked for frame times
    if ((timed ? game_loop_run(game, timed) : game_thread_main(game)) != 0) {
        log_write(LOG_NONE, LOG_ERROR, "Could not start game");
        exit_failure();
    }
    std::exit(0);
}
