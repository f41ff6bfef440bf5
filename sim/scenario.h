// Scenarios for the host simulator: host version, GPUs, buses, where the chip
// sits, register values and faults, written as initialisation-file text.
//
//   [host]
//   version = 2.23            ; or a raw value such as 0x02170000
//   [gpu0]
//   buses = 3                 ; what GetI2CBusNumEx reports
//   chip_bus = 2              ; the VT1165's bus; "none" for no chip
//   other_bus = 0             ; optional second device at 0x70 (not on chip_bus) ...
//   other_id = 0x0B           ; ... with this identifier
//   reg.0x0E = 4              ; any VT1165 register
//   phase_temps = 60,61,62,63,64,65
//   fail_registers = 0x1E     ; every access to these registers fails
//   fail_buses = 1            ; every access on these buses fails
//   [faults]
//   fail_next = 0             ; the next N accesses fail
//   fail_probability = 0.1    ; each access fails with this probability
//   seed = 1
//
// GPU sections are numbered from 0 without gaps.
#pragma once

#include <string>

#include "sim/vt1165_model.h"

namespace sim {

// The scenario the simulator runs when none is given: a 2.23 host with two
// GPUs, each with a VT1165 (GPU 0 also has another device at 0x70).
extern const char* const kDefaultScenario;

// Builds the model from scenario text. Returns false with a message when the
// text or one of its values is not understood.
bool LoadScenario(const std::string& text, Vt1165Model* model, std::string* error);

// One line per GPU: its buses and where the chip and other devices sit.
std::string DescribeModel(Vt1165Model& model);

// Parses "2.23" as major 2, minor 23 (0x02170000) or a raw number.
bool ParseHostVersion(const std::string& text, uint32_t* out);

}  // namespace sim
