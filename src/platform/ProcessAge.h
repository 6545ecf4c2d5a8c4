// ProcessAge: how long ago this process was started, by the kernel's account (so the time
// the loader took before main counts too).
#pragma once

namespace qm {

// Seconds since the process started; a negative number where it cannot be told.
double ProcessAgeSeconds();

}  // namespace qm
