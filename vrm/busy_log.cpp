#include "vrm/busy_log.h"

#include "plugin/log.h"
#include "plugin/platform.h"

namespace {

constexpr uint32_t kLineEveryMs = 60000;

uint32_t Now()
{
    return g_platform.tickCountMs ? g_platform.tickCountMs() : 0;
}

}  // namespace

// Held for a few instructions, never across a call of the host or the log.
class BusyLog::Guard {
public:
    explicit Guard(BusyLog& log) : log_(log)
    {
        while (log_.guard_.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Guard() { log_.guard_.clear(std::memory_order_release); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    BusyLog& log_;
};

void BusyLog::NoteWentOnWithout(uint32_t waitStart)
{
    Guard guard(*this);
    if (!open_.load()) {
        open_.store(true);
        spellStart_ = waitStart;
    }
    ++calls_;
}

void BusyLog::NoteLockTaken(uint32_t dwGpu)
{
    if (!open_.load())
        return;
    const uint32_t now = Now();
    Summary summary;
    {
        Guard guard(*this);
        EndSpell(now);
        if (!lineWritten_ || now - lastLineAt_ >= kLineEveryMs)
            summary = TakeSummary(now);
    }
    Write(dwGpu, summary);
}

void BusyLog::Flush(uint32_t dwGpu)
{
    const uint32_t now = Now();
    Summary summary;
    {
        Guard guard(*this);
        EndSpell(now);
        summary = TakeSummary(now);
    }
    Write(dwGpu, summary);
}

void BusyLog::Reset()
{
    Guard guard(*this);
    open_.store(false);
    TakeSummary(0);
    lineWritten_ = false;
}

// Called with the guard held.
void BusyLog::EndSpell(uint32_t now)
{
    if (!open_.load())
        return;
    open_.store(false);
    ++spells_;
    const uint32_t length = now - spellStart_;
    if (length > longestMs_)
        longestMs_ = length;
}

// Called with the guard held.
BusyLog::Summary BusyLog::TakeSummary(uint32_t now)
{
    Summary summary;
    summary.calls = calls_;
    summary.spells = spells_;
    summary.longestMs = longestMs_;
    calls_ = spells_ = longestMs_ = 0;
    lastLineAt_ = now;
    lineWritten_ = true;
    return summary;
}

void BusyLog::Write(uint32_t dwGpu, const Summary& summary)
{
    if (summary.calls == 0)
        return;
    const char* calls = summary.calls == 1 ? "call" : "calls";
    if (summary.spells <= 1)
        LogPrintf("GPU %u was busy for %u ms: %u %s went on without waiting longer", dwGpu, summary.longestMs,
                  summary.calls, calls);
    else
        LogPrintf("GPU %u was busy %u times since the last such line, for at most %u ms: %u %s went on without "
                  "waiting longer",
                  dwGpu, summary.spells, summary.longestMs, summary.calls, calls);
}
