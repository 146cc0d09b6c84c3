#pragma once

#include <cstdint>
#include <vector>

struct xcb_connection_t;

// Asks the X server where the keyboard focus is now: true when the focus window
// is one of the given windows or a descendant of one. No focus, or focus that
// follows the pointer, belongs to none of them.
bool X11FocusIsIn(xcb_connection_t* connection, const std::vector<std::uint32_t>& windows);
