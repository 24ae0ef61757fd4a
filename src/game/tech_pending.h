#pragma once
// STAND-IN until the technology table is built: its loader under the final name and signature,
// reporting that there was nothing to load, with success. Replace this header and its source (do
// not wrap them) when the real module arrives.
#include "platform/result.h"

Result tech_load();
