// The data-described dialog on GTK 3: a window with the banner on the left,
// the framed groups on a grid beside it and the button row below, run in a
// nested main loop until the logic or the close box ends it.
#include <gtk/gtk.h>

#include <map>
#include <string>

#include "platform/debug_log.h"
#include "platform/dialog_form.h"
#include "platform/dialog_toolkit.h"

namespace {

constexpr int kSpacing = 6;

std::string WidgetName(int id) { return "ctl-" + std::to_string(id); }

class GtkFormHost : public FormHost {
public:
    GtkFormHost(const FormSpec& spec, FormLogic* logic) : spec_(spec), logic_(logic) {}

    int Run();

    int GetValue(int id) override {
        auto found = controls_.find(id);
        if (found == controls_.end()) return 0;
        GtkWidget* widget = found->second.widget;
        switch (found->second.kind) {
            case kFormRadio:
            case kFormCheck: return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)) ? 1 : 0;
            case kFormChoice: return gtk_combo_box_get_active(GTK_COMBO_BOX(widget));
            case kFormSlider: return static_cast<int>(gtk_range_get_value(GTK_RANGE(widget)) + 0.5);
            default: return 0;
        }
    }

    void SetValue(int id, int value) override {
        auto found = controls_.find(id);
        if (found == controls_.end()) return;
        GtkWidget* widget = found->second.widget;
        switch (found->second.kind) {
            case kFormRadio:
            case kFormCheck: gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), value != 0); break;
            case kFormChoice: gtk_combo_box_set_active(GTK_COMBO_BOX(widget), value); break;
            case kFormSlider: gtk_range_set_value(GTK_RANGE(widget), value); break;
            default: break;
        }
    }

    void SetText(int id, const std::string& text) override {
        auto found = controls_.find(id);
        if (found == controls_.end()) return;
        GtkWidget* widget = found->second.widget;
        if (GTK_IS_LABEL(widget)) gtk_label_set_text(GTK_LABEL(widget), text.c_str());
        if (GTK_IS_BUTTON(widget)) gtk_button_set_label(GTK_BUTTON(widget), text.c_str());
    }

    bool AskYesNo(const std::string& text, const std::string& caption) override {
        return Ask(GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, text, caption) == GTK_RESPONSE_YES;
    }

    void Tell(const std::string& text, const std::string& caption) override {
        Ask(GTK_MESSAGE_INFO, GTK_BUTTONS_OK, text, caption);
    }

    void* NativeWindow() override { return window_; }

    void End(int code) override {
        if (ended_) return;
        ended_ = true;
        endCode_ = code;
        g_main_loop_quit(loop_);
    }

private:
    struct Control {
        FormControlKind kind;
        GtkWidget* widget;
    };

    int Ask(GtkMessageType type, GtkButtonsType buttons, const std::string& text, const std::string& caption) {
        GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, type, buttons, "%s",
                                                text.c_str());
        gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
        int response = gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
        PumpDialogEvents();
        return response;
    }

    GtkWidget* MakeControl(const FormControl& control, GSList** radioGroup);
    GtkWidget* MakeGroup(const FormGroup& group);
    GtkWidget* MakeBanner();
    void SetIcon();

    static void OnButton(GtkButton* button, gpointer data) {
        auto* self = static_cast<GtkFormHost*>(data);
        int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "form-id"));
        int code = self->logic_->OnCommand(self, id);
        if (code != 0) self->End(code);
    }
    static void OnToggled(GtkToggleButton* button, gpointer data) {
        auto* self = static_cast<GtkFormHost*>(data);
        int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "form-id"));
        bool active = gtk_toggle_button_get_active(button);
        // A radio reports only being selected, not the neighbour it replaced.
        if (GTK_IS_RADIO_BUTTON(button) && !active) return;
        self->logic_->OnChange(self, id, active ? 1 : 0);
    }
    static void OnChanged(GtkWidget* widget, gpointer data) {
        auto* self = static_cast<GtkFormHost*>(data);
        int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "form-id"));
        self->logic_->OnChange(self, id, self->GetValue(id));
    }
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<GtkFormHost*>(data);
        self->End(self->spec_.closeCode);
        return TRUE;
    }
    static gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<GtkFormHost*>(data);
        if (!self->shown_ && self->spec_.onShown) {
            self->shown_ = true;
            self->spec_.onShown(self);
        }
        return FALSE;
    }

    const FormSpec& spec_;
    FormLogic* logic_;
    GtkWidget* window_ = nullptr;
    GtkWidget* defaultButton_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::map<int, Control> controls_;
    bool ended_ = false;
    bool shown_ = false;
    int endCode_ = 0;
};

