// The process-wide flags of the pages that worker threads read.

#include "pages/dau/CKV90T1_DAU_SetupChannelDlg.h"
#include "pages/maintenance/CKV90T_RcvBert.h"

std::atomic<int> g_bContinuousAdc[2] = {0, 0};
std::atomic<int> CKV90T_RcvBert::s_bPollStream[6] = {0, 0, 0, 0, 0, 0};
