#include "gui/version_dialog.h"

#include "gui/widgets.h"
#include "platform/language.h"
#include "shell/version_info.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace vx::gui {
namespace {

constexpr platform::TextPair kOtherWindows{"他のウィンドウ", "Other windows"};

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

std::string version_dialog_text(const Window& w) {
    int others = 0;
    for (const QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top != w.version_dialog) ++others;
    return shell::version_text(*w.app) + std::string(platform::text(kOtherWindows)) + ": " +
           shell::with_commas(std::uint64_t(others)) + "\n";
}

void open_version_dialog(Window& w) {
    if (w.version_dialog) {
        w.version_dialog->raise();
        return;
    }
    auto* dialog = new QDialog(w.main, Qt::Dialog | Qt::WindowStaysOnTopHint);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(qs(std::string(shell::version_title())));
    auto* layout = new QVBoxLayout(dialog);
    auto* text = new QLabel(dialog);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    auto* timer = new QTimer(dialog);
    const auto refresh = [&w, text] { text->setText(qs(version_dialog_text(w))); };
    QObject::connect(timer, &QTimer::timeout, dialog, refresh);
    // OK, Cancel (ESC) and the close button end the timer with the dialog.
    QObject::connect(dialog, &QDialog::finished, dialog, [&w, timer] {
        timer->stop();
        w.version_dialog = nullptr;
    });
    w.version_dialog = dialog;
    refresh();
    timer->start(kVersionRefreshMs);
    dialog->show();
}

void version_dialog_hook(void* window) { open_version_dialog(*static_cast<Window*>(window)); }

}  // namespace vx::gui
