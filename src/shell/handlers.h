// The handlers the command table names, each in the file of its subject. Internal to the shell.
#pragma once

#include "shell/dispatch.h"

namespace vx::shell::handlers {

// nc_selection.cpp
int select_nc(App& app, int id, int parameter, const CommandArgs* args);

// fit_workpiece.cpp
int select_and_define(App& app, int id, int parameter, const CommandArgs* args);

// workpiece_commands.cpp
int load_workpiece(App& app, int id, int parameter, const CommandArgs* args);
int save_workpiece(App& app, int id, int parameter, const CommandArgs* args);
int load_pressed(App& app, int id, int parameter, const CommandArgs* args);
int load_swung(App& app, int id, int parameter, const CommandArgs* args);
int choose_basic_model(App& app, int id, int parameter, const CommandArgs* args);

// workpiece_operations.cpp
int rotate_mirror(App& app, int id, int parameter, const CommandArgs* args);
int move(App& app, int id, int parameter, const CommandArgs* args);
int offset(App& app, int id, int parameter, const CommandArgs* args);
int paint(App& app, int id, int parameter, const CommandArgs* args);
int merge(App& app, int id, int parameter, const CommandArgs* args);
int difference_paint(App& app, int id, int parameter, const CommandArgs* args);
int define_two_points(App& app, int id, int parameter, const CommandArgs* args);
int define_origin(App& app, int id, int parameter, const CommandArgs* args);
int xyz_cut(App& app, int id, int parameter, const CommandArgs* args);
int thin(App& app, int id, int parameter, const CommandArgs* args);
int emphasis(App& app, int id, int parameter, const CommandArgs* args);
int removed_volume(App& app, int id, int parameter, const CommandArgs* args);
// Values: welding height, width, pen; grinder depth, width, pen; paper depth, width, pen; brush
// width (hand_tool_modes.h).
int hand_tool_parameters(App& app, int id, int parameter, const CommandArgs* args);

// dispatch.cpp: the run, its stop and check modes, and the switches of the menus.
int run(App& app, int id, int parameter, const CommandArgs* args);
int stop_mode(App& app, int id, int parameter, const CommandArgs* args);
int check_mode(App& app, int id, int parameter, const CommandArgs* args);
int display_switch(App& app, int id, int parameter, const CommandArgs* args);
int colour_mode(App& app, int id, int parameter, const CommandArgs* args);
int sound(App& app, int id, int parameter, const CommandArgs* args);
int progress_window(App& app, int id, int parameter, const CommandArgs* args);
int save_level(App& app, int id, int parameter, const CommandArgs* args);
int data_level(App& app, int id, int parameter, const CommandArgs* args);
int window_command(App& app, int id, int parameter, const CommandArgs* args);  // the window answers
int exit_program(App& app, int id, int parameter, const CommandArgs* args);
int mouse_mode(App& app, int id, int parameter, const CommandArgs* args);
int open_help(App& app, int id, int parameter, const CommandArgs* args);
int command_menu(App& app, int id, int parameter, const CommandArgs* args);
int tool_dialog(App& app, int id, int parameter, const CommandArgs* args);

// report_command.cpp
int report(App& app, int id, int parameter, const CommandArgs* args);

// comment_plugin_command.cpp
int disable_comment_module(App& app, int id, int parameter, const CommandArgs* args);

// editor_commands.cpp
int editor(App& app, int id, int parameter, const CommandArgs* args);

// plugin_commands.cpp
int simulation_plugin(App& app, int id, int parameter, const CommandArgs* args);
int modifier_plugin(App& app, int id, int parameter, const CommandArgs* args);

// version_info.cpp
int version(App& app, int id, int parameter, const CommandArgs* args);

}  // namespace vx::shell::handlers
