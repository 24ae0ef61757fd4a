// The systems family: a small line parser for the readable sources and the parameter-file writer.
#include "assetgen/family_systems.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include "assetgen/output.h"
#include "platform/buffer.h"
#include "platform/files.h"

#ifndef ASTROVANE_CONTENT_DIR
#error "ASTROVANE_CONTENT_DIR must name the content folder"
#endif

namespace {

struct FlagName {
    const char *name;
    uint32_t    bit;
};

// The flag words of the sources.
const FlagName FLAG_NAMES[] = {
    {"target", SYSTEM_FLAG_NEEDS_TARGET},
    {"point", SYSTEM_FLAG_POINT_TARGET},
    {"unchecked", SYSTEM_FLAG_NO_CHECKS},
    {"combat", SYSTEM_FLAG_COMBAT},
    {"no_pilot_bonus", SYSTEM_FLAG_NO_PILOT_BONUS},
    {"arc", SYSTEM_FLAG_ARC},
    {"rounds", SYSTEM_FLAG_ROUNDS},
    {"offensive", SYSTEM_FLAG_OFFENSIVE},
    {"recharges", SYSTEM_FLAG_RECHARGES},
    {"unlimited_range", SYSTEM_FLAG_UNLIMITED_RANGE},
    {"subtypes", SYSTEM_FLAG_SUBTYPES},
    {"one_per_ship", SYSTEM_FLAG_ONE_PER_SHIP},
    {"no_status", SYSTEM_FLAG_NO_STATUS},
    {"armour_mount", SYSTEM_FLAG_ARMOUR_MOUNT},
    {"self_target", SYSTEM_FLAG_SELF_TARGET},
    {"direct_fire", SYSTEM_FLAG_DIRECT_FIRE},
    {"engine_mount", SYSTEM_FLAG_ENGINE_MOUNT},
    {"blast", SYSTEM_FLAG_BLAST},
    {"area", SYSTEM_FLAG_AREA},
    {"support", SYSTEM_FLAG_SUPPORT},
    {"no_shot_targets", SYSTEM_FLAG_NO_SHOT_TARGETS},
    {"directed", SYSTEM_FLAG_DIRECTED},
    {"heavy", SYSTEM_FLAG_HEAVY},
};

// The integer keys and the template field each fills.
struct IntKey {
    const char *name;
    int32_t System::*field;
};

const IntKey INT_KEYS[] = {
    {"type", &System::type},
    {"icon", &System::spare},
    {"mass", &System::mass},
    {"power", &System::power},
    {"integrity", &System::max_integrity},
    {"recharge", &System::recharge_turns},
    {"range", &System::range},
    {"arc", &System::arc},
    {"facing", &System::facing},
    {"value", &System::value},
    {"ap", &System::ap_cost},
    {"cost", &System::cost},
    {"round_price", &System::round_price},
    {"rounds", &System::rounds_per_reload},
    {"load_a", &System::load_a},
    {"load_b", &System::load_b},
};

struct TextKey {
    const char *name;
    std::string System::*field;
};

const TextKey TEXT_KEYS[] = {
    {"name", &System::name},
    {"aux_text", &System::aux_text},
    {"shot_text", &System::shot_text},
};

// The integer columns of a subtype row after its two texts.
int32_t SystemSubtype::*const ROW_FIGURES[] = {
    &SystemSubtype::mass,    &SystemSubtype::power, &SystemSubtype::value,  &SystemSubtype::arc,
    &SystemSubtype::range,   &SystemSubtype::ap_cost, &SystemSubtype::cost, &SystemSubtype::load_a,
    &SystemSubtype::load_b};

std::string trim(const std::string &text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool parse_int(const std::string &text, int32_t *out) {
    if (text.empty()) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || value < INT32_MIN || value > INT32_MAX) return false;
    *out = int32_t(value);
    return true;
}

class Parser {
public:
    Parser(const std::string &file, std::string *error) : file_(file), error_(error) {}

    Result fail(int line, const std::string &what) {
        if (error_) *error_ = file_ + ":" + std::to_string(line) + ": " + what;
        return RES_MALFORMED;
    }

