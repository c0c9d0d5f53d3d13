#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/debug_output.h"
#include "platform/settings_store.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-16LE with a byte-order mark, as a registry editor exports (the text is ASCII).
std::string Utf16(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

constexpr const char* kKey = "SOFTWARE\\Brenmoor\\KV90T";

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
    uint32_t Dword(const SettingsKey& key, const char* name) {
        uint32_t type = 0;
        uint8_t data[4] = {};
        uint32_t size = 4;
        EXPECT_EQ(key.QueryValue(name, &type, data, &size), 0) << name;
        EXPECT_EQ(type, REG_DWORD) << name;
        return data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
    }
    void MakeFolder() { std::filesystem::create_directories(m_folder.Path() + "/config"); }

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

    // A text with a NUL inside is kept whole, in the hex form.
    const uint8_t cut[] = {'1', '0', 0, '7', 0};
    ASSERT_EQ(again.SetValue("ETHERNET_IP_ADDR", REG_SZ, cut, sizeof cut), 0);
    EXPECT_NE(ReadFile(m_file).find("\"ETHERNET_IP_ADDR\"=hex(1):31,30,00,37,00\r\n"),
              std::string::npos);
    size = sizeof data;
    ASSERT_EQ(again.QueryValue("ETHERNET_IP_ADDR", &type, data, &size), 0);
    EXPECT_EQ(std::vector<uint8_t>(data, data + size), std::vector<uint8_t>(cut, cut + 5));

    // As text (kv90t-ctl's reading): blanks around it go, and what could be read only in part
    // or is no text is refused.
    std::string text = "unchanged";
    EXPECT_EQ(again.QueryText("ETHERNET_IP_ADDR", &text), EINVAL);
    EXPECT_EQ(again.QueryText("USE_ETHERNET", &text), EINVAL);
    EXPECT_EQ(again.QueryText("BAUD_RATE", &text), ENOENT);
    EXPECT_EQ(text, "unchanged");
    const char spaced[] = " \t10.0.0.1  ";
    ASSERT_EQ(again.SetValue("ETHERNET_IP_ADDR", REG_SZ, reinterpret_cast<const uint8_t*>(spaced),
                             sizeof spaced),
              0);
    ASSERT_EQ(again.QueryText("ETHERNET_IP_ADDR", &text), 0);
    EXPECT_EQ(text, "10.0.0.1");
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
    EXPECT_EQ(capture.Text(), "***** Settings file " + m_file +
                                  ": 2 unreadable line(s) ignored; values not understood: "
                                  "BROKEN.\r\n");
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
    EXPECT_NE(text.find("junk line\n"), std::string::npos);  // what it cannot read, it keeps
    EXPECT_NE(text.find("\"BROKEN\"=dword:xyz\n"), std::string::npos);
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
    // The half-written file is a hidden one beside the settings, gone after the next save.
    const std::string leftover = m_folder.Path() + "/config/.kv90t.reg.tmp";
    EXPECT_TRUE(std::filesystem::exists(leftover));

    SettingsKey after;
    ASSERT_EQ(after.Create("SOFTWARE\\Brenmoor\\KV90T"), 0);
    ASSERT_EQ(SetDword(after, "BAUD_RATE", 115200), 0);
    EXPECT_NE(ReadFile(m_file).find("dword:0001c200"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(leftover));
}

TEST_F(SettingsStore, RegistryEditorExportsAreReadAndLeftAsTheyWere) {
    MakeFolder();
    const std::string exported =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=hex(2):25,00,50,00,\\\r\n"
        "  41,00,00,00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\software\\brenmoor\\kv90t]\r\n"
        "\"USE_ETHERNET\"=dword:00000001\r\n"
        "\"ETHERNET_IP_ADDR\"=\"10.0.0.9\"\r\n";
    for (const std::string& bytes : {Utf16(exported), std::string("\xEF\xBB\xBF") + exported}) {
        WriteFile(m_file, bytes);
        platform::DebugCapture capture;
        SettingsKey key;
        ASSERT_EQ(key.Create(kKey), 0);
        EXPECT_EQ(capture.Text(), "");              // every line was readable
        EXPECT_EQ(Dword(key, "use_ethernet"), 1u);  // names compare without regard to case
        char text[32] = {};
        uint32_t type = 0;
        uint32_t size = sizeof text;
        ASSERT_EQ(
            key.QueryValue("ETHERNET_IP_ADDR", &type, reinterpret_cast<uint8_t*>(text), &size), 0);
        EXPECT_STREQ(text, "10.0.0.9");
        EXPECT_EQ(ReadFile(m_file), bytes);  // reading changed nothing

        ASSERT_EQ(SetDword(key, "USE_ETHERNET", 0), 0);
        std::string expected = exported;
        expected.replace(expected.find("dword:00000001"), 14, "dword:00000000");
        EXPECT_EQ(ReadFile(m_file),
                  bytes[0] == '\xFF' ? Utf16(expected) : std::string("\xEF\xBB\xBF") + expected);
    }
}

TEST_F(SettingsStore, LineEndsOfEveryKindAreReadAndKept) {
    MakeFolder();
    for (const std::string end : {"\r", "\n", "\r\n"}) {
        const std::string before = "Windows Registry Editor Version 5.00" + end + end + "; kept" +
                                   end + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]" + end +
                                   "\"BAUD_RATE\"=dword:00002580" + end + "[Other]" + end +
                                   "\"X\"=\"y\"";
        WriteFile(m_file, before);
        SettingsKey key;
        ASSERT_EQ(key.Create(kKey), 0);
        EXPECT_EQ(Dword(key, "BAUD_RATE"), 9600u);
        EXPECT_EQ(ReadFile(m_file), before);
        ASSERT_EQ(SetDword(key, "USE_ETHERNET", 1), 0);
        std::string after = before;
        after.insert(after.find("[Other]"), "\"USE_ETHERNET\"=dword:00000001" + end);
        EXPECT_EQ(ReadFile(m_file), after);
    }
}

