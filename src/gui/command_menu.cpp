// The command menu: a small tool window of 20 buttons beside the main window, each sending its
// key to the main window. It never takes the focus, so the keys the run polls stay with the
// main window.
#include "gui/widgets.h"

#include <QGridLayout>
#include <QPushButton>

#include <array>

namespace vx::gui {
namespace {

// The keys of the buttons in the order of their captions.
constexpr std::array<int, shell::kCommandButtons> kButtonKeys{
    Qt::Key_R, Qt::Key_F, Qt::Key_Z, Qt::Key_W, Qt::Key_S, Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
    Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_0, Qt::Key_U, Qt::Key_D, Qt::Key_P, Qt::Key_C, Qt::Key_B};
constexpr int kColumns = 2;

}  // namespace

void build_command_menu(Window& w, const shell::MessageFile& messages) {
    QWidget* menu = new QWidget(w.main, Qt::Tool | Qt::WindowDoesNotAcceptFocus);
    menu->setAttribute(Qt::WA_ShowWithoutActivating);
    menu->setWindowTitle(QString::fromStdString(messages.command_menu_title));
    auto* grid = new QGridLayout(menu);
    for (std::size_t k = 0; k < kButtonKeys.size(); ++k) {
        auto* button = new QPushButton(QString::fromStdString(messages.command_buttons[k]), menu);
        button->setFocusPolicy(Qt::NoFocus);
        const int key = kButtonKeys[k];
        QObject::connect(button, &QPushButton::clicked, [&w, key] { handle_key(w, key, Qt::NoModifier); });
        grid->addWidget(button, int(k) / kColumns, int(k) % kColumns);
    }
    w.command_menu = menu;
}

void place_command_menu(Window& w) {
    if (!w.command_menu) return;
    const QRect frame = w.main->frameGeometry();
    w.command_menu->move(frame.right() + 1, frame.top());
}

void show_command_menu(Window& w, bool shown) {
    if (!w.command_menu || w.command_menu->isVisible() == shown || w.app->plan.minimised) return;
    if (shown) place_command_menu(w);
    w.command_menu->setVisible(shown);
}

}  // namespace vx::gui