    Result parse(const std::string &text, SystemSource *out) {
        std::istringstream in(text);
        std::string raw;
        std::map<std::string, int> seen;   // key -> line of first use
        bool subtypes_flag = false;
        int line = 0;
        while (std::getline(in, raw)) {
            ++line;
            const std::string body = trim(raw);
            if (body.empty() || body[0] == '#') continue;
            const size_t gap = body.find_first_of(" \t");
            const std::string key = body.substr(0, gap);
            const std::string value = gap == std::string::npos ? "" : trim(body.substr(gap));
            if (key != "subtype") {
                if (seen.count(key)) return fail(line, "\"" + key + "\" given twice");
                seen[key] = line;
            }
            if (key == "description") {
                if (!value.empty()) return fail(line, "the description begins on the next line");
                read_description(in, &out->description);
                break;
            }
            Result r = RES_OK;
            if (key == "subtype") r = parse_row(line, value, &out->record);
            else if (key == "flags") r = parse_flags(line, value, &out->record.flags, &subtypes_flag);
            else if (const IntKey *k = find_int(key)) r = parse_int_key(line, key, value, &(out->record.*(k->field)));
            else if (const TextKey *t = find_text(key)) out->record.*(t->field) = value;
            else r = fail(line, "unknown key \"" + key + "\"");
            if (r != RES_OK) return r;
        }
        for (const IntKey &k : INT_KEYS)
            if (!seen.count(k.name)) return fail(line, std::string("missing \"") + k.name + "\"");
        for (const TextKey &k : TEXT_KEYS)
            if (!seen.count(k.name)) return fail(line, std::string("missing \"") + k.name + "\"");
        if (!seen.count("flags")) return fail(line, "missing \"flags\"");
        if (!seen.count("description") || out->description.empty()) return fail(line, "missing description");
        if (out->record.name.empty()) return fail(seen["name"], "empty name");
        if (out->record.type < 0 || out->record.type >= SYSTEM_TYPE_COUNT)
            return fail(seen["type"], "type outside 0..29");
        const bool has_rows = !out->record.subtypes.empty();
        if (has_rows != subtypes_flag)
            return fail(seen["flags"], has_rows ? "subtype rows without the \"subtypes\" flag"
                                                : "the \"subtypes\" flag without subtype rows");
        out->record.subtype_count = int32_t(out->record.subtypes.size());
        out->file = file_;
        return RES_OK;
    }

private:
    std::string  file_;
    std::string *error_;

    static const IntKey *find_int(const std::string &key) {
        for (const IntKey &k : INT_KEYS)
            if (key == k.name) return &k;
        return nullptr;
    }
    static const TextKey *find_text(const std::string &key) {
        for (const TextKey &k : TEXT_KEYS)
            if (key == k.name) return &k;
        return nullptr;
    }

    Result parse_int_key(int line, const std::string &key, const std::string &value, int32_t *out) {
        if (!parse_int(value, out)) return fail(line, "\"" + key + "\" wants an integer, not \"" + value + "\"");
        return RES_OK;
    }

    Result parse_flags(int line, const std::string &value, uint32_t *flags, bool *subtypes) {
        std::istringstream words(value);
        std::string word;
        *flags = 0;
        while (words >> word) {
            const FlagName *found = nullptr;
            for (const FlagName &f : FLAG_NAMES)
                if (word == f.name) found = &f;
            if (!found) return fail(line, "unknown flag \"" + word + "\"");
            if (*flags & found->bit) return fail(line, "flag \"" + word + "\" given twice");
            *flags |= found->bit;
        }
        *subtypes = (*flags & SYSTEM_FLAG_SUBTYPES) != 0;
        return RES_OK;
    }

    Result parse_row(int line, const std::string &value, System *record) {
        std::vector<std::string> cells;
        size_t from = 0;
        for (;;) {
            const size_t bar = value.find('|', from);
            cells.push_back(trim(value.substr(from, bar == std::string::npos ? std::string::npos : bar - from)));
            if (bar == std::string::npos) break;
            from = bar + 1;
        }
        constexpr size_t COLUMNS = 2 + sizeof ROW_FIGURES / sizeof ROW_FIGURES[0];
        if (cells.size() != COLUMNS)
            return fail(line, "a subtype row has " + std::to_string(COLUMNS) + " columns, not " +
                                  std::to_string(cells.size()));
        SystemSubtype row;
        row.name = cells[0];
        row.shot_text = cells[1];
        if (row.name.empty()) return fail(line, "a subtype row without a name");
        for (size_t i = 0; i < COLUMNS - 2; ++i)
            if (!parse_int(cells[i + 2], &(row.*ROW_FIGURES[i])))
                return fail(line, "subtype column " + std::to_string(i + 3) + " wants an integer, not \"" +
                                      cells[i + 2] + "\"");
        record->subtypes.push_back(row);
        return RES_OK;
    }

