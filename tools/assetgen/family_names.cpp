// The names family: name lists copied with checks, player records compiled into the entry format.
#include "assetgen/family_names.h"

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include "assetgen/content_source.h"
#include "assetgen/output.h"
#include "platform/buffer.h"

namespace {

const char *const LISTS[] = {"pilot", "sector", "ship"};
constexpr int STAT_COUNT = 10;

// The AI personality of an entry, in wire order; the extra tuning list goes after group LIST_AFTER.
struct Group {
    const char *key;
    int         count;
};
const Group GROUPS[] = {
    {"tuning", 4},                     // pilots wanted (three kinds), strike margin
    {"attack_fleet_radius", 1},
    {"template_weights", 9},           // one per ship hull
    {"system_weights", 30},            // one per system type
    {"weapon_first_chance", 1},
    {"armour_bonus_chance", 1},
    {"task_weights", 24},              // one per agent task type
    {"commander_reassign_penalty", 1},
    {"galaxy_reassign_penalty", 1},
    {"commander_full_task_bonus", 1},
    {"galaxy_full_task_bonus", 1},
    {"courage", 1},
    {"extra_selections", 1},
    {"tuning_t0", 1},                  // research queue limit
    {"design_target", 1},
    {"design_lifetime", 2},            // minimum, maximum days
    {"late_tuning", 3},                // shipyards, research stations, training sites wanted
    {"personality", 2},                // minimum, maximum
};
constexpr int LIST_AFTER = 5;          // armour_bonus_chance
const char *const LIST_KEY = "extra_tuning";

struct RecordSource {
    uint64_t    id = 0;
    int32_t     kind = -1;
    std::string name;
    std::string text;
    bool        has_text = false;
    std::vector<uint64_t> stats = std::vector<uint64_t>(STAT_COUNT, 0);
    std::map<std::string, std::vector<int32_t>> ai;   // group key (or the list key) -> values
};

std::string where(const std::string &source, int line) { return source + ":" + std::to_string(line) + ": "; }

const Group *find_group(const std::string &key) {
    for (const Group &g : GROUPS)
        if (key == g.key) return &g;
    return nullptr;
}

// One AI field into the values; false with a message for an unknown key or a wrong count.
bool take_ai_field(const ContentField &field, const std::string &source, RecordSource *rec, std::string *error) {
    std::vector<int32_t> values;
    if (content_parse_ints(field.value, &values) != RES_OK) {
        *error = where(source, field.line) + field.key + ": integers expected";
        return false;
    }
    if (field.key == LIST_KEY) {
        rec->ai[field.key] = values;
        return true;
    }
    const Group *group = find_group(field.key);
    if (!group) {
        *error = where(source, field.line) + "unknown field \"" + field.key + "\"";
        return false;
    }
    if (int(values.size()) != group->count) {
        *error = where(source, field.line) + field.key + ": " + std::to_string(group->count) + " values expected, " +
                 std::to_string(values.size()) + " given";
        return false;
    }
    rec->ai[field.key] = values;
    return true;
}

bool take_record_field(const ContentField &field, const std::string &source, RecordSource *rec, std::string *error) {
    if (field.key == "kind") {
        if (field.value == "human") rec->kind = 0;
        else if (field.value == "computer") rec->kind = 1;
        else {
            *error = where(source, field.line) + "kind is \"human\" or \"computer\"";
            return false;
        }
        return true;
    }
    if (field.key == "name") {
        rec->name = field.value;
        return true;
    }
    if (field.key == "text") {
        rec->text = field.value;
        rec->has_text = true;
        return true;
    }
    if (field.key == "stats") {
        std::istringstream in(field.value);
        std::vector<uint64_t> stats;
        unsigned long long v = 0;
        while (in >> v) stats.push_back(v);
        if (!in.eof() || stats.size() != STAT_COUNT) {
            *error = where(source, field.line) + "stats: 10 unsigned integers expected";
            return false;
        }
        rec->stats = stats;
        return true;
    }
    return take_ai_field(field, source, rec, error);
}

Result write_record(const RecordSource &rec, Buffer *out) {
    Result r = buffer_write_u64(out, rec.id);
    if (r == RES_OK) r = buffer_write_i32(out, rec.kind);
    if (r == RES_OK) r = buffer_write_string(out, rec.name);
    if (r == RES_OK) r = buffer_write_string(out, rec.text);
    for (uint64_t stat : rec.stats)
        if (r == RES_OK) r = buffer_write_u64(out, stat);
    for (int g = 0; r == RES_OK && g < int(sizeof GROUPS / sizeof GROUPS[0]); ++g) {
        for (int32_t v : rec.ai.at(GROUPS[g].key))
            if (r == RES_OK) r = buffer_write_i32(out, v);
        if (g == LIST_AFTER) {
            const std::vector<int32_t> &list = rec.ai.at(LIST_KEY);
            if (r == RES_OK) r = buffer_write_i32(out, int32_t(list.size()));
            for (int32_t v : list)
                if (r == RES_OK) r = buffer_write_i32(out, v);
        }
    }
    return r;
}

}  // namespace

