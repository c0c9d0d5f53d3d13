#pragma once
// The device side of a DAU sampling stream, as the DAU page and kv90t-ctl hold it: the receive
// socket toward the channel's data port, and the stream destination command that starts,
// renews and ends the stream toward that socket.

#include <cstdint>

class CKV90T1_Comm;
class CUDP_DAU_SamplingDataSocketThread;

namespace dau {

// The stream destination command's index for DAU channel 0 or 1.
constexpr uint32_t StreamIndex(uint32_t channel) {
    return channel == 0 ? 9 : 10;
}

// Opens the worker's receive socket toward the channel's data port (reading the network page
// when it was not read yet), expecting the channel's datagram length; records into `path`
// when one is given.
void OpenStreamSocket(CKV90T1_Comm& comm, CUDP_DAU_SamplingDataSocketThread& worker,
                      uint32_t channel, const char* path);

// Starts or renews (`enable`) or ends the channel's stream toward the worker's socket.
int32_t SendStreamDestination(CKV90T1_Comm& comm, const CUDP_DAU_SamplingDataSocketThread& worker,
                              uint32_t channel, bool enable);

}  // namespace dau
