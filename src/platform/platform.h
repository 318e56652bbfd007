// The platform layer: the one place that knows which backend shows messages and progress and
// answers questions about the machine. A backend fills a table of function pointers; the headless
// backend serves until another is installed. While a batch run logs (log.h), messages go to the
// log instead of the backend, whichever backend is installed.
//
// During a run the window lives on what the run asks here: polled keys, sounds, the view and
// window refreshes, timers and a rate-limited message pump. Every one of those entries may be
// left null by a backend; the call then does nothing (keys read as up).
#pragma once

#include "base/vec3.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::platform {

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Which half of a box carries the message itself: run results and interpreter alarms show it in
// the title bar with the NC file path as body; everything else names the subject in the title.
enum class MessageIn { Body, Title };

struct Message {
    std::string_view title;
    std::string_view body;
    Buttons buttons = Buttons::Ok;
    MessageIn message_in = MessageIn::Body;
    Answer unattended = Answer::Ok;  // the answer when nobody can be asked
};

// ---- Run-time interaction ----

// Keys the run polls: the escape key and the stop key are chosen by the settings among these.
enum class Key { Escape, Break, Pause, Control, Space, Tab, Shift };

enum class SoundMode {
    Loop,   // repeated from memory until another sound or stop_sounds()
    Async,  // once, the caller goes on
    Sync,   // once, the caller waits for its end
};

// Parts of the window a run redraws on its own.
enum class ViewPart {
    Workpiece,             // the whole workpiece view
    Panels,
    ToolWindow,
    NcWindow,
    InterferencePosition,  // the mark of the last interference
};

// The refresh after a cutting step: where the tool is, the screen box of the cells whose screen
// positions the move has refreshed so far, and the grid cells lowered since the last refresh.
struct StepRefresh {
    Vec3 position;
    int step = 0, steps = 0;  // 1..steps
    bool interference = false;
    std::int32_t min_x = 0, min_y = 0, max_x = -1, max_y = -1;  // projected bounds; empty when max < min
    std::int32_t first_i = 0, first_j = 0, last_i = -1, last_j = -1;  // grid indices; empty when last < first
};

enum class PathKind {
    ToolTip,       // run mode 4
    CommandPoint,  // run mode 5
    Uncut,         // a move of a cutting run that did not reach the workpiece
};

// One move of a path display, with what an arc needs besides its end points and the tool that
// made it (kept with the move, so that drawing it again colours and lowers it alike).
struct PathSegment {
    PathKind kind = PathKind::ToolTip;
    int motion = 0;  // 0 rapid, 1 linear, 2 clockwise, 3 counter-clockwise, 132 multi-segment
    Vec3 start, end, centre;
    double start_radius = 0, end_radius = 0, sweep = 0;
    int plane_first = 0, plane_second = 1, plane_normal = 2;
    int line = 0;
    bool hidden_rapid = false;  // a rapid while the run hides rapid paths
    double feedrate = 0;
    double tool_length = 0;  // the tool's shift: the tool-tip path lies this much lower
    int tool_pen = 0;        // 0..7
};

enum class Cursor { Normal, Wait };

// An open or save dialog: its title, the folder it starts in and its filter ("*.NC").
struct FileChoice {
    std::string_view title;
    std::string_view folder;
    std::string_view filter;
    bool save = false;
};

// Every entry receives the backend's `context`, so that a backend keeps its state in a record
// of its own instead of globals.
struct Backend {
    void* context = nullptr;
    Answer (*show_message)(void* context, const Message&) = nullptr;
    void (*progress_begin)(void* context, std::string_view title, std::int64_t total) = nullptr;
    void (*progress_update)(void* context, std::int64_t done) = nullptr;
    void (*progress_end)(void* context) = nullptr;
    std::uint64_t (*available_memory)(void* context) = nullptr;  // bytes the process may still obtain

