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

// Waits until `fd` can be read (data, its end or an error) or `stop` (may be
// null) is set; false for the stop. A stop signal that comes between the
// look at `stop` and the wait still ends the wait: read() alone would be
// restarted by SA_RESTART and go on waiting.
[[nodiscard]] bool wait_for_input(int fd, const volatile std::sig_atomic_t* stop);

// "SIGINT", "SIGTERM", "SIGHUP", else "signal N".
[[nodiscard]] std::string signal_name(int signal);

}  // namespace vorn
