#pragma once

// The download workers of the whole process that have not yet returned. Workers
// are detached threads, so this is how the exit sequence learns whether it must
// end the process under them, and how tests wait before they free what a
// returning worker may still touch.
class CLiveWorkers
{
public:
    static void Enter();
    // The very last thing a worker does.
    static void Leave();
    static int Count();
    // True when none is left within the time.
    static bool WaitUntilNone(int milliseconds);
};
