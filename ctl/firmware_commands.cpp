// firmware load and fpga load: a new DSP program or FPGA configuration image into the device,
// on the same update sequences as the System page. The image is checked and read before the
// link opens, so a refused file sends nothing.

#include <memory>

#include "ctl/commands.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "transfer/firmware_update.h"

namespace ctl {
namespace {

constexpr uint32_t kErasePollMs = 50;
// A configuration memory is erased in well under this.
constexpr uint32_t kEraseLimitMs = 300'000;
// A page that goes unanswered this many times in a row ends the update.
constexpr int kPageAttempts = 5;

struct ImageLoad {
    int target = 0;  // DSP 0 or 1, or the configuration memory
    std::string path;
    std::shared_ptr<const std::vector<uint8_t>> image;
};

// "load --OPTION N FILE" with N at most `largest`; the file is read by `read`.
ImageLoad ParseLoad(const std::vector<std::string>& words, const std::string& option,
                    uint32_t smallest, uint32_t largest,
                    firmware::ImageFile (*read)(int, const std::string&)) {
    if (words.size() != 5 || words[1] != "load" || words[2] != option) {
        throw UsageError(words[0] + " needs load " + option + " N FILE");
    }
    const auto number = static_cast<uint32_t>(ParseNumber(words[3], option, largest));
    if (number < smallest) {
        throw UsageError(option + " '" + words[3] + "' is below " + std::to_string(smallest));
    }
    ImageLoad load;
    load.target = static_cast<int>(number - smallest);
    load.path = words[4];
    firmware::ImageFile file = read(load.target, load.path);
    if (file.error) {
        throw UsageError(words[0] + " load: " + file.error->text);
    }
    load.image = std::make_shared<const std::vector<uint8_t>>(std::move(file.bytes));
    return load;
}

// Whether the device lets this link update it; reads what the judgement needs.
int UpdateRefused(Context& c, const std::string& command) {
    if (c.comm.ReadDeviceIdentity() == 0 || c.comm.ReadSystemPages() == 0) {
        return c.Fail(command + ": the device did not answer the identity and system page reads");
    }
    if (const auto refusal = firmware::NetworkUpdateRefusal(c.comm)) {
        return c.Fail(command + ": " + refusal->text);
    }
    return kSuccess;
}

// Reports each tenth of the way once.
class PercentSteps {
public:
    PercentSteps(Context& c, std::string what) : m_c(c), m_what(std::move(what)) {}
    void Report(size_t done, size_t total) {
        const size_t tenth = total == 0 ? 10 : done * 10 / total;
        if (tenth != m_tenth) {
            m_tenth = tenth;
            m_c.Progress(m_what + " " + std::to_string(tenth * 10) + "%");
        }
    }

private:
    Context& m_c;
    std::string m_what;
    size_t m_tenth = 0;
};

int LoadDsp(Context& c, const ImageLoad& load) {
    const std::string name = "DSP" + std::to_string(load.target + 1);
    if (const int refused = UpdateRefused(c, "firmware load")) {
        return refused;
    }
    const InterruptCatcher interrupt;
    PercentSteps steps(c, "firmware load: " + name + " sent");
    const bool flashed =
        firmware::FlashDsp(c.comm, load.target, *load.image, [&](size_t done, size_t total) {
            steps.Report(done, total);
            return !interrupt.Caught();
        });
    if (!flashed) {
        return c.Fail(interrupt.Caught()
                          ? "firmware load: interrupted; " + name + " keeps its program"
                          : "firmware load: a block went unanswered; " + name +
                                " keeps its program");
    }
    c.Progress("firmware load: " + name + " is writing its flash");
    platform::SleepMs(firmware::dspSettleMs);
    c.Progress(firmware::DspCompletedText(load.target));
    c.Print(Record()
                .Add("dsp", uint32_t(load.target + 1))
                .Add("file", load.path)
                .Add("bytes", uint64_t(load.image->size())));
    return kSuccess;
}

// Polls the erase until it is done; an empty text, or why it ended.
std::string Erase(firmware::FpgaUpdate& update, const InterruptCatcher& interrupt) {
    const uint32_t start = platform::ProcessClockMs();
    while (!update.PollErase()) {
        if (interrupt.Caught()) {
            return "interrupted while erasing";
        }
        if (platform::ProcessClockMs() - start > kEraseLimitMs) {
            return "the erase did not end within " + std::to_string(kEraseLimitMs / 1000) + " s";
        }
        platform::SleepMs(kErasePollMs);
    }
    return {};
}

// Programs every page; an empty text, or why it ended.
std::string Program(Context& c, firmware::FpgaUpdate& update, const InterruptCatcher& interrupt) {
    PercentSteps steps(c, "fpga load: programmed");
    while (!update.Programmed()) {
        if (interrupt.Caught()) {
            return "interrupted";
        }
        if (!update.ProgramRound() && update.FailedAttempts() >= kPageAttempts) {
            return "page " + std::to_string(update.ProgrammedBytes() / firmware::kFpgaPage) +
                   " went unanswered " + std::to_string(kPageAttempts) + " times";
        }
        steps.Report(update.ProgrammedBytes(), update.ImageBytes());
    }
    return {};
}

int LoadFpga(Context& c, const ImageLoad& load) {
    if (const int refused = UpdateRefused(c, "fpga load")) {
        return refused;
    }
    // The mode is put back once the new image is selected.
    if (c.comm.ReadOperationalMode() == 0) {
        return c.Fail("fpga load: the device did not answer the mode read");
    }
    firmware::FpgaUpdate update(c.comm, load.target, *load.image);
    if (const auto refusal = update.Start()) {
        return c.Fail("fpga load: " + refusal->text);
    }
    const InterruptCatcher interrupt;
    c.Progress("fpga load: erasing configuration memory " + std::to_string(load.target));
    std::string stopped = Erase(update, interrupt);
    if (stopped.empty()) {
        stopped = Program(c, update, interrupt);
    }
    if (!stopped.empty()) {
        return c.Fail("fpga load: " + stopped + ". " + update.CancelledText());
    }
    if (!update.Finish()) {
        return c.Fail("fpga load: configuration memory " + std::to_string(load.target) +
                      " is programmed, but the device did not select it and restore its mode");
    }
    c.Progress(firmware::kFpgaCompletedText);
    c.Print(Record()
                .Add("memory", uint32_t(load.target))
                .Add("file", load.path)
                .Add("bytes", uint64_t(update.ImageBytes()))
                .Add("pages", uint64_t(update.Pages())));
    return kSuccess;
}

firmware::ImageFile ReadFpga(int, const std::string& path) {
    return firmware::ReadFpgaImage(path);
}

}  // namespace

Action ParseFirmware(const std::vector<std::string>& words) {
    const ImageLoad load = ParseLoad(words, "--dsp", 1, 2, &firmware::ReadDspImage);
    return [load](Context& c) { return LoadDsp(c, load); };
}

Action ParseFpga(const std::vector<std::string>& words) {
    const ImageLoad load = ParseLoad(words, "--memory", 0, 11, &ReadFpga);
    return [load](Context& c) { return LoadFpga(c, load); };
}

}  // namespace ctl
