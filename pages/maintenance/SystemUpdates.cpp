#include "pages/maintenance/SystemUpdates.h"

#include <system_error>

#include "pages/DevicePage.h"
#include "pages/page_messages.h"
#include "pages/polling_turn.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "transfer/firmware_update.h"
#include "ui/Format.h"
#include "ui/InputBlocker.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"
#include "ui/WaitCursor.h"

using namespace res;

std::atomic<int> g_bSystemThreadRun{1};
std::atomic<platform::WindowHandle> g_hSystemWnd{0};
std::atomic<int> g_bEepromErasePoll{0};
std::atomic<int> g_bEepromProgramPoll{0};

namespace {

constexpr int kDspFlashSteps = 60;

void ShowRefusal(QWidget* parent, const firmware::Refusal& refusal) {
    ui::MessageBox(parent, refusal.text, refusal.title);
}

// Sets a flag the page thread paces on and wakes its pauses to notice.
void SetPoll(std::atomic<int>& flag, int value) {
    flag = value;
    platform::WakePauses();
}

}  // namespace

SystemUpdates::SystemUpdates(pages::DevicePage& page, ui::RuleEngine& rules, PageHooks hooks)
    : m_page(page), m_hooks(std::move(hooks)) {
    for (int n = 0; n < 2; ++n) {
        m_page.SetRange(IDC_SYS_PROGRESS[n], 0, 255);
        m_page.SetPos(IDC_SYS_PROGRESS[n], 0);
    }
    m_page.Enable(IDC_SYS_CANCEL, false);
    AddRules(rules);
    g_bEepromErasePoll = 0;
    g_bEepromProgramPoll = 0;
    try {
        m_thread.Start(&SystemUpdates::RunPageThread);
    } catch (const std::system_error&) {
        platform::DebugOutput("Unable to start System thread.\r\n");
    }
    m_thread.Publish(m_page.Handle());
}

SystemUpdates::~SystemUpdates() {
    g_bEepromErasePoll = 0;
    g_bEepromProgramPoll = 0;
    m_thread.Stop(2000);
    EndFpga();
}

void SystemUpdates::ApplyAvailability(bool readIdentity) {
    CKV90T1_Comm& comm = m_page.Comm();
    if (readIdentity && comm.m_Identity.identityRead == 0) {
        comm.ReadDeviceIdentity();
    }
    const bool usable = !firmware::NetworkUpdateRefusal(comm);
    for (int n = 0; n < 2; ++n) {
        for (int id : {IDC_SYS_PROGRESS[n], IDC_SYS_PROGRESS_CAPTION[n], IDC_SYS_DSP_PATH[n],
                       IDC_SYS_DSP_BROWSE[n], IDC_SYS_DSP_LOAD[n]}) {
            m_page.Enable(id, usable);
        }
    }
    for (int id : IDC_SYS_MEMORY) {
        m_page.Enable(id, usable);
    }
    for (int id : {IDC_SYS_FPGA_PATH, IDC_SYS_FPGA_BROWSE, IDC_SYS_FPGA_LOAD}) {
        m_page.Enable(id, usable);
    }
}

void SystemUpdates::AddRules(ui::RuleEngine& rules) {
    using ui::QuietRule;
    rules.Add(IDC_SYS_FPGA_BROWSE,
              QuietRule([this] { Browse(firmware::Image::Fpga, IDC_SYS_FPGA_PATH); }));
    rules.Add(IDC_SYS_FPGA_LOAD, QuietRule([this] { LoadFpga(); }));
    rules.Add(IDC_SYS_CANCEL, QuietRule([this] { CancelFpga(); }));
    for (int n = 0; n < 2; ++n) {
        const auto image = n == 0 ? firmware::Image::Dsp1 : firmware::Image::Dsp2;
        rules.Add(IDC_SYS_DSP_BROWSE[n],
                  QuietRule([this, image, n] { Browse(image, IDC_SYS_DSP_PATH[n]); }));
        rules.Add(IDC_SYS_DSP_LOAD[n], QuietRule([this, n] { LoadDsp(n); }));
    }
}

void SystemUpdates::Browse(firmware::Image image, int pathId) {
    const std::string path =
        ui::GetOpenFileName(&m_page, "", m_page.ProgramFolder(), "Binary Files (*.bin)|*.bin|");
    if (path.empty()) {
        return;
    }
    if (const auto refusal = firmware::BrowseRefusal(image, path)) {
        ShowRefusal(&m_page, *refusal);
        return;
    }
    m_page.SetTextWhole(pathId, path);
}

