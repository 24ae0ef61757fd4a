// The table of every asset family, in generation order. A new family adds one row.
#include "assetgen/backgrounds.h"
#include "assetgen/family.h"

namespace {

const AssetFamily FAMILIES[] = {
    {"backgrounds", backgrounds_generate, backgrounds_list_paths},
};

}  // namespace

const AssetFamily *assetgen_families(size_t *count) {
    *count = sizeof FAMILIES / sizeof FAMILIES[0];
    return FAMILIES;
}
