#include "transfer/dau_stream.h"

#include <arpa/inet.h>

#include <string>

#include "link/CBaseClass.h"
#include "link/CUDP_DAU_SamplingDataSocketThread.h"
#include "protocol/CKV90T1_Comm.h"
#include "transfer/sampling_file.h"

namespace dau {

void OpenStreamSocket(CKV90T1_Comm& comm, CUDP_DAU_SamplingDataSocketThread& worker,
                      uint32_t channel, const char* path) {
    const protocol::DauChannel& d = comm.m_Dau[channel];
    worker.SetExpectedLength(static_cast<uint16_t>(kHeaderBytes + 2 * d.samplesPerDatagram));
    if (comm.m_NetworkPage.networkPageRead == 0) {
        comm.ReadNetworkPage();
    }
    const uint16_t port = comm.m_NetworkPage.dauDataPorts[channel];
    CBaseClass* link = comm.GetDeviceLink();
    const std::string remote = link != nullptr ? link->GetRemoteAddress() : "";
    if (path != nullptr) {
        worker.OpenReceiveSocket(remote.c_str(), port, path);
    } else {
        worker.OpenReceiveSocket(remote.c_str(), port);
    }
}

int32_t SendStreamDestination(CKV90T1_Comm& comm, const CUDP_DAU_SamplingDataSocketThread& worker,
                              uint32_t channel, bool enable) {
    UdpReceiveSocket* socket = worker.Socket();
    in_addr local{};
    const uint32_t address =
        socket != nullptr && ::inet_pton(AF_INET, socket->GetLocalAddress(), &local) == 1
            ? ntohl(local.s_addr)
            : 0;
    return comm.SetDataStreamDestination(StreamIndex(channel), enable ? 1 : 0, address,
                                         socket != nullptr ? socket->GetLocalPort() : 0);
}

}  // namespace dau
