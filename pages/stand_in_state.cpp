// The process-wide flags of the pages that worker threads read.

#include "pages/dau/CKV90T1_DAU_SetupChannelDlg.h"

std::atomic<int> g_bContinuousAdc[2] = {0, 0};
