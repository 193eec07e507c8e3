// Starting and pumping GTK for the program's dialogs.
#include <gtk/gtk.h>

#include "platform/debug_log.h"
#include "platform/dialog_toolkit.h"

bool StartGtk() {
    static bool tried = false;
    static bool available = false;
    if (tried) return available;
    tried = true;
    if (gdk_display_get_default() != nullptr) {
        available = true;  // started by other code of the process
        return true;
    }
    // GTK would otherwise switch the whole process to the user's locale,
    // and printf/strtod would start writing and reading "0,5".
    gtk_disable_setlocale();
    available = gtk_init_check(nullptr, nullptr);
    if (!available) DebugPrint("GTK: no display for dialogs");
    return available;
}

namespace {

gboolean RunTask(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void DeleteTask(gpointer data) { delete static_cast<std::function<void()>*>(data); }

}  // namespace

void RunInDialogLoop(std::function<void()> task) {
    // Always queued (never run on the calling thread, as g_main_context_invoke
    // would when no loop owns the context just then).
    g_idle_add_full(G_PRIORITY_DEFAULT, RunTask, new std::function<void()>(std::move(task)), DeleteTask);
}

void PumpDialogEvents() {
    if (gdk_display_get_default() == nullptr) return;
    while (gtk_events_pending()) gtk_main_iteration();
}
