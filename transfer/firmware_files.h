#pragma once
// The images loaded into the device's DSP flash and FPGA configuration memories: the checks
// their paths must pass and the reading of a whole image, with the texts the operator is shown.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace firmware {

enum class Image { Dsp1, Dsp2, Fpga };

// The DSPs' flash takes images of this size at most.
constexpr size_t kDspImageLimit = 786'432;

struct Refusal {
    std::string text;
    std::string title;
};

// Browse: the first check a chosen path fails.
std::optional<Refusal> BrowseRefusal(Image image, const std::string& path);
// A DSP Load: the first check its path edit fails.
std::optional<Refusal> DspLoadRefusal(Image image, const std::string& path);
// An FPGA Load: the same name check as Browse, in the Load's own words.
std::optional<Refusal> FpgaLoadRefusal(const std::string& path);

struct ImageFile {
    std::vector<uint8_t> bytes;
    std::optional<Refusal> error;  // the file or size error, when there is one
};
// The whole file; larger than `limit` bytes is an error that `tooBig` describes, and an empty
// file is refused, naming it.
ImageFile ReadImage(const std::string& path, size_t limit, const char* tooBig);

}  // namespace firmware
