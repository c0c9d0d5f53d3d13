// The recording of equal datagrams: whole datagrams on the disk whatever fails, and a disk that
// runs short stops it before it is full.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "link/DatagramFile.h"
#include "tests/support/TempDir.h"

namespace {

constexpr size_t kDatagram = 224;

std::vector<uint8_t> Datagram(uint8_t seed) {
    return std::vector<uint8_t>(kDatagram, seed);
}

}  // namespace

// The file may take 100,000 bytes (a file size limit, in a child of its own): the write that
// crosses it fails, and the file is cut back to the whole datagrams before it.
TEST(DatagramFile, AFailedWriteLeavesWholeDatagramsOnly) {
    testsupport::TempDir folder;
    const std::string path = folder.Path() + "/cut.dau";
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100'000, 100'000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        DatagramFile file;
        file.SetReserve(0, 0);
        if (!file.Open(path)) {
            ::_exit(3);
        }
        int appended = 0;
        while (appended < 20'000 && file.Append(Datagram(uint8_t(appended)).data(), kDatagram)) {
            ++appended;
        }
        file.Close();
        const bool cut = file.Failed() && file.Written() == 100'000 / kDatagram * kDatagram &&
                         file.Error() == "cannot write " + path + ": File too large";
        ::_exit(cut ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 100'000 / kDatagram * kDatagram);
}

TEST(DatagramFile, ADiskBelowItsReserveStopsTheRecording) {
    testsupport::TempDir folder;
    DatagramFile file;
    ASSERT_TRUE(file.Open(folder.Path() + "/a.dau"));
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(file.Append(Datagram(1).data(), kDatagram));
    }
    file.SetReserve(UINT64_MAX, 1.0);  // more free room than any disk has
    bool appended = true;
    for (size_t i = 0; appended && i < 2 * DatagramFile::kBufferBytes / kDatagram; ++i) {
        appended = file.Append(Datagram(2).data(), kDatagram);
    }
    EXPECT_FALSE(appended);
    EXPECT_TRUE(file.Failed());
    EXPECT_NE(file.Error().find(" is nearly full ("), std::string::npos) << file.Error();
    EXPECT_EQ(file.Written() % kDatagram, 0u);
    file.Close();
    EXPECT_EQ(std::filesystem::file_size(folder.Path() + "/a.dau"), file.Written());

    DatagramFile nowhere;
    EXPECT_FALSE(nowhere.Open(folder.Path() + "/missing/b.dau"));
    EXPECT_EQ(nowhere.Error(),
              "cannot create " + folder.Path() + "/missing/b.dau: No such file or directory");
}
