// Command 32931: the user switches the NC-comment module's hooks off (check mark) and on again.
// Locked while a run pumps events, so a program is read with one setting from start to end.
#include "integration/plugins.h"
#include "shell/app.h"
#include "shell/handlers.h"

namespace vx::shell::handlers {

int disable_comment_module(App& app, int, int, const CommandArgs*) {
    if (!integration::comment_module_loaded(app.plugins)) return 0;
    app.plugins.comments_disabled = !app.plugins.comments_disabled;
    return 1;
}

}  // namespace vx::shell::handlers
