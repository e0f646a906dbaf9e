#pragma once
#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace fo::qt {

// Where the clerk's actions enter the windows: every signal handler, event
// filter and event override that runs window code goes through here. An
// exception never travels on into Qt (which cannot unwind: a modal window's
// event loop left that way is freed while its dialog still points at it,
// and closing the window then crashes). It stops here instead: the wait
// pointer is restored, the clerk reads the message (Chinese; the engine's
// own words go to the error output), and the window stays open.
void atEventBoundary(const std::function<void()>& handler) noexcept;

// An event filter run at the event boundary: whether it used the event up.
// An event whose handler failed is used up.
bool usedAtEventBoundary(const std::function<bool()>& filter) noexcept;

// While a script drives the widgets, the driver's own exceptions (a script
// error, the script's end, a step the clerk could not take: none is a
// std::exception) raised in a handler below the boundary are kept, not
// shown, and the driver takes them back once Qt has returned to it, since
// an exception cannot travel through Qt. The first one kept is the one
// taken; nullptr when none.
void keepDriverExceptions(bool keep);
std::exception_ptr takeDriverException();

// The message atEventBoundary shows for `e`.
std::string boundaryMessage(const std::exception_ptr& e);

namespace detail {
template <class F, class R, class... A>
auto guardedCall(F f, R (F::*)(A...) const) {
    return [f = std::move(f)](A... args) { atEventBoundary([&] { f(std::forward<A>(args)...); }); };
}
}  // namespace detail

// `handler` (a lambda) wrapped so that it runs at the event boundary, with
// the same parameters, for QObject::connect.
template <class F>
auto guarded(F handler) {
    return detail::guardedCall(std::move(handler), &F::operator());
}

}  // namespace fo::qt
