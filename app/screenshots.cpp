// kv90t-screenshots: pictures of the console's windows against the simulated device, for the
// documentation and for looking at the layout. Writes PNG files into the folder it is given.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "link/CNetworkDeviceComm.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "shell/AlarmsWindow.h"
#include "shell/CKV90TDlg.h"
#include "shell/ReplayView.h"
#include "shell/TrendView.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"
#include "trends/mark.h"
#include "trends/status_log.h"
#include "ui/StripChart.h"

namespace {

using Prepare = std::function<void(CKV90T1_Comm&)>;
using Act = std::function<void(CKV90TDlg&)>;

// Changes the mode as the operator does, through the selector.
void PickMode(CKV90TDlg& window, const std::string& name) {
    for (int row = 0; row < window.RowCount(res::IDC_MODE_SELECTOR); ++row) {
        if (window.RowText(res::IDC_MODE_SELECTOR, row) == name) {
            window.Pick(res::IDC_MODE_SELECTOR, row);
        }
    }
}

// Shows the main window on a device for a while, so that the status panel fills, and saves it.
// `prepare` sets the device up before the window opens, `act` works the window once it shows.
bool Capture(const sim::Profile* profile, const QString& path, int tab = 0,
             const Prepare& prepare = {}, const Act& act = {}) {
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, profile != nullptr ? *profile : sim::DefaultProfile());
    sim::SimServer server(device);
    if (profile != nullptr && !server.ListenTcp(0)) {
        return false;
    }
    server.Start();
    // Without a profile nothing listens: the device does not answer.
    CNetworkDeviceComm link("127.0.0.1", profile != nullptr ? server.TcpPort() : 1);
    CKV90T1_Comm comm(&link);
    const CKV90T1_Comm::ShorterTimeout shorter(comm, 200);
    if (prepare) {
        prepare(comm);
    }
    CKV90TDlg window(&comm, 0);
    window.SetUseEthernet(1);  // the pictures show the console on its TCP link
    window.SetDeviceIpAddress("127.0.0.1");
    window.SetSavesSettings(false);
    window.show();
    window.Pick(res::IDC_TAB, tab);
    if (act) {
        act(window);
    }
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1500) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    window.close();
    return saved;
}

// The trend view after five minutes of polls: the device is polled 300 times in a row and each
// poll is recorded a second after the one before, so that the picture needs no five minutes.
bool CaptureTrends(const QString& path) {
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile());
    sim::SimServer server(device);
    if (!server.ListenTcp(0)) {
        return false;
    }
    server.Start();
    CNetworkDeviceComm link("127.0.0.1", server.TcpPort());
    CKV90T1_Comm comm(&link);
    CKV90TDlg window(&comm, 0);
    window.SetSavesSettings(false);
    window.show();
    QElapsedTimer settle;  // the simulated device locks a moment after the start-up setups
    settle.start();
    while (settle.elapsed() < 1500) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    const int64_t start = platform::UtcNowMs() - 300'000;
    for (int64_t second = 0; second < 300; ++second) {
        for (int path = 0; path < 3; ++path) {
            const bool read = comm.ReadChannelStatus(uint32_t(path)) != 0 &&
                              comm.ReadFrameSyncStatus(uint32_t(path)) != 0;
            const bool dropped = second >= 200 && second < 205;  // a few polls that failed
            window.Recorder().Record(path, start + second * 1000,
                                     read && !dropped ? &comm.m_ChannelStatus[path] : nullptr);
        }
    }
    TrendView& view = window.ShowTrends();
    QApplication::processEvents();
    view.SetCursorColumn(view.Chart().PlotColumns() * 2 / 3);
    QApplication::processEvents();
    const bool saved = view.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    window.close();
    return saved;
}

