#pragma once
// Handlers run under a guard the window provides: an error escaping a
// handler is shown in a message box, so no handler can end the program.
#include <QObject>
#include <functional>

namespace vorn {

using HandlerGuard = std::function<void(const std::function<void()>&)>;

// Runs `handler` of `receiver` under `guard` whenever `signal` fires; the
// signal's arguments are dropped, since handlers read their controls.
template <class Sender, class Signal, class Receiver>
void connect_guarded(const HandlerGuard& guard, Sender* sender, Signal signal, Receiver* receiver,
                     void (Receiver::*handler)()) {
    QObject::connect(sender, signal, receiver, [guard, receiver, handler] {
        guard([receiver, handler] { (receiver->*handler)(); });
    });
}

}  // namespace vorn
