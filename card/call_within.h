#ifndef CARD_CALL_WITHIN_H
#define CARD_CALL_WITHIN_H

#include <functional>
#include <optional>

// A blocking system call with a time limit. It runs on a thread of its own; once timeoutMs have
// passed it is interrupted with a signal whose handler is installed without SA_RESTART, so that a
// call sleeping interruptibly returns EINTR, and the thread is joined: once this returns, the call
// has ended and nothing it does can come later. call gives back 0 or its errno.
//
// Gives back the call's result, ETIMEDOUT when it was interrupted, or nothing when it still had not
// given way graceMs after the limit (a sleep the signal cannot cut short). Only then is the call
// left to end on its thread, which then runs whenLeft with its result; the caller must not touch
// what whenLeft cleans up.
std::optional<int> callWithin(std::function<int()> call, int timeoutMs, int graceMs, std::function<void(int)> whenLeft);

#endif
