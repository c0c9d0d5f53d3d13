#pragma once
// The PCM codes the device takes, with the names the pages show: the one table for the pages
// and for kv90t-ctl's checks.

#include <cstdint>

namespace protocol {

struct CodeName {
    uint16_t code;
    const char* name;
};

// The 25 PCM codes, NRZ-L to "Modified DM-S".
extern const CodeName kPcmCodes[25];

// The row of a stored PCM code (its low 7 bits); a code not in the table gives row 24.
int PcmCodeRow(uint32_t code);
// Whether `code` is one of the table's codes as it stands (no bits beyond them).
bool IsPcmCode(uint32_t code);

}  // namespace protocol
