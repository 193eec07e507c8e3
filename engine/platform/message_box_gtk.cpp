// The on-screen message box, a modal GTK message dialog with an OK button.
#include <gtk/gtk.h>

#include "platform/dialog_toolkit.h"
#include "platform/message_box.h"

bool ShowGtkMessageBox(const char* text, const char* caption, int kind) {
    if (!StartGtk()) return false;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    switch (kind) {
        case kMessageBoxInformation: type = GTK_MESSAGE_INFO; break;
        case kMessageBoxWarning: type = GTK_MESSAGE_WARNING; break;
        case kMessageBoxError: type = GTK_MESSAGE_ERROR; break;
        case kMessageBoxQuestion: type = GTK_MESSAGE_QUESTION; break;
        default: break;
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), caption);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
