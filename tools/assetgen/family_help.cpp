// The help family: topic sources parsed, laid out as scene pages and written with the store's names.
#include "assetgen/family_help.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include "assetgen/content_source.h"
#include "assetgen/family_fonts.h"
#include "assetgen/output.h"
#include "assetgen/ui_art.h"
#include "platform/buffer.h"
#include "platform/files.h"

namespace {

struct Rgb8 {
    uint8_t r, g, b;
};
constexpr Rgb8 TITLE_COLOUR{250, 218, 104};
constexpr Rgb8 HEADING_COLOUR{120, 232, 150};
constexpr Rgb8 BODY_COLOUR{214, 218, 226};
constexpr Rgb8 BULLET_COLOUR{120, 232, 150};

// Vertical rhythm, in pixels.
constexpr int TITLE_Y = 14;
constexpr int RULE_GAP = 7;          // title bottom to the rule
constexpr int BODY_GAP = 13;         // rule to the first block
constexpr int LINE_GAP = 3;          // between the lines of a block
constexpr int PARAGRAPH_GAP = 8;     // after a paragraph
constexpr int ITEM_GAP = 4;          // after a list item
constexpr int HEADING_BEFORE = 7;    // extra room above a heading that follows other text
constexpr int HEADING_AFTER = 5;
constexpr int BOX_HEIGHT = 64;       // a text box's height cap: more than any one line

std::string where(const std::string &source, int line) { return source + ":" + std::to_string(line) + ": "; }

// "[N]" at `at` in text: N, and the position after the bracket; -1 when there is none.
int icon_at(const std::string &text, size_t at, size_t *end) {
    if (at >= text.size() || text[at] != '[') return -1;
    size_t i = at + 1;
    int n = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && n < 100000) n = n * 10 + (text[i++] - '0');
    if (i == at + 1 || i >= text.size() || text[i] != ']') return -1;
    *end = i + 1;
    return n;
}

// The size of frame 0 of a UI image type, or false when the type has no picture.
bool icon_size(int type, int *w, int *h) {
    const std::vector<IconImage> frames = ui_art_frames(type);
    if (frames.empty()) return false;
    *w = frames[0].w;
    *h = frames[0].h;
    return true;
}

std::string number_path(const char *format, int n) {
    char path[48];
    std::snprintf(path, sizeof path, format, n);
    return path;
}

SceneRecordLine line_of(const std::string &text, int font, Rgb8 colour) {
    SceneRecordLine line;
    line.text = text;
    line.font = font;
    line.red = colour.r;
    line.green = colour.g;
    line.blue = colour.b;
    return line;   // no delay of its own, shown whole
}

struct Placer {
    SceneRecord *scene;
    int          shown = 0;   // lines placed so far: each shows a step after the previous one
    void put(int x, int y, const std::string &text, int font, Rgb8 colour) {
        scene->items.push_back(scene_record_text(x, y, shown++ * HELP_LINE_STEP_MS, BOX_HEIGHT, {line_of(text, font, colour)}));
    }
    void image(int type, int x, int y) { scene->items.push_back(scene_record_image(type, 0, x, y, shown++ * HELP_LINE_STEP_MS)); }
};

}  // namespace

Result help_parse_topic(const std::string &text, const std::string &source, HelpTopic *out, std::string *error) {
    HelpTopic topic;
    std::istringstream in(text);
    std::string raw;
    bool titled = false;
    HelpBlock *open = nullptr;   // the block that continuation lines join
    for (int n = 1; std::getline(in, raw); ++n) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        for (unsigned char c : raw)
            if (c < 32 || c > 126) {
                if (error) *error = where(source, n) + "only printable ASCII is allowed";
                return RES_MALFORMED;
            }
        if (raw.rfind("# ", 0) == 0 || raw == "#") continue;
        const std::string trimmed = content_trim(raw);
        if (!titled) {
            if (trimmed.empty()) continue;
            topic.title = trimmed;
            const size_t open_at = trimmed.rfind(" [");
            size_t end = 0;
            if (open_at != std::string::npos) {
                const int icon = icon_at(trimmed, open_at + 1, &end);
                if (icon >= 0 && end == trimmed.size()) {
                    topic.icon = icon;
                    topic.title = content_trim(trimmed.substr(0, open_at));
                }
            }
            titled = true;
            continue;
        }
        if (trimmed.empty()) {
            open = nullptr;
            continue;
        }
        if (raw.rfind("## ", 0) == 0) {
            topic.blocks.push_back({HelpBlock::HEADING, content_trim(raw.substr(3)), n});
            open = nullptr;
        } else if (raw.rfind("- ", 0) == 0) {
            std::string item = content_trim(raw.substr(2));
            size_t end = 0;
            const int icon = icon_at(item, 0, &end);
            if (icon >= 0) item = content_trim(item.substr(end));
            topic.blocks.push_back({HelpBlock::ITEM, item, n, icon});
            open = &topic.blocks.back();
        } else if (open && (open->kind == HelpBlock::PARAGRAPH || raw[0] == ' ')) {
            open->text += " " + trimmed;
        } else {
            topic.blocks.push_back({HelpBlock::PARAGRAPH, trimmed, n});
            open = &topic.blocks.back();
        }
    }
    if (!titled) {
        if (error) *error = source + ": no title";
        return RES_MALFORMED;
    }
    if (topic.blocks.empty()) {
        if (error) *error = source + ": no text under the title";
        return RES_MALFORMED;
    }
    *out = std::move(topic);
    return RES_OK;
}

