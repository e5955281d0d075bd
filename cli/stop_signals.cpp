#include "cli/stop_signals.h"

#include <poll.h>
#include <signal.h>

#include <cerrno>

#include <array>

namespace vorn {

namespace {

volatile std::sig_atomic_t received_stop_signal = 0;

constexpr std::array stop_signals = {SIGINT, SIGTERM, SIGHUP};

extern "C" void note_stop_signal(int signal) {
    if (received_stop_signal == 0) {
        received_stop_signal = signal;
    }
}

}  // namespace

void install_stop_signals() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = note_stop_signal;
    // Restarted calls keep reads and writes whole; the reset makes a second
    // signal take its default course.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : stop_signals) {
        // An ignored signal stays ignored: nohup, or a background job of a
        // script, asked for the run to go on.
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
    struct sigaction ignore {};
    sigemptyset(&ignore.sa_mask);
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
}

const volatile std::sig_atomic_t& stop_signal() {
    return received_stop_signal;
}

bool wait_for_input(int fd, const volatile std::sig_atomic_t* stop) {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : stop_signals) {
        sigaddset(&blocked, signal);
    }
    // Held back from the look at `stop` until ppoll lets them in.
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &blocked, &old);
    bool readable = false;
    while (stop == nullptr || *stop == 0) {
        pollfd request{fd, POLLIN, 0};
        const int ready = ::ppoll(&request, 1, nullptr, &old);
        // An error is for read() to report.
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            readable = true;
            break;
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return readable;
}

std::string signal_name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

}  // namespace vorn
