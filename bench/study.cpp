// astrovane_study: whole games of computer players, for weighing the content and the computer
// players' rules on many galaxies.
//  - Plays each seed in a forked process of its own (at most --jobs at once): a new game of four
//    computer players and the passive UI player, days through headless_advance_day (the galaxy
//    screen's day order), never saved or reloaded on the way, until a player wins or --days pass.
//  - Prints per seed: the winner, the day and how; the sectors with a starbase of each player every
//    --every days; starbase captures from one corporation by another (and the first one's day; Sol
//    taken from its guardians is told by the win, not counted) and starbases destroyed;
//    battles between corporations and how many had a victor; the longest stand-off (the same two
//    corporations meeting at one place on consecutive days); the longest and mean day of the
//    computer players' galaxy commands, the ships at the end, and the largest save of the game in
//    bytes and its day (a save every SAVE_EVERY days and on the last one; saving changes nothing in
//    the game: it draws nothing and leaves every record as it was).
//  - Exits 1 when a game could not be made.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "app/app_hooks.h"
#include "bench_model.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/names.h"
#include "game/player.h"
#include "game/records.h"
#include "game/save.h"
#include "game/tech.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    uint32_t first_seed = 1;
    int32_t  seeds = 8;
    int32_t  days = 1500;
    int32_t  density = 2;
    int32_t  every = 100;
    int32_t  jobs = 4;
    std::string store = ASTROVANE_BINARY_DIR "/store.dat";
};

bool parse_args(int argc, char **argv, Options *out) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (i + 1 >= argc) return false;
        if (word == "--store") {
            out->store = argv[++i];
            continue;
        }
        const long value = std::strtol(argv[++i], nullptr, 10);
        if (word == "--first-seed") out->first_seed = uint32_t(value);
        else if (word == "--seeds") out->seeds = int32_t(value);
        else if (word == "--days") out->days = int32_t(value);
        else if (word == "--density") out->density = int32_t(value);
        else if (word == "--every") out->every = int32_t(value);
        else if (word == "--jobs") out->jobs = int32_t(value);
        else return false;
    }
    return out->seeds > 0 && out->days > 0 && out->every > 0 && out->jobs > 0 && out->density >= 0 &&
           out->density <= 4;
}

