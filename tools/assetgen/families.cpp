// The table of every asset family, in generation order. A new family adds one row.
#include "assetgen/backgrounds.h"
#include "assetgen/family.h"
#include "assetgen/family_effects.h"
#include "assetgen/family_fleets.h"
#include "assetgen/family_fonts.h"
#include "assetgen/family_help.h"
#include "assetgen/family_names.h"
#include "assetgen/family_portraits.h"
#include "assetgen/family_sectors.h"
#include "assetgen/family_ships.h"
#include "assetgen/family_shots.h"
#include "assetgen/family_sites.h"
#include "assetgen/family_sounds.h"
#include "assetgen/family_systems.h"
#include "assetgen/family_tech.h"
#include "assetgen/family_title.h"
#include "assetgen/family_ui.h"
#include "assetgen/scene_backgrounds.h"

namespace {

const AssetFamily FAMILIES[] = {
    {"backgrounds", backgrounds_generate, backgrounds_list_paths},
    {"effects", effects_generate, effects_list_paths},
    {"fonts", fonts_generate, fonts_list_paths},
    {"sounds", sound_family_generate, sound_family_list_paths},
    {"systems", systems_family_generate, systems_family_list_paths},
    {"names", names_family_generate, names_family_list_paths},
    {"portraits", portraits_family_generate, portraits_family_list_paths},
    {"tech", tech_family_generate, tech_family_list_paths},
    {"sectors", sectors_family_generate, sectors_family_list_paths},
    {"sites", sites_family_generate, sites_family_list_paths},
    {"fleets", fleets_family_generate, fleets_family_list_paths},
    // UI image types 0..212 (not 34) and cursors 0..10. Reserved for content: system icons 132-145,
    // 147, 152, 153, 163, 169-176, 198-201; technology icons 4, 22, 24, 39, 57-60, 65, 68, 77, 81,
    // 83, 85, 86, 88, 89, 92, 101, 103, 107, 108, 115, 203, 205, 206, 208; 211 the turning credits
    // coin of the status bar (see ui_art.h).
    {"ui", ui_family_generate, ui_family_list_paths},
    {"ships", ships_family_generate, ships_family_list_paths},
    {"shots", shots_family_generate, shots_family_list_paths},
    {"scenes", scene_backgrounds_generate, scene_backgrounds_list_paths},
    {"title", title_family_generate, title_family_list_paths},
    {"help", help_family_generate, help_family_list_paths},
};

}  // namespace

const AssetFamily *assetgen_families(size_t *count) {
    *count = sizeof FAMILIES / sizeof FAMILIES[0];
    return FAMILIES;
}
