#include "sim/host_policy.h"

#include <atomic>

namespace sim {

namespace {
std::atomic<HostPolicy*> g_policy{nullptr};
}  // namespace

void SetHostPolicy(HostPolicy* policy)
{
    g_policy = policy;
}
HostPolicy* CurrentHostPolicy()
{
    return g_policy;
}

int32_t SerialisedHost::Run(const std::function<int32_t()>& access)
{
    std::lock_guard<SerialisedHost> hardware(*this);
    return access();
}

#if !defined(_WIN32)
SerialisedHost::SerialisedHost() = default;
SerialisedHost::~SerialisedHost() = default;
void SerialisedHost::lock()
{
    hardware_.lock();
}
void SerialisedHost::unlock()
{
    hardware_.unlock();
}
#endif

UiQueueHost::UiQueueHost() : ui_(std::this_thread::get_id()) {}

int32_t UiQueueHost::Run(const std::function<int32_t()>& access)
{
    if (std::this_thread::get_id() == ui_)
        return access();
    // As SendMessage does: no bound; the UI thread must come round to it.
    Request request;
    request.access = &access;
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&request);
    served_.wait(lock, [&] { return request.done; });
    return request.result;
}

int UiQueueHost::Serve()
{
    int served = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!queue_.empty()) {
        Request* request = queue_.front();
        queue_.pop_front();
        lock.unlock();
        int32_t result = (*request->access)();
        lock.lock();
        request->result = result;
        request->done = true;
        ++served;
    }
    lock.unlock();
    if (served)
        served_.notify_all();
    return served;
}

}  // namespace sim
