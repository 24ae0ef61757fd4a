#pragma once
// The plain colours the drawing tests paint with and look for.
#include "platform/draw_fixture.h"

inline constexpr Rgb BLACK{0, 0, 0};
inline constexpr Rgb WHITE{255, 255, 255};
inline constexpr Rgb RED{255, 0, 0};
