#include "tests/support/safety_oracle.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "chip/vid_codes.h"
#include "exports/exports.h"
#include "tests/support/write_judge.h"

namespace test {

namespace {

constexpr uint32_t kFirstMultiGpuHost = 0x02170000u;  // older hosts address only the first GPU
constexpr uint32_t kMirrorGpu = 2;
const char* const kWindowCaption = "VRM Voltage Control";
const char* const kMultiGpuCaption = "Limited MultiGPU support";
const char* const kWarningCaption = "VT1165 Detection Failed";

const char* PressName(int answer)
{
    switch (answer) {
    case kUp: return "UP";
    case kDown: return "DOWN";
    case kExit: return "EXIT";
    default: return "failure";
    }
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

}  // namespace

std::string Format(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

SafetyOracle::SafetyOracle(PluginHarness& harness) : h_(harness) {}

bool SafetyOracle::IsBoxRule(const std::string& rule)
{
    static const char* const kBoxRules[] = {
        "window outside SetupSource",  "second window while one is up", "window text prints the no-value marker",
        "window text names device 00", "detection box inside another",  "detection box twice in one load"};
    for (const char* box : kBoxRules)
        if (rule == box)
            return true;
    return false;
}

bool SafetyOracle::OldHostMode() const
{
    return versionChecked_ && h_.model.hostVersion < kFirstMultiGpuHost;
}

void SafetyOracle::Log(const std::string& line)
{
    std::size_t depth = windows_.size() + static_cast<std::size_t>(detectionBoxesUp_);
    history_.push_back(std::string(2 * depth, ' ') + line);
}

void SafetyOracle::Note(const std::string& what)
{
    Sync();
    Log("outside: " + what);
}

int32_t SafetyOracle::SetupSource(uint32_t index, void* hWnd)
{
    Sync();
    uint32_t gpu = index >> 16;
    // An old host sets every GPU but the first up through GPU 1.
    Window window;
    window.gpu = OldHostMode() && gpu >= 1 ? 1 : gpu;
    Log(Format("SetupSource(0x%08X%s) on GPU %u", index, hWnd ? "" : ", no window", window.gpu));
    windows_.push_back(window);
    int32_t result = ::SetupSource(index, hWnd);
    Sync();
    windows_.pop_back();
    Log(Format("SetupSource(0x%08X) = %d", index, result));
    return result;
}

int32_t SafetyOracle::GetSourceDesc(uint32_t index, SourceDescriptor* desc)
{
    Sync();
    uint32_t gpu = index >> 16;
    const bool accepted = desc && gpu < 16 && h_.hostModulePresent;
    if (accepted && h_.missingExports.empty())
        versionChecked_ = true;
    Log(Format("GetSourceDesc(0x%08X)", index));
    int32_t result = ::GetSourceDesc(index, desc);
    Sync();
    // A request publishes its detection only once its scan is complete (the
    // scan's reads in the trace tell it, see Judge); until then, the
    // multi-GPU prompt included, the last detection stands. A request that
    // could not scan (a host function missing, no bus) publishes "no chip".
    if (accepted && result == 0 && (!h_.missingExports.empty() || (h_.model.BusCount(gpu) & 0xFFu) == 0))
        detected_.erase(gpu);
    auto chip = detected_.find(gpu);
    Log(Format("GetSourceDesc(0x%08X) = %d, GPU %u chip %s", index, result, gpu,
               chip == detected_.end() ? "not detected" : Format("on bus %u", chip->second).c_str()));
    return result;
}

void SafetyOracle::Shown(const PromptCall& call)
{
    Sync();
    Log("box \"" + call.caption + "\": " + FirstLine(call.text));
    if (call.caption == kWindowCaption) {
        if (windows_.empty()) {
            Fail(h_.model.trace.size(), "window outside SetupSource", call.text);
            return;
        }
        for (std::size_t i = 0; i + 1 < windows_.size(); ++i)
            if (windows_[i].boxUp)
                Fail(h_.model.trace.size(), "second window while one is up", FirstLine(call.text));
        Window& window = windows_.back();
        window.boxUp = true;
        window.press = Press::None;
        if (call.text.find("340282") != std::string::npos)
            Fail(h_.model.trace.size(), "window text prints the no-value marker", call.text);
        std::size_t parameters = call.text.find("/wi");
        if (parameters != std::string::npos) {
            std::size_t comma = call.text.find(',', parameters);
            if (comma != std::string::npos && call.text.compare(comma + 1, 3, "00,") == 0)
                Fail(h_.model.trace.size(), "window text names device 00", call.text);
        }
    } else if (call.caption == kMultiGpuCaption || call.caption == kWarningCaption) {
        if (detectionBoxesUp_ > 0)
            Fail(h_.model.trace.size(), "detection box inside another", call.caption);
        int& count = call.caption == kMultiGpuCaption ? multiGpuPrompts_ : detectionWarnings_;
        if (++count > 1)
            Fail(h_.model.trace.size(), "detection box twice in one load", call.caption);
        ++detectionBoxesUp_;
    }
}

int SafetyOracle::Answered(const PromptCall& call, int answer)
{
    Sync();
    if (call.caption == kWindowCaption && !windows_.empty()) {
        Window& window = windows_.back();
        window.boxUp = false;
        window.press = answer == kUp     ? Press::Up
                       : answer == kDown ? Press::Down
                       : answer == kExit ? Press::Exit
                                         : Press::None;
        window.atPress.clear();
        if (window.press != Press::None) {
            ++presses_;
            // What every device holds at the press, to judge the press's
            // writes: each found by the model's own lookup, so that the
            // snapshot is of the very device the writes reach.
            for (uint32_t gpu = 0; gpu < h_.model.GpuCount(); ++gpu)
                for (const sim::Device& d : h_.model.GpuAt(gpu)->devices)
                    if (h_.model.DeviceAt(gpu, d.bus, d.address) == &d)
                        window.atPress[DeviceKey(gpu, d.bus, d.address)] =
                            std::vector<uint8_t>(d.regs + sim::reg::kVidFirst, d.regs + sim::reg::kVid18 + 1);
        }
    } else if (call.caption == kMultiGpuCaption || call.caption == kWarningCaption) {
        if (detectionBoxesUp_ > 0)
            --detectionBoxesUp_;
        if (call.caption == kMultiGpuCaption && answer == kBothGpus)
            applyToBoth_ = true;
        else if (call.caption == kMultiGpuCaption && answer == kFirstGpuOnly)
            applyToBoth_ = false;
    }
    const char* name = call.caption == kWindowCaption ? PressName(answer) : "answer";
    Log(Format("%s (%d)", name, answer));
    return answer;
}

void SafetyOracle::Sync()
{
    const std::vector<sim::BusAccess>& trace = h_.model.trace;
    if (judged_ > trace.size())
        judged_ = 0;  // the test cleared the trace
    while (judged_ < trace.size())
        Judge(judged_++);
}

bool SafetyOracle::Check()
{
    Sync();
    return violations_.empty();
}

void SafetyOracle::Fail(std::size_t position, const char* rule, const std::string& why)
{
    ++rules_[rule];
    std::string message = Format("trace %zu: %s: ", position, rule) + why;
    if (!windows_.empty()) {
        const Window& window = windows_.back();
        static const char* const kPress[] = {"none", "UP", "DOWN", "EXIT"};
        message += Format(" [window on GPU %u, press %s]", window.gpu, kPress[static_cast<int>(window.press)]);
    }
    violations_.push_back(message);
    Log("VIOLATION " + message);
}

void SafetyOracle::Judge(std::size_t position)
{
    const sim::BusAccess& a = h_.model.trace[position];
    if (!a.write) {
        if (a.dev != sim::kVt1165Address)
            Fail(position, "device address other than 0x70",
                 Format("read at device 0x%02X (GPU %u bus %u reg 0x%02X): only 0x70 is ever addressed", a.dev, a.gpu,
                        a.bus, a.reg));
        // Detection: the scan reads the identification register bus by bus
        // from bus 0 and publishes what it found, or no chip, in the same
        // sequence, before any other access to that GPU.
        if (a.reg == sim::reg::kDeviceId && a.dev == sim::kVt1165Address) {
            if (a.bus == 0)
                detected_.erase(a.gpu);
            if (a.ok && a.value == sim::kVt1165Id)
                detected_[a.gpu] = a.bus;
        }
        return;
    }

    const std::string what = DescribeWrite(a);
    Log(what);
    // The rule every single write keeps (where it goes, which register, one
    // code at most); the rules below add which chip and which press.
    const std::string chipRule = BrokenWriteRule(a);

    auto chip = detected_.find(a.gpu);
    bool atChip = chip != detected_.end() && chip->second == a.bus && a.dev == sim::kVt1165Address;
    if (a.reg == 0x07 || a.reg == 0x08) {
        // The phase selection of a temperature reading.
        if (!atChip)
            Fail(position, "phase selection away from the chip", what);
        else if (!chipRule.empty())
            Fail(position, chipRule.c_str(), what);
        return;
    }
    if (!IsVidRegister(a.reg)) {
        Fail(position, chipRule.c_str(), what);
        return;
    }
    ++vidWrites_;

    if (windows_.empty() || windows_.back().press == Press::None) {
        Fail(position, "VID write without a press (polling, a descriptor request or inside a box)", what);
        return;
    }
    const Window& window = windows_.back();
    bool mirror = a.gpu == kMirrorGpu && window.gpu != kMirrorGpu && OldHostMode() && applyToBoth_;
    if (a.gpu != window.gpu && !mirror) {
        Fail(position, "VID write to a GPU other than the window's or the mirror", what);
        return;
    }
    if (mirror)
        ++mirrorWrites_;
    if (chip == detected_.end()) {
        Fail(position, "VID write to a GPU without a detected chip", what);
        return;
    }
    if (!atChip) {
        Fail(position, "VID write away from the GPU's detected bus and address",
             what + Format("; detected on bus %u", chip->second));
        return;
    }
    if (!chipRule.empty()) {
        Fail(position, chipRule.c_str(), what);
        if (!a.device)
            return;
    }

    if (window.press == Press::Exit) {
        if (a.value != a.before)
            Fail(position, "EXIT changes a value", what);
        return;
    }
    auto held = window.atPress.find(DeviceKey(a.gpu, a.bus, a.dev));
    if (held == window.atPress.end())
        return;  // no device there at the press: judged above
    int moved = VidCodeOf(a.value) - VidCodeOf(held->second[a.reg - sim::reg::kVidFirst]);
    bool up = window.press == Press::Up;
    if (up ? (moved < 0 || moved > 1) : (moved > 0 || moved < -1))
        Fail(position,
             up ? "UP moves the voltage other than up by at most one code"
                : "DOWN moves the voltage other than down by at most one code",
             what + Format("; 0x%02X held at the press, %+d codes", held->second[a.reg - sim::reg::kVidFirst], moved));
}

std::string SafetyOracle::History() const
{
    std::string text;
    for (const std::string& line : history_)
        text += line + "\n";
    return text;
}

}  // namespace test