GtkWidget* GtkFormHost::MakeControl(const FormControl& control, GSList** radioGroup) {
    GtkWidget* widget = nullptr;
    GtkWidget* placed = nullptr;  // what goes into the group, when not the control itself
    switch (control.kind) {
        case kFormButton:
        case kFormDefaultButton: widget = gtk_button_new_with_label(control.text.c_str()); break;
        case kFormRadio:
            widget = gtk_radio_button_new_with_label(*radioGroup, control.text.c_str());
            *radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget));
            break;
        case kFormChoice:
            widget = gtk_combo_box_text_new();
            for (const std::string& item : control.items) {
                gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget), item.c_str());
            }
            break;
        case kFormSlider: {
            widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, control.maximum, 1);
            gtk_scale_set_digits(GTK_SCALE(widget), 0);
            gtk_scale_set_value_pos(GTK_SCALE(widget), GTK_POS_RIGHT);
            gtk_widget_set_hexpand(widget, TRUE);
            gtk_widget_set_size_request(widget, 150, -1);
            placed = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kSpacing);
            GtkWidget* label = gtk_label_new(control.text.c_str());
            gtk_widget_set_size_request(label, 48, -1);
            gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
            gtk_box_pack_start(GTK_BOX(placed), label, FALSE, FALSE, 0);
            gtk_box_pack_start(GTK_BOX(placed), widget, TRUE, TRUE, 0);
            break;
        }
        case kFormCheck: widget = gtk_check_button_new_with_label(control.text.c_str()); break;
        case kFormStatus:
        case kFormNote:
            widget = gtk_label_new(control.text.c_str());
            gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
            gtk_label_set_line_wrap(GTK_LABEL(widget), TRUE);
            gtk_label_set_max_width_chars(GTK_LABEL(widget), 28);
            break;
    }
    if (control.id != 0) {
        gtk_widget_set_name(widget, WidgetName(control.id).c_str());
        controls_[control.id] = Control{control.kind, widget};
    }
    g_object_set_data(G_OBJECT(widget), "form-id", GINT_TO_POINTER(control.id));
    if (control.kind == kFormDefaultButton) defaultButton_ = widget;
    return placed != nullptr ? placed : widget;
}

GtkWidget* GtkFormHost::MakeGroup(const FormGroup& group) {
    GtkWidget* frame = gtk_frame_new(group.caption.c_str());
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing / 2);
    gtk_container_set_border_width(GTK_CONTAINER(box), kSpacing);
    GSList* radioGroup = nullptr;
    for (const FormControl& control : group.controls) {
        gtk_box_pack_start(GTK_BOX(box), MakeControl(control, &radioGroup), FALSE, FALSE, 0);
    }
    gtk_container_add(GTK_CONTAINER(frame), box);
    return frame;
}

GtkWidget* GtkFormHost::MakeBanner() {
    if (spec_.bannerPath.empty()) return nullptr;
    GError* error = nullptr;
    GdkPixbuf* picture = gdk_pixbuf_new_from_file(spec_.bannerPath.c_str(), &error);
    if (picture == nullptr) {
        LogWarning("banner \"%s\" not shown: %s", spec_.bannerPath.c_str(), error != nullptr ? error->message : "");
        g_clear_error(&error);
        return nullptr;
    }
    GtkWidget* image = gtk_image_new_from_pixbuf(picture);
    g_object_unref(picture);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_widget_set_name(image, "banner");
    return image;
}

