// Looks into a shown form from tests: its widgets by name (see dialog_form.h),
// what they show and a press of a button, as the player would make it.
#pragma once

#include <string>
#include <vector>

struct FormWidgetState {
    std::string text;  // a label's or button's text; a choice's selected item
    int value = 0;     // as FormHost::GetValue
    bool sensitive = false;
};

// The names of every named widget in the window (a GtkWindow*), depth first.
std::vector<std::string> FormWidgetNames(void* window);
// False when no widget has the name.
bool ReadFormWidget(void* window, const std::string& name, FormWidgetState* state);
// Presses the named button; false when it is no button.
bool ClickFormWidget(void* window, const std::string& name);
