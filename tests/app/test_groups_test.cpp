// The test files of a folder compile as one unit (see the test binary in CMakeLists.txt), so what
// one file keeps in its anonymous namespace is seen by the files after it. A constant a file names
// there must not also be a constant of another file of its folder, or of a header a file of the
// folder includes: code of a later file, itself inside an anonymous namespace, would take the first
// file's value for its own without a word from the compiler (a player id of 20 for 101 did).
#include <gtest/gtest.h>

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

// The headers under tests/ that the file includes, and those they include.
void add_headers(const fs::path &file, std::set<fs::path> *seen) {
    static const std::regex include(R"(^#include\s+"([^"]+\.h)\")");
    std::smatch m;
    for (const std::string &line : lines_of(file)) {
        if (line.rfind("#include", 0) != 0 || !std::regex_search(line, m, include)) continue;
        for (const fs::path &base : {file.parent_path(), TESTS}) {
            const fs::path header = (base / m[1].str()).lexically_normal();
            if (!fs::exists(header)) continue;
            if (seen->insert(header).second) add_headers(header, seen);
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

}  // namespace
}  // namespace test_groups
