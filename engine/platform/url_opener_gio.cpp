// Opens a URL with the desktop's default application through GIO, which
// starts the handler with the URL as one argument and no shell between.
#include <gio/gio.h>

#include "platform/debug_log.h"
#include "platform/url_opener.h"

bool OpenUrlWithGio(const std::string& url) {
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) return true;
    DebugPrint("GIO: %s", error != nullptr ? error->message : "no handler");
    g_clear_error(&error);
    return false;
}
