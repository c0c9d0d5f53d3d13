#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/debug_output.h"
#include "platform/settings_store.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_folder.Path() + "/config/kv90t.reg";
        ::setenv("KV90T_SETTINGS", m_file.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KV90T_SETTINGS"); }

    long SetDword(SettingsKey& key, const char* name, uint32_t value) {
        return key.SetValue(name, REG_DWORD, reinterpret_cast<const uint8_t*>(&value), 4);
    }

    testsupport::TempDir m_folder;
    std::string m_file;
};

}  // namespace

TEST_F(SettingsStore, CreatesTheFileAndKeepsTypedValues) {
    SettingsKey key;
    ASSERT_EQ(key.Create("SOFTWARE\\Brenmoor\\KV90T"), 0);
    EXPECT_EQ(ReadFile(m_file),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]\r\n");
    ASSERT_EQ(SetDword(key, "USE_ETHERNET", 1), 0);
    const char port[] = "COM\"7\\";
    ASSERT_EQ(key.SetValue("COM_PORT", REG_SZ, reinterpret_cast<const uint8_t*>(port), sizeof port),
              0);
    EXPECT_NE(ReadFile(m_file).find("\"USE_ETHERNET\"=dword:00000001\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(m_file).find("\"COM_PORT\"=\"COM\\\"7\\\\\"\r\n"), std::string::npos);
    key.Close();

    SettingsKey again;
    ASSERT_EQ(again.Create("SOFTWARE\\Brenmoor\\KV90T"), 0);
    uint32_t type = 0;
    uint8_t data[260];
    uint32_t size = sizeof data;
    ASSERT_EQ(again.QueryValue("COM_PORT", &type, data, &size), 0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, sizeof port);
    EXPECT_STREQ(reinterpret_cast<char*>(data), port);
    size = 4;
    ASSERT_EQ(again.QueryValue("USE_ETHERNET", &type, data, &size), 0);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data[0], 1);
    size = 4;
    EXPECT_EQ(again.QueryValue("BAUD_RATE", &type, data, &size), ENOENT);
    size = 2;
    EXPECT_EQ(again.QueryValue("COM_PORT", &type, data, &size), ERANGE);
    EXPECT_EQ(size, sizeof port);
}

TEST_F(SettingsStore, UnusableFolderFailsToCreate) {
    std::ofstream(m_folder.Path() + "/plain") << "x";
    ::setenv("KV90T_SETTINGS", (m_folder.Path() + "/plain/kv90t.reg").c_str(), 1);
    SettingsKey key;
    EXPECT_EQ(key.Create("SOFTWARE\\Brenmoor\\KV90T"), ENOTDIR);
    uint32_t type = 0;
    uint32_t size = 4;
    uint8_t data[4];
    EXPECT_EQ(key.QueryValue("USE_ETHERNET", &type, data, &size), EBADF);
}

TEST_F(SettingsStore, HandEditedFileIsReadAsFarAsItMakesSense) {
    SettingsKey create;
    ASSERT_EQ(create.Create("SOFTWARE\\Other"), 0);
    std::ofstream(m_file, std::ios::app) << "junk line\n"
                                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]\n"
                                            "  \"BAUD_RATE\"=dword:0001c200  \n"
                                            "\"BROKEN\"=dword:xyz\n"
                                            "; a comment\n"
                                            "\"ETHERNET_IP_ADDR\"=dword:0a000001\n"
                                            "\"BLOB\"=hex:01,ff\n";
    platform::DebugCapture capture;
    SettingsKey key;
    ASSERT_EQ(key.Create("SOFTWARE\\Brenmoor\\KV90T"), 0);
    EXPECT_EQ(capture.Text(),
              "***** Settings file " + m_file + ": 2 unreadable line(s) ignored.\r\n");
    uint32_t type = 0;
    uint8_t data[8];
    uint32_t size = 4;
    ASSERT_EQ(key.QueryValue("BAUD_RATE", &type, data, &size), 0);
    EXPECT_EQ(data[0] | data[1] << 8 | data[2] << 16, 115200);
    size = 8;
    ASSERT_EQ(key.QueryValue("ETHERNET_IP_ADDR", &type, data, &size), 0);
    EXPECT_EQ(type, REG_DWORD);
    size = 8;
    ASSERT_EQ(key.QueryValue("BLOB", &type, data, &size), 0);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 2u);
    // Rewriting keeps the other key and the readable values.
    ASSERT_EQ(SetDword(key, "USE_ETHERNET", 0), 0);
    const std::string text = ReadFile(m_file);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]"), std::string::npos);
    EXPECT_NE(text.find("\"BLOB\"=hex:01,ff"), std::string::npos);
    EXPECT_EQ(text.find("junk"), std::string::npos);
}

TEST_F(SettingsStore, AWriteInterruptedBeforeItsRenameLeavesTheOldFile) {
    SettingsKey key;
    ASSERT_EQ(key.Create("SOFTWARE\\Brenmoor\\KV90T"), 0);
    ASSERT_EQ(SetDword(key, "BAUD_RATE", 9600), 0);
    const std::string before = ReadFile(m_file);

    const pid_t child = ::fork();
    if (child == 0) {
        SetSettingsWriteHook([] { ::_exit(3); });
        SetDword(key, "BAUD_RATE", 115200);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(ReadFile(m_file), before);

    SettingsKey after;
    ASSERT_EQ(after.Create("SOFTWARE\\Brenmoor\\KV90T"), 0);
    ASSERT_EQ(SetDword(after, "BAUD_RATE", 115200), 0);
    EXPECT_NE(ReadFile(m_file).find("dword:0001c200"), std::string::npos);
}
