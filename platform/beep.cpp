#include "platform/beep.h"

#include <unistd.h>

#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {
namespace {

constexpr int kSampleRate = 8000;

std::mutex g_mutex;
std::vector<Tone>* g_recorded = nullptr;

bool HaveSoundSystem() {
    static const bool present =
        ::access("/dev/snd", F_OK) == 0 && std::system("command -v aplay >/dev/null 2>&1") == 0;
    return present;
}

// Plays queued tones one after the other on a thread of its own. The player is never
// destroyed: its thread waits on it until the process ends, and a beep from a destructor at
// exit still finds it whole.
class TonePlayer {
public:
    static TonePlayer& Instance() {
        static TonePlayer* const player = new TonePlayer;
        return *player;
    }

    void Play(Tone tone) {
        std::lock_guard lock(m_mutex);
        if (m_queue.size() < 8) {
            m_queue.push_back(tone);
        }
        m_queued.notify_one();
    }

private:
    TonePlayer() { std::thread(&TonePlayer::Run, this).detach(); }

    void Run() {
        for (;;) {
            Tone tone{};
            {
                std::unique_lock lock(m_mutex);
                m_queued.wait(lock, [this] { return !m_queue.empty(); });
                tone = m_queue.front();
                m_queue.pop_front();
            }
            PlayNow(tone);
        }
    }

    static void PlayNow(Tone tone) {
        FILE* out = ::popen("aplay -q -t raw -f U8 -c 1 -r 8000 2>/dev/null", "w");
        if (out == nullptr) {
            return;
        }
        const int samples = kSampleRate * static_cast<int>(tone.durationMs) / 1000;
        for (int i = 0; i < samples; ++i) {
            const double phase = 2 * M_PI * tone.frequencyHz * i / kSampleRate;
            std::fputc(128 + static_cast<int>(60 * std::sin(phase)), out);
        }
        ::pclose(out);
    }

    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<Tone> m_queue;
};

}  // namespace

void Beep(uint32_t frequencyHz, uint32_t durationMs) {
    {
        std::lock_guard lock(g_mutex);
        if (g_recorded != nullptr) {
            g_recorded->push_back({frequencyHz, durationMs});
            return;
        }
    }
    if (HaveSoundSystem()) {
        TonePlayer::Instance().Play({frequencyHz, durationMs});
    }
}

BeepRecorder::BeepRecorder() {
    std::lock_guard lock(g_mutex);
    g_recorded = new std::vector<Tone>;
}

BeepRecorder::~BeepRecorder() {
    std::lock_guard lock(g_mutex);
    delete g_recorded;
    g_recorded = nullptr;
}

std::vector<Tone> BeepRecorder::Tones() const {
    std::lock_guard lock(g_mutex);
    return *g_recorded;
}

void BeepRecorder::Clear() {
    std::lock_guard lock(g_mutex);
    g_recorded->clear();
}

}  // namespace platform
