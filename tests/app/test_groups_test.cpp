// The test files of a folder compile as one unit (see the test binary in CMakeLists.txt), and so do
// the game's own sources (see `astrovane_layer`), so what one file keeps in its anonymous namespace is
// seen by the files after it. A constant a test file names there must not also be a constant of
// another file of its folder, or of a header a file of the folder includes: code of a later file,
// itself inside an anonymous namespace, would take the first file's value for its own without a word
// from the compiler (a player id of 20 for 101 did). The game's folders keep a stricter rule, below.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>
#include "test_support.h"

namespace test_groups {
namespace {

namespace fs = std::filesystem;

const fs::path TESTS = ASTROVANE_SOURCE_DIR "/tests";
const fs::path SOURCES = ASTROVANE_SOURCE_DIR "/src";

std::vector<std::string> lines_of(const fs::path &path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The constants a line declares at namespace scope (it starts in the first column, as everything
// at namespace scope does in this tree): `constexpr T NAME = ...`, more of them after commas.
std::set<std::string> constants_on(const std::string &line) {
    static const std::regex first(R"(^(?:static\s+|inline\s+)*(?:constexpr|const)\b[^=;(]*?\b([A-Z][A-Z0-9_]+)\s*(?:\[[^\]]*\])?\s*[={])");
    static const std::regex more(R"(,\s*([A-Z][A-Z0-9_]+)\s*=)");
    std::set<std::string> names;
    std::smatch m;
    if (line.rfind("const", 0) != 0 && line.rfind("static", 0) != 0 && line.rfind("inline", 0) != 0) return names;
    if (!std::regex_search(line, m, first)) return names;
    names.insert(m[1]);
    const std::string code = line.substr(0, line.find("//"));
    for (auto it = std::sregex_iterator(code.begin(), code.end(), more); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

// Every namespace-scope constant of the file; with `anonymous_only`, those of its anonymous namespace
// at the top (one inside a named namespace of the file is that namespace's own).
std::set<std::string> constants_of(const fs::path &path, bool anonymous_only) {
    static const std::regex named(R"(^namespace \w+ \{)"), named_end(R"(^\}  // namespace \w)");
    std::set<std::string> names;
    bool anonymous = false;
    int inside_named = 0;
    for (const std::string &line : lines_of(path)) {
        const bool bound = line.rfind("namespace", 0) == 0 || line.rfind("}  // namespace", 0) == 0;
        if (bound && std::regex_search(line, named)) ++inside_named;
        else if (bound && std::regex_search(line, named_end)) --inside_named;
        else if (line.rfind("namespace {", 0) == 0) anonymous = inside_named == 0;
        else if (line.rfind("}  // namespace", 0) == 0) anonymous = false;
        else if (anonymous || !anonymous_only) names.merge(constants_on(line));
    }
    return names;
}

// The headers under `root` that the file includes, and those they include.
void add_headers(const fs::path &file, std::set<fs::path> *seen, const fs::path &root = TESTS) {
    static const std::regex include(R"(^#include\s+"([^"]+\.h)\")");
    std::smatch m;
    for (const std::string &line : lines_of(file)) {
        if (line.rfind("#include", 0) != 0 || !std::regex_search(line, m, include)) continue;
        for (const fs::path &base : {file.parent_path(), root}) {
            const fs::path header = (base / m[1].str()).lexically_normal();
            if (!fs::exists(header)) continue;
            if (seen->insert(header).second) add_headers(header, seen, root);
            break;
        }
    }
}

TEST(TestGroups, NoFileGivesAConstantOfItsFolderASecondMeaning) {
    std::map<fs::path, std::vector<fs::path>> folders;
    for (const auto &entry : fs::recursive_directory_iterator(TESTS))
        if (entry.path().extension() == ".cpp") folders[entry.path().parent_path()].push_back(entry.path());
    ASSERT_GT(folders.size(), 10u) << "the test folders under " << TESTS;
    size_t checked = 0;
    std::map<fs::path, std::set<std::string>> every_constant;   // each file's, read once
    for (const auto &[folder, files] : folders) {
        std::set<fs::path> headers;
        for (const fs::path &file : files) add_headers(file, &headers);
        for (const fs::path &file : files) {
            const std::set<std::string> own = constants_of(file, true);
            checked += own.size();
            auto clash = [&](const fs::path &other) {
                auto [at, fresh] = every_constant.try_emplace(other);
                if (fresh) at->second = constants_of(other, false);
                for (const std::string &name : at->second)
                    EXPECT_FALSE(own.count(name)) << fs::relative(file, TESTS).string() << " names " << name
                                                  << " in its anonymous namespace, as "
                                                  << fs::relative(other, TESTS).string() << " does";
            };
            for (const fs::path &other : files)
                if (other != file) clash(other);
            for (const fs::path &header : headers) clash(header);
        }
    }
    EXPECT_GT(checked, 100u) << "the files' own constants were found";
}

// What a line at namespace scope declares (in this tree everything at namespace scope starts in the
// first column, and nothing else does): a type, an alias, or the function, variable or constant
// named before the first bracket, `=` or `;`, and more constants after commas.
std::set<std::string> names_declared_on(std::string line) {
    static const std::regex type(R"(^(?:struct|class|union|enum(?:\s+class)?)\s+(\w+))");
    static const std::regex alias(R"(^using\s+(\w+)\s*=)");
    static const std::regex pointer_typedef(R"(^typedef\b.*\(\s*\*\s*(\w+)\s*\))");
    static const std::regex plain_typedef(R"(^typedef\b.*\b(\w+)\s*;)");
    static const std::regex template_head(R"(^template\s*<.*?>\s*)");
    static const std::regex more(R"(,\s*([A-Za-z_]\w*)\s*(?:=|\{|\[))");
    std::set<std::string> names;
    line = line.substr(0, line.find("//"));
    line = std::regex_replace(line, template_head, "");
    if (line.empty() || !(std::isalpha(static_cast<unsigned char>(line[0])) || line[0] == '_')) return names;
    for (const char *skipped : {"namespace", "using namespace", "return", "static_assert", "extern \"C\"", "friend"})
        if (line.rfind(skipped, 0) == 0) return names;
    std::smatch m;
    for (const std::regex *declares : {&type, &alias, &pointer_typedef, &plain_typedef})
        if (std::regex_search(line, m, *declares)) {
            names.insert(m[1]);
            return names;
        }
    const size_t end = line.find_first_of("(=[{;");
    if (end == std::string::npos || line.find("operator") < end) return names;
    size_t last = end;
    while (last > 0 && line[last - 1] == ' ') --last;
    size_t first = last;
    while (first > 0 && (std::isalnum(static_cast<unsigned char>(line[first - 1])) || line[first - 1] == '_')) --first;
    if (first == last) return names;
    names.insert(line.substr(first, last - first));
    if (line[end] != '(')
        for (auto it = std::sregex_iterator(line.begin() + end, line.end(), more); it != std::sregex_iterator(); ++it)
            names.insert((*it)[1]);
    return names;
}

// A source file's namespace-scope declarations, each with the named namespaces around it ("a::b::"):
// those with internal linkage (in an anonymous namespace, or `static`) and the rest.
struct Declared {
    std::set<std::string> internal, external;
    std::vector<int> using_directives;   // lines of a `using namespace` outside every function
};

Declared declarations_of(const fs::path &path) {
    static const std::regex named(R"(^namespace (\w+) \{)");
    Declared declared;
    std::vector<std::string> opened;   // the named namespaces open here; "" for an anonymous one
    int number = 0;
    for (const std::string &line : lines_of(path)) {
        ++number;
        std::smatch m;
        if (std::regex_search(line, m, named)) { opened.push_back(m[1]); continue; }
        if (line.rfind("namespace {", 0) == 0) { opened.push_back(""); continue; }
        if (line.rfind("}  // namespace", 0) == 0) {
            if (!opened.empty()) opened.pop_back();
            continue;
        }
        if (line.rfind("using namespace", 0) == 0) declared.using_directives.push_back(number);
        std::string prefix;
        bool anonymous = false;
        for (const std::string &name : opened) {
            if (name.empty()) anonymous = true;
            else prefix += name + "::";
        }
        const bool internal = anonymous || (line.rfind("static ", 0) == 0 && line.rfind("static_assert", 0) != 0);
        for (const std::string &name : names_declared_on(line))
            (internal ? declared.internal : declared.external).insert(prefix + name);
    }
    return declared;
}

// The game's sources compile a folder at a time as well. There no file of a folder may declare with
// internal linkage a name that another file of the folder also declares that way, whatever its kind:
// two functions of one name and different parameters would quietly become one overload set, and a
// call in the later file could take the earlier file's function. Nor may such a name be a name of the
// global namespace that a header the folder includes declares, or a file bring a namespace into the
// rest of its folder with `using namespace`.
TEST(TestGroups, NoTwoFilesOfAGameFolderKeepOneNameToThemselves) {
    std::map<fs::path, std::vector<fs::path>> folders;
    for (const auto &entry : fs::recursive_directory_iterator(SOURCES))
        if (entry.path().extension() == ".cpp") folders[entry.path().parent_path()].push_back(entry.path());
    ASSERT_GT(folders.size(), 15u) << "the game's folders under " << SOURCES;
    std::map<fs::path, std::set<std::string>> header_names;   // each header's global names, read once
    size_t checked = 0;
    for (auto &[folder, files] : folders) {
        std::sort(files.begin(), files.end());
        std::map<std::string, fs::path> first_file;   // each internal name, and the first file declaring it
        std::set<fs::path> headers;
        for (const fs::path &file : files) add_headers(file, &headers, SOURCES);
        std::set<std::string> global;   // the global names of the folder's headers
        for (const fs::path &header : headers) {
            auto [at, fresh] = header_names.try_emplace(header);
            if (fresh)
                for (const std::string &name : declarations_of(header).external)
                    if (name.find("::") == std::string::npos) at->second.insert(name);
            global.insert(at->second.begin(), at->second.end());
        }
        for (const fs::path &file : files) {
            const Declared declared = declarations_of(file);
            const std::string shown = fs::relative(file, SOURCES).string();
            for (int line : declared.using_directives)
                ADD_FAILURE() << shown << ":" << line << " brings a namespace into the rest of its folder";
            for (const std::string &name : declared.internal) {
                ++checked;
                const auto [at, fresh] = first_file.try_emplace(name, file);
                EXPECT_TRUE(fresh) << shown << " keeps " << name << " to itself, as "
                                   << fs::relative(at->second, SOURCES).string() << " does";
                EXPECT_FALSE(global.count(name)) << shown << " keeps " << name
                                                 << " to itself, a global name of a header its folder includes";
            }
        }
    }
    EXPECT_GT(checked, 3000u) << "the files' own names were found";
}

}  // namespace
}  // namespace test_groups