// The main window with a red alarm (channel 1 has lost its lock, on a device whose clock stands
// in the scenario's drop) and a yellow one (channel 2's RSSI under a bound above it), then the
// Alarms window with both.
bool CaptureAlarms(const QString& folder) {
    sim::ManualClock clock;
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile(), &clock);
    sim::SimServer server(device);
    if (!server.ListenTcp(0)) {
        return false;
    }
    server.Start();
    clock.Advance(5'000);
    simulation.SetScenario(sim::Scenario::kCarrierDrop);
    clock.Advance(11'000);
    CNetworkDeviceComm link("127.0.0.1", server.TcpPort());
    CKV90T1_Comm comm(&link);
    const QTemporaryDir config;
    const alarms::LimitLibrary library(config.path().toStdString());
    library.Save("default", R"({"format": "kv90t-limits", "version": 1, "paths": {
        "CH1": {"carrierLock": {"severity": "red", "persistence": 2}},
        "CH2": {"rssi": {"yellowLow": -55, "redLow": -100, "persistence": 2}}}})");
    CKV90TDlg window(&comm, 0);
    window.SetProgramFolder(config.path().toStdString());
    window.SetSavesSettings(false);
    window.WatchAlarms(library);
    const platform::BeepRecorder silent;
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2500) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    bool saved = window.grab().save(folder + "/main-window-alarms.png");
    AlarmsWindow& alarms = window.ShowAlarms();
    QApplication::processEvents();
    saved = alarms.grab().save(folder + "/alarms-window.png") && saved;
    std::printf("%s %s/main-window-alarms.png and alarms-window.png\n",
                saved ? "wrote" : "could not write", folder.toLocal8Bit().constData());
    window.close();
    return saved;
}

}  // namespace

