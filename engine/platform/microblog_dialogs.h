// The micro-blog client's two modal dialogs (GTK 3, in the qm_dialogs
// library): the PIN dialog of the account link and the post dialog opened
// with F1. They only gather input; what is done with it lives in net/.
// Both stay above the game's window (full screen included) while they run,
// and the game's frames wait for them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"

constexpr int kPinMaxChars = 62;
constexpr int kPostMaxChars = 511;
constexpr char kPostPrefill[] = " #Quillmoor";

// The PIN dialog: true on OK with the entry's text (at most kPinMaxChars
// characters); false on Cancel, on closing or without a display.
bool RunPinDialog(std::string* pin);

// The post dialog, prefilled with `prefill`: true on the post button with the
// text (UTF-8, LF line ends, at most kPostMaxChars characters) and the state
// of the screenshot box; false on close or without a display.
bool RunPostDialog(const std::string& prefill, std::string* text, bool* attachScreenshot);

// Test seam: drives the next dialog once it is on screen, through the same
// paths a user's typing and clicks take.
class DialogTestControls {
public:
    virtual ~DialogTestControls() = default;
    virtual std::string Title() = 0;
    // The texts of the labels, buttons and the check box, in layout order.
    virtual std::vector<std::string> Texts() = 0;
    // Types at the cursor of the dialog's entry or text view.
    virtual void Type(const std::string& utf8) = 0;
    virtual std::string Text() = 0;
    virtual void SetChecked(bool checked) = 0;
    // Clicks the button with this label; false when there is none.
    virtual bool Press(const std::string& label) = 0;
};
using DialogTestScript = std::function<void(DialogTestControls& dialog)>;
void SetDialogTestScript(DialogTestScript script);
