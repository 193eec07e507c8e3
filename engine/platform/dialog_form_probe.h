// Looks into a shown form from tests: its widgets by name (see dialog_form.h),
// what they show and a press of a button, as the player would make it.
#pragma once

#include <string>

struct FormWidgetState {
    std::string text;  // a label's or button's text; a choice's selected item
    int value = 0;     // as FormHost::GetValue
    bool sensitive = false;
};

// The widget of that name in the window (a GtkWindow*); false when there is none.
bool ReadFormWidget(void* window, const std::string& name, FormWidgetState* state);
// Presses the named button; false when it is no button.
bool ClickFormWidget(void* window, const std::string& name);
