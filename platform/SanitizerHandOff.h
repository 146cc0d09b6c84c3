#pragma once

// What a thread wrote before it posted an event is seen by the thread the event
// is delivered on: Qt's event queue orders the two. The thread sanitizer cannot
// see that order inside a Qt built without it, so a post and its delivery also
// name a common token here, for it to see the same order. Anywhere else both
// are nothing.
#if defined(__SANITIZE_THREAD__)
#define VANDREL_THREAD_SANITIZER
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANDREL_THREAD_SANITIZER
#endif
#endif

#ifdef VANDREL_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>

// Just before the post.
inline void HandOffPosted(const void* token)
{
    __tsan_release(const_cast<void*>(token));
}
// First thing in the handler, before the event is read.
inline void HandOffReceived(const void* token)
{
    __tsan_acquire(const_cast<void*>(token));
}
#else
inline void HandOffPosted(const void*) {}
inline void HandOffReceived(const void*) {}
#endif