    // The run's progress in full; without it progress_update(done) serves.
    void (*progress_status)(void* context, std::int64_t done, std::int64_t total, std::int64_t moves,
                            double elapsed_seconds) = nullptr;

    // Keys: down only while the main window is the foreground window.
    bool (*key_down)(void* context, Key key) = nullptr;
    bool (*window_in_foreground)(void* context) = nullptr;

    // Sounds by file name ("cutting1.wav"), preloaded at start-up; system sounds by their name.
    void (*play_sound)(void* context, std::string_view name, SoundMode mode) = nullptr;
    void (*play_system_sound)(void* context, std::string_view name) = nullptr;
    void (*stop_sounds)(void* context) = nullptr;

    // View refreshes; the renderer draws, the backend shows.
    void (*redraw)(void* context, ViewPart part) = nullptr;
    void (*refresh_step)(void* context, const StepRefresh& step) = nullptr;
    void (*draw_path)(void* context, const PathSegment& segment) = nullptr;

    // The main window.
    void (*set_title)(void* context, std::string_view title) = nullptr;
    void (*show_nc_line)(void* context, int line, std::string_view text) = nullptr;  // the NC list's current line
    void (*show_position)(void* context, const Vec3& position) = nullptr;            // the position panel
    void (*set_stop_panel)(void* context, std::string_view text) = nullptr;         // "\tGO", "\tESC"
    void (*refresh_menus)(void* context) = nullptr;
    void (*focus_window)(void* context) = nullptr;
    void (*set_cursor)(void* context, Cursor cursor) = nullptr;
    void (*start_timer)(void* context, int id, int interval_ms) = nullptr;
    void (*stop_timer)(void* context, int id) = nullptr;

    // Takes and dispatches pending window messages (the run calls it through pump_messages()).
    void (*pump)(void* context) = nullptr;

    // Opens a result file with the program the desktop associates with it.
    void (*open_document)(void* context, std::string_view path) = nullptr;

    // The file the user chose in a dialog; empty when cancelled.
    std::string (*choose_file)(void* context, const FileChoice& choice) = nullptr;
};

void install(const Backend& backend);
const Backend& current_backend();  // the installed one, to start another from its entries
const Backend& headless_backend();

// The text a message stands for: the half of the box named by `message_in`.
std::string_view message_text(const Message& message);

Answer show_message(const Message& message);
void progress_begin(std::string_view title, std::int64_t total);
void progress_update(std::int64_t done);
void progress_end();
std::uint64_t available_memory();

void progress_status(std::int64_t done, std::int64_t total, std::int64_t moves, double elapsed_seconds);

bool key_down(Key key);
bool window_in_foreground();

void play_sound(std::string_view name, SoundMode mode);
void play_system_sound(std::string_view name);
void stop_sounds();

void redraw(ViewPart part);
void refresh_step(const StepRefresh& step);
void draw_path(const PathSegment& segment);

void set_title(std::string_view title);
void show_nc_line(int line, std::string_view text);
void show_position(const Vec3& position);
void set_stop_panel(std::string_view text);
void refresh_menus();
void focus_window();
void set_cursor(Cursor cursor);
void start_timer(int id, int interval_ms);
void stop_timer(int id);

// The message pump of long work: calls the backend's pump at most every kPumpIntervalMs of the
// monotonic clock, so that a run spends its time cutting, not dispatching.
constexpr int kPumpIntervalMs = 40;
void pump_messages();

void open_document(std::string_view path);

// The file chosen in an open or save dialog; empty when cancelled, and without a window (the
// batch names its files instead).
std::string choose_file(const FileChoice& choice);

// ---- What the headless backend heard ----

// Sounds are silent without a window; the last one asked for and their count are kept so that
// a batch can tell what a run would have played.
struct SoundLog {
    std::string last;
    std::int64_t count = 0;
};
const SoundLog& headless_sounds();

}  // namespace vx::platform