// The computer players' galaxy commands, timed by wrapping the hook.
void (*g_command)(AiPlayer *, Player *) = nullptr;
double g_command_ms = 0;
void timed_command(AiPlayer *ai, Player *player) {
    const auto t0 = Clock::now();
    g_command(ai, player);
    g_command_ms += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The same two corporations at one place on consecutive days.
class StandOffs {
public:
    void add(int32_t day, const HeadlessBattle &b) {
        for (size_t i = 0; i < b.sides.size(); ++i)
            for (size_t j = i + 1; j < b.sides.size(); ++j) {
                const auto [lo, hi] = std::minmax(b.sides[i], b.sides[j]);
                const Key key{lo, hi, b.sector_id, b.sector_id ? 0 : b.x, b.sector_id ? 0 : b.y};
                auto &[last, days] = runs_[key];
                if (days > 0 && last == day) continue;
                days = days > 0 && last == day - 1 ? days + 1 : 1;
                last = day;
                longest = std::max(longest, days);
            }
    }
    int32_t longest = 0;

private:
    using Key = std::tuple<uint64_t, uint64_t, uint64_t, int32_t, int32_t>;
    std::map<Key, std::pair<int32_t, int32_t>> runs_;   // last day, days in a row
};

const char *win_text(int32_t kind) {
    switch (kind) {
    case WIN_ONLY_SECTOR_HOLDER: return "last holder";
    case WIN_SOL_HOLDER: return "took Sol";
    case WIN_TWO_THIRDS: return "two thirds";
    default: return "?";
    }
}

constexpr int32_t SAVE_EVERY = 10;

// The largest of the game's saves so far and its day.
struct LargestSave {
    intmax_t bytes = -1;
    int32_t day = 0;
    void weigh(Game *game, uint32_t seed, int32_t on) {
        const char *folder = std::getenv("XDG_DATA_HOME");
        const std::string path = std::string(folder ? folder : "/tmp") + "/study-" + std::to_string(seed) + ".sav";
        if (game_save(game, path.c_str(), "study", 0, nullptr) != RES_OK) return;
        std::error_code error;
        const intmax_t size = intmax_t(std::filesystem::file_size(path, error));
        std::filesystem::remove(path, error);
        if (!error && size > bytes) {
            bytes = size;
            day = on;
        }
    }
};

// One seed's game; its report as text.
std::string play(const Options &o, uint32_t seed) {
    std::ostringstream out;
    Game *game = bench_model_ready(o.store.c_str());
    if (!game) return "model did not load\n";
    PlayerAiHooks hooks = player_ai_hooks();
    g_command = hooks.galaxy_command;
    hooks.galaxy_command = timed_command;
    player_set_ai_hooks(hooks);

    random_seed(seed);
    HeadlessOptions options;
    options.computer_players = HEADLESS_MAX_COMPUTERS;
    options.setup.star_density = o.density;
    if (headless_new_game(game, options) != RES_OK) return "no game\n";

    std::vector<uint64_t> ids;   // the corporations in slot order, then the UI player
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->id != game->combat_ai_player_id && p->id != game->sol_player_id && p->id != game->ui_player_id)
            ids.push_back(p->id);
    }
    ids.push_back(game->ui_player_id);
    const auto corporation = [&ids](uint64_t id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };

    std::map<uint64_t, uint64_t> owners;   // sector -> owner
    const auto sectors = [game](auto &&visit) {
        for (GameObject *obj : game->galaxy_map->objects.items) {
            if (!obj) break;
            if (const Sector *s = sector_of(obj)) visit(s);
        }
    };
    sectors([&owners](const Sector *s) { owners[s->id] = s->owner_id; });

    StandOffs stand_offs;
    int32_t captures = 0, first_capture = 0, destroyed = 0, battles = 0, with_victor = 0, day = 0;
    LargestSave largest;
    double longest_ms = 0, total_ms = 0;
    std::string rows;
    const auto counts = [&]() {
        std::string row;
        for (const uint64_t id : ids) {
            const Player *p = game_find_player(game, id);
            row += " " + std::to_string(p ? p->totals.starbase_sectors : 0);
        }
        return row;
    };
    for (day = 1; day <= o.days && game->winner_id == 0; ++day) {
        g_command_ms = 0;
        const HeadlessDay d = headless_advance_day(game, options);
        longest_ms = std::max(longest_ms, g_command_ms);
        total_ms += g_command_ms;
        for (const HeadlessBattle &b : d.battles) {
            if (b.sides.size() < 2 || !std::all_of(b.sides.begin(), b.sides.end(), corporation)) continue;
            battles += 1;
            with_victor += b.victor_id != 0 ? 1 : 0;
            stand_offs.add(day, b);
        }
        sectors([&](const Sector *s) {
            uint64_t &was = owners[s->id];
            if (was != s->owner_id && corporation(was) && corporation(s->owner_id)) {
                captures += 1;
                if (first_capture == 0) first_capture = day;
            }
            if (was != 0 && s->owner_id == 0) destroyed += 1;
            was = s->owner_id;
        });
        if (day % o.every == 0) rows += "  day " + std::to_string(day) + ":" + counts() + "\n";
        if (day % SAVE_EVERY == 0) largest.weigh(game, seed, day);
    }
    day -= 1;
    int32_t ships = 0;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->kind == PLAYER_KIND_COMPUTER && corporation(p->id)) ships += int32_t(list_count(&p->objects));
    }
    largest.weigh(game, seed, day);
    char line[512];
    const Player *winner = game->winner_id ? game_find_player(game, game->winner_id) : nullptr;
    std::snprintf(line, sizeof line,
                  "seed %u: %s%s%s day %d | sectors%s | captures %d (first day %d), destroyed %d | corporation "
                  "battles %d, with a victor %d | longest stand-off %d | AI day max %.1f ms, mean %.1f ms | ships %d "
                  "| largest save %jd bytes (day %d)\n",
                  seed, winner ? "winner " : "no winner", winner ? winner->name.c_str() : "",
                  winner ? (std::string(" (") + win_text(game->win_kind) + ")").c_str() : "", day, counts().c_str(),
                  captures, first_capture, destroyed, battles, with_victor, stand_offs.longest, longest_ms,
                  day > 0 ? total_ms / day : 0.0, ships, largest.bytes, largest.day);
    out << line << rows;
    return out.str();
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    if (!parse_args(argc, argv, &o)) {
        std::printf("usage: %s [--first-seed S] [--seeds N] [--days D] [--density 0-4] [--every DAYS] [--jobs J] [--store PATH]\n",
                    argv[0]);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char folder[] = "/tmp/astrovane-study-XXXXXX";
    if (!mkdtemp(folder)) return 2;
    setenv("XDG_DATA_HOME", folder, 1);
    std::printf("study: seeds %u..%u, %d days, density %d (sectors: the corporations in slot order, then the UI "
                "player)\n",
                o.first_seed, o.first_seed + uint32_t(o.seeds) - 1, o.days, o.density);
    std::fflush(stdout);

    std::vector<pid_t> running;
    std::map<pid_t, uint32_t> seed_of;
    int status = 0;
    const auto reap = [&]() {
        int child = 0;
        const pid_t pid = wait(&child);
        if (pid <= 0) return;
        running.erase(std::remove(running.begin(), running.end(), pid), running.end());
        if (!WIFEXITED(child) || WEXITSTATUS(child) != 0) status = 1;
        const std::string report = std::string(folder) + "/" + std::to_string(seed_of[pid]) + ".txt";
        std::ifstream in(report);
        std::printf("%s", std::string(std::istreambuf_iterator<char>(in), {}).c_str());
        std::fflush(stdout);
    };
    for (int32_t i = 0; i < o.seeds; ++i) {
        while (int32_t(running.size()) >= o.jobs) reap();
        const uint32_t seed = o.first_seed + uint32_t(i);
        const pid_t pid = fork();
        if (pid == 0) {
            const std::string text = play(o, seed);
            std::ofstream(std::string(folder) + "/" + std::to_string(seed) + ".txt") << text;
            _exit(text.rfind("seed ", 0) == 0 ? 0 : 1);
        }
        if (pid < 0) return 2;
        running.push_back(pid);
        seed_of[pid] = seed;
    }
    while (!running.empty()) reap();
    std::filesystem::remove_all(folder);
    return status;
}
