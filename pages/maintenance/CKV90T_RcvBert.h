#pragma once
// The receive BERT page: the six tester streams (I and Q data of channel 1, channel 2 and the
// combiner), each switched on and off, given a clock inversion and a PRN pattern, reset, and
// while on, its status read in turn with the other enabled streams by the page's Status thread.
// It never reads the tester setup back: it shows and sends the setup kept in the device state.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "pages/DevicePage.h"
#include "pages/page_messages.h"
#include "platform/pacing_thread.h"
#include "trends/series_ring.h"

enum : uint32_t {
    ID_RCV_BERT_STATUS_UPDATE = 0x5FF,
};

// The Status thread's run flag and the page's published window handle.
extern std::atomic<int> g_bRcvBertThreadRun;
extern std::atomic<platform::WindowHandle> g_hRcvBertWnd;

class CKV90T_RcvBert : public pages::DevicePage {
    Q_OBJECT
public:
    CKV90T_RcvBert(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);
    ~CKV90T_RcvBert() override;

    // One flag per tester stream (unit x 2 + stream): set exactly while the stream is shown as
    // enabled, and its status is polled while it is set.
    static std::atomic<int> s_bPollStream[6];

    // Shows every stream from the stored setup (it reads nothing from the device), which sets
    // the polling flags again from the stored enabled flags.
    void RefreshFromDevice() override;
    // Nothing is polled while the page is hidden.
    void OnLeaving() override;

    // "PN15" and the like; codes 19 to 31 are "Unused", beyond 31 "".
    static const char* PatternName(uint32_t code);

    // After each status read of a tester stream (unit x 2 + stream) that the device answered.
    std::function<void(int stream)> onStatusRead;

protected:
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    const char* PolledMessageName(uintptr_t message) const override;

private:
    void AddRules(int k);
    // The stream's stored setup to the device.
    int32_t SendSetup(int k);
    // A Q stream is there only in PSK mode with a submode that has a Q path.
    bool Available(int k) const;
    void ShowEnable(int k);
    void ShowInvertClock(int k);
    void ShowPattern(int k);
    void ShowStatus(int k);
    // The bit error rate of each enabled stream over the last minutes.
    void ShowErrorRates();
    void EndStatusThread();
    static void RunStatusThread(const platform::Pacer& pacer);

    platform::PacingThread m_thread{g_bRcvBertThreadRun, g_hRcvBertWnd};
    std::vector<trends::SeriesRing> m_errorRates{6, trends::SeriesRing(2048)};  // log10 of BER
};