// The image is read and its size checked before the device is put into flash mode.
void SystemUpdates::LoadDsp(int dsp) {
    ui::WaitCursor wait;
    const uint64_t start = platform::TickCount64();
    m_page.SetText(IDC_SYS_PROGRESS_CAPTION[0], "Uploading:");
    m_page.SetText(IDC_SYS_PROGRESS_CAPTION[1], "Writing:");
    m_page.SetPos(IDC_SYS_PROGRESS[0], 0);
    m_page.SetRange(IDC_SYS_PROGRESS[1], 0, kDspFlashSteps);
    m_page.SetPos(IDC_SYS_PROGRESS[1], 0);
    const firmware::ImageFile file =
        firmware::ReadDspImage(dsp, m_page.Text(IDC_SYS_DSP_PATH[dsp]));
    if (file.error) {
        platform::DebugOutput(file.error->text + "\r\n");
        ShowRefusal(&m_page, *file.error);
        return;
    }
    platform::PostMessage(m_hMainWindow, UWM_STOP_STATUS_POLLING);
    const bool flashed =
        firmware::FlashDsp(m_page.Comm(), dsp, file.bytes, [this](size_t done, size_t total) {
            m_page.SetRange(IDC_SYS_PROGRESS[0], 0, static_cast<int>(total));
            m_page.SetPos(IDC_SYS_PROGRESS[0], static_cast<int>(done));
            ui::RepaintHoldingInput();
            return true;
        });
    if (flashed) {
        platform::Beep(1000, 10);
        WaitForDspFlash();
        platform::Beep(1000, 100);
        const std::string text = firmware::DspCompletedText(dsp);
        ui::MessageBox(&m_page, text, firmware::DspCompletedTitle(dsp), ui::MessageIcon::None);
        platform::DebugOutput(text + "\r\n");
        if (QWidget* top = m_page.window(); top != &m_page) {
            QMetaObject::invokeMethod(top, "close", Qt::QueuedConnection);
        }
    } else {
        ui::FeedbackBeep(false);
        ui::MessageBox(&m_page, "Communication Error", "Communication Error");
    }
    const uint64_t seconds = (platform::TickCount64() - start) / 1000;
    platform::DebugPrintf("Elapsed Time: %u:%.2u\r\n", static_cast<unsigned>(seconds / 60),
                          static_cast<unsigned>(seconds % 60));
}

void SystemUpdates::WaitForDspFlash() {
    const int step = static_cast<int>(firmware::dspSettleMs / kDspFlashSteps);
    for (int second = 1; second <= kDspFlashSteps; ++second) {
        ui::RepaintFor(step);
        m_page.SetPos(IDC_SYS_PROGRESS[1], second);
    }
}

// The path is checked and the image read before the erase, so that a refused or unreadable
// file never leaves a configuration memory erased for nothing.
void SystemUpdates::LoadFpga() {
    if (FpgaUpdating()) {
        return;
    }
    m_nFpgaStart = platform::TickCount64();
    firmware::ImageFile file = firmware::ReadFpgaImage(m_page.Text(IDC_SYS_FPGA_PATH));
    if (file.error) {
        ShowRefusal(&m_page, *file.error);
        return;
    }
    platform::PostMessage(m_hMainWindow, UWM_STOP_STATUS_POLLING);
    m_pWait = std::make_unique<ui::WaitCursor>();
    m_fpga = std::make_unique<firmware::FpgaUpdate>(m_page.Comm(), m_hooks.selectedMemory(),
                                                    std::move(file.bytes));
    if (const auto refusal = m_fpga->Start()) {
        EndFpga();
        ShowRefusal(nullptr, *refusal);
        return;
    }
    ShowFpgaStarted();
}

void SystemUpdates::ShowFpgaStarted() {
    m_page.SetText(IDC_SYS_PROGRESS_CAPTION[0], "Bulk Erase:");
    m_page.SetText(IDC_SYS_PROGRESS_CAPTION[1], "Prgrm Pages:");
    m_page.SetText(IDC_SYS_IMAGE_LENGTH,
                   ui::GroupThousands(static_cast<int64_t>(m_fpga->ImageBytes())));
    m_page.SetRange(IDC_SYS_PROGRESS[0], 0, 255);
    m_page.SetPos(IDC_SYS_PROGRESS[0], 0);
    m_page.SetRange(IDC_SYS_PROGRESS[1], 0, static_cast<int>(m_fpga->Pages()));
    m_page.SetPos(IDC_SYS_PROGRESS[1], 0);
    m_page.SetText(IDC_SYS_PROGRAMMED, "");
    m_page.Enable(IDC_SYS_CANCEL, true);
    m_pBlock = std::make_unique<ui::InputBlocker>(m_page.Control(IDC_SYS_CANCEL));
    m_pOperation = std::make_unique<ui::LongOperation>();
    SetPoll(g_bEepromErasePoll, 1);
}

