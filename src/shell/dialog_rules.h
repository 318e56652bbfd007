// The settings dialogs without their window: for each, the form it shows (title and fields in
// the current language, filled from the records) and what OK does with the edited form (the
// checks, each telling the user and refusing the values, then the effect on the records). The
// window shows a form and hands it back; tests fill forms as a user would.
#pragma once

#include "base/colour.h"
#include "platform/language.h"
#include "shell/app.h"

#include <string>
#include <vector>

namespace vx::shell {

struct FormField {
    enum class Kind { Number, Check, Colour, Choice };
    Kind kind = Kind::Number;
    std::string label;
    double number = 0;
    int decimals = 3;  // of a number as the field shows it ("%8.3f")
    bool checked = false;
    Colour colour = 0;
    std::vector<std::string> choices;  // a group of radio buttons
    int choice = 0;
    // A number with a scroll bar beside it, over low..high in steps of `step`; step 0: none.
    double scroll_low = 0, scroll_high = 0, scroll_step = 0;
};

struct Form {
    std::string title;
    std::vector<FormField> fields;
    std::string accept{};  // the caption of the confirming button; empty: OK
    // A text under the fields that follows their edits, refreshed every 100 ms while the dialog
    // is open; nullptr: none.
    std::string (*live_text)(const App& app, const Form& form) = nullptr;
    // Run on OK before the dialog closes: false keeps it open (the user was told, and the check
    // may have set a field back to a usable value); nullptr: none.
    bool (*check)(const App& app, Form& form) = nullptr;
};

// The fields the forms are made of, labelled in the current language.
FormField number_field(const platform::TextPair& label, double value, int decimals = 3);
FormField check_field(std::string label, bool value);

// What OK answered: the values were taken (1) or a check refused them (0, the user was told).
struct SettingsDialog {
    int id;  // the command that opens it
    Form (*form)(const App& app);
    int (*apply)(App& app, const Form& form);
};

// The dialog of command `id`, or nullptr when it is not one of these.
const SettingsDialog* find_settings_dialog(int id);

// The "Optimize NC-Data" dialog of the optimise run: its form, and its choices stored for the
// run ("GO" confirms; cancel keeps the old values and the run does not start).
Form optimise_form(const App& app);
void apply_optimise(App& app, const Form& form);

// The two "Auto Naming" boxes name the file the run would write with the form as it is edited
// (the NC file's name while a box is on, the fixed name while it is off; the text or binary
// suffix of the cut-data choice): their labels follow the edits.
void refresh_optimise_captions(const App& app, Form& form);

// ---- The offset tables of the controller ----

// One entry of the D or H table as the dialog edits it.
struct OffsetEdit {
    double offset = 0, wear = 0;
};

// Takes the edited D or H table (entries 1..999 at index n) for the following runs and, with
// `modify_file` and any value changed, writes it back into the controller file. 1 done, 0 the
// file could not be written (the user was told; the values are taken all the same).
int apply_offsets(App& app, nc::OffsetTable table, const std::vector<OffsetEdit>& edits, bool modify_file);

// The same for the work offsets (1..200 at index n, three axes each).
int apply_work_offsets(App& app, const std::vector<Vec3>& offsets, bool modify_file);

}  // namespace vx::shell
