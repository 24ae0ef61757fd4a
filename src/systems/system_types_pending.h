#pragma once
// STAND-IN until the ship systems are built: the type-table loader under its final name and
// signature, reporting that there was nothing to load, with success. Replace this header and its
// source (do not wrap them) when the real module arrives.
#include "platform/result.h"

Result system_types_load();
