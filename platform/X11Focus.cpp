#include "platform/X11Focus.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

} // namespace

bool X11FocusIsIn(xcb_connection_t* connection, const std::vector<std::uint32_t>& windows)
{
    const ReplyPtr<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr), &std::free);
    if (!focus)
        return false;
    xcb_window_t window = focus->focus;
    while (window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT) {
        if (std::find(windows.begin(), windows.end(), window) != windows.end())
            return true;
        const ReplyPtr<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr), &std::free);
        if (!tree || tree->parent == tree->root)
            return false;
        window = tree->parent;
    }
    return false;
}