void SystemUpdates::PollErase() {
    if (!FpgaUpdating()) {
        return;
    }
    if (ui::LongOperation::StopRequested()) {
        CancelFpga();
        return;
    }
    m_page.SetPos(IDC_SYS_PROGRESS[0], std::min(m_page.Pos(IDC_SYS_PROGRESS[0]) + 1, 255));
    if (!m_fpga->PollErase()) {
        return;
    }
    m_page.SetPos(IDC_SYS_PROGRESS[0], 255);
    g_bEepromErasePoll = 0;
    SetPoll(g_bEepromProgramPoll, 1);
}

// A round of pages. A page that fails is tried again, as long as it takes, but in the next
// round: between attempts the window handles Cancel and a close, and says which page waits for
// its answer.
void SystemUpdates::ProgramPages() {
    g_bEepromProgramPoll = 0;
    if (!FpgaUpdating()) {
        return;
    }
    if (ui::LongOperation::StopRequested()) {
        CancelFpga();
        return;
    }
    bool roundOk = false;
    {
        // An unanswered page waits its whole time-out: the window keeps painting meanwhile.
        const CKV90T1_Comm::WaitReport waits(m_page.Comm(),
                                             [](uint32_t) { ui::RepaintHoldingInput(); });
        roundOk = m_fpga->ProgramRound();
    }
    m_page.SetText(
        IDC_SYS_TRANSFER_STATE,
        roundOk ? std::string()
                : ui::Printf("page %u not answered, retrying (attempt %d)",
                             static_cast<unsigned>(m_fpga->ProgrammedBytes() / firmware::kFpgaPage),
                             m_fpga->FailedAttempts() + 1));
    m_page.SetPos(IDC_SYS_PROGRESS[1],
                  static_cast<int>(m_fpga->ProgrammedBytes() / firmware::kFpgaPage));
    if (m_fpga->Programmed()) {
        FinishFpga();
        return;
    }
    if (roundOk) {
        m_page.SetText(IDC_SYS_PROGRAMMED, ui::GroupThousands(m_fpga->ProgrammedBytes()));
    }
    SetPoll(g_bEepromProgramPoll, 1);
}

void SystemUpdates::FinishFpga() {
    const std::unique_ptr<firmware::FpgaUpdate> update = std::move(m_fpga);
    EndFpga();
    const bool restored = update->Finish();
    m_hooks.showMemories(update->SystemPagesRead());
    if (restored) {
        m_page.SetText(IDC_SYS_PROGRAMMED, ui::GroupThousands(update->ProgrammedBytes()));
    }
    const std::string elapsed = firmware::ElapsedText(platform::TickCount64() - m_nFpgaStart);
    ui::MessageBox(&m_page, firmware::kFpgaCompletedText, elapsed, ui::MessageIcon::Information);
    platform::DebugOutput(elapsed);
}

void SystemUpdates::CancelFpga() {
    if (!FpgaUpdating()) {
        return;
    }
    const std::string text = m_fpga->CancelledText();
    g_bEepromErasePoll = 0;
    SetPoll(g_bEepromProgramPoll, 0);
    EndFpga();
    ui::MessageBox(&m_page, text, "FPGA Update Cancelled", ui::MessageIcon::Warning);
}

void SystemUpdates::EndFpga() {
    m_fpga.reset();
    m_pBlock.reset();
    m_pWait.reset();
    m_pOperation.reset();
    m_page.SetText(IDC_SYS_TRANSFER_STATE, "");
    m_page.Enable(IDC_SYS_CANCEL, false);
}

bool SystemUpdates::OnMessage(uint32_t message) {
    if (message == UWM_EEPROM_ERASE_POLL) {
        PollErase();
    } else if (message == UWM_EEPROM_PROGRAM_PAGES) {
        ProgramPages();
    } else {
        return false;
    }
    return true;
}

const char* SystemUpdates::PolledMessageName(uintptr_t message) {
    return message == UWM_EEPROM_ERASE_POLL      ? "a ContinuousStatus Read 0x1023 Command message"
           : message == UWM_EEPROM_PROGRAM_PAGES ? "a Send 0x1021 Command message"
                                                 : nullptr;
}

// One pass: the erase poll and the page programming, each while its flag is set.
void SystemUpdates::RunPageThread(const platform::Pacer& pacer) {
    while (pacer.Running()) {
        if (g_hSystemWnd == 0) {
            pacer.Pause(50);
            continue;
        }
        pages::PollingTurn(pacer, g_hSystemWnd, 50, {UWM_EEPROM_ERASE_POLL},
                           [] { return g_bEepromErasePoll != 0; });
        pages::PollingTurn(pacer, g_hSystemWnd, 50, {UWM_EEPROM_PROGRAM_PAGES},
                           [] { return g_bEepromProgramPoll != 0; });
        if (g_bEepromErasePoll == 0 && g_bEepromProgramPoll == 0) {
            pacer.Pause(50, [] { return g_bEepromErasePoll == 0 && g_bEepromProgramPoll == 0; });
        }
    }
}
