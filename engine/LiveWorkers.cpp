#include "engine/LiveWorkers.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

struct Registry
{
    std::mutex mutex;
    std::condition_variable none;
    int count = 0;
};

// Never destroyed: a worker may still leave while the process ends.
Registry& TheRegistry()
{
    static Registry* registry = new Registry;
    return *registry;
}

} // namespace

void CLiveWorkers::Enter()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    ++registry.count;
}

void CLiveWorkers::Leave()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    if (--registry.count == 0)
        registry.none.notify_all();
}

int CLiveWorkers::Count()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.count;
}

bool CLiveWorkers::WaitUntilNone(int milliseconds)
{
    Registry& registry = TheRegistry();
    std::unique_lock lock(registry.mutex);
    return registry.none.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [&registry] { return registry.count == 0; });
}
