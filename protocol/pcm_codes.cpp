#include "protocol/pcm_codes.h"

namespace protocol {

const CodeName kPcmCodes[25] = {
    {0, "NRZ-L"},          {1, "NRZ-M"},     {2, "NRZ-S"},     {3, "R11NRZ-L"},
    {4, "R11NRZ-M"},       {5, "R11NRZ-S"},  {6, "R15NRZ-L"},  {7, "R15NRZ-M"},
    {8, "R15NRZ-S"},       {9, "R17NRZ-L"},  {10, "R17NRZ-M"}, {11, "R17NRZ-S"},
    {12, "R23NRZ-L"},      {13, "R23NRZ-M"}, {14, "R23NRZ-S"}, {64, "BIO-L"},
    {65, "BIO-M"},         {66, "BIO-S"},    {67, "RZ"},       {68, "DM-M"},
    {69, "DM-S"},          {70, "DBIO-M"},   {71, "DBIO-S"},   {72, "Modified DM-M"},
    {73, "Modified DM-S"},
};

int PcmCodeRow(uint32_t code) {
    for (int row = 0; row < 25; ++row) {
        if (kPcmCodes[row].code == (code & 0x7F)) {
            return row;
        }
    }
    return 24;
}

bool IsPcmCode(uint32_t code) {
    return code <= 0x7F && kPcmCodes[PcmCodeRow(code)].code == code;
}

}  // namespace protocol
