#include "web/draw_site.h"

#include <cstdlib>
#include <mutex>

namespace kl8 {
namespace {

std::mutex host_mutex;
Text host_override;

}  // namespace

Text site_host() {
    {
        std::lock_guard lock(host_mutex);
        if (!host_override.empty()) return host_override;
    }
    const char* env = std::getenv("KL8_SITE");
    if (env != nullptr && *env != '\0') return Text(env);
    return Text(DEFAULT_SITE_HOST);
}

void set_site_host(const Text& host) {
    std::lock_guard lock(host_mutex);
    host_override = host;
}

Text draw_list_url_prefix() { return concat_text(Text("http://"), site_host(), Text(DRAW_LIST_PATH)); }

}  // namespace kl8
