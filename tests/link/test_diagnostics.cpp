#include <gtest/gtest.h>

#include <cerrno>

#include "link/CFileExeptionErrorMsgs.h"
#include "link/CSocketDebugInfo.h"
#include "platform/debug_output.h"

TEST(ReportSocketError, KnownCodeWritesItsExplanationBetweenMarkers) {
    platform::DebugCapture capture;
    CSocketDebugInfo::ReportSocketError(WSAECONNREFUSED, "CSocket::Connect()");
    EXPECT_EQ(capture.Text(),
              "*****\r\n"
              "***** CSocket::Connect() failed.\r\n"
              "WSAECONNREFUSED: The attempt to connect was rejected.\r\n"
              "*****\r\n");
}

TEST(ReportSocketError, InvalidArgumentWritesTwoLines) {
    platform::DebugCapture capture;
    CSocketDebugInfo::ReportSocketError(WSAEINVAL, "CSocket::ShutDown()");
    EXPECT_EQ(capture.Text(),
              "*****\r\n"
              "***** CSocket::ShutDown() failed.\r\n"
              "WSAEINVAL: nHow is not valid.\r\n"
              "The socket has not been bound with Bind.\r\n"
              "*****\r\n");
}

TEST(ReportSocketError, UnknownCodeNamesTheOperationAndTheCode) {
    platform::DebugCapture capture;
    CSocketDebugInfo::ReportSocketError(12345, "CAsyncSocket::Receive()");
    EXPECT_EQ(capture.Text(),
              "*****\r\n"
              "***** CAsyncSocket::Receive() failed.\r\n"
              "Unknown value returned from CAsyncSocket::Receive().\r\n"
              "GetLastError=12345.\r\n"
              "*****\r\n");
}

TEST(ReportSocketError, NetworkResetLineHasNoLineEnd) {
    platform::DebugCapture capture;
    CSocketDebugInfo::ReportSocketError(WSAENETRESET, "CSocket::Connect()");
    EXPECT_NE(capture.Text().find(
                  "WSAENETRESET: Connection has timed out when SO_KEEPALIVE is set.*****\r\n"),
              std::string::npos);
}

TEST(ReportSocketError, PosixErrorsMapToWindowsSocketsCodes) {
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(ECONNREFUSED), 10061u);
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(ETIMEDOUT), 10060u);
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(EWOULDBLOCK), 10035u);
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(ECONNRESET), 10054u);
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(ENOTCONN), 10057u);
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(EADDRINUSE), 10048u);
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(ENOMEM), 8u);
    // A code without a counterpart is passed on, and then reported as unknown.
    EXPECT_EQ(CSocketDebugInfo::WsaErrorFromErrno(EXDEV), static_cast<uint32_t>(EXDEV));
}

TEST(FileExceptionCause, NamesKnownCausesAndLeavesOthersEmpty) {
    CFileExeptionErrorMsgs messages;
    std::string text;
    platform::DebugCapture capture;
    EXPECT_EQ(messages.FormatFileExceptionCause(text, CFileException{CFileException::diskFull}),
              "CFileException.m_cause = diskFull.\r\n");
    EXPECT_EQ(capture.Text(), "CFileException Caught\r\nCFileException.m_cause = diskFull.\r\n");
    EXPECT_EQ(messages.FormatFileExceptionCause(text, CFileException{15}),
              "CFileException.m_cause = .\r\n");
    EXPECT_EQ(messages.FormatFileExceptionCause(text, CFileException{-1}),
              "CFileException.m_cause = .\r\n");
    EXPECT_EQ(messages.FormatFileExceptionCause(text, CFileException::FromErrno(ENOENT)),
              "CFileException.m_cause = fileNotFound.\r\n");
    EXPECT_EQ(CFileException::FromErrno(ENOSPC).m_cause, CFileException::diskFull);
    EXPECT_EQ(CFileException::FromErrno(EACCES).m_cause, CFileException::accessDenied);
}

TEST(SocketDebugInfo, NeutralLinkWithItsAddressRecord) {
    CSocketDebugInfo info;
    CBaseClass& link = info;
    EXPECT_EQ(link.GetLinkType(), 0);
    EXPECT_STREQ(link.GetLocalAddress(), "localhost");
    EXPECT_EQ(link.GetLocalPort(), 0);
    EXPECT_EQ(link.IsLinkGood(), 0);
    EXPECT_EQ(link.GetOptionValue(), 0);
    const uint8_t frame[6] = {};
    EXPECT_EQ(link.Write(frame, 6), 0);
    EXPECT_EQ(link.DrainInput(), 0);
    EXPECT_EQ(link.OpenPort(), 0);

    link.SetAddressValue2(0x11223344);
    EXPECT_EQ(link.GetAddressValue2(), 0x11223344u);
    EXPECT_EQ(link.GetAddressRecord()->addressValue2[0], 0x44);
    const uint8_t mac[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    std::copy(mac, mac + 6, link.GetAddressRecord()->hardwareAddress);
    EXPECT_EQ(link.GetHardwareAddress(), 0x060504030201ull);
}
