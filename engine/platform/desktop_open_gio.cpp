// The default-application opener on GIO: the path becomes a file:// URI and
// GIO starts whatever the desktop registered for its type.
#include <gio/gio.h>

#include "platform/debug_log.h"
#include "platform/desktop_open.h"

bool OpenWithDefaultApplication(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    GFile* file = g_file_new_for_path(path);
    char* uri = g_file_get_uri(file);
    g_object_unref(file);
    GError* error = nullptr;
    gboolean launched = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    if (!launched) {
        LogWarning("cannot open \"%s\": %s", uri, error != nullptr ? error->message : "no application");
        g_clear_error(&error);
    }
    g_free(uri);
    return launched != FALSE;
}
