// The recorder: a few files per channel with generated contents, their directory, capacity,
// and downloads served on a loopback TCP endpoint named in the select reply.

#include <cstring>
#include <utility>

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {
namespace {

constexpr uint64_t kCapacity = 64ull * 1024 * 1024 * 1024;  // bytes per channel

std::string FileName(int channel, size_t file) {
    char name[17];
    std::snprintf(name, sizeof name, "CH%d_REC%04zu.ark", channel + 1, file % 10000);
    return name;
}

}  // namespace

void KV90TSimulation::MakeRecordings() {
    const uint64_t lengths[3][3] = {
        {200, 65'536, 1'000'000}, {4'096, 300'000, 0}, {1'234'567, 0, 0}};
    for (int channel = 0; channel < 3; ++channel) {
        for (size_t file = 0; file < 3 && lengths[channel][file] != 0; ++file) {
            m_recordings[channel].push_back({FileName(channel, file), lengths[channel][file],
                                             static_cast<uint8_t>(channel * 16 + file)});
        }
    }
}

void KV90TSimulation::SetRecordings(int channel,
                                    const std::vector<std::pair<std::string, uint64_t>>& files) {
    std::lock_guard lock(m_mutex);
    std::vector<RecordedFile>& recordings = m_recordings.at(channel);
    recordings.clear();
    for (size_t file = 0; file < files.size(); ++file) {
        recordings.push_back(
            {files[file].first, files[file].second, static_cast<uint8_t>(channel * 16 + file)});
    }
}

void KV90TSimulation::InjectDownloadFault(const DownloadFault& fault) {
    std::lock_guard lock(m_mutex);
    m_downloadFault = fault;
}

KV90TSimulation::Reply KV90TSimulation::RecordingDirectory(const Frame& request) {
    if (request.payload.size() != 1 || (request.payload[0] & 3) > 2) {
        return std::nullopt;
    }
    const int channel = request.payload[0] & 3;
    const size_t block = request.payload[0] >> 2;
    Bytes reply(1024, 0);
    for (size_t k = 0; k < 32; ++k) {
        const size_t index = block * 32 + k;
        if (index < m_recordings[channel].size()) {
            const RecordedFile& file = m_recordings[channel][index];
            std::memcpy(reply.data() + 32 * k, file.name.data(),
                        std::min<size_t>(16, file.name.size()));
            PutNumber(reply, 32 * k + 16, 6, file.size);
        }
    }
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::RecorderStatus(const Frame& request) {
    if (!request.payload.empty()) {
        return std::nullopt;
    }
    uint8_t transferring = 0;
    for (int channel = 0; channel < 3; ++channel) {
        transferring |= static_cast<uint8_t>(m_transferring[channel] ? 1 << channel : 0);
    }
    return Bytes{0x00, transferring};
}

KV90TSimulation::Reply KV90TSimulation::SelectRecordingFile(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 2) {
        return std::nullopt;
    }
    const unsigned value = p[0] | p[1] << 8;
    const unsigned channel = value & 3;
    const size_t file = value >> 2;
    Bytes reply(6, 0);
    if (channel > 2 || file >= m_recordings[channel].size()) {
        return reply;  // no such file: no endpoint
    }
    m_transferring[channel] = true;
    const RecordedFile recorded = m_recordings[channel][file];
    auto contents = [recorded](uint64_t offset, uint8_t* bytes, size_t length) {
        for (size_t i = 0; i < length; ++i) {
            bytes[i] = RecordedByte(recorded, offset + i);
        }
    };
    const uint16_t port = m_fileServer.Serve(value, recorded.size, contents,
                                             std::exchange(m_downloadFault, std::nullopt),
                                             [this, channel] { m_transferring[channel] = false; });
    if (port != 0) {
        PutNumber(reply, 0, 4, 0x7F000001);  // 127.0.0.1
        PutNumber(reply, 4, 2, port);
    }
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::RecorderInfo(const Frame& request) {
    if (!request.payload.empty()) {
        return std::nullopt;
    }
    Bytes reply(15, 0);
    for (int channel = 0; channel < 3; ++channel) {
        uint64_t used = 0;
        for (const RecordedFile& file : m_recordings[channel]) {
            used += file.size;
        }
        PutNumber(reply, 5 * channel, 5, kCapacity - used);
    }
    return reply;
}

void KV90TSimulation::InstallRecorderCommands() {
    Install(0x2010, &KV90TSimulation::RecordingDirectory);
    Install(0x1011, &KV90TSimulation::RecorderStatus);
    Install(0x1012, &KV90TSimulation::SelectRecordingFile);
    Install(0x1015, &KV90TSimulation::RecorderInfo);
    m_device.SetCommand(0x1016, [](const Frame& request) -> std::optional<std::vector<uint8_t>> {
        if (request.payload.size() != 1 || request.payload[0] > 2) {
            return std::nullopt;
        }
        return std::vector<uint8_t>{};
    });
}

}  // namespace sim
