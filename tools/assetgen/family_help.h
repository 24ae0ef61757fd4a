#pragma once
// The help family: the help window's topics, compiled from content/help/.
//  - Sources: content/help/NNN_words.txt, one topic per file, numbered from 000 without a gap or a
//    repeat (the window lists topics until the first missing number). The first line is the
//    topic's title; then paragraphs (blank lines between them; the lines of one paragraph are
//    joined), "## " headings and "- " list items (an item goes on over lines that begin with a
//    space). Lines beginning "#" followed by a space are notes for the writer and are dropped.
//    A title may end with "[N]" and a list item may begin with "[N]": UI image type N, a button
//    beside the title or a small icon in place of the item's bullet.
//    Printable ASCII only: the game's fonts hold nothing else that a text editor would write.
//  - Writes per topic n: "help/NNN/name.txt" (the title's bytes, no newline), "help/NNN/scene.txt"
//    (the page's scene number, n) and "scene/NNN/dat/params.dat", the page as a scene record.
//  - The page: a fixed 540 x 520 head and one text box per line, shown top to bottom a few
//    milliseconds apart (nothing types itself out): the title in the banner font, a pulsing rule
//    under it (and the title's button at the right), headings in the panel-title font, body text
//    and list items in font 0 (an item's icon as its bullet, frame 0 of its image type), wrapped to
//    the page width less the margins by the width the game measures with the store's fonts.
//    A page whose text runs past the bottom margin, or a word too wide for a line, fails.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/glyph_raster.h"
#include "assetgen/scene_record.h"
#include "platform/result.h"

constexpr int HELP_PAGE_W = 540;
constexpr int HELP_PAGE_H = 520;
constexpr int HELP_MARGIN_X = 22;             // left and right
constexpr int HELP_MARGIN_BOTTOM = 12;
constexpr int HELP_TITLE_FONT = 3;
constexpr int HELP_HEADING_FONT = 5;
constexpr int HELP_BODY_FONT = 0;
constexpr int HELP_ITEM_INDENT = 20;          // list item text, from the margin
constexpr int HELP_TITLE_ICON_MAX = 28;       // the title's button, at most this high
constexpr int HELP_BULLET_ICON_MAX = 16;      // an item's icon, at most this high
constexpr int HELP_LINE_STEP_MS = 12;         // between the lines' appearances

struct HelpBlock {
    enum Kind { PARAGRAPH, HEADING, ITEM };
    Kind        kind = PARAGRAPH;
    std::string text;
    int         line = 0;   // in the source
    int         icon = -1;  // UI image type of an item's icon, else -1
};

struct HelpTopic {
    std::string            title;
    int                    icon = -1;   // UI image type beside the title, else -1
    std::vector<HelpBlock> blocks;
};

// The fonts a page is measured with.
struct HelpFonts {
    GlyphFont title, heading, body;
};

Result help_parse_topic(const std::string &text, const std::string &source, HelpTopic *out, std::string *error);
// Greedy word wrap: as many words per line as fit `width` by fonts_text_width; a word wider than
// the width gives RES_OUT_OF_RANGE.
Result help_wrap(const GlyphFont &font, const std::string &text, int width, std::vector<std::string> *lines);
Result help_layout_page(const HelpTopic &topic, const HelpFonts &fonts, SceneRecord *out, std::string *error);
Result help_load_fonts(HelpFonts *out);

// The topic sources in number order (file names below content/help/); RES_MALFORMED with a message
// when the numbers do not run 000, 001, ... or a name does not start with three digits and "_".
Result help_list_sources(std::vector<std::string> *names, std::string *error);

int  help_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void help_family_list_paths(std::vector<std::string> *out);
