// The table of every asset family, in generation order. A new family adds one row.
#include "assetgen/backgrounds.h"
#include "assetgen/family.h"
#include "assetgen/family_fonts.h"
#include "assetgen/family_names.h"
#include "assetgen/family_ships.h"
#include "assetgen/family_sounds.h"
#include "assetgen/family_systems.h"
#include "assetgen/family_tech.h"

namespace {

const AssetFamily FAMILIES[] = {
    {"backgrounds", backgrounds_generate, backgrounds_list_paths},
    {"fonts", fonts_generate, fonts_list_paths},
    {"sounds", sound_family_generate, sound_family_list_paths},
    {"systems", systems_family_generate, systems_family_list_paths},
    {"names", names_family_generate, names_family_list_paths},
    {"tech", tech_family_generate, tech_family_list_paths},
    {"ships", ships_family_generate, ships_family_list_paths},
};

}  // namespace

const AssetFamily *assetgen_families(size_t *count) {
    *count = sizeof FAMILIES / sizeof FAMILIES[0];
    return FAMILIES;
}