void GtkFormHost::SetIcon() {
    const int size = spec_.iconSize;
    if (size <= 0 || spec_.iconPixels.size() != static_cast<size_t>(size) * size) return;
    GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size);
    guchar* rows = gdk_pixbuf_get_pixels(icon);
    const int stride = gdk_pixbuf_get_rowstride(icon);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            uint32_t argb = spec_.iconPixels[static_cast<size_t>(y) * size + x];
            guchar* p = rows + y * stride + x * 4;
            p[0] = argb >> 16 & 0xFF;
            p[1] = argb >> 8 & 0xFF;
            p[2] = argb & 0xFF;
            p[3] = argb >> 24 & 0xFF;
        }
    }
    gtk_window_set_icon(GTK_WINDOW(window_), icon);
    g_object_unref(icon);
}

int GtkFormHost::Run() {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), spec_.caption.c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    SetIcon();

    // The banner sits flush at the top-left corner; everything else keeps a margin.
    GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    if (GtkWidget* banner = MakeBanner()) gtk_box_pack_start(GTK_BOX(outer), banner, FALSE, FALSE, 0);
    GtkWidget* right = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing);
    gtk_container_set_border_width(GTK_CONTAINER(right), kSpacing * 2);
    gtk_box_pack_start(GTK_BOX(outer), right, TRUE, TRUE, 0);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), kSpacing);
    gtk_grid_set_column_spacing(GTK_GRID(grid), kSpacing * 2);
    // Groups that share a grid cell stack in one column box.
    std::map<std::pair<int, int>, GtkWidget*> cells;
    for (const FormGroup& group : spec_.groups) {
        GtkWidget*& cell = cells[{group.column, group.row}];
        if (cell == nullptr) {
            cell = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing);
            gtk_grid_attach(GTK_GRID(grid), cell, group.column, group.row, 1, 1);
        }
        gtk_box_pack_start(GTK_BOX(cell), MakeGroup(group), FALSE, FALSE, 0);
    }
    gtk_box_pack_start(GTK_BOX(right), grid, TRUE, TRUE, 0);

    GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
    gtk_box_set_spacing(GTK_BOX(buttons), kSpacing);
    GSList* unusedGroup = nullptr;
    for (const FormControl& control : spec_.buttons) {
        gtk_container_add(GTK_CONTAINER(buttons), MakeControl(control, &unusedGroup));
    }
    gtk_box_pack_end(GTK_BOX(right), buttons, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window_), outer);

    logic_->OnInit(this);
    // Connected after the first values are in, so they raise no OnChange.
    for (auto& [id, control] : controls_) {
        switch (control.kind) {
            case kFormButton:
            case kFormDefaultButton: g_signal_connect(control.widget, "clicked", G_CALLBACK(OnButton), this); break;
            case kFormRadio:
            case kFormCheck: g_signal_connect(control.widget, "toggled", G_CALLBACK(OnToggled), this); break;
            case kFormChoice: g_signal_connect(control.widget, "changed", G_CALLBACK(OnChanged), this); break;
            case kFormSlider: g_signal_connect(control.widget, "value-changed", G_CALLBACK(OnChanged), this); break;
            default: break;
        }
    }
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "map-event", G_CALLBACK(OnMapped), this);

    loop_ = g_main_loop_new(nullptr, FALSE);
    gtk_widget_show_all(window_);
    if (defaultButton_ != nullptr) {
        gtk_widget_set_can_default(defaultButton_, TRUE);
        gtk_widget_grab_default(defaultButton_);
        gtk_widget_grab_focus(defaultButton_);
    }
    if (!ended_) g_main_loop_run(loop_);
    logic_->OnEnd(this);
    g_main_loop_unref(loop_);
    loop_ = nullptr;
    gtk_widget_destroy(window_);
    window_ = nullptr;
    PumpDialogEvents();
    return endCode_;
}

}  // namespace

int RunGtkForm(const FormSpec& spec, FormLogic* logic) {
    if (logic == nullptr) return kFormNoDisplay;
    if (!StartGtk()) {
        LogWarning("no display: the dialog \"%s\" cannot be shown", spec.caption.c_str());
        return kFormNoDisplay;
    }
    GtkFormHost host(spec, logic);
    return host.Run();
}
