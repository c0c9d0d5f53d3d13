#include "transfer/firmware_files.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "link/CFileExeptionErrorMsgs.h"

namespace firmware {
namespace {

constexpr const char* kInvalidFlash = "Invalid Flash File";

bool Contains(const std::string& path, const char* part) {
    return path.find(part) != std::string::npos;
}

const char* DspTag(Image image) {
    return image == Image::Dsp1 ? "_DSP1_" : "_DSP2_";
}

std::string DspText(Image image) {
    return std::string("File chosen is not a valid file for ") +
           (image == Image::Dsp1 ? "DSP1" : "DSP2");
}

Refusal FileError(int error) {
    std::string text;
    CFileExeptionErrorMsgs().FormatFileExceptionCause(text, CFileException::FromErrno(error));
    return {text, "File Error"};
}

// An FPGA image's name carries this, anywhere in its path.
bool IsFpgaImageName(const std::string& path) {
    return Contains(path, "kv90T");
}

}  // namespace

std::optional<Refusal> BrowseRefusal(Image image, const std::string& path) {
    if (image == Image::Fpga) {
        if (!IsFpgaImageName(path)) {
            return Refusal{"File chosen is not a valid file for the Demod FPGA", kInvalidFlash};
        }
        return std::nullopt;
    }
    if (!Contains(path, DspTag(image))) {
        return Refusal{DspText(image), kInvalidFlash};
    }
    if (!Contains(path, "KV90T1_")) {
        return Refusal{"File chosen is not a valid file for KV90T1", kInvalidFlash};
    }
    return std::nullopt;
}

std::optional<Refusal> DspLoadRefusal(Image image, const std::string& path) {
    if (path.empty()) {
        return Refusal{"Invalid File Name", "Invalid File Name"};
    }
    if (!Contains(path, DspTag(image))) {
        return Refusal{DspText(image), kInvalidFlash};
    }
    if (!Contains(path, "KV90T1_")) {
        return Refusal{"File chosen is not a valid file for KV90T", kInvalidFlash};
    }
    return std::nullopt;
}

std::optional<Refusal> FpgaLoadRefusal(const std::string& path) {
    if (!IsFpgaImageName(path)) {
        return Refusal{"File chosen is not a valid file for the Dual Purpose FPGA", kInvalidFlash};
    }
    return std::nullopt;
}

ImageFile ReadImage(const std::string& path, size_t limit, const char* tooBig) {
    ImageFile image;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        image.error = FileError(errno);
        return image;
    }
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        image.bytes.insert(image.bytes.end(), chunk, chunk + got);
        if (image.bytes.size() > limit) {
            image.error = Refusal{tooBig, "File Too Big Error"};
            return image;
        }
    }
    if (std::ferror(file.get()) != 0) {
        image.error = FileError(errno);
    } else if (image.bytes.empty()) {
        image.error = Refusal{path + " is empty: there is no image to load.", "Empty Image File"};
    }
    return image;
}

}  // namespace firmware