    static void read_description(std::istringstream &in, std::string *out) {
        std::string raw;
        bool paragraph_open = false;
        while (std::getline(in, raw)) {
            const std::string line = trim(raw);
            if (line.empty()) {
                paragraph_open = false;
                continue;
            }
            if (paragraph_open) *out += ' ';
            else if (!out->empty()) *out += '\n';
            *out += line;
            paragraph_open = true;
        }
    }
};

Result write_type(const std::string &root, const SystemSource &source) {
    char params[40], desc[40];
    std::snprintf(params, sizeof params, "system/%.3i/dat/params.dat", int(source.record.type));
    std::snprintf(desc, sizeof desc, "system/%.3i/dat/desc.txt", int(source.record.type));
    Buffer buf;
    Result r = systems_encode_params(source, &buf);
    if (r != RES_OK) return r;
    r = output_params(root, params, buf);
    if (r == RES_OK) r = output_text(root, desc, source.description);
    return r;
}

}  // namespace

Result systems_parse_source(const std::string &text, const std::string &file, SystemSource *out,
                            std::string *error) {
    *out = SystemSource{};
    Parser parser(file, error);
    return parser.parse(text, out);
}

Result systems_encode_params(const SystemSource &source, Buffer *out) {
    const System &s = source.record;
    Result r = buffer_write_string(out, s.name);
    const int32_t head[] = {int32_t(s.flags), s.spare, s.mass, s.power, s.max_integrity, s.recharge_turns,
                            s.range, s.arc, s.facing, s.value, s.ap_cost, s.cost, s.round_price,
                            s.rounds_per_reload};
    for (int32_t v : head)
        if (r == RES_OK) r = buffer_write_i32(out, v);
    if (r == RES_OK) r = buffer_write_string(out, s.aux_text);
    if (r == RES_OK) r = buffer_write_string(out, s.shot_text);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.subtypes.size()));
    for (const SystemSubtype &row : s.subtypes) {
        if (r == RES_OK) r = buffer_write_string(out, row.name);
        if (r == RES_OK) r = buffer_write_string(out, row.shot_text);
        for (int32_t SystemSubtype::*field : ROW_FIGURES)
            if (r == RES_OK) r = buffer_write_i32(out, row.*field);
    }
    if (r == RES_OK) r = buffer_write_i32(out, s.load_a);
    if (r == RES_OK) r = buffer_write_i32(out, s.load_b);
    return r;
}

Result systems_load_content(const std::string &folder, std::vector<SystemSource> *out, std::string *error) {
    std::vector<std::string> names;
    if (list_directory(folder.c_str(), &names) != RES_OK) {
        if (error) *error = folder + ": cannot list the folder";
        return RES_OPEN_FAILED;
    }
    std::sort(names.begin(), names.end());
    out->assign(size_t(SYSTEM_TYPE_COUNT), SystemSource{});
    std::vector<bool> have(size_t(SYSTEM_TYPE_COUNT), false);
    for (const std::string &name : names) {
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".txt") != 0) continue;
        const std::string path = folder + "/" + name;
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            if (error) *error = path + ": cannot open";
            return RES_OPEN_FAILED;
        }
        std::stringstream text;
        text << file.rdbuf();
        SystemSource source;
        if (Result r = systems_parse_source(text.str(), path, &source, error); r != RES_OK) return r;
        const size_t type = size_t(source.record.type);
        if (have[type]) {
            if (error) *error = path + ": type " + std::to_string(type) + " also in " + (*out)[type].file;
            return RES_MALFORMED;
        }
        have[type] = true;
        (*out)[type] = std::move(source);
    }
    for (size_t type = 0; type < have.size(); ++type)
        if (!have[type]) {
            if (error) *error = folder + ": no source for system type " + std::to_string(type);
            return RES_MALFORMED;
        }
    return RES_OK;
}

std::string systems_content_folder() { return ASTROVANE_CONTENT_DIR "/systems"; }

int systems_family_generate(const std::string &root, uint32_t) {
    std::vector<SystemSource> sources;
    std::string error;
    if (systems_load_content(systems_content_folder(), &sources, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    for (const SystemSource &source : sources)
        if (write_type(root, source) != RES_OK) return 1;
    return 0;
}

void systems_family_list_paths(std::vector<std::string> *out) {
    char path[40];
    for (int type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        std::snprintf(path, sizeof path, "system/%.3i/dat/params.dat", type);
        out->push_back(path);
        std::snprintf(path, sizeof path, "system/%.3i/dat/desc.txt", type);
        out->push_back(path);
    }
}
