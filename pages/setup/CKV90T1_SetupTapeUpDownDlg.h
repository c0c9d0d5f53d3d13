#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_SetupTapeUpDownDlg : public StandInPage {
public:
    CKV90T1_SetupTapeUpDownDlg(CKV90T1_Comm*, uint32_t channel, int, QWidget* parent)
        : StandInPage(channel == 0   ? "Down Converter 1"
                      : channel == 1 ? "Down Converter 2"
                      : channel == 2 ? "Up Converter"
                                     : "Unknown",
                      parent) {}
};