Result help_wrap(const GlyphFont &font, const std::string &text, int width, std::vector<std::string> *lines) {
    lines->clear();
    std::istringstream words(text);
    std::string word, line;
    while (words >> word) {
        if (fonts_text_width(font, word) > width) return RES_OUT_OF_RANGE;
        const std::string longer = line.empty() ? word : line + " " + word;
        if (fonts_text_width(font, longer) <= width) {
            line = longer;
            continue;
        }
        lines->push_back(line);
        line = word;
    }
    if (!line.empty()) lines->push_back(line);
    return RES_OK;
}

Result help_layout_page(const HelpTopic &topic, const HelpFonts &fonts, SceneRecord *out, std::string *error) {
    SceneRecord scene;
    scene.flags = SCENE_RECORD_FIXED_SIZE;
    scene.width = HELP_PAGE_W;
    scene.height = HELP_PAGE_H;
    Placer place{&scene};
    const int width = HELP_PAGE_W - 2 * HELP_MARGIN_X;
    auto too_wide = [&](const std::string &what) {
        if (error) *error = "\"" + topic.title + "\": a word of \"" + what + "\" is wider than the page";
        return RES_OUT_OF_RANGE;
    };

    auto bad_icon = [&](int type, int most) {
        if (error)
            *error = "\"" + topic.title + "\": image type " + std::to_string(type) + " has no picture of at most " +
                     std::to_string(most) + " pixels high";
        return RES_MALFORMED;
    };
    int icon_w = 0, icon_h = 0;
    if (topic.icon >= 0 && (!icon_size(topic.icon, &icon_w, &icon_h) || icon_h > HELP_TITLE_ICON_MAX))
        return bad_icon(topic.icon, HELP_TITLE_ICON_MAX);
    if (fonts_text_width(fonts.title, topic.title) > width - (icon_w ? icon_w + 8 : 0)) return too_wide(topic.title);
    place.put(HELP_MARGIN_X, TITLE_Y, topic.title, HELP_TITLE_FONT, TITLE_COLOUR);
    if (topic.icon >= 0)
        place.image(topic.icon, HELP_PAGE_W - HELP_MARGIN_X - icon_w, TITLE_Y + (fonts.title.line_height - icon_h) / 2);
    const int rule_y = TITLE_Y + fonts.title.line_height + RULE_GAP;
    scene.items.push_back(scene_record_connector(HELP_MARGIN_X, rule_y, HELP_PAGE_W - HELP_MARGIN_X, rule_y, 0, -1));

    int y = rule_y + BODY_GAP;
    const int body_step = fonts.body.line_height + LINE_GAP;
    for (size_t b = 0; b < topic.blocks.size(); ++b) {
        const HelpBlock &block = topic.blocks[b];
        if (b > 0 && topic.blocks[b - 1].kind == HelpBlock::ITEM && block.kind != HelpBlock::ITEM)
            y += PARAGRAPH_GAP - ITEM_GAP;   // a list ends with a paragraph's room
        std::vector<std::string> lines;
        switch (block.kind) {
        case HelpBlock::HEADING:
            if (b > 0) y += HEADING_BEFORE;
            if (fonts_text_width(fonts.heading, block.text) > width) return too_wide(block.text);
            place.put(HELP_MARGIN_X, y, block.text, HELP_HEADING_FONT, HEADING_COLOUR);
            y += fonts.heading.line_height + HEADING_AFTER;
            break;
        case HelpBlock::PARAGRAPH:
            if (help_wrap(fonts.body, block.text, width, &lines) != RES_OK) return too_wide(block.text);
            for (const std::string &line : lines) {
                place.put(HELP_MARGIN_X, y, line, HELP_BODY_FONT, BODY_COLOUR);
                y += body_step;
            }
            y += PARAGRAPH_GAP - LINE_GAP;
            break;
        case HelpBlock::ITEM:
            if (help_wrap(fonts.body, block.text, width - HELP_ITEM_INDENT, &lines) != RES_OK)
                return too_wide(block.text);
            if (block.icon >= 0) {
                int w = 0, h = 0;
                if (!icon_size(block.icon, &w, &h) || h > HELP_BULLET_ICON_MAX || w > HELP_ITEM_INDENT - 2)
                    return bad_icon(block.icon, HELP_BULLET_ICON_MAX);
                place.image(block.icon, HELP_MARGIN_X + (HELP_ITEM_INDENT - 2 - w) / 2, y + (fonts.body.line_height - h) / 2);
            } else {
                place.put(HELP_MARGIN_X + 5, y, "-", HELP_BODY_FONT, BULLET_COLOUR);
            }
            for (const std::string &line : lines) {
                place.put(HELP_MARGIN_X + HELP_ITEM_INDENT, y, line, HELP_BODY_FONT, BODY_COLOUR);
                y += body_step;
            }
            y += ITEM_GAP - LINE_GAP;
            break;
        }
    }
    // y is now past the last block's gap; its text ends a gap higher.
    const int bottom = y - (topic.blocks.back().kind == HelpBlock::ITEM ? ITEM_GAP : PARAGRAPH_GAP);
    if (bottom > HELP_PAGE_H - HELP_MARGIN_BOTTOM) {
        if (error)
            *error = "\"" + topic.title + "\" runs " + std::to_string(bottom - (HELP_PAGE_H - HELP_MARGIN_BOTTOM)) +
                     " pixels past the bottom of the page";
        return RES_OUT_OF_RANGE;
    }
    *out = std::move(scene);
    return RES_OK;
}

