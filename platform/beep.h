#pragma once
// The operator's feedback tones. Beep returns at once; the tone plays through the sound system
// when there is one (ALSA's aplay), one tone after the other, and silently otherwise.

#include <cstdint>
#include <vector>

namespace platform {

struct Tone {
    uint32_t frequencyHz;
    uint32_t durationMs;
    bool operator==(const Tone&) const = default;
};

void Beep(uint32_t frequencyHz, uint32_t durationMs);

// Records every tone while it lives, and keeps them silent (one recorder at a time).
class BeepRecorder {
public:
    BeepRecorder();
    ~BeepRecorder();
    BeepRecorder(const BeepRecorder&) = delete;
    BeepRecorder& operator=(const BeepRecorder&) = delete;

    std::vector<Tone> Tones() const;
    void Clear();
};

}  // namespace platform
