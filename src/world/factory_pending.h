#pragma once
// STAND-IN until the object factories are built: the calls the start-up loading mode makes, under
// their final names and signatures, reporting that there was nothing to load, with success.
// Replace this header and its source (do not wrap them) when the real module arrives.
#include "platform/result.h"

Result factory_init();
void   factory_release_group(int group);   // one more reference on that load group of every template
Result factory_resolve_load_groups();
