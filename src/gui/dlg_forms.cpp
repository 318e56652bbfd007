// The settings dialogs as forms (one field a row), and the offset dialogs of the controller with
// their tabs of entries.
#include "gui/dialogs.h"

#include "base/text.h"
#include "gui/widgets.h"
#include "platform/language.h"
#include "shell/dialog_rules.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace vx::gui {
namespace {

using platform::TextPair;

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
QString qt(const TextPair& pair) { return qs(platform::text(pair)); }

constexpr double kFieldLimit = 1e9;  // what a number field takes, either sign
constexpr const char* kModifyCtlProperty = "vornex-modify-ctl";  // remembered between openings

QDialogButtonBox* ok_cancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QColor to_qcolor(Colour c) { return QColor(red(c), green(c), blue(c)); }

void show_colour(QPushButton* b, Colour c) {
    b->setText(QString("(%1,%2,%3)").arg(red(c)).arg(green(c)).arg(blue(c)));
    b->setStyleSheet(QString("background-color: %1").arg(to_qcolor(c).name()));
}

// ---- Forms ----

QDoubleSpinBox* number_box(QWidget* parent, shell::FormField& f) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setDecimals(f.decimals);
    spin->setRange(-kFieldLimit, kFieldLimit);
    spin->setValue(f.number);
    QObject::connect(spin, &QDoubleSpinBox::valueChanged, [&f](double v) { f.number = v; });
    return spin;
}

// A number with its scroll bar ("scroll<n>") over low..high: each follows the other; a value typed
// between two steps keeps the bar at the step below.
QWidget* scrolled_number(QDialog& dialog, shell::FormField& f, int n) {
    auto* row = new QWidget(&dialog);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QDoubleSpinBox* spin = number_box(row, f);
    spin->setObjectName(QString("field%1").arg(n));
    auto* bar = new QScrollBar(Qt::Horizontal, row);
    bar->setObjectName(QString("scroll%1").arg(n));
    bar->setMinimumWidth(120);
    const double low = f.scroll_low, step = f.scroll_step;
    bar->setRange(0, int(std::lround((f.scroll_high - low) / step)));
    const auto to_bar = [bar, low, step](double v) {
        const QSignalBlocker quiet(bar);
        bar->setValue(int(std::floor((v - low) / step + 1e-9)));
    };
    to_bar(f.number);
    QObject::connect(spin, &QDoubleSpinBox::valueChanged, bar, to_bar);
    QObject::connect(bar, &QScrollBar::valueChanged, spin, [spin, low, step](int k) { spin->setValue(low + k * step); });
    layout->addWidget(spin);
    layout->addWidget(bar);
    return row;
}

// One widget per field, named "field<n>" so that tests find them.
QWidget* field_widget(QDialog& dialog, shell::FormField& f, int n) {
    QWidget* widget = nullptr;
    switch (f.kind) {
    case shell::FormField::Kind::Number:
        if (f.scroll_step > 0 && f.scroll_high > f.scroll_low) return scrolled_number(dialog, f, n);
        widget = number_box(&dialog, f);
        break;
    case shell::FormField::Kind::Check: {
        auto* box = new QCheckBox(qs(f.label), &dialog);
        box->setChecked(f.checked);
        QObject::connect(box, &QCheckBox::toggled, [&f](bool on) { f.checked = on; });
        widget = box;
        break;
    }
    case shell::FormField::Kind::Choice: {
        auto* group = new QGroupBox(qs(f.label), &dialog);
        auto* column = new QVBoxLayout(group);
        for (std::size_t k = 0; k < f.choices.size(); ++k) {
            auto* radio = new QRadioButton(qs(f.choices[k]), group);
            radio->setObjectName(QString("choice%1").arg(k));
            radio->setChecked(int(k) == f.choice);
            QObject::connect(radio, &QRadioButton::toggled, [&f, k](bool on) {
                if (on) f.choice = int(k);
            });
            column->addWidget(radio);
        }
        widget = group;
        break;
    }
    case shell::FormField::Kind::Colour: {
        auto* button = new QPushButton(&dialog);
        show_colour(button, f.colour);
        QObject::connect(button, &QPushButton::clicked, [&f, button, &dialog] {
            const QColor c = QColorDialog::getColor(to_qcolor(f.colour), &dialog, qs(f.label));
            if (!c.isValid()) return;
            f.colour = rgb(c.red(), c.green(), c.blue());
            show_colour(button, f.colour);
        });
        widget = button;
        break;
    }
    }
    widget->setObjectName(QString("field%1").arg(n));
    return widget;
}