TEST_F(SettingsStore, AFileWithoutTheKeyIsLeftAloneUntilAValueIsSet) {
    MakeFolder();
    const std::string other =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n"
        "\"A\"=dword:00000001";
    WriteFile(m_file, other);
    {
        platform::DebugCapture capture;
        SettingsKey key;
        ASSERT_EQ(key.Create(kKey), 0);
        EXPECT_EQ(capture.Text(), "***** Settings file " + m_file +
                                      ": no key [HKEY_LOCAL_MACHINE\\" + kKey +
                                      "]; defaults used, the file is left as it is.\r\n");
        uint32_t type = 0;
        uint8_t data[4];
        uint32_t size = 4;
        EXPECT_EQ(key.QueryValue("A", &type, data, &size), ENOENT);
        EXPECT_EQ(ReadFile(m_file), other);
        ASSERT_EQ(SetDword(key, "USE_ETHERNET", 1), 0);
    }
    EXPECT_EQ(ReadFile(m_file),
              other + "\n\n[HKEY_LOCAL_MACHINE\\" + kKey + "]\n\"USE_ETHERNET\"=dword:00000001\n");

    // Neither text of a .reg file nor decodable: read as empty, never rewritten.
    for (const std::string& bytes : {std::string("\x7F"
                                                 "ELF\x02\x01\x01",
                                                 7),
                                     Utf16("[HKEY_LOCAL_MACHINE\\SOFTWARE]").substr(0, 9)}) {
        WriteFile(m_file, bytes);
        platform::DebugCapture capture;
        SettingsKey key;
        ASSERT_EQ(key.Create(kKey), 0);
        EXPECT_EQ(capture.Text(), "***** Settings file " + m_file +
                                      ": not a .reg file; defaults used, the file is left as it "
                                      "is.\r\n");
        EXPECT_EQ(SetDword(key, "USE_ETHERNET", 1), EILSEQ);
        EXPECT_EQ(ReadFile(m_file), bytes);
    }
}

