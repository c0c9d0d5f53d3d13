// dau stream and recorder: the DAU sampling stream into a file (and its CSV), and the
// recorder's directory, downloads and repair, on the same stream and download code as the
// console's pages.

#include <sys/stat.h>
#include <unistd.h>

#include "ctl/commands.h"
#include "link/CUDP_DAU_SamplingDataSocketThread.h"
#include "platform/clock.h"
#include "platform/system_error.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "transfer/dau_stream.h"
#include "transfer/recorder_session.h"
#include "transfer/sampling_file.h"

namespace ctl {
namespace {

constexpr uint32_t kKeepAliveMs = 30'000;
constexpr size_t kFilesPerChannel = 128;

struct StreamOptions {
    uint32_t channel = 0;
    uint32_t seconds = 0;
    std::string out;
    bool csv = false;
};

// Lets the worker receive for the time asked, renewing the stream as the page does, until the
// recording stops or Ctrl+C; true when interrupted.
bool Receive(Context& c, const CUDP_DAU_SamplingDataSocketThread& worker, const StreamOptions& o) {
    const InterruptCatcher interrupt;
    const uint32_t start = platform::ProcessClockMs();
    uint32_t renewed = start;
    while (platform::ProcessClockMs() - start < o.seconds * 1000 &&
           !worker.RecordingFile().Failed()) {
        if (interrupt.Caught()) {
            return true;
        }
        platform::SleepMs(20);
        if (platform::ProcessClockMs() - renewed >= kKeepAliveMs) {
            dau::SendStreamDestination(c.comm, worker, o.channel, true);
            renewed = platform::ProcessClockMs();
        }
    }
    return false;
}

// Receives the channel's stream into the file, then ends it on the device.
int Stream(Context& c, const StreamOptions& o) {
    CKV90T1_Comm& comm = c.comm;
    if (comm.ReadOperationalMode() == 0 || comm.m_nOperationalMode != protocol::kModeDau) {
        return c.Fail("dau stream: the device is not in DAU mode (or did not answer)");
    }
    if (comm.ReadDauChannelSetup(o.channel) == 0 || comm.ReadNetworkPage() == 0) {
        return c.Fail("dau stream: the device did not answer the DAU channel reads");
    }
    const uint32_t samples = comm.m_Dau[o.channel].samplesPerDatagram;
    CUDP_DAU_SamplingDataSocketThread worker;
    worker.Resume();
    dau::OpenStreamSocket(comm, worker, o.channel, o.out.c_str());
    const DatagramFile& file = worker.RecordingFile();
    if (worker.Socket() == nullptr || !worker.Recording() || file.Failed()) {
        const std::string why = file.Failed() ? file.Error() : "cannot receive into " + o.out;
        worker.CloseReceiveSocket();
        return c.Fail("dau stream: " + why);
    }
    if (dau::SendStreamDestination(comm, worker, o.channel, true) == 0) {
        worker.CloseReceiveSocket();
        return c.Fail("dau stream: the device refused the stream start");
    }
    const bool interrupted = Receive(c, worker, o);
    const int32_t stopped = dau::SendStreamDestination(comm, worker, o.channel, false);
    worker.CloseReceiveSocket();
    worker.StopRunning();
    if (file.Failed()) {
        return c.Fail("dau stream: recording stopped: " + file.Error() + "; " + o.out + " holds " +
                      std::to_string(file.Written()) + " bytes");
    }
    if (interrupted) {
        return c.Fail("dau stream: interrupted; " + o.out + " holds " +
                      std::to_string(file.Written()) + " bytes");
    }
    Record record;
    record.Add("file", o.out).Add("bytes", file.Written()).Add("samplesPerDatagram", samples);
    if (o.csv) {
        const std::string csv = dau::CsvPathOf(o.out);
        const dau::ConversionResult converted =
            dau::ConvertSamplingFile(o.out, csv, samples, {}, {file.Written(), nullptr});
        if (!converted.ok) {
            return c.Fail("dau stream: " + converted.error);
        }
        record.Add("csv", csv).Add("lines", converted.lines);
    }
    c.Print(record);
    return stopped != 0 ? int(kSuccess) : c.Fail("dau stream: the device refused the stream stop");
}

StreamOptions ParseStreamOptions(const std::vector<std::string>& words) {
    StreamOptions o;
    o.channel = ParseIndex(words, 2, "DAU channel", 1);
    bool timed = false;
    for (size_t i = 3; i < words.size(); ++i) {
        if (words[i] == "--seconds" && i + 1 < words.size()) {
            o.seconds = static_cast<uint32_t>(ParseNumber(words[++i], "seconds", 86'400));
            timed = true;
        } else if (words[i] == "--out" && i + 1 < words.size()) {
            o.out = words[++i];
        } else if (words[i] == "--csv") {
            o.csv = true;
        } else {
            throw UsageError("dau stream: unexpected '" + words[i] + "'");
        }
    }
    if (!timed || o.out.empty()) {
        throw UsageError("dau stream needs --seconds S and --out FILE");
    }
    struct stat info {};
    if (::stat(o.out.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        throw UsageError("dau stream: --out must name a regular file or a new one, not '" + o.out +
                         "'");
    }
    return o;
}

std::vector<Record> FileRecords(const protocol::RecorderChannel& recorder) {
    std::vector<Record> files;
    for (size_t i = 0; i < kFilesPerChannel; ++i) {
        const protocol::RecordingFile& file = recorder.files[i];
        if (file.name[0] != '\0') {
            files.push_back(Record()
                                .Add("index", uint32_t(i))
                                .Add("name", DeviceText(file.name))
                                .Add("length", uint64_t(file.length)));
        }
    }
    return files;
}

int List(Context& c, uint32_t channel) {
    if (!recorder::ReadDirectory(c.comm, channel)) {
        return c.Fail("recorder: the device did not answer the directory read");
    }
    const protocol::RecorderChannel& recorder = c.comm.m_Recorder[channel];
    c.Print(Record()
                .Add("channel", channel)
                .Add("remainingCapacity", uint64_t(recorder.remainingCapacity))
                .Add("files", FileRecords(recorder)));
    return kSuccess;
}

std::string FolderProblem(const std::string& folder);

int DownloadFile(Context& c, uint32_t channel, const std::string& name, const std::string& to) {
    if (const std::string problem = FolderProblem(to.empty() ? "." : to); !problem.empty()) {
        return c.Fail("recorder: " + problem);
    }
    if (!recorder::ReadDirectory(c.comm, channel)) {
        return c.Fail("recorder: the device did not answer the directory read");
    }
    const protocol::RecorderChannel& recorder = c.comm.m_Recorder[channel];
    size_t index = 0;
    // The name as the device has it, or as kv90t-ctl prints it.
    while (index < kFilesPerChannel && name != recorder.files[index].name &&
           name != DeviceText(recorder.files[index].name)) {
        ++index;
    }
    if (index == kFilesPerChannel) {
        return c.Fail("recorder: channel " + std::to_string(channel) + " has no file '" + name +
                      "'");
    }
    const uint64_t expected = recorder.files[index].length;
    const std::string path = (to.empty() ? std::string() : to + "/") + recorder::DownloadName(name);
    recorder::Download download;
    const InterruptCatcher interrupt;
    if (const std::string error =
            recorder::StartDownload(c.comm, channel, static_cast<uint32_t>(index), path, download,
                                    0, recorder::Download::kInactivityMs);
        !error.empty()) {
        return c.Fail("recorder: " + error);
    }
    recorder::TransferWatch watch(c.comm, channel, download);
    while (!interrupt.Caught() && watch.Poll()) {
        platform::SleepMs(recorder::TransferWatch::kPollMs);
    }
    // The worker ends on its own, at the latest after its inactivity time-out.
    while (!download.Ended()) {
        if (interrupt.Caught()) {
            download.Cancel();
        }
        platform::SleepMs(20);
    }
    const recorder::Outcome outcome = download.Result();
    if (!outcome.complete) {
        return c.Fail("recorder: " + outcome.error);
    }
    c.Print(Record().Add("file", path).Add("received", outcome.received).Add("expected", expected));
    return kSuccess;
}

// A folder that cannot take the file is named before the device is asked for anything.
std::string FolderProblem(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return "cannot write into " + folder + ": " +
               platform::SystemErrorText(platform::LastError());
    }
    if (!S_ISDIR(info.st_mode)) {
        return "cannot write into " + folder + ": it is not a folder";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "cannot write into " + folder + ": " +
               platform::SystemErrorText(platform::LastError());
    }
    return {};
}

}  // namespace

Action ParseDau(const std::vector<std::string>& words) {
    if (words.size() < 2 || words[1] != "stream") {
        throw UsageError("dau needs stream CH --seconds S --out FILE [--csv]");
    }
    const StreamOptions options = ParseStreamOptions(words);
    return [options](Context& c) { return Stream(c, options); };
}

Action ParseRecorder(const std::vector<std::string>& words) {
    if (words.size() < 2) {
        throw UsageError("recorder needs list, download or repair");
    }
    const std::string verb = words[1];
    const uint32_t channel = ParseIndex(words, 2, "recorder channel", 2);
    if (verb == "list") {
        ExpectWords(words, 3);
        return [channel](Context& c) { return List(c, channel); };
    }
    if (verb == "repair") {
        ExpectWords(words, 3);
        return [channel](Context& c) {
            if (c.comm.RepairLastFile(channel) == 0) {
                return c.Fail("recorder: the device refused the repair");
            }
            return List(c, channel);
        };
    }
    if (verb == "download") {
        if (words.size() < 4) {
            throw UsageError("recorder download needs CH FILE");
        }
        std::string to;
        if (words.size() == 6 && words[4] == "--to") {
            to = words[5];
        } else {
            ExpectWords(words, 4);
        }
        const std::string name = words[3];
        return [channel, name, to](Context& c) { return DownloadFile(c, channel, name, to); };
    }
    throw UsageError("recorder: unknown '" + verb + "' (list, download or repair)");
}

}  // namespace ctl