Result names_check_list(const std::string &text, const std::string &source, std::string *error) {
    const std::string normal = text_normalise(text);
    std::set<std::string> seen;
    std::istringstream in(normal);
    std::string name;
    for (int line = 1; std::getline(in, name); ++line) {
        if (name.empty()) {
            *error = where(source, line) + "empty name";
            return RES_MALFORMED;
        }
        if (content_trim(name) != name) {
            *error = where(source, line) + "\"" + name + "\" has outer spaces";
            return RES_MALFORMED;
        }
        if (!seen.insert(name).second) {
            *error = where(source, line) + "\"" + name + "\" is listed twice";
            return RES_MALFORMED;
        }
    }
    if (seen.empty()) {
        *error = source + ": no names";
        return RES_MALFORMED;
    }
    return RES_OK;
}

Result names_compile_records(const std::string &text, const std::string &source, Buffer *out, std::string *error) {
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(text, source, &blocks, error); r != RES_OK) return r;
    RecordSource defaults;
    bool have_defaults = false;
    std::vector<RecordSource> records;
    std::set<uint64_t> ids;
    for (const ContentBlock &block : blocks) {
        if (block.header == "defaults") {
            if (have_defaults || !records.empty()) {
                *error = where(source, block.line) + "one [defaults] block, before the records";
                return RES_MALFORMED;
            }
            have_defaults = true;
            for (const ContentField &field : block.fields)
                if (!take_ai_field(field, source, &defaults, error)) return RES_MALFORMED;
            continue;
        }
        unsigned long long id = 0;
        char tail = 0;
        if (std::sscanf(block.header.c_str(), "record %llu %c", &id, &tail) != 1 || id == 0) {
            *error = where(source, block.line) + "expected [defaults] or [record <id>] with a non-zero id";
            return RES_MALFORMED;
        }
        if (!ids.insert(id).second) {
            *error = where(source, block.line) + "record " + std::to_string(id) + " is defined twice";
            return RES_MALFORMED;
        }
        RecordSource rec = defaults;
        rec.id = id;
        for (const ContentField &field : block.fields)
            if (!take_record_field(field, source, &rec, error)) return RES_MALFORMED;
        if (rec.kind < 0 || rec.name.empty() || !rec.has_text) {
            *error = where(source, block.line) + "a record needs kind, name and text (text may be empty)";
            return RES_MALFORMED;
        }
        for (const Group &g : GROUPS)
            if (!rec.ai.count(g.key)) {
                *error = where(source, block.line) + "no value for " + g.key + " (give it in [defaults])";
                return RES_MALFORMED;
            }
        rec.ai.try_emplace(LIST_KEY);
        records.push_back(std::move(rec));
    }
    if (records.empty()) {
        *error = source + ": no records";
        return RES_MALFORMED;
    }
    Result r = buffer_write_u32(out, uint32_t(records.size()));
    for (const RecordSource &rec : records)
        if (r == RES_OK) r = write_record(rec, out);
    return r;
}

int names_family_generate(const std::string &root, uint32_t) {
    std::string error;
    for (const char *list : LISTS) {
        const std::string source = std::string("names/") + list + ".txt";
        std::string text;
        if (content_read(source, &text, &error) != RES_OK || names_check_list(text, source, &error) != RES_OK) {
            std::fprintf(stderr, "assetgen: %s\n", error.c_str());
            return 1;
        }
        if (output_text(root, std::string("name/") + list + ".txt", text) != RES_OK) return 1;
    }
    std::string text;
    Buffer records;
    if (content_read("names/records.txt", &text, &error) != RES_OK ||
        names_compile_records(text, "names/records.txt", &records, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    return output_params(root, "player/params.dat", records) == RES_OK ? 0 : 1;
}

void names_family_list_paths(std::vector<std::string> *out) {
    for (const char *list : LISTS) out->push_back(std::string("name/") + list + ".txt");
    out->push_back("player/params.dat");
}
