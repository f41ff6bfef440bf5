#include "tests/support/hostile_host.h"

#include <cstdio>
#include <string>

#include "exports/exports.h"

namespace test {

HostileHost::HostileHost(PluginHarness& harness, SafetyOracle& oracle, Choose choose)
    : h_(harness), oracle_(oracle), choose_(std::move(choose))
{
}

void HostileHost::BuildGpus()
{
    sim::Vt1165Model& model = h_.model;
    model.hostVersion = OneIn(2) ? kOldHost : 0x02170000u;
    uint32_t gpus = 3 + Pick(2);
    for (uint32_t gpu = 0; gpu < gpus; ++gpu) {
        bool pair = gpu == 1 || gpu == 2;
        uint32_t busCount = pair ? 1 + Pick(3) : Pick(5);
        if (busCount == 4)
            busCount = 256;  // the low byte counts: no bus
        uint8_t chipBus = static_cast<uint8_t>(Pick(busCount ? (busCount > 3 ? 3 : busCount) : 1));
        const sim::Device* first = gpu == 2 ? model.Vt1165Of(1) : nullptr;
        if (first && !OneIn(3)) {
            // The pair on the same bus, as two cards of one type are.
            busCount = model.GpuAt(1)->busCount;
            chipBus = first->bus;
        }
        model.AddGpu(busCount);
        if (!pair && OneIn(4)) {
            // Another device at 0x70 on one of the first three buses, never
            // on the chip's: no bus holds two devices at one address.
            uint32_t otherBus = Pick(2);
            if (otherBus >= chipBus)
                ++otherBus;
            model.AddOtherDevice(gpu, static_cast<uint8_t>(otherBus), 0x70, static_cast<uint8_t>(Pick(256)));
        }
        if (!pair && OneIn(4))
            continue;  // no chip
        sim::Device& chip = model.AddVt1165(gpu, chipBus);
        chip.regs[0x1C] = static_cast<uint8_t>(Pick(256));
        for (int r = 0x15; r <= 0x18; ++r)
            chip.regs[r] = static_cast<uint8_t>(Pick(256));
        if (first && !OneIn(4)) {
            // GPU 2 in step with GPU 1, or a code off, or using another register.
            if (!OneIn(4))
                chip.regs[0x1C] = first->regs[0x1C];
            for (int r = 0x15; r <= 0x18; ++r)
                chip.regs[r] = static_cast<uint8_t>(first->regs[r] + Pick(3) - 1);
        }
    }
    model.faults.failProbability = Pick(4) * 0.08;
    model.Seed(Pick(1u << 16));
}

void HostileHost::Start()
{
    oracle_.SetupSource(0x00000002u, nullptr);
    for (uint32_t gpu = 0; gpu < h_.model.GpuCount(); ++gpu)
        DescribeFailingAtTimes(gpu);
}

void HostileHost::DescribeFailingAtTimes(uint32_t gpu)
{
    // Detection fails at times: the identification register does not answer.
    bool fail = OneIn(4);
    bool added = fail && h_.model.faults.failingRegisters.insert({gpu, 0x1A}).second;
    SourceDescriptor desc = {};
    desc.dwDescVersion = 0x00010003u;
    oracle_.GetSourceDesc(gpu << 16 | Pick(11), &desc);
    if (added)
        h_.model.faults.failingRegisters.erase({gpu, 0x1A});
}

void HostileHost::OutsideChange()
{
    uint32_t gpu = Pick(static_cast<uint32_t>(h_.model.GpuCount()));
    sim::Device* chip = h_.model.Vt1165Of(gpu);
    if (!chip)
        return;
    uint8_t& control = chip->regs[0x1C];
    switch (Pick(3)) {
    case 0: {
        // A power-state switch: another VID register becomes the one in use.
        uint8_t old = control;
        control = static_cast<uint8_t>((control & ~0x30) | Pick(4) << 4);
        oracle_.Note(Format("GPU %u 0x1C 0x%02X -> 0x%02X", gpu, old, control));
        break;
    }
    case 1: {
        // The register in use moves by a few codes.
        uint8_t& vid = chip->regs[0x15 + ((control >> 4) & 3)];
        uint8_t old = vid;
        int delta = static_cast<int>(Pick(17)) - 8;
        vid = static_cast<uint8_t>((vid & 0x80) | ((vid + delta) & 0x7F));
        oracle_.Note(Format("GPU %u VID in use 0x%02X -> 0x%02X", gpu, old, vid));
        break;
    }
    default: {
        uint8_t reg = static_cast<uint8_t>(0x15 + Pick(4));
        uint8_t old = chip->regs[reg];
        chip->regs[reg] = static_cast<uint8_t>(Pick(256));
        oracle_.Note(Format("GPU %u reg 0x%02X 0x%02X -> 0x%02X", gpu, reg, old, chip->regs[reg]));
        break;
    }
    }
}

void HostileHost::Reenter(const PromptCall& call)
{
    // The host's timers keep running inside the box's message loop.
    uint32_t gpus = static_cast<uint32_t>(h_.model.GpuCount());
    for (uint32_t n = Pick(4); n > 0; --n) {
        switch (Pick(6)) {
        case 0: GetSourceData(Pick(gpus) << 16 | Pick(11)); break;
        case 1: OutsideChange(); break;
        case 2: {
            // The GPU this window is about (its text shows the number less
            // one), or any GPU.
            uint32_t gpu = Pick(gpus);
            int shown = 0;
            if (call.caption == "VRM Voltage Control" && OneIn(2) &&
                std::sscanf(call.text.c_str(), "GPU=%d", &shown) == 1)
                gpu = static_cast<uint32_t>(shown + 1) % 16;
            DescribeFailingAtTimes(gpu);
            break;
        }
        case 3:
            if (depth_ < maxDepth)
                oracle_.SetupSource(Pick(gpus) << 16, kHostWindow);
            break;
        default: break;
        }
    }
}

int HostileHost::WindowAnswer()
{
    if (pressesLeft <= 0)
        return kExit;
    switch (Pick(20)) {
    case 0: return OneIn(2) ? -1 : 2;  // the box could not be shown
    case 1:
    case 2:
    case 3:
    case 4: return kExit;
    default: --pressesLeft; return OneIn(2) ? kUp : kDown;
    }
}

int HostileHost::Prompt(const PromptCall& call)
{
    oracle_.Shown(call);
    ++depth_;
    if (depth_ <= maxDepth && pressesLeft > 0)
        Reenter(call);
    --depth_;
    int answer = 1;
    if (call.caption == "VRM Voltage Control")
        answer = WindowAnswer();
    else if (call.caption == "Limited MultiGPU support")
        answer = OneIn(5) ? kFirstGpuOnly : kBothGpus;
    return oracle_.Answered(call, answer);
}

void HostileHost::Step()
{
    uint32_t gpus = static_cast<uint32_t>(h_.model.GpuCount());
    switch (Pick(10)) {
    case 0:
    case 1:
    case 2:
    case 3: oracle_.SetupSource(Pick(gpus) << 16, kHostWindow); break;
    case 4:
    case 5:
    case 6: GetSourceData(Pick(gpus) << 16 | Pick(11)); break;
    case 7:
    case 8: DescribeFailingAtTimes(Pick(gpus)); break;
    default: OutsideChange(); break;
    }
}

}  // namespace test
