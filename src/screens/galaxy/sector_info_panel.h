#pragma once
// The sector information panel: what the viewing player knows of the hovered sector, and while a
// course destination is picked, the distance, speed and travel time to it. No buttons, no slots.
//  - Rebuilt whole on every call; it keeps nothing but its controls. Its user data is the sector.
//  - Game thread only.
#include <cstdint>

struct Control;
struct GameObject;

constexpr uint32_t SECTOR_INFO_DISTANCE   = 0x2;
constexpr uint32_t SECTOR_INFO_SPEED_ETA  = 0x4;    // only with a speed above 0
constexpr uint32_t SECTOR_INFO_FEATURES   = 0x8;
constexpr uint32_t SECTOR_INFO_FACILITIES = 0x10;
constexpr uint32_t SECTOR_INFO_OWN        = 0x20;   // starbase rows and production boxes

// Fills the panel for the sector as the viewer sees it.
void sector_info_panel_build(Control *panel, GameObject *sector, uint64_t viewer_id, int32_t distance,
                             int32_t speed, uint32_t flags);
int32_t sector_info_eta_days(int32_t distance, int32_t speed);   // rounded up, at least 1