// The number fields show what a check left in the form.
void show_numbers(QDialog& dialog, const shell::Form& form) {
    for (std::size_t i = 0; i < form.fields.size(); ++i)
        if (auto* spin = dialog.findChild<QDoubleSpinBox*>(QString("field%1").arg(i)))
            spin->setValue(form.fields[i].number);
}

// OK runs the form's check first: refused, the dialog stays open with the fields as the check left them.
void check_on_ok(QDialog& dialog, QDialogButtonBox* buttons, const shell::App& app, shell::Form& form) {
    if (!form.check) return;
    QObject::disconnect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, &app, &form] {
        if (form.check(app, form)) dialog.accept();
        else show_numbers(dialog, form);
    });
}

// The fields of `form` in `dialog`, which must outlive neither; the edits land in `form`.
void build_form(QDialog& dialog, shell::Form& form) {
    dialog.setWindowTitle(qs(form.title));
    auto* layout = new QFormLayout(&dialog);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        shell::FormField& f = form.fields[i];
        QWidget* widget = field_widget(dialog, f, int(i));
        if (f.kind == shell::FormField::Kind::Check || f.kind == shell::FormField::Kind::Choice) layout->addRow(widget);
        else layout->addRow(qs(f.label), widget);
    }
    QDialogButtonBox* buttons = ok_cancel(dialog);
    if (!form.accept.empty()) buttons->button(QDialogButtonBox::Ok)->setText(qs(form.accept));
    layout->addRow(buttons);
}

constexpr int kLiveTextMs = 100;

// The form's live text under its fields, following the edits while the dialog is open.
void show_live_text(QDialog& dialog, const shell::App& app, const shell::Form& form) {
    if (!form.live_text) return;
    auto* label = new QLabel(qs(form.live_text(app, form)), &dialog);
    label->setObjectName("live");
    static_cast<QFormLayout*>(dialog.layout())->insertRow(int(form.fields.size()), label);
    auto* timer = new QTimer(&dialog);
    QObject::connect(timer, &QTimer::timeout, label, [label, &app, &form] { label->setText(qs(form.live_text(app, form))); });
    timer->start(kLiveTextMs);
}

bool edit_form(Window& w, shell::Form& form) {
    QDialog dialog(w.main);
    build_form(dialog, form);
    check_on_ok(dialog, dialog.findChild<QDialogButtonBox*>(), *w.app, form);
    show_live_text(dialog, *w.app, form);
    return exec_dialog(w, dialog) == QDialog::Accepted;
}

// "No" optimised program: its path and naming choices mean nothing and are greyed.
void grey_without_program(QDialog& dialog) {
    auto* no_program = dialog.findChild<QGroupBox*>("field4")->findChild<QRadioButton*>("choice0");
    const auto follow = [&dialog](bool no) {
        for (const char* name : {"field0", "field1", "field5", "field6"}) dialog.findChild<QWidget*>(name)->setEnabled(!no);
    };
    QObject::connect(no_program, &QRadioButton::toggled, follow);
    follow(no_program->isChecked());
}

// The "Auto Naming" boxes' labels after every click in the dialog (the form's own handlers,
// connected first, have taken the click by then).
void follow_naming_captions(QDialog& dialog, const shell::App& app, shell::Form& form) {
    const auto follow = [&dialog, &app, &form] {
        shell::refresh_optimise_captions(app, form);
        for (std::size_t i = 0; i < form.fields.size(); ++i)
            if (form.fields[i].kind == shell::FormField::Kind::Check)
                dialog.findChild<QCheckBox*>(QString("field%1").arg(i))->setText(qs(form.fields[i].label));
    };
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) QObject::connect(b, &QAbstractButton::toggled, follow);
}

