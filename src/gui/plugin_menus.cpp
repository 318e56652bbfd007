#include "gui/plugin_menus.h"

#include "integration/plugins.h"
#include "shell/commands.h"

#include <QAction>

namespace vx::gui {
namespace {

void label_family(Window& w, integration::Family family, int first_id) {
    for (int slot = 0; slot < integration::kSlots; ++slot) {
        QAction* a = command_action(w, first_id + slot);
        if (!a) continue;
        const integration::Module* m = integration::module(w.app->plugins, family, slot);
        a->setVisible(m != nullptr);
        if (m) a->setText(QString::fromStdString(integration::menu_caption(*m)));
    }
}

}  // namespace

void label_plugin_items(Window& w) {
    label_family(w, integration::Family::Read, shell::cmd::kNcReaderPlugin);
    label_family(w, integration::Family::Sim, shell::cmd::kSimPlugin);
}

}  // namespace vx::gui
