#pragma once
// The title's two pages: the logo page (the two title pictures with their glows, centred near the
// top) and the About page (the logo at the top left, "OK", the version line, the credits and the
// two web links "Contribute" and "More Info").
//  - Every control is a top-level control found by its id (title_mode.h). The pages read the
//    Game's title pictures, which the title load thread has loaded before either page is built.
//  - A link asks for confirmation in a dialog before the address goes to the shell; while the
//    dialog is open both links are disabled.
//  - Game thread only.
#include "platform/result.h"
#include "ui/control.h"

constexpr int TITLE_PAGE_LOGO  = 0;
constexpr int TITLE_PAGE_ABOUT = 1;

constexpr const char *TITLE_VERSION          = "5";
constexpr const char *TITLE_ADDRESS_MORE     = "https://astrovane.example/astrovane";
constexpr const char *TITLE_ADDRESS_CONTRIBUTE = "https://astrovane.example/contribute";

void title_page_build(int page);
void title_about_on_close(Control *button);

void title_link_on_click(Control *link);
void title_link_hover_enter(Control *link);
void title_link_hover_leave(Control *link);
void title_link_open(Control *button);     // "Yes, open": the button's user data is the address
void title_link_cancel(Control *button);

// Tests: what opens an accepted address (null restores shell_open).
void title_set_link_opener(Result (*open)(const char *address));
