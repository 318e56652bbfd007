// Any controller settings and any NC program: the bytes before the first NUL are read as a
// controller definition, the rest as the program. Every block is read, split into words with
// every number reader applied, tested as a stop block under every stop option, and interpreted;
// the last M word the interpreter's scan records must be the one the stop test's scan reads.
#include "nc/pipeline.h"
#include "nc/reader.h"
#include "nc/words.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

struct Context {
    const vx::nc::Ctl* ctl;
    int decimal_mode;
    double feed = 0.0;
    vx::nc::Alarm alarm;
};

int every_reader(void* context, vx::nc::Word& w) {
    auto* c = static_cast<Context*>(context);
    const double values[] = {vx::nc::read_coordinate(w.text, *c->ctl, c->decimal_mode),
                             vx::nc::read_axis(w.text, *c->ctl, c->decimal_mode, w.letter % 3),
                             vx::nc::read_plain(w.text), vx::nc::read_time(w.text),
                             vx::nc::read_scaled(w.text, *c->ctl, vx::nc::Scaled::Scale),
                             vx::nc::read_scaled(w.text, *c->ctl, vx::nc::Scaled::Angle)};
    for (double v : values)
        if (std::isnan(v)) std::abort();
    (void)vx::nc::read_integer(w.text);
    vx::nc::read_feed(w.text, *c->ctl, c->feed, c->alarm, 0);
    if (w.text.size() > vx::nc::kMaxNumberText) std::abort();
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = bytes.find('\0');
    vx::nc::Ctl ctl;
    vx::nc::parse_ctl(bytes.substr(0, nul), ctl);
    const std::string_view program = nul == std::string_view::npos ? bytes : bytes.substr(nul + 1);

    vx::nc::Reader reader;
    vx::nc::start_run(reader, ctl);
    vx::nc::open_main_bytes(reader, program);
    Context context{&ctl, ctl.decimal_point, 0.0, {}};
    const vx::nc::WordHandler handler{&context, every_reader, nullptr};
    vx::nc::Mtl mtl;
    vx::nc::Reader alarms;  // the interpreter raises into its reader; reading goes on in `reader`
    vx::nc::Interp in;
    in.ctl = &ctl;
    in.mtl = &mtl;
    in.reader = &alarms;
    vx::nc::reset_interp(in, {});
    while (vx::nc::read_next_block(reader) == 1) {
        const std::string_view block = vx::nc::current_block(reader);
        if (block.size() > vx::nc::kMaxLine + 1 || block.back() != '\n') std::abort();
        if (std::memchr(block.data(), '\n', block.size() - 1) != nullptr) std::abort();
        vx::nc::parse_words(block, ctl.product, handler);
        for (int mode = 0; mode <= 4; ++mode) {
            (void)vx::nc::is_stop_block(block, mode, ctl, true);
            (void)vx::nc::is_stop_block(block, mode, ctl, false);
        }
        vx::nc::execute_block_text(in, block);
        if (vx::nc::last_m_of_block(in, block) != vx::nc::last_m_word(block, ctl.product)) std::abort();
        in.queue.clear();  // the moves are not wanted here
        in.handed = 0;
    }
    vx::nc::close_sources(reader);
    return 0;
}
