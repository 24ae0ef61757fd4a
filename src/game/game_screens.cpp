// What the game keeps for the screens: the title's logo pictures.
#include "game/game.h"

#include "platform/list.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

Result title_load_images(Game *game) {
    if (game->title_image_count > 0) return RES_OK;
    int count = 0;
    Sprite **images = sprite_load_numbered(TITLE_IMAGE_SET, &count);
    if (!images || count < 1) {
        sprite_array_release(images, count);
        return RES_READ_FAILED;
    }
    game->title_images = images;
    game->title_image_count = count;
    return RES_OK;
}

void title_free_images(Game *game) {
    if (game->title_image_count > 0) sprite_array_release(game->title_images, game->title_image_count);
    game->title_images = nullptr;
    game->title_image_count = 0;
}