// The optimise run's dialog; the run hooks' context is the application.
bool optimise_dialog(void* context) {
    shell::App& app = *static_cast<shell::App*>(context);
    Window& w = *static_cast<Window*>(app.hooks.window);
    shell::Form form = shell::optimise_form(app);
    QDialog dialog(w.main);
    build_form(dialog, form);
    grey_without_program(dialog);
    follow_naming_captions(dialog, app, form);
    if (exec_dialog(w, dialog) != QDialog::Accepted) return false;
    shell::apply_optimise(app, form);
    return true;
}

int form_dialog(Window& w, const shell::SettingsDialog& d) {
    shell::Form form = d.form(*w.app);
    if (!edit_form(w, form)) return 0;
    return d.apply(*w.app, form);
}

// ---- The offset dialogs ----

constexpr TextPair kTextDTitle{"工具径補正値(D-CODE)設定", "Setting of D-CODE"};
constexpr TextPair kTextHTitle{"工具長補正値(H-CODE)設定", "Setting of H-CODE"};
constexpr TextPair kTextWorkTitle{"ワーク座標系設定", "Setting of Workpiece Coordinate"};
constexpr TextPair kTextOffset{"補正値", "Offset"};
constexpr TextPair kTextWear{"摩耗", "Wear"};
constexpr TextPair kTextModifyCtl{"CTLファイルを修正", "Modify CTL-File"};

constexpr int kLastOffset = nc::kOffsetEntries - 1;  // 999
constexpr int kLastWorkOffset = nc::kWorkOffsets - 1;  // 200

double field_value(const QLineEdit* e) { return read_number(e->text().toStdString()); }

// The D/H and work-offset dialogs end alike: their tabs, the box that writes the values back to
// the CTL file (remembered for the next opening) and OK/Cancel. True on OK, `modify` the box.
bool exec_ctl_tabs_dialog(Window& w, QDialog& dialog, QTabWidget* tabs, bool& modify) {
    auto* box = new QCheckBox(qt(kTextModifyCtl), &dialog);
    box->setObjectName("modify");
    box->setChecked(w.main->property(kModifyCtlProperty).toBool());
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tabs);
    layout->addWidget(box);
    layout->addWidget(ok_cancel(dialog));
    if (exec_dialog(w, dialog) != QDialog::Accepted) return false;
    modify = box->isChecked();
    w.main->setProperty(kModifyCtlProperty, modify);
    return true;
}

QLineEdit* line_field(QWidget* parent, const std::string& text, const QString& name) {
    auto* e = new QLineEdit(qs(text), parent);
    e->setObjectName(name);
    return e;
}

int offsets_dialog(Window& w, nc::OffsetTable table) {
    const nc::Ctl& ctl = w.app->ctl;
    const auto& entries = table == nc::OffsetTable::D ? ctl.d : ctl.h;
    QDialog dialog(w.main);
    dialog.setWindowTitle(qt(table == nc::OffsetTable::D ? kTextDTitle : kTextHTitle));
    auto* tabs = new QTabWidget(&dialog);
    std::vector<QLineEdit*> offsets(kLastOffset + 1), wears(kLastOffset + 1);
    for (int tab = 0; tab < nc::kOffsetTabs; ++tab) {
        auto* page = new QWidget;
        auto* grid = new QGridLayout(page);
        grid->addWidget(new QLabel(qt(kTextOffset)), 0, 1);
        grid->addWidget(new QLabel(qt(kTextWear)), 0, 2);
        for (int row = 0; row < nc::kOffsetsPerTab; ++row) {
            const int n = 1 + tab * nc::kOffsetsPerTab + row;
            if (n > kLastOffset) break;
            grid->addWidget(new QLabel(qs(nc::offset_entry_label(table, n))), row + 1, 0);
            offsets[n] = line_field(page, nc::offset_field(entries[n].value), QString("offset%1").arg(n));
            wears[n] = line_field(page, nc::offset_field(entries[n].wear), QString("wear%1").arg(n));
            wears[n]->setEnabled(nc::wear_editable(ctl));
            grid->addWidget(offsets[n], row + 1, 1);
            grid->addWidget(wears[n], row + 1, 2);
        }
        tabs->addTab(page, qs(nc::offset_tab_label(tab)));
    }
    bool modify = false;
    if (!exec_ctl_tabs_dialog(w, dialog, tabs, modify)) return 0;
    std::vector<shell::OffsetEdit> edits(kLastOffset + 1);
    for (int n = 1; n <= kLastOffset; ++n) edits[n] = {field_value(offsets[n]), field_value(wears[n])};
    return shell::apply_offsets(*w.app, table, edits, modify);
}

