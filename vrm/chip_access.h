// One-byte accesses to the VT1165 of a GPU through the host's I2C functions,
// at the bus and device address that detection stored in the GPU's context.
#pragma once

#include <cstdint>

// Reads one register of the GPU's chip into *value. Returns false, leaving
// *value alone, when the access fails or cannot be made: no chip on this GPU
// (m_dev 0 would address every device on the bus through the general call),
// no bound host function, or a GPU number out of range.
bool ReadChipRegister(uint32_t dwGpu, uint8_t reg, uint8_t* value);

// Writes one register of the GPU's chip; refuses like ReadChipRegister.
bool WriteChipRegister(uint32_t dwGpu, uint8_t reg, uint8_t value);