TEST_F(SettingsStore, ALinkStaysALinkAndTheModeIsKept) {
    const std::string real = m_folder.Path() + "/real";
    std::filesystem::create_directories(real);
    MakeFolder();
    WriteFile(real + "/kv90t.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + std::string(kKey) + "]\n");
    ::chmod((real + "/kv90t.reg").c_str(), 0600);
    std::filesystem::create_symlink("../real/kv90t.reg", m_file);
    SettingsKey key;
    ASSERT_EQ(key.Create(kKey), 0);
    ASSERT_EQ(SetDword(key, "BAUD_RATE", 9600), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(m_file));
    EXPECT_EQ(ReadFile(real + "/kv90t.reg"), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" +
                                                 std::string(kKey) +
                                                 "]\n\"BAUD_RATE\"=dword:00002580\n");
    struct stat status {};
    ASSERT_EQ(::stat((real + "/kv90t.reg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(real),
                            std::filesystem::directory_iterator()),
              1);
}

// One Save of several values: one read (each read reports the unreadable line) and one write.
TEST_F(SettingsStore, SeveralValuesAreStoredWithOneReadAndOneWrite) {
    MakeFolder();
    std::string large = "Windows Registry Editor Version 5.00\r\n\r\n[Big]\r\nnot a value\r\n";
    for (int i = 0; i < 20000; ++i) {
        large += "\"V" + std::to_string(i) + "\"=dword:0000002a\r\n";
    }
    WriteFile(m_file, large);
    static int writes = 0;
    writes = 0;
    SetSettingsWriteHook([] { ++writes; });
    platform::DebugCapture capture;
    SettingsKey key;
    ASSERT_EQ(key.Create(kKey), 0);  // a file without the key: nothing written
    ASSERT_EQ(key.SetValues({TextSetting("COM_PORT", "COM2"), DwordSetting("BAUD_RATE", 9600),
                             DwordSetting("USE_ETHERNET", 0)}),
              0);
    SetSettingsWriteHook(nullptr);
    EXPECT_EQ(writes, 1);
    const std::string unreadable = "1 unreadable line(s) ignored.";
    const std::string lines = capture.Text();
    EXPECT_EQ(lines.find(unreadable), lines.rfind(unreadable));
    EXPECT_EQ(ReadFile(m_file).rfind(large, 0), 0u);
    EXPECT_EQ(Dword(key, "BAUD_RATE"), 9600u);

    // A change by someone else since the read is merged, not lost.
    WriteFile(m_file, ReadFile(m_file) + "\"NO_INIT_STATUS\"=dword:00000001\r\n");
    ASSERT_EQ(SetDword(key, "USE_ETHERNET", 1), 0);
    EXPECT_EQ(Dword(key, "NO_INIT_STATUS"), 1u);
}

// A value line whose data cannot be read keeps its place: setting the value rewrites that line
// instead of adding a second one, and every other value stays as it was.
TEST_F(SettingsStore, AMalformedValueIsReplacedInItsPlace) {
    MakeFolder();
    WriteFile(m_file,
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]\r\n"
              "\"USE_ETHERNET\"=dword:1\r\n"
              "\"ETHERNET_IP_ADDR\"=\"10.1.2.3\"\r\n");
    platform::DebugCapture capture;
    SettingsKey key;
    ASSERT_EQ(key.Create(kKey), 0);
    EXPECT_EQ(capture.Text(), "***** Settings file " + m_file +
                                  ": 1 unreadable line(s) ignored; values not understood: "
                                  "USE_ETHERNET.\r\n");
    uint32_t type = 0;
    uint8_t data[16] = {};
    uint32_t size = 4;
    EXPECT_NE(key.QueryValue("USE_ETHERNET", &type, data, &size), 0);
    const uint8_t one[4] = {1, 0, 0, 0};
    ASSERT_EQ(key.SetValue("USE_ETHERNET", platform::REG_DWORD, one, 4), 0);
    ASSERT_EQ(key.Close(), 0);
    EXPECT_EQ(ReadFile(m_file),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]\r\n"
              "\"USE_ETHERNET\"=dword:00000001\r\n"
              "\"ETHERNET_IP_ADDR\"=\"10.1.2.3\"\r\n");
}