// A replay of an hour-long log with two marks and a carrier loss that a limit set marks as an
// interval in alarm, the cursor on the loss.
bool CaptureReplay(const QString& folder) {
    const QTemporaryDir data;
    const std::string log = data.path().toStdString() + "/status-2026-12-10.csv";
    const int64_t start = 1'797'000'000'000 / 3'600'000 * 3'600'000;
    {
        std::ofstream file(log);
        file << trends::StatusLog::Heading() << "\n";
        for (int64_t second = 0; second < 3600; ++second) {
            protocol::ChannelStatus s;
            const double fade = second > 1500 && second < 2100 ? (second - 1500) / 20.0 : 0;
            s.rssi = float(-62 - fade - double(second % 9) / 3 + std::sin(double(second) / 90) * 3);
            s.carrierLock = second >= 1800 && second < 1900 ? 0 : 1;
            s.symbolLock = s.carrierLock;
            s.carrierFrequency = float(1200 + std::sin(double(second) / 300) * 400);
            s.symbolRate = 10'000'000;
            s.fmModIndex = 0.7f;
            file << trends::StatusLog::Line(start + second * 1000, 0, &s) << "\n";
            if (second == 600 || second == 3000) {
                file << trends::MarkLine(start + second * 1000,
                                         second == 600 ? "AOS, antenna 2" : "LOS")
                     << "\n";
            }
        }
    }
    const alarms::LimitLibrary library(data.path().toStdString() + "/limits");
    library.Save("pass", R"({"format": "kv90t-limits", "version": 1, "paths": {
        "CH1": {"carrierLock": {"severity": "red", "persistence": 2},
                "rssi": {"yellowLow": -80, "persistence": 3}}}})");
    ReplayView replay({log}, &library, data.path().toStdString() + "/", nullptr);
    replay.show();
    auto wait = [&] {
        while (replay.Loading()) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    };
    wait();
    replay.UseLimitSet("pass");
    wait();
    replay.View().Zoom(-3, 0);
    replay.Seek(start + 1850 * 1000);
    QApplication::processEvents();
    const bool saved = replay.grab().save(folder + "/replay-view.png");
    std::printf("%s %s/replay-view.png\n", saved ? "wrote" : "could not write",
                folder.toLocal8Bit().constData());
    return saved;
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? argv[1] : "screenshots";
    QDir().mkpath(folder);
    bool ok = Capture(sim::FindProfile("full"), folder + "/main-window-psk.png");
    ok = Capture(sim::FindProfile("dau"), folder + "/main-window-dau.png") && ok;
    ok = Capture(sim::FindProfile("full"), folder + "/main-window-dau-after-psk.png", 0, {},
                 [](CKV90TDlg& window) { PickMode(window, "DAU"); }) &&
         ok;
    ok = Capture(nullptr, folder + "/main-window-no-device.png") && ok;
    ok = Capture(sim::FindProfile("pcmfm"), folder + "/pcmfm-channel-page.png", 0) && ok;
    ok = Capture(sim::FindProfile("pcmfm"), folder + "/pcmfm-combiner-page.png", 2) && ok;
    ok = Capture(sim::FindProfile("full"), folder + "/psk-channel-page.png", 0) && ok;
    ok = Capture(sim::FindProfile("full"), folder + "/psk-combiner-page.png", 2) && ok;
    sim::Profile multiH = sim::DefaultProfile();
    multiH.startMode = 6;
    ok = Capture(&multiH, folder + "/mhcpm-channel-page.png", 0) && ok;
    ok = Capture(sim::FindProfile("full"), folder + "/communications-page.png", 6) && ok;
    sim::Profile bitSync = sim::DefaultProfile();
    bitSync.startMode = 1;
    ok = Capture(&bitSync, folder + "/bitsync-channel-page.png", 0) && ok;
    sim::Profile tape = sim::DefaultProfile();
    tape.startMode = 11;
    ok = Capture(&tape, folder + "/tape-up-converter-page.png", 2) && ok;
    // Channel 1 I and channel 2 I counting.
    const Prepare twoTesters = [](CKV90T1_Comm& comm) {
        for (uint32_t unit : {0u, 1u}) {
            protocol::BertStream& b = comm.m_Bert[unit * 2];
            b.enabled = 1;
            comm.SendBertSetup(unit, 0, b.enabled, b.invertClock, b.pattern, b.lengthValue, b.word,
                               b.byteValue, b.modeValue);
        }
    };
    ok = Capture(sim::FindProfile("full"), folder + "/rcv-bert-page.png", 3, twoTesters) && ok;
    const Act scrollToErrorRates = [](CKV90TDlg& window) {
        window.Pages().ScrollTo(
            window.Pages().PageAt(PageHost::kRcvBert)->Control(res::IDC_BERT_CHART));
    };
    ok = Capture(sim::FindProfile("full"), folder + "/rcv-bert-chart.png", 3, twoTesters,
                 scrollToErrorRates) &&
         ok;
    // A stream from the simulated device, shown but not recorded, the page scrolled to the
    // datagram header.
    const Act streamChannel1 = [](CKV90TDlg& window) {
        ui::CPage* page = window.Pages().PageAt(PageHost::kDauCh1);
        page->Click(res::IDC_DAU_SAVE_BINARY);
        page->Click(res::IDC_DAU_REQUEST_DATA);
        QApplication::processEvents();
        window.Pages().ScrollTo(page->Control(res::IDC_DAU_HEADER_GROUP));
    };
    ok =
        Capture(sim::FindProfile("dau"), folder + "/dau-channel-page.png", 0, {}, streamChannel1) &&
        ok;
    const Act waveform = [&streamChannel1](CKV90TDlg& window) {
        streamChannel1(window);
        window.Pages().ScrollTo(
            window.Pages().PageAt(PageHost::kDauCh1)->Control(res::IDC_DAU_WAVEFORM));
    };
    ok = Capture(sim::FindProfile("dau"), folder + "/dau-waveform.png", 0, {}, waveform) && ok;
    ok = CaptureTrends(folder + "/trend-view.png") && ok;
    ok = CaptureAlarms(folder) && ok;
    ok = CaptureReplay(folder) && ok;
    ok = Capture(sim::FindProfile("full"), folder + "/nand-flash-page.png", 4) && ok;
    ok = Capture(sim::FindProfile("full"), folder + "/system-page.png", 5) && ok;
    // An FPGA configuration memory update under way, the page scrolled to its progress.
    const std::string image = (folder + "/kv90T_screenshot.bin").toStdString();
    std::ofstream(image, std::ios::binary) << std::string(1 << 20, '\x5A');
    const Act fpgaUpdate = [&image](CKV90TDlg& window) {
        ui::CPage* page = window.Pages().PageAt(PageHost::kSystem);
        page->SetText(res::IDC_SYS_FPGA_PATH, image);
        page->Click(res::IDC_SYS_FPGA_LOAD);
        QApplication::processEvents();
        window.Pages().ScrollTo(page->Control(res::IDC_SYS_PROGRESS_GROUP));
    };
    ok = Capture(sim::FindProfile("full"), folder + "/system-page-fpga-update.png", 5, {},
                 fpgaUpdate) &&
         ok;
    std::remove(image.c_str());
    ok = Capture(sim::FindProfile("dau"), folder + "/dau-time-page.png", 2) && ok;
    ok = Capture(sim::FindProfile("dau"), folder + "/dau-bit-page.png", 3) && ok;
    return ok ? 0 : 1;
}
