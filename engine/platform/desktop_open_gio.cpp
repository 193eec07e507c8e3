// The default-application opener on GIO: the path becomes a file:// URI and
// GIO starts whatever the desktop registered for its type.
#include <gio/gio.h>

#include "platform/debug_log.h"
#include "platform/desktop_open.h"

bool OpenWithDefaultApplication(const char* path, std::string* why) {
    if (path == nullptr || path[0] == '\0') {
        if (why != nullptr) *why = "no file or folder given";
        return false;
    }
    GFile* file = g_file_new_for_path(path);
    char* uri = g_file_get_uri(file);
    g_object_unref(file);
    GError* error = nullptr;
    gboolean launched = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    if (!launched) {
        const char* reason = error != nullptr ? error->message : "no application";
        LogWarning("cannot open \"%s\": %s", uri, reason);
        if (why != nullptr) *why = reason;
        g_clear_error(&error);
    }
    g_free(uri);
    return launched != FALSE;
}
