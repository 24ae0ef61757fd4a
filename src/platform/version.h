#pragma once
// The program's version and build date: one text for --version, the log's first line and the
// About page.
constexpr const char *ASTROVANE_VERSION = "5-4f7a19c3";
constexpr const char *ASTROVANE_BUILD_DATE = "Dec  9 2012";
