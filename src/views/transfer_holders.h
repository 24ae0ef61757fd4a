#pragma once
// The transfer slider between two game objects (the crew transfer between a ship and a base
// site): each end of the row shows its holder's picture.
//  - A holder's picture is a ship's current frame or a site's picture; other kinds, or a picture
//    whose frames are not loaded, show none.
//  - Game thread only.
struct Control;
struct GameObject;
struct Sprite;

// Shows the two holders at the ends of a transfer slider (null: no picture on that side).
void    transfer_slider_set_holders(Control *slider, GameObject *left, GameObject *right);
// A ship's current frame, a site's picture; null for other kinds or when it is not loaded.
Sprite *object_transfer_picture(GameObject *object);
