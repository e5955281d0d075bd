#pragma once
// The runner's signals. SIGINT, SIGTERM and SIGHUP ask the run to stop at the
// end of its generation, as Abort does in the window; a second one of the same
// kind ends the process at once. SIGPIPE is ignored, so a closed stdout shows
// as a write that fails with EPIPE.
#include <csignal>
#include <string>

namespace vorn {

// Installs the handlers (sigaction, SA_RESETHAND); each only notes the signal.
// A stop signal the process started with ignored (nohup) stays ignored.
void install_stop_signals();

// The first stop signal received, 0 while none; written by the handlers.
[[nodiscard]] const volatile std::sig_atomic_t& stop_signal();

// "SIGINT", "SIGTERM", "SIGHUP", else "signal N".
[[nodiscard]] std::string signal_name(int signal);

}  // namespace vorn
