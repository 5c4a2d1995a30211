#pragma once

#include <atomic>

struct _XDisplay;

namespace tavrel {

// Xlib's handler of a broken connection, and the one a toolkit puts in its place, end the whole
// program when any connection breaks, in whatever call meets it. The program's own service
// connections are marked lost instead, so that a service stops using its connection while the
// program ends its own way (and releases what it still can on the others).
void SurviveConnectionLoss(_XDisplay* display, std::atomic<bool>& lost);
// Closes a connection that SurviveConnectionLoss watched, lost or not.
void CloseOwnConnection(_XDisplay* display);

}  // namespace tavrel
