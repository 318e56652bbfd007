#include "gui/sound.h"

#include "platform/files.h"
#include "platform/log.h"

#include <alsa/asoundlib.h>

#include <array>
#include <chrono>

namespace vx::gui {

const std::array<std::string_view, 20> kSoundFiles{
    "aircut1.wav", "cutting1.wav", "grinder1.wav", "grinder2.wav", "grindoff.wav", "hake.wav",  "hera1.wav",
    "hera2.wav",   "heraoku.wav",  "kanoku.wav",   "paper.wav",    "paperoku.wav", "pi.wav",    "pokin.wav",
    "toolchg.wav", "press.wav",    "touch.wav",    "welding.wav",  "weldoku.wav",  "workset.wav"};

namespace {

constexpr unsigned kLatencyUs = 100000;  // the device's buffer: how late a stop is heard
constexpr snd_pcm_uframes_t kChunkFrames = 1024;  // written at a time, between looks at a newer request
constexpr auto kSyncSlack = std::chrono::seconds(1);  // a sync sound never holds the program longer than this beyond its length

// The file's bytes as a wave, read once; null when it is in neither directory or unreadable.
const platform::Wave* find_wave(SoundPlayer& p, std::string_view name) {
    if (const auto it = p.loaded.find(name); it != p.loaded.end()) return &it->second;
    if (p.tried[std::string(name)]) return nullptr;
    p.tried[std::string(name)] = true;
    for (const std::string& dir : {p.current_dir, p.program_dir}) {
        const auto path = platform::find_file(dir + std::string(name));
        if (!path) continue;
        const auto bytes = platform::read_file(*path);
        std::string error;
        auto wave = bytes ? platform::read_wave(*bytes, &error) : std::nullopt;
        if (!wave) {
            platform::note("vornex: the sound " + *path + " is not played: " + (bytes ? error : "cannot be read"));
            return nullptr;
        }
        return &p.loaded.emplace(std::string(name), std::move(*wave)).first->second;
    }
    return nullptr;
}

bool newer_request(SoundPlayer& p, std::uint64_t serial) {
    std::lock_guard lock(p.mutex);
    return p.quit || p.serial != serial;
}

// Plays `w` once; false when a newer request or the end cut it short.
bool play_once(SoundPlayer& p, snd_pcm_t* pcm, const platform::Wave& w, std::uint64_t serial) {
    const snd_pcm_format_t format = w.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(w.channels), unsigned(w.rate), 1,
                           kLatencyUs) < 0)
        return true;
    const std::size_t frame = std::size_t(w.channels) * std::size_t(w.bits / 8);
    const snd_pcm_uframes_t total = snd_pcm_uframes_t(w.frames());
    for (snd_pcm_uframes_t at = 0; at < total;) {
        if (newer_request(p, serial)) {
            snd_pcm_drop(pcm);
            return false;
        }
        const snd_pcm_uframes_t n = std::min(kChunkFrames, total - at);
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, w.samples.data() + at * frame, n);
        if (written < 0) written = snd_pcm_recover(pcm, int(written), 1);
        if (written < 0) return true;  // the device failed: this sound ends
        at += snd_pcm_uframes_t(written);
    }
    snd_pcm_drain(pcm);
    return true;
}

void player_loop(SoundPlayer& p) {
    snd_pcm_t* pcm = nullptr;
    std::uint64_t done = 0;
    for (;;) {
        std::unique_lock lock(p.mutex);
        p.changed.wait(lock, [&] { return p.quit || p.serial != done; });
        if (p.quit) break;
        const std::uint64_t serial = p.serial;
        const platform::Wave* wave = p.wave;
        const platform::SoundMode mode = p.mode;
        lock.unlock();
        if (wave && !pcm && snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
            pcm = nullptr;
            std::lock_guard failed(p.mutex);
            p.no_device = true;
        }
        if (wave && pcm)
            while (play_once(p, pcm, *wave, serial) && mode == platform::SoundMode::Loop && !newer_request(p, serial)) {}
        done = serial;
        std::lock_guard ended(p.mutex);
        p.finished = serial;
        p.changed.notify_all();
    }
    if (pcm) snd_pcm_close(pcm);
}

void request(SoundPlayer& p, const platform::Wave* wave, platform::SoundMode mode) {
    std::unique_lock lock(p.mutex);
    if (p.no_device || !p.thread.joinable()) return;
    p.wave = wave;
    p.mode = mode;
    const std::uint64_t serial = ++p.serial;
    p.changed.notify_all();
    if (mode != platform::SoundMode::Sync || !wave) return;
    const auto length = std::chrono::milliseconds(wave->frames() * 1000 / wave->rate);
    p.changed.wait_for(lock, length + kSyncSlack, [&] { return p.finished >= serial || p.no_device; });
}

}  // namespace

void start_sounds(SoundPlayer& p, const std::string& current_dir, const std::string& program_dir, bool preload) {
    p.current_dir = current_dir;
    p.program_dir = program_dir;
    if (preload)
        for (std::string_view name : kSoundFiles) find_wave(p, name);
    p.thread = std::thread(player_loop, std::ref(p));
}

void stop_player(SoundPlayer& p) {
    if (!p.thread.joinable()) return;
    {
        std::lock_guard lock(p.mutex);
        p.quit = true;
        p.changed.notify_all();
    }
    p.thread.join();
}

void play(SoundPlayer& p, std::string_view name, platform::SoundMode mode) {
    const platform::Wave* wave = find_wave(p, name);
    if (wave) request(p, wave, mode);
}

void silence(SoundPlayer& p) { request(p, nullptr, platform::SoundMode::Async); }

}  // namespace vx::gui
