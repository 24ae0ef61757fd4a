// The tree is the architecture: every #include under src/ points to its own layer or below, by the
// table in layers.txt beside this test.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using LayerTable = std::map<std::string, int>;

LayerTable read_layer_table(const std::string &path) {
    LayerTable table;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string folder;
        int layer = -1;
        if (words >> folder >> layer) table[folder] = layer;
    }
    return table;
}

// The folder directly under root that holds path ("." for a file in root itself).
std::string top_folder(const fs::path &root, const fs::path &path) {
    const fs::path rel = fs::relative(path, root);
    auto it = rel.begin();
    if (std::next(it) == rel.end()) return ".";
    return it->string();
}

// The quoted path of an #include line (spaces allowed around '#'), or "" for any other line.
std::string quoted_include(const std::string &line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return "";
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return "";
    const size_t open = line.find('"', i + 7);
    if (open == std::string::npos) return "";
    const size_t close = line.find('"', open + 1);
    if (close == std::string::npos) return "";
    return line.substr(open + 1, close - open - 1);
}

struct Violation {
    std::string file;
    int         line = 0;
    std::string include;
    std::string why;
};

// The entries of the table for the folders under parent ("screens/galaxy 1" gives galaxy 1).
LayerTable sub_table(const LayerTable &table, const std::string &parent) {
    LayerTable sub;
    for (const auto &[folder, layer] : table)
        if (folder.rfind(parent + "/", 0) == 0) sub[folder.substr(parent.size() + 1)] = layer;
    return sub;
}

// Every quoted include of every source under root that is not allowed by the table. Under a
// folder of src/ the includes name root's folders after a prefix ("screens/"): other includes are
// the first level's business and are skipped.
std::vector<Violation> scan(const fs::path &root, const LayerTable &table, const std::string &prefix = "") {
    std::vector<Violation> out;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        const std::string rel = fs::relative(entry.path(), root).string();
        const std::string from = top_folder(root, entry.path());
        const auto from_layer = table.find(from);
        std::ifstream in(entry.path());
        std::string text;
        for (int n = 1; std::getline(in, text); ++n) {
            const std::string include = quoted_include(text);
            if (include.empty() || include.rfind(prefix, 0) != 0) continue;
            const std::string inner = include.substr(prefix.size());
            const size_t slash = inner.find('/');
            const std::string to = slash == std::string::npos ? "." : inner.substr(0, slash);
            const auto to_layer = table.find(to);
            if (from_layer == table.end()) out.push_back({rel, n, include, "folder " + from + " has no layer"});
            else if (to_layer == table.end()) out.push_back({rel, n, include, "folder " + to + " has no layer"});
            else if (to_layer->second > from_layer->second)
                out.push_back({rel, n, include, from + " (" + std::to_string(from_layer->second) + ") includes " +
                                                    to + " (" + std::to_string(to_layer->second) + ")"});
        }
    }
    return out;
}

std::string describe(const std::vector<Violation> &found) {
    std::string text;
    for (const Violation &v : found)
        text += "  src/" + v.file + ":" + std::to_string(v.line) + " \"" + v.include + "\": " + v.why + "\n";
    return text;
}

const std::string SRC = ASTROVANE_SOURCE_DIR "/src";
const std::string TABLE = ASTROVANE_SOURCE_DIR "/tests/app/layers.txt";

TEST(Layering, NoIncludeUnderSrcPointsUp) {
    const LayerTable table = read_layer_table(TABLE);
    ASSERT_FALSE(table.empty()) << TABLE;
    const std::vector<Violation> found = scan(SRC, table);
    EXPECT_TRUE(found.empty()) << "upward or unplaced includes:\n" << describe(found);
}

TEST(Layering, EveryFolderUnderSrcHasALayerInTheirOrder) {
    const LayerTable table = read_layer_table(TABLE);
    std::vector<std::string> folders;
    for (const auto &entry : fs::directory_iterator(SRC))
        if (entry.is_directory()) folders.push_back(entry.path().filename().string());
    for (const std::string &folder : folders) EXPECT_TRUE(table.count(folder)) << folder << " is missing in layers.txt";
    // The toolkit sits on the platform, the model on the toolkit, the application on top.
    EXPECT_LT(table.at("platform"), table.at("ui"));
    EXPECT_LT(table.at("effects"), table.at("world"));
    EXPECT_EQ(table.at("world"), table.at("game"));
    EXPECT_LT(table.at("game"), table.at("ai"));
    EXPECT_LT(table.at("ai"), table.at("screens"));
    EXPECT_LT(table.at("screens"), table.at("app"));
    // The views of game things sit above the model and the computer players, below the screens.
    EXPECT_LT(table.at("ai"), table.at("views"));
    EXPECT_LT(table.at("views"), table.at("screens"));
}

const std::string SCREENS = SRC + "/screens";

