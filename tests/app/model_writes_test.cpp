// Screens and views change the game only through the model's operations: no line under
// src/screens or src/views writes a rule-bearing field of a model record or sets or clears a bit
// of a model flag word, except the few display bits a view owns.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string SOURCE_ROOT = ASTROVANE_SOURCE_DIR "/src";

// Bits of the model's flag words that only say how a thing is drawn: a view sets them itself.
// The game record's screen word is the screens' own (cursor, controls, music, the title's boot log
// and first run), and so is an alert's highlight rectangle.
const std::set<std::string> VIEW_BITS = {
    "OBJ_OUTLINE",               // the hit mask's outline around the picked object
    "OBJ_PULSING",               // the acting ship pulses
    "SHIP_FLAG_SHIELD_DISPLAY",  // shields shown after a hit, until the display time runs out
    "FLEET_PINGS",               // a fleet pings its position between days
    "GAME_FLAG_NO_CURSOR",      "GAME_FLAG_CONTROLS_OFF", "GAME_FLAG_MUSIC_RESTART",
    "GAME_FLAG_BOOT_LOG_SHOWN", "GAME_FLAG_FIRST_RUN",    "ALERT_FLAG_RECT",
    "ALERT_FLAG_RECT_BY_ID",
};

// Fields whose value is a rule's outcome: only a model operation changes them.
const char *const RULE_FIELDS =
    "credits|credits_earned|crew|ap|mp|retreat_countdown|commander|commander_id|site_id|ship_id|sector_id|fleet_id|"
    "pilot|pilot_id|cost_paid|remaining_min|total_min|defense_level|defense_progress|harvest_target_id|"
    "resources_left|population|experience|rank|armour|training_cost|paused_cost|move_target_id";

// The names of the model's flag constants: every `constexpr uint32_t NAME` of a header under
// world/ and game/.
std::set<std::string> model_flag_names(const std::string &src) {
    std::set<std::string> names;
    const std::regex constant(R"(constexpr\s+uint32_t\s+([A-Z][A-Z0-9_]*)\s*=)");
    for (const char *folder : {"world", "game"})
        for (const auto &entry : fs::directory_iterator(src + "/" + folder)) {
            if (entry.path().extension() != ".h") continue;
            std::ifstream in(entry.path());
            std::string line;
            std::smatch m;
            while (std::getline(in, line))   // an object query's filter bits are no record's
                if (std::regex_search(line, m, constant) && m[1].str().rfind("FILTER_", 0) != 0) names.insert(m[1]);
        }
    return names;
}

struct Write {
    std::string where;   // file:line
    std::string text;
};

// The writes of one source line, the line without its comment.
bool writes_model(const std::string &line, const std::set<std::string> &flags) {
    const std::string code = line.substr(0, line.find("//"));
    // A flag word set, cleared or assigned: every model bit named on the right counts.
    static const std::regex flag_write(
        R"((->|\.)(flags|state|ship_flags|fleet_flags|hull_flags|template_flags)\s*(\|=|&=|\^=|=(?!=))([^;]*))");
    static const std::regex name(R"(\b[A-Z][A-Z0-9_]*\b)");
    for (std::sregex_iterator it(code.begin(), code.end(), flag_write), end; it != end; ++it) {
        const std::string rhs = (*it)[4];
        for (std::sregex_iterator n(rhs.begin(), rhs.end(), name); n != end; ++n)
            if (flags.count(n->str()) && !VIEW_BITS.count(n->str())) return true;
    }
    // A record reached through a pointer: the screens' own structs by value may share a name.
    static const std::regex field_write(std::string(R"(->()") + RULE_FIELDS +
                                        R"()\s*(=(?!=)|\+=|-=|\*=|/=|\|=|&=|\+\+|--))");
    static const std::regex field_step(std::string(R"((\+\+|--)\s*[\w\[\]]+->()") + RULE_FIELDS + R"()\b)");
    return std::regex_search(code, field_write) || std::regex_search(code, field_step);
}

std::vector<Write> scan(const std::string &root, const std::set<std::string> &flags) {
    std::vector<Write> out;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            if (writes_model(line, flags))
                out.push_back({fs::relative(entry.path(), SOURCE_ROOT).string() + ":" + std::to_string(n), line});
    }
    return out;
}

TEST(LayeringModelWrites, ScreensAndViewsWriteNoModelFieldOrFlag) {
    const std::set<std::string> flags = model_flag_names(SOURCE_ROOT);
    ASSERT_TRUE(flags.count("SITE_CREW_SHORT") && flags.count("OBJ_DEAD")) << "the model's flag names were read";
    std::string text;
    for (const char *folder : {"/screens", "/views"})
        for (const Write &w : scan(SOURCE_ROOT + folder, flags)) text += "  " + w.where + ": " + w.text + "\n";
    EXPECT_TRUE(text.empty()) << "written outside a model operation:\n" << text;
}

// The scanner itself: it must catch the writes it is there to catch, and pass reads, comparisons,
// the view's own bits and the screens' own records.
TEST(LayeringModelWrites, TheScannerTellsAWriteFromARead) {
    const std::set<std::string> flags = {"SITE_CREW_SHORT", "OBJ_DEAD", "OBJ_OUTLINE"};
    for (const char *write : {"site->state |= SITE_CREW_SHORT;", "site->state &= ~SITE_CREW_SHORT;",
                              "ship->flags |= OBJ_DEAD;", "obj->flags |= OBJ_OUTLINE | OBJ_DEAD;", "owner->credits = std::max(owner->credits - cost, 0);",
                              "base->crew += m;", "--ship->retreat_countdown;", "ship->ap = ship->max_ap;",
                              "officer->site_id = 0;", "if (x) s->remaining_min -= 5;"})
        EXPECT_TRUE(writes_model(write, flags)) << write;
    for (const char *read : {"if (site->state & SITE_CREW_SHORT) return;", "const bool short_crew = (s & SITE_CREW_SHORT);",
                             "object->flags |= OBJ_OUTLINE;", "filter.exclude_flags = OBJ_DEAD;", "if (owner->credits == cost) return;",
                             "int32_t crew = base->crew;", "// base->crew = 0; in a comment", "row->id = ROW_ID;",
                             "state->open_chooser = SITE_CHOOSER_NONE;", "x = ship->apex;",
                             "c.credits = std::max(c.credits, w);"})
        EXPECT_FALSE(writes_model(read, flags)) << read;
}

}  // namespace