int work_offsets_dialog(Window& w) {
    const nc::Ctl& ctl = w.app->ctl;
    QDialog dialog(w.main);
    dialog.setWindowTitle(qt(kTextWorkTitle));
    auto* tabs = new QTabWidget(&dialog);
    std::vector<std::array<QLineEdit*, 3>> fields(kLastWorkOffset + 1);
    for (int tab = 0; tab < nc::kWorkOffsetTabs; ++tab) {
        auto* page = new QWidget;
        auto* grid = new QGridLayout(page);
        for (int axis = 0; axis < 3; ++axis) grid->addWidget(new QLabel(QString(QChar(ctl.axis_letter[axis]))), 0, axis + 1);
        for (int row = 0; row < nc::kWorkOffsetsPerTab; ++row) {
            const int n = 1 + tab * nc::kWorkOffsetsPerTab + row;
            grid->addWidget(new QLabel(qs(nc::work_offset_label(n, ctl.product))), row + 1, 0);
            const Vec3& v = ctl.work[n];
            const double values[3] = {v.x, v.y, v.z};
            for (int axis = 0; axis < 3; ++axis) {
                fields[n][axis] = line_field(page, nc::work_offset_field(values[axis]), QString("work%1_%2").arg(n).arg(axis));
                grid->addWidget(fields[n][axis], row + 1, axis + 1);
            }
        }
        tabs->addTab(page, QString::number(1 + tab * nc::kWorkOffsetsPerTab));
    }
    bool modify = false;
    if (!exec_ctl_tabs_dialog(w, dialog, tabs, modify)) return 0;
    std::vector<Vec3> offsets(kLastWorkOffset + 1);
    for (int n = 1; n <= kLastWorkOffset; ++n)
        offsets[n] = {field_value(fields[n][0]), field_value(fields[n][1]), field_value(fields[n][2])};
    return shell::apply_work_offsets(*w.app, offsets, modify);
}

}  // namespace

int exec_dialog(Window& w, QDialog& dialog) {
    if (w.options.boxes == Boxes::Shown) return dialog.exec();
    w.recorded.push_back("dialog|" + dialog.windowTitle().toStdString());
    return w.dialog_answer ? w.dialog_answer(dialog) : int(QDialog::Rejected);
}

void install_dialog_hooks(Window& w) {
    w.app->hooks.window_command = window_command;
    w.app->run.hooks.optimise_dialog = optimise_dialog;
}

void remove_dialog_hooks(Window& w) {
    w.app->hooks.window_command = nullptr;
    w.app->run.hooks.optimise_dialog = nullptr;
}

int settings_dialog(Window& w, int id, int) {
    if (const shell::SettingsDialog* d = shell::find_settings_dialog(id)) return form_dialog(w, *d);
    switch (id) {
    case 32841: return offsets_dialog(w, nc::OffsetTable::D);
    case 32842: return offsets_dialog(w, nc::OffsetTable::H);
    case 32884: return work_offsets_dialog(w);
    default: return -1;
    }
}

}  // namespace vx::gui
