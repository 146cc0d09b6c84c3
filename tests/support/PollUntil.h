#pragma once

#include <functional>

// Checks the condition every few milliseconds, without running an event loop,
// until it holds or the time is up; true when it holds.
bool PollUntil(const std::function<bool()>& condition, int milliseconds);
