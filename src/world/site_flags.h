#pragma once
// The site template bits: one table read by the model, by the asset compiler (the words of a site
// source's "flags" line) and by the screens. Header only, so that the tools can read it too.
#include <cstdint>

// SiteParams::template_flags.
constexpr uint32_t SITE_TF_BUILDABLE          = 0x1;    // built by a starbase; its panels show the date it was built
constexpr uint32_t SITE_TF_BLENDED            = 0x2;    // its objects start with OBJ_BLENDED
constexpr uint32_t SITE_TF_RESOURCE           = 0x8;    // has resources and a harvest divisor
constexpr uint32_t SITE_TF_LABELLED           = 0x10;   // a body spread and numbered in its sector; never crew short
constexpr uint32_t SITE_TF_CONSTRUCTION_FRAME = 0x40;
constexpr uint32_t SITE_TF_NEVER_CREW_SHORT   = 0x80;
constexpr uint32_t SITE_TF_VARIANTS           = 0x100;
constexpr uint32_t SITE_TF_POPULATION         = 0x200;  // holds crew that can be recruited
constexpr uint32_t SITE_TF_SPECIAL_FRAME      = 0x400;  // a separately loaded encounter frame
constexpr uint32_t SITE_TF_CAN_PRODUCE        = 0x800;  // runs production and takes orders in its panel
constexpr uint32_t SITE_TF_OWN_SPRITE         = 0x1000; // its panel shows a picture of its own, not a surface
constexpr uint32_t SITE_TF_STAR               = 0x2000; // the sector's star
constexpr uint32_t SITE_TF_HALO               = 0x4000; // the template shows its halo behind its picture

struct SiteTemplateFlag {
    const char *word;   // its word in a site source
    uint32_t    bit;
};

inline constexpr SiteTemplateFlag SITE_TEMPLATE_FLAGS[] = {
    {"buildable", SITE_TF_BUILDABLE},
    {"blended", SITE_TF_BLENDED},
    {"resource", SITE_TF_RESOURCE},
    {"labelled", SITE_TF_LABELLED},
    {"construction_frame", SITE_TF_CONSTRUCTION_FRAME},
    {"never_crew_short", SITE_TF_NEVER_CREW_SHORT},
    {"variants", SITE_TF_VARIANTS},
    {"population", SITE_TF_POPULATION},
    {"special_frame", SITE_TF_SPECIAL_FRAME},
    {"producer", SITE_TF_CAN_PRODUCE},
    {"own_sprite", SITE_TF_OWN_SPRITE},
    {"star", SITE_TF_STAR},
    {"halo", SITE_TF_HALO},
};
