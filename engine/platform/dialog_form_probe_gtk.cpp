// The form probe on GTK: a walk over the window's widget tree.
#include <gtk/gtk.h>

#include <functional>

#include "platform/dialog_form_probe.h"

namespace {

// Calls `visit` on every widget below and including `widget` until it returns true.
GtkWidget* FindWidget(GtkWidget* widget, const std::function<bool(GtkWidget*)>& visit) {
    if (widget == nullptr) return nullptr;
    if (visit(widget)) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* child = children; child != nullptr && found == nullptr; child = child->next) {
        found = FindWidget(GTK_WIDGET(child->data), visit);
    }
    g_list_free(children);
    return found;
}

GtkWidget* FindNamed(void* window, const std::string& name) {
    return FindWidget(static_cast<GtkWidget*>(window),
                      [&](GtkWidget* widget) { return name == gtk_widget_get_name(widget); });
}

}  // namespace

bool ReadFormWidget(void* window, const std::string& name, FormWidgetState* state) {
    GtkWidget* widget = FindNamed(window, name);
    if (widget == nullptr) return false;
    *state = FormWidgetState{};
    state->sensitive = gtk_widget_is_sensitive(widget);
    if (GTK_IS_TOGGLE_BUTTON(widget)) state->value = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget));
    if (GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget)) != nullptr) {
        state->text = gtk_button_get_label(GTK_BUTTON(widget));
    }
    if (GTK_IS_LABEL(widget)) state->text = gtk_label_get_text(GTK_LABEL(widget));
    if (GTK_IS_RANGE(widget)) state->value = static_cast<int>(gtk_range_get_value(GTK_RANGE(widget)) + 0.5);
    if (GTK_IS_COMBO_BOX_TEXT(widget)) {
        state->value = gtk_combo_box_get_active(GTK_COMBO_BOX(widget));
        gchar* item = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(widget));
        if (item != nullptr) state->text = item;
        g_free(item);
    }
    return true;
}

bool ClickFormWidget(void* window, const std::string& name) {
    GtkWidget* widget = FindNamed(window, name);
    if (widget == nullptr || !GTK_IS_BUTTON(widget)) return false;
    gtk_button_clicked(GTK_BUTTON(widget));
    return true;
}
