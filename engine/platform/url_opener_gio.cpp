// Opens a URL with the desktop's default application through GIO, which
// starts the handler with the URL as one argument and no shell between.
// Where GIO knows no handler, xdg-open (when installed) gets the URL the same
// way, as one element of an argument vector.
#include <gio/gio.h>

#include "platform/debug_log.h"
#include "platform/url_opener.h"

namespace {

bool SpawnXdgOpen(const std::string& url) {
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(url.c_str()), nullptr};
    GError* error = nullptr;
    if (g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error)) return true;
    DebugPrint("xdg-open: %s", error != nullptr ? error->message : "failed");
    g_clear_error(&error);
    return false;
}

}  // namespace

bool OpenUrlWithGio(const std::string& url) {
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) return true;
    DebugPrint("GIO: %s", error != nullptr ? error->message : "no handler");
    g_clear_error(&error);
    return SpawnXdgOpen(url);
}
