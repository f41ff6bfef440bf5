#include "sim/scenario.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "sim/ini_file.h"

namespace sim {

const char* const kDefaultScenario = "[host]\n"
                                     "version = 2.23\n"
                                     "[gpu0]\n"
                                     "buses = 3\n"
                                     "other_bus = 0\n"
                                     "other_id = 0x0B\n"
                                     "chip_bus = 2\n"
                                     "[gpu1]\n"
                                     "buses = 2\n"
                                     "chip_bus = 1\n"
                                     "reg.0x17 = 0x3E\n";

namespace {

bool ParseNumber(const std::string& text, long long min, long long max, long long* out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return false;
    *out = value;
    return true;
}

bool ParseByte(const std::string& text, uint8_t* out)
{
    long long value;
    if (!ParseNumber(text, 0, 255, &value))
        return false;
    *out = static_cast<uint8_t>(value);
    return true;
}

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::size_t b = item.find_first_not_of(" \t");
        std::size_t e = item.find_last_not_of(" \t");
        if (b != std::string::npos)
            items.push_back(item.substr(b, e - b + 1));
    }
    return items;
}

bool Fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

bool LoadGpu(const IniSection& section, uint32_t index, Vt1165Model* model, std::string* error)
{
    const std::string where = "[" + section.name + "] ";
    long long buses = 0;
    const std::string* value = section.Find("buses");
    if (!value || !ParseNumber(*value, 0, 0xFFFFFFFFLL, &buses))
        return Fail(error, where + "needs buses = <count>");
    model->AddGpu(static_cast<uint32_t>(buses));

    if (const std::string* other = section.Find("other_bus")) {
        uint8_t bus, id = 0x0B;
        if (!ParseByte(*other, &bus))
            return Fail(error, where + "other_bus is not a bus number");
        if (const std::string* idText = section.Find("other_id"))
            if (!ParseByte(*idText, &id))
                return Fail(error, where + "other_id is not a byte");
        model->AddOtherDevice(index, bus, kVt1165Address, id);
    }

    Device* chip = nullptr;
    const std::string* chipBus = section.Find("chip_bus");
    if (chipBus && !EqualsIgnoreCase(*chipBus, "none")) {
        uint8_t bus;
        if (!ParseByte(*chipBus, &bus))
            return Fail(error, where + "chip_bus is not a bus number");
        // No bus holds two devices at one address (the model refuses them).
        if (model->Occupied(index, bus, kVt1165Address))
            return Fail(error, where + "chip_bus and other_bus name the same bus: two devices cannot share 0x70");
        chip = &model->AddVt1165(index, bus);
    }

    for (const auto& entry : section.entries) {
        const std::string& key = entry.first;
        if (key.compare(0, 4, "reg.") == 0) {
            uint8_t reg, byte;
            if (!chip)
                return Fail(error, where + key + " needs a chip_bus");
            if (!ParseByte(key.substr(4), &reg) || !ParseByte(entry.second, &byte))
                return Fail(error, where + key + " = " + entry.second + " is not register = byte");
            chip->regs[reg] = byte;
        } else if (EqualsIgnoreCase(key, "phase_temps")) {
            if (!chip)
                return Fail(error, where + "phase_temps needs a chip_bus");
            std::vector<std::string> items = SplitList(entry.second);
            for (std::size_t p = 0; p < items.size() && p < 6; ++p)
                if (!ParseByte(items[p], &chip->phaseTemps[p]))
                    return Fail(error, where + "phase_temps holds a value that is not a byte");
        } else if (EqualsIgnoreCase(key, "fail_registers") || EqualsIgnoreCase(key, "fail_buses")) {
            bool registers = EqualsIgnoreCase(key, "fail_registers");
            for (const std::string& item : SplitList(entry.second)) {
                uint8_t byte;
                if (!ParseByte(item, &byte))
                    return Fail(error, where + key + " holds a value that is not a byte");
                if (registers)
                    model->faults.failingRegisters.insert({index, byte});
                else
                    model->faults.failingBuses.insert({index, byte});
            }
        } else if (!EqualsIgnoreCase(key, "buses") && !EqualsIgnoreCase(key, "chip_bus") &&
                   !EqualsIgnoreCase(key, "other_bus") && !EqualsIgnoreCase(key, "other_id")) {
            return Fail(error, where + "unknown key " + key);
        }
    }
    return true;
}

}  // namespace

std::string DescribeModel(Vt1165Model& model)
{
    std::ostringstream out;
    for (uint32_t index = 0; index < model.GpuCount(); ++index) {
        const Gpu& gpu = *model.GpuAt(index);
        out << "GPU " << index << ": " << gpu.busCount << " I2C bus(es)";
        for (const Device& d : gpu.devices) {
            char text[80];
            std::snprintf(text, sizeof text, "; %s at 0x%02X (id 0x%02X) on bus %u", d.isVt1165 ? "VT1165" : "device",
                          static_cast<unsigned>(d.address), static_cast<unsigned>(d.regs[reg::kDeviceId]),
                          static_cast<unsigned>(d.bus));
            out << text;
        }
        out << "\n";
    }
    return out.str();
}

bool ParseHostVersion(const std::string& text, uint32_t* out)
{
    std::size_t dot = text.find('.');
    if (dot != std::string::npos && text.compare(0, 2, "0x") != 0) {
        long long major, minor;
        if (!ParseNumber(text.substr(0, dot), 0, 255, &major) || !ParseNumber(text.substr(dot + 1), 0, 255, &minor))
            return false;
        *out = static_cast<uint32_t>((major << 24) | (minor << 16));
        return true;
    }
    long long raw;
    if (!ParseNumber(text, 0, 0xFFFFFFFFLL, &raw))
        return false;
    *out = static_cast<uint32_t>(raw);
    return true;
}

bool LoadScenario(const std::string& text, Vt1165Model* model, std::string* error)
{
    IniFile ini;
    if (!ParseIni(text, &ini, error))
        return false;

    if (const IniSection* host = ini.Find("host"))
        if (const std::string* version = host->Find("version"))
            if (!ParseHostVersion(*version, &model->hostVersion))
                return Fail(error, "[host] version is neither major.minor nor a number");

    for (uint32_t index = 0; index < kMaxSimGpus; ++index) {
        const IniSection* gpu = ini.Find("gpu" + std::to_string(index));
        if (!gpu)
            break;
        if (!LoadGpu(*gpu, index, model, error))
            return false;
    }

    if (const IniSection* faults = ini.Find("faults")) {
        long long number;
        if (const std::string* v = faults->Find("fail_next")) {
            if (!ParseNumber(*v, 0, 0xFFFFFFFFLL, &number))
                return Fail(error, "[faults] fail_next is not a count");
            model->faults.failNext = static_cast<uint32_t>(number);
        }
        if (const std::string* v = faults->Find("fail_probability")) {
            char* end = nullptr;
            double p = std::strtod(v->c_str(), &end);
            if (v->empty() || *end != '\0' || !(p >= 0.0 && p <= 1.0))
                return Fail(error, "[faults] fail_probability is not between 0 and 1");
            model->faults.failProbability = p;
        }
        if (const std::string* v = faults->Find("seed")) {
            if (!ParseNumber(*v, 0, 0xFFFFFFFFLL, &number))
                return Fail(error, "[faults] seed is not a number");
            model->Seed(static_cast<uint32_t>(number));
        }
    }
    return true;
}

}  // namespace sim
