// The sync through shared memory joined to the program: at start-up the shared workpiece's name
// and the block of the sync mode (lockstep or handshake) with the run's hooks that use it; the
// batch's stand-in for the suspension timer; the machine name for the vxsync plug-in; the blocks
// given back at shutdown.
#pragma once

#include "integration/sync.h"
#include "nc/mtl.h"
#include "platform/shared_memory.h"

namespace vx::shell {

struct App;

struct SyncLinks {
    int mode = 0;                    // the sync mode served: 0 none, 1 lockstep, 2 handshake
    platform::SharedMemory block;    // the lockstep or the handshake block
    integration::Lockstep lockstep;  // over `block` in mode 1
    bool wait_told = false;          // the long wait at the barrier was reported for this wait
    bool gave_up = false;            // the escape key ended the last wait at the barrier
};

// Start-up, after the settings: the workpiece's share name (SHARE MODE) and the sync block
// (SYNC MODE), each refused with a note when its name or numbers cannot work; then the run's
// sync hooks. Also replaces the run's hooks context with `app` (as the other hooks do).
void open_sync(App& app);

// Shutdown: the sync block is unmapped, and removed when this process created it.
void close_sync(App& app);

// A batch run suspended by its sync partner goes on when the partner lets it, as the suspension
// timer of the window would have it; returns the dispatch status of the last continuation.
int follow_suspended_run(App& app, int status);

// The machine definition's name hook: hands NAME to the vxsync plug-in.
nc::MtlNameHook machine_name_hook(App& app);

}  // namespace vx::shell
