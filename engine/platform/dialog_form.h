// A modal settings dialog described by data, in the manner of a dialog
// resource: the caller lists the controls (each with a numeric id) in framed
// groups placed on a grid, a button row and a banner picture, and a FormLogic
// reacts to what the player does. The toolkit (GTK) stays inside this folder,
// so the logic can be driven headless through a FormHost of a test's own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum FormControlKind : int {
    kFormButton,
    kFormDefaultButton,  // has the keyboard focus at first, so Return presses it
    kFormRadio,          // the radios of one group exclude each other
    kFormChoice,         // a drop-down list of `items`
    kFormSlider,         // 0..`maximum`, labelled with `text`
    kFormCheck,
    kFormStatus,         // a read-only line of text the logic changes
    kFormNote,           // fixed text
};

struct FormControl {
    int id = 0;  // the widget is named "ctl-<id>" (notes may share id 0)
    FormControlKind kind = kFormNote;
    std::string text;
    std::vector<std::string> items;
    int maximum = 100;
};

struct FormGroup {
    std::string caption;  // the frame's title
    int column = 0, row = 0;
    std::vector<FormControl> controls;  // top to bottom
};

class FormHost;

struct FormSpec {
    std::string caption;
    std::string bannerPath;  // a picture at the top-left; none when it cannot be loaded
    std::vector<uint32_t> iconPixels;  // iconSize x iconSize, 0xAARRGGBB, top row first
    int iconSize = 0;
    std::vector<FormGroup> groups;
    std::vector<FormControl> buttons;  // the row along the bottom, left to right
    int closeCode = 2;                 // what closing the window ends the dialog with
    // Runs once the dialog is on screen, inside its event loop.
    std::function<void(FormHost* host)> onShown;
};

// Values by kind: radio and check 1 when on, else 0; choice the selected
// index; slider the position. Other kinds read 0 and ignore SetValue.
class FormHost {
public:
    virtual ~FormHost() = default;
    virtual int GetValue(int id) = 0;
    virtual void SetValue(int id, int value) = 0;
    // Changes a status or button text.
    virtual void SetText(int id, const std::string& text) = 0;
    // A modal Yes/No question over the dialog; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // A modal notice with an OK button.
    virtual void Tell(const std::string& text, const std::string& caption) = 0;
    // The toolkit's window (a GtkWindow*), the owner of dialogs the logic opens; may be null.
    virtual void* NativeWindow() = 0;
    // Ends the dialog with `code` once the current handler returns.
    virtual void End(int code) = 0;
};

class FormLogic {
public:
    virtual ~FormLogic() = default;
    // Sets the controls' first values; changes made here raise no OnChange.
    virtual void OnInit(FormHost* host) = 0;
    // A radio was selected (value 1), a choice, slider or check changed.
    virtual void OnChange(FormHost* host, int id, int value) = 0;
    // A button was pressed; returns the code to end the dialog with, or 0 to keep it open.
    virtual int OnCommand(FormHost* host, int id) = 0;
    // The dialog has ended and its controls go next: work that would still
    // reach them stops here.
    virtual void OnEnd(FormHost*) {}
};

constexpr int kFormNoDisplay = -1;

// Shows the dialog modally, with no owner, until the logic or the close box
// ends it; returns the end code, or kFormNoDisplay when there is no display.
int RunGtkForm(const FormSpec& spec, FormLogic* logic);
