#pragma once
// Where the draw-list pages come from: "http://" + host + DRAW_LIST_PATH + day text.
//
// The host defaults to DEFAULT_SITE_HOST, where the project's local draw-list site answers.
// The environment variable KL8_SITE (a host, or host:port) overrides it for the whole process;
// an empty value counts as unset. set_site_host (the command line's --site) overrides both.

#include "foundation/text.h"

namespace kl8 {

inline constexpr const char DRAW_LIST_PATH[] = "/lottery/draw/list/543?d=";
inline constexpr const char DEFAULT_SITE_HOST[] = "127.0.0.1:8543";

Text site_host();
// An empty host restores the environment's choice.
void set_site_host(const Text& host);
// "http://" + site_host() + DRAW_LIST_PATH.
Text draw_list_url_prefix();

}  // namespace kl8