Result help_load_fonts(HelpFonts *out) {
    Result r = fonts_rasterise(HELP_TITLE_FONT, &out->title);
    if (r == RES_OK) r = fonts_rasterise(HELP_HEADING_FONT, &out->heading);
    if (r == RES_OK) r = fonts_rasterise(HELP_BODY_FONT, &out->body);
    return r;
}

Result help_list_sources(std::vector<std::string> *names, std::string *error) {
    const std::string dir = content_root() + "/help";
    std::vector<std::string> files;
    if (list_directory(dir.c_str(), &files) != RES_OK) {
        if (error) *error = dir + ": cannot be listed";
        return RES_OPEN_FAILED;
    }
    std::vector<std::string> topics;
    for (const std::string &name : files)
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) topics.push_back(name);
    std::sort(topics.begin(), topics.end());
    for (size_t n = 0; n < topics.size(); ++n) {
        const std::string &name = topics[n];
        const bool numbered = name.size() > 4 && std::isdigit(static_cast<unsigned char>(name[0])) &&
                              std::isdigit(static_cast<unsigned char>(name[1])) &&
                              std::isdigit(static_cast<unsigned char>(name[2])) && name[3] == '_';
        if (!numbered || std::stoi(name.substr(0, 3)) != int(n)) {
            if (error) *error = dir + "/" + name + ": expected topic " + number_path("%.3i", int(n)) + " here";
            return RES_MALFORMED;
        }
    }
    *names = std::move(topics);
    return RES_OK;
}

int help_family_generate(const std::string &root, uint32_t) {
    std::vector<std::string> names;
    std::string error;
    if (help_list_sources(&names, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    HelpFonts fonts;
    if (help_load_fonts(&fonts) != RES_OK) {
        std::fprintf(stderr, "assetgen: the help fonts cannot be rasterised\n");
        return 1;
    }
    for (size_t n = 0; n < names.size(); ++n) {
        std::string text;
        HelpTopic topic;
        SceneRecord page;
        if (content_read("help/" + names[n], &text, &error) != RES_OK ||
            help_parse_topic(text, "help/" + names[n], &topic, &error) != RES_OK ||
            help_layout_page(topic, fonts, &page, &error) != RES_OK) {
            std::fprintf(stderr, "assetgen: %s\n", error.c_str());
            return 1;
        }
        Buffer params;
        const int number = int(n);
        if (scene_record_write(page, &params) != RES_OK ||
            output_bytes(root, number_path("help/%.3i/name.txt", number),
                         std::vector<uint8_t>(topic.title.begin(), topic.title.end())) != RES_OK ||
            output_text(root, number_path("help/%.3i/scene.txt", number), std::to_string(number)) != RES_OK ||
            output_params(root, number_path("scene/%.3i/dat/params.dat", number), params) != RES_OK)
            return 1;
    }
    return 0;
}

void help_family_list_paths(std::vector<std::string> *out) {
    std::vector<std::string> names;
    std::string error;
    if (help_list_sources(&names, &error) != RES_OK) return;   // the generation reports it
    for (size_t n = 0; n < names.size(); ++n) {
        out->push_back(number_path("help/%.3i/name.txt", int(n)));
        out->push_back(number_path("help/%.3i/scene.txt", int(n)));
        out->push_back(number_path("scene/%.3i/dat/params.dat", int(n)));
    }
}
