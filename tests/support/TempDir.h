#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Writes `size` bytes (i x 5 + 1, so that no two neighbours are equal) to `path`; returns them.
inline std::vector<uint8_t> WritePatternFile(const std::string& path, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 5 + 1);
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(size));
    return bytes;
}

}  // namespace testsupport
