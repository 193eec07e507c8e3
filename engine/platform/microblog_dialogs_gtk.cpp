// The PIN and post dialogs in GTK 3. The game's window is not a GTK window,
// so each dialog is marked transient for it through X11 and kept above it,
// which keeps it visible over a full-screen game.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "platform/dialog_toolkit.h"
#include "platform/microblog_dialogs.h"
#include "platform/x11_window_handles.h"

namespace {

// A Japanese-capable monospace face through fontconfig, as the dialogs' texts
// and the PIN are Japanese and digits.
const char kPinCss[] =
    "entry { font-family: \"IPAGothic\", \"Noto Sans Mono CJK JP\", monospace; font-size: 26px; font-weight: 700; }";
const char kPostCss[] =
    "textview, textview text { font-family: \"IPAGothic\", \"Noto Sans Mono CJK JP\", monospace; "
    "font-size: 18px; font-weight: 500; }";

DialogTestScript& PendingScript() {
    static auto* script = new DialogTestScript;
    return *script;
}

void ApplyCss(GtkWidget* widget, const char* css) {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

void KeepAboveGame(GtkWidget* dialog) {
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_widget_realize(dialog);
    X11WindowHandles game = CurrentX11WindowHandles();
    GdkWindow* window = gtk_widget_get_window(dialog);
    if (game.mainWindow == 0 || window == nullptr || !GDK_IS_X11_WINDOW(window)) return;
    XSetTransientForHint(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), game.mainWindow);
}

GtkWidget* NewDialog(const char* title, const char* okLabel, const char* cancelLabel) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(title, nullptr, GTK_DIALOG_MODAL, okLabel, GTK_RESPONSE_OK,
                                                    cancelLabel, GTK_RESPONSE_CANCEL, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 8);
    return dialog;
}

// Keeps the post text within kPostMaxChars: an insertion that does not fit
// is cut to what does.
void LimitInsertion(GtkTextBuffer* buffer, GtkTextIter* location, gchar* text, gint length, gpointer) {
    gint room = kPostMaxChars - gtk_text_buffer_get_char_count(buffer);
    if (g_utf8_strlen(text, length) <= room) return;
    g_signal_stop_emission_by_name(buffer, "insert-text");
    if (room <= 0) return;
    const gchar* end = g_utf8_offset_to_pointer(text, room);
    g_signal_handlers_block_by_func(buffer, reinterpret_cast<gpointer>(LimitInsertion), nullptr);
    gtk_text_buffer_insert(buffer, location, text, static_cast<gint>(end - text));
    g_signal_handlers_unblock_by_func(buffer, reinterpret_cast<gpointer>(LimitInsertion), nullptr);
}

std::string TextViewText(GtkWidget* view) {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    std::string result = text;
    g_free(text);
    return result;
}

void CollectWidgets(GtkWidget* widget, std::vector<GtkWidget*>* out) {
    out->push_back(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* child = children; child != nullptr; child = child->next) {
        CollectWidgets(GTK_WIDGET(child->data), out);
    }
    g_list_free(children);
}

class GtkDialogControls final : public DialogTestControls {
public:
    GtkDialogControls(GtkWidget* dialog, GtkWidget* input, GtkWidget* check)
        : dialog_(dialog), input_(input), check_(check) {}

    std::string Title() override { return gtk_window_get_title(GTK_WINDOW(dialog_)); }
    std::vector<std::string> Texts() override {
        std::vector<std::string> texts;
        for (GtkWidget* widget : Widgets()) {
            if (GTK_IS_LABEL(widget)) texts.push_back(gtk_label_get_text(GTK_LABEL(widget)));
        }
        return texts;
    }
    void Type(const std::string& utf8) override {
        if (GTK_IS_ENTRY(input_)) {
            gint position = gtk_editable_get_position(GTK_EDITABLE(input_));
            gtk_editable_insert_text(GTK_EDITABLE(input_), utf8.c_str(), -1, &position);
        } else {
            GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(input_));
            gtk_text_buffer_insert_interactive_at_cursor(buffer, utf8.c_str(), -1, TRUE);
        }
    }
    std::string Text() override {
        return GTK_IS_ENTRY(input_) ? gtk_entry_get_text(GTK_ENTRY(input_)) : TextViewText(input_);
    }
    void SetChecked(bool checked) override {
        if (check_ != nullptr) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_), checked);
    }
    bool Press(const std::string& label) override {
        for (GtkWidget* widget : Widgets()) {
            const gchar* text = GTK_IS_BUTTON(widget) ? gtk_button_get_label(GTK_BUTTON(widget)) : nullptr;
            if (text != nullptr && label == text) {
                gtk_button_clicked(GTK_BUTTON(widget));
                return true;
            }
        }
        return false;
    }