// Inside screens/, the panel folders sit below the screen folders that open them.
TEST(Layering, NoPanelFolderIncludesAScreenFolder) {
    const LayerTable table = sub_table(read_layer_table(TABLE), "screens");
    ASSERT_FALSE(table.empty()) << TABLE;
    for (const auto &entry : fs::directory_iterator(SCREENS)) {
        if (!entry.is_directory()) continue;
        EXPECT_TRUE(table.count(entry.path().filename().string()))
            << "screens/" << entry.path().filename().string() << " is missing in layers.txt";
    }
    for (const char *panels : {"corporation", "design", "news", "officers", "research", "saves", "ships", "sites"})
        for (const char *screen : {"galaxy", "combat", "title", "endgame"})
            EXPECT_LT(table.at(panels), table.at(screen)) << panels << " below " << screen;
    const std::vector<Violation> found = scan(SCREENS, table, "screens/");
    EXPECT_TRUE(found.empty()) << "upward or unplaced includes:\n" << describe(found);
}

// No two folders of screens/ include each other, on the same level or not.
TEST(Layering, NoTwoScreensFoldersIncludeEachOther) {
    std::map<std::string, std::set<std::string>> uses;   // folder -> the other folders it includes
    for (const auto &entry : fs::recursive_directory_iterator(SCREENS)) {
        if (!entry.is_regular_file()) continue;
        const std::string from = top_folder(SCREENS, entry.path());
        std::ifstream in(entry.path());
        for (std::string text; std::getline(in, text);) {
            const std::string include = quoted_include(text);
            if (include.rfind("screens/", 0) != 0) continue;
            const std::string to = include.substr(8, include.find('/', 8) - 8);
            if (to != from) uses[from].insert(to);
        }
    }
    for (const auto &[from, tos] : uses)
        for (const std::string &to : tos) {
            const auto back = uses.find(to);
            if (from < to && back != uses.end()) {
                EXPECT_FALSE(back->second.count(from)) << from << " and " << to << " include each other";
            }
        }
}

// A line that has GameObject, ObjectMap or Player as a whole word (a letter, digit or underscore on
// neither side), as C++ spells a name.
bool names_a_game_record(const std::string &line) {
    const auto word_char = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (const std::string word : {"GameObject", "ObjectMap", "Player"})
        for (size_t at = line.find(word); at != std::string::npos; at = line.find(word, at + 1)) {
            const size_t end = at + word.size();
            if ((at == 0 || !word_char(line[at - 1])) && (end == line.size() || !word_char(line[end]))) return true;
        }
    return false;
}

// The controls know nothing of the game: no file of the control toolkit names the game's objects,
// maps or players, even in a declaration that needs no include.
TEST(Layering, TheControlToolkitNamesNoGameRecord) {
    std::vector<std::string> found;
    for (const auto &entry : fs::directory_iterator(SRC + "/ui")) {
        std::ifstream in(entry.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            if (names_a_game_record(line))
                found.push_back(entry.path().filename().string() + ":" + std::to_string(n) + ": " + line);
    }
    std::string text;
    for (const std::string &f : found) text += "  " + f + "\n";
    EXPECT_TRUE(found.empty()) << text;
}

// The scanner itself, over a small tree of its own: it must catch what it is there to catch.
TEST(Layering, TheScannerCatchesAnUpwardIncludeAndOnlyThat) {
    const fs::path root = fresh_test_dir("app");
    fs::create_directories(root / "low");
    fs::create_directories(root / "high");
    std::ofstream(root / "low" / "a.h") << "#pragma once\n#include <vector>\n#include \"low/b.h\"\n";
    std::ofstream(root / "low" / "b.cpp") << "// #include \"high/x.h\" is only a comment here\n"
                                             "  #  include \"high/c.h\"   // spaced\n";
    std::ofstream(root / "high" / "c.h") << "#include \"low/a.h\"\n#include \"high/c.h\"\n";
    std::ofstream(root / "high" / "d.cpp") << "#include \"nowhere/d.h\"\n";
    const LayerTable table = {{"low", 0}, {"high", 1}};
    const std::vector<Violation> found = scan(root, table);
    ASSERT_EQ(found.size(), 2u) << describe(found);
    std::map<std::string, Violation> by_file;
    for (const Violation &v : found) by_file[v.file] = v;
    ASSERT_TRUE(by_file.count("low/b.cpp")) << describe(found);
    EXPECT_EQ(by_file["low/b.cpp"].line, 2);
    EXPECT_EQ(by_file["low/b.cpp"].include, "high/c.h");
    ASSERT_TRUE(by_file.count("high/d.cpp")) << describe(found);
    EXPECT_EQ(by_file["high/d.cpp"].why, "folder nowhere has no layer");
}

// Under a prefix the scanner reads only the includes that start with it, by their next folder.
TEST(Layering, TheScannerUnderAPrefixJudgesOnlyItsOwnIncludes) {
    const fs::path root = fs::path(fresh_test_dir("app")) / "screens";
    fs::create_directories(root / "panel");
    fs::create_directories(root / "screen");
    std::ofstream(root / "panel" / "a.cpp") << "#include \"screens/screen/b.h\"\n#include \"screen/x.h\"\n";
    std::ofstream(root / "screen" / "b.cpp") << "#include \"screens/panel/a.h\"\n#include \"ui/panel.h\"\n";
    const std::vector<Violation> found = scan(root, sub_table({{"screens/panel", 0}, {"screens/screen", 1}, {"ui", 5}}, "screens"),
                                              "screens/");
    ASSERT_EQ(found.size(), 1u) << describe(found);
    EXPECT_EQ(found[0].file, "panel/a.cpp");
    EXPECT_EQ(found[0].line, 1);
}

}  // namespace
