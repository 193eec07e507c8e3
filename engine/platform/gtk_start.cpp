// GTK's one start for the process.
#include "platform/gtk_start.h"

#include <gtk/gtk.h>

#include <mutex>

bool StartGtk() {
    static std::once_flag once;
    static bool available = false;
    std::call_once(once, [] {
        // GTK would otherwise switch the whole process to the user's locale,
        // and printf/strtod would start writing and reading "0,5".
        gtk_disable_setlocale();
        available = gtk_init_check(nullptr, nullptr);
    });
    return available;
}
