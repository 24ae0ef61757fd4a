// Nothing of the program's screens, views and application modes is unreachable: the reachability link
// (astrovane_reach, the program linked once more with every function in a section of its own and the
// unreferenced sections collected) lists in its map each function that nothing reachable from main
// calls or stores. Here that list is read back; every function of src/screens, src/views or src/app
// on it fails the test, except the few the tests themselves drive, listed below with their reason.
#include <gtest/gtest.h>

#include <cxxabi.h>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One input section of the map: its name and the object file it came from.
struct MapSection {
    std::string name;
    std::string object;
};

struct LinkMap {
    std::vector<MapSection> discarded;
    std::vector<MapSection> kept;
};

bool starts_with(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

std::vector<std::string> words_of(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// GNU ld's map: " .name  address  size  object" on one line, or, when the name is long, the name
// alone and the rest on the next line. Lines of symbols inside a section ("  0x... name") and the
// linker script's own lines are skipped.
LinkMap parse_link_map(std::istream &in) {
    LinkMap map;
    std::vector<MapSection> *into = nullptr;
    std::string pending;
    for (std::string line; std::getline(in, line);) {
        if (line == "Discarded input sections") { into = &map.discarded; continue; }
        if (line == "Linker script and memory map") { into = &map.kept; continue; }
        if (line == "Memory Configuration") { into = nullptr; continue; }
        if (!into) continue;
        const std::vector<std::string> w = words_of(line);
        if (starts_with(line, " .")) {
            pending.clear();
            if (w.size() == 1) pending = w[0];
            else if (w.size() >= 4 && starts_with(w[1], "0x")) into->push_back({w[0], w[3]});
        } else if (!pending.empty() && w.size() >= 3 && starts_with(w[0], "0x") && starts_with(w[1], "0x")) {
            into->push_back({pending, w[2]});
            pending.clear();
        } else {
            pending.clear();
        }
    }
    return map;
}

// The symbol a function's own section holds (".text.<symbol>", ".text.unlikely.<symbol>" and the
// like), without the optimiser's clone suffixes (".part.0", ".cold", ".isra.0"): a function counts
// as reached when its body or any clone of it is kept. Empty for a section that is not a function's.
std::string function_symbol(const std::string &section) {
    if (!starts_with(section, ".text.")) return "";
    std::string rest = section.substr(6);
    for (const char *part : {"unlikely.", "startup.", "hot.", "exit."})
        if (starts_with(rest, part) && rest.size() > std::string(part).size() + 1 &&
            rest.compare(std::string(part).size(), 2, "_Z") == 0)
            rest = rest.substr(std::string(part).size());
    return rest.substr(0, rest.find('.'));
}

std::string demangled(const std::string &symbol) {
    int status = 0;
    char *text = abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status);
    if (status != 0 || !text) return symbol;
    std::string out = text;
    std::free(text);
    return out;
}

// The source file of an object built from the tree ("src/screens/x.cpp" from
// ".../src/screens/x.cpp.o"), or empty.
std::string source_of(const std::string &object) {
    const size_t at = object.rfind("/src/");
    if (at == std::string::npos || object.size() < 2 || object.compare(object.size() - 2, 2, ".o") != 0)
        return "";
    return object.substr(at + 1, object.size() - at - 3);
}

struct Unreached {
    std::string file;
    std::string function;
};

// Every function of a source under one of the folders that the link dropped and kept no copy of
// (an inline function or template dropped from one object is often kept from another). The
// standard library's instances are not the program's.
std::vector<Unreached> unreached_functions(const LinkMap &map, const std::vector<std::string> &folders) {
    std::set<std::string> kept;
    for (const MapSection &s : map.kept)
        if (std::string sym = function_symbol(s.name); !sym.empty()) kept.insert(sym);
    std::map<std::string, std::string> found;   // demangled name -> file
    for (const MapSection &s : map.discarded) {
        const std::string sym = function_symbol(s.name);
        if (sym.empty() || kept.count(sym)) continue;
        const std::string file = source_of(s.object);
        bool in_folder = false;
        for (const std::string &f : folders) in_folder = in_folder || starts_with(file, f.c_str());
        if (!in_folder) continue;
        const std::string name = demangled(sym);
        if (starts_with(name, "std::") || starts_with(name, "__gnu_cxx::")) continue;
        found.emplace(name, file);
    }
    std::vector<Unreached> out;
    for (const auto &[name, file] : found) out.push_back({file, name});
    return out;
}

// Functions that the program never calls on purpose: the tests reach in through them (to read a
// panel's state, or to put a stand-in where the program starts a thread or a browser). The last
// two are operations of a panel that no screen has a use for yet; they stay listed until one does.
const std::map<std::string, const char *> TEST_SEAMS = {
    {"loading_mode_set_seams(LoadingSeams const*)", "the loading mode's waits and work, replaced"},
    {"loading_mode_state()", "the loading mode's progress, read"},
    {"combat_set_thread_creator(SDL_Thread* (*)(int (*)(void*), void*))", "the combat turn's thread, replaced"},
    {"design_set_thread_creator(SDL_Thread* (*)(int (*)(void*), void*))", "the hull picture loader's thread, replaced"},
    {"title_set_link_opener(Result (*)(char const*))", "the browser the title's links open, replaced"},
    {"scene_set_link_opener(Result (*)(char const*))", "the browser a scene's links open, replaced"},
    {"endgame_state()", "the end-of-game mode's page and timers, read"},
    {"load_screen_ids()", "the load screen's row controls, found"},
    {"facility_panel_state(Control*)", "the facility panel's Build slot, replaced"},
    {"corporation_summary_state(Control*)", "the corporation panel's rows and content height, read"},
    {"encounter_dialog_encounter(Control*)", "the encounter a dialog holds, read"},
    {"tech_detail_systems(Control*)", "the systems a technology's panel lists, read"},
    {"news_item_panel_shows(Control*, Alert const*)", "the news item a panel shows, read"},
    {"system_card_get_mount_kind(Control*)", "the mount kind a system card records, read"},
    {"map_minimap_create(ObjectMap*, int, int)", "a minimap over a map of the test's own"},
};

const std::vector<std::string> PROGRAM_FOLDERS = {"src/screens/", "src/views/", "src/app/"};

#ifdef ASTROVANE_REACH_MAP
LinkMap read_reach_map() {
    std::ifstream in(ASTROVANE_REACH_MAP);
    EXPECT_TRUE(in.good()) << "cannot read " << ASTROVANE_REACH_MAP;
    return parse_link_map(in);
}
#endif

TEST(LinkMapReading, FindsDroppedFunctionsAcrossWrappedLinesClonesAndKeptCopies) {
    std::istringstream text(
        "Archive member included to satisfy reference by file (symbol)\n"
        "\n"
        "Discarded input sections\n"
        "\n"
        " .text          0x0000000000000000        0x0 CMakeFiles/a.dir/src/screens/a.cpp.o\n"
        " .text._Z6unusedv\n"
        "                0x0000000000000000       0x1c CMakeFiles/a.dir/src/screens/a.cpp.o\n"
        " .text._Z6sharedv 0x0000000000000000  0x8 CMakeFiles/a.dir/src/views/b.cpp.o\n"
        " .text._Z6clonedi 0x0000000000000000  0x8 CMakeFiles/a.dir/src/views/b.cpp.o\n"
        " .text.unlikely._Z4coldv 0x0000000000000000  0x8 CMakeFiles/a.dir/src/app/c.cpp.o\n"
        " .text._ZNSt6vectorIiSaIiEE5clearEv 0x0 0x8 CMakeFiles/a.dir/src/app/c.cpp.o\n"
        " .data.rel.ro._ZL5TABLE 0x0000000000000000  0x8 CMakeFiles/a.dir/src/app/c.cpp.o\n"
        " .text._Z9worldonlyv 0x0000000000000000  0x8 CMakeFiles/a.dir/src/world/d.cpp.o\n"
        "\n"
        "Memory Configuration\n"
        "\n"
        "Name             Origin             Length             Attributes\n"
        "\n"
        "Linker script and memory map\n"
        "\n"
        " .text._Z6sharedv\n"
        "                0x0000000000401000        0x8 CMakeFiles/a.dir/src/screens/e.cpp.o\n"
        "                0x0000000000401000                shared()\n"
        " .text._Z6clonedi.constprop.0 0x0000000000401010  0x8 CMakeFiles/a.dir/src/views/b.cpp.o\n");
    const LinkMap map = parse_link_map(text);
    ASSERT_EQ(map.kept.size(), 2u);
    EXPECT_EQ(map.kept[0].object, "CMakeFiles/a.dir/src/screens/e.cpp.o");

    const std::vector<Unreached> found = unreached_functions(map, PROGRAM_FOLDERS);
    std::vector<std::string> names;
    for (const Unreached &u : found) names.push_back(u.file + " " + u.function);
    // shared() has a kept copy, cloned(int) a kept clone; the standard library's vector, the data
    // and the world's function are not reported.
    EXPECT_EQ(names, (std::vector<std::string>{"src/app/c.cpp cold()", "src/screens/a.cpp unused()"}));
}

TEST(Reachability, EveryScreenViewAndModeFunctionIsReachedFromMain) {
#ifndef ASTROVANE_REACH_MAP
    GTEST_SKIP() << "the reachability link is made only by gcc with GNU ld (its map lists the discarded "
                    "sections); this build has no astrovane_reach";
#else
    const LinkMap map = read_reach_map();
    // The map is the one expected: main and the start-up it calls were kept, and the layers were
    // linked from their objects, so the link did drop sections.
    std::set<std::string> kept;
    for (const MapSection &s : map.kept) kept.insert(function_symbol(s.name));
    ASSERT_TRUE(kept.count("main")) << "no main in " << ASTROVANE_REACH_MAP;
    ASSERT_TRUE(kept.count("_Z11startup_runiPPc"));
    ASSERT_FALSE(map.discarded.empty());

    std::ostringstream report;
    std::set<std::string> seams_seen;
    int count = 0;
    for (const Unreached &u : unreached_functions(map, PROGRAM_FOLDERS)) {
        if (TEST_SEAMS.count(u.function)) {
            seams_seen.insert(u.function);
            continue;
        }
        report << "  " << u.file << ": " << u.function << "\n";
        ++count;
    }
    EXPECT_EQ(count, 0) << "nothing reachable from main calls these:\n" << report.str();
    // A seam that the program now calls, or that is gone, leaves the table.
    for (const auto &[name, why] : TEST_SEAMS)
        EXPECT_TRUE(seams_seen.count(name)) << name << " (" << why << ") is no longer an unreached test seam";
#endif
}

}  // namespace
