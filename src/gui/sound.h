// The machining sounds: the ".wav" files read once into memory (from the current directory,
// else the program directory), played by one small thread through ALSA's default device. A
// sound replaces the one playing; a loop repeats until another sound or stop; a sync sound
// returns when it has ended. Without a device that opens, everything stays silent.
#pragma once

#include "platform/platform.h"
#include "platform/wave.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vx::gui {

struct SoundPlayer {
    std::string current_dir, program_dir;
    std::map<std::string, platform::Wave, std::less<>> loaded;  // by file name; read once
    std::map<std::string, bool, std::less<>> tried;

    std::mutex mutex;
    std::condition_variable changed;
    const platform::Wave* wave = nullptr;  // what the thread is to play; null: silence
    platform::SoundMode mode = platform::SoundMode::Async;
    std::uint64_t serial = 0;    // counts the requests: a newer one ends the sound playing
    std::uint64_t finished = 0;  // the last request that has ended
    bool quit = false;
    bool no_device = false;      // the device did not open: nothing is played from then on
    std::thread thread;
};

// Reads the sounds of the run (when sound output is on) and starts the thread.
void start_sounds(SoundPlayer& p, const std::string& current_dir, const std::string& program_dir, bool preload);
void stop_player(SoundPlayer& p);  // ends the thread

void play(SoundPlayer& p, std::string_view name, platform::SoundMode mode);
void silence(SoundPlayer& p);

// The 20 sound files of the program.
extern const std::array<std::string_view, 20> kSoundFiles;

}  // namespace vx::gui
