// The table of every asset family, in generation order. A new family adds one row.
#include "assetgen/backgrounds.h"
#include "assetgen/family.h"
#include "assetgen/family_fonts.h"
#include "assetgen/family_sounds.h"
#include "assetgen/family_systems.h"

namespace {

const AssetFamily FAMILIES[] = {
    {"backgrounds", backgrounds_generate, backgrounds_list_paths},
    {"fonts", fonts_generate, fonts_list_paths},
    {"sounds", sound_family_generate, sound_family_list_paths},
    {"systems", systems_family_generate, systems_family_list_paths},
};

}  // namespace

const AssetFamily *assetgen_families(size_t *count) {
    *count = sizeof FAMILIES / sizeof FAMILIES[0];
    return FAMILIES;
}
