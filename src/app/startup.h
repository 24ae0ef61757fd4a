#pragma once
// Start-up, command line and shut-down: the process around the game loop.
//  - startup_run parses the command line, sets the working directory, seeds the quick random
//    draws, sets up the logger, opens the data store, initialises SDL, opens the window, creates
//    the sound manager and the Game, enters the start-up loading mode, opens the audio device,
//    starts the graphics thread and runs the game loop on the main thread. It never returns: the
//    process ends with exit, and main_shutdown (registered with atexit before anything else)
//    tears the singletons down in a fixed order on every exit.
//  - Usage, version and command-line errors print to standard output and exit with status 255
//    (-1); a video mode that cannot be set exits with 0; the other start-up failures with 255.
//  - With ASTROVANE_FRAME_STATS naming a file, the game loop runs over the frame statistics' clock
//    and main_shutdown writes the file first (frame_stats.h).
//  - SIGINT and SIGTERM only set the game loop's atomic quit flag: the loop ends after its frame
//    and the ordered shut-down runs. SIGXFSZ is ignored: a save past the file-size limit fails
//    and says so instead of ending the game.
//  - Main thread only.
#include <cstdint>
#include <string>
#include "platform/version.h"

constexpr int EXIT_STATUS_FAILURE = 255;   // the shell's view of -1

struct StartupOptions {
    std::string program = "astrovane";   // argument 0, for the usage text
    bool        has_basedir = false;
    std::string basedir;
    bool        has_music_volume = false;
    int32_t     music_volume = 0;        // atoi of the argument; no range test here
    bool        has_sound_volume = false;
    int32_t     sound_volume = 0;
    bool        has_store_path = false;
    std::string store_path;
    bool        has_log_path = false;
    std::string log_path;
    bool        no_sound_playback = false;
};

enum StartupParse {
    STARTUP_PARSE_RUN,       // options complete: start the game
    STARTUP_PARSE_USAGE,     // -h or --help
    STARTUP_PARSE_VERSION,   // --version
    STARTUP_PARSE_ERROR,     // *message holds the error text (without the usage hint)
};

// Reads the words in order; stops at the first word that ends the program.
StartupParse startup_parse_args(int argc, char **argv, StartupOptions *out, std::string *message);

std::string startup_usage_text(const char *program);
std::string startup_version_text();

[[noreturn]] void print_usage(const char *program);
[[noreturn]] void print_version();
[[noreturn]] void fail_usage(const char *format, const char *argument);   // adds the usage hint
void main_shutdown();

// The first big-endian word of "prefs.dat" in the save folder; 0 when the file is missing or
// shorter than 4 bytes.
int32_t prefs_read_display_mode();

// The logger's level for a developer's run: ASTROVANE_LOG_LEVEL in the environment (0 ERROR .. 6
// DEBUG2, as a decimal number) in place of `level`; anything else keeps `level`. The end-to-end tests
// read the mode switches ("Application mode is now %i", DEBUG2) from the log this way.
int startup_log_level_override(int level);

// The set-up before the first mode, in start-up's order: the hook tables, the quick random seed, the
// store path, the logger, the data store, SDL, the window (only with open_window), the sound manager
// and the Game with the command line's volume overrides. Starts no thread. A failure is logged where it
// is found and false returned with the process's exit status in *exit_status (0 for a video mode that
// cannot be set, else 255); true when the game is ready for its first mode.
bool startup_prepare(const StartupOptions &options, bool open_window, int *exit_status);

[[noreturn]] void startup_run(int argc, char **argv);