private:
    std::vector<GtkWidget*> Widgets() {
        std::vector<GtkWidget*> widgets;
        CollectWidgets(dialog_, &widgets);
        return widgets;
    }
    GtkWidget* dialog_;
    GtkWidget* input_;
    GtkWidget* check_;
};

struct ScriptRun {
    DialogTestScript script;
    GtkDialogControls controls;
};

gboolean RunScriptOnce(gpointer data) {
    auto* run = static_cast<ScriptRun*>(data);
    run->script(run->controls);
    delete run;
    return G_SOURCE_REMOVE;
}

// Shows the dialog and waits for its answer, handing it to a pending test
// script first when there is one.
gint RunDialog(GtkWidget* dialog, GtkWidget* input, GtkWidget* check) {
    KeepAboveGame(dialog);
    gtk_widget_show_all(dialog);
    gtk_widget_grab_focus(input);
    if (PendingScript()) {
        auto* run = new ScriptRun{std::move(PendingScript()), GtkDialogControls(dialog, input, check)};
        PendingScript() = nullptr;
        g_idle_add(RunScriptOnce, run);
    }
    return gtk_dialog_run(GTK_DIALOG(dialog));
}

void CloseDialog(GtkWidget* dialog) {
    gtk_widget_destroy(dialog);
    PumpDialogEvents();
}

}  // namespace

bool RunPinDialog(std::string* pin) {
    if (!StartGtk()) return false;
    GtkWidget* dialog = NewDialog("Microblog OAuth認証中", "OK", "キャンセル");
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_set_spacing(GTK_BOX(content), 6);
    GtkWidget* label = gtk_label_new("PINコードを入力してください");
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(entry), kPinMaxChars);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 16);
    ApplyCss(entry, kPinCss);
    gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), entry, FALSE, FALSE, 0);

    bool entered = RunDialog(dialog, entry, nullptr) == GTK_RESPONSE_OK;
    if (entered) *pin = gtk_entry_get_text(GTK_ENTRY(entry));
    CloseDialog(dialog);
    return entered;
}

bool RunPostDialog(const std::string& prefill, std::string* text, bool* attachScreenshot) {
    if (!StartGtk()) return false;
    GtkWidget* dialog = NewDialog("Microblog 投稿", "投稿", "閉じる");
    gtk_window_set_default_size(GTK_WINDOW(dialog), 460, 240);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_set_spacing(GTK_BOX(content), 6);

    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
    ApplyCss(view, kPostCss);
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    g_signal_connect(buffer, "insert-text", G_CALLBACK(LimitInsertion), nullptr);
    gtk_text_buffer_set_text(buffer, prefill.c_str(), -1);
    // The caret starts in front of the prefilled tag, where the player writes.
    GtkTextIter start;
    gtk_text_buffer_get_start_iter(buffer, &start);
    gtk_text_buffer_place_cursor(buffer, &start);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_container_add(GTK_CONTAINER(scroller), view);
    GtkWidget* check = gtk_check_button_new_with_label("スクリーンショットを添付");
    gtk_box_pack_start(GTK_BOX(content), scroller, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(content), check, FALSE, FALSE, 0);

    bool post = RunDialog(dialog, view, check) == GTK_RESPONSE_OK;
    if (post) {
        *text = TextViewText(view);
        *attachScreenshot = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check));
    }
    CloseDialog(dialog);
    return post;
}

void SetDialogTestScript(DialogTestScript script) { PendingScript() = std::move(script); }
