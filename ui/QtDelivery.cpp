#include "ui/QtDelivery.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <deque>
#include <mutex>

namespace ui {
namespace {

// The window thread's queue of calls, woken through an eventfd that Qt watches.
class WindowThreadQueue : public QObject {
public:
    static WindowThreadQueue* Instance() {
        std::lock_guard lock(s_mutex);
        if (s_instance == nullptr && QCoreApplication::instance() != nullptr) {
            s_instance = new WindowThreadQueue(QCoreApplication::instance());
        }
        return s_instance;
    }

    static void Post(std::function<void()> call) {
        std::lock_guard lock(s_mutex);
        if (s_instance == nullptr) {
            return;  // the application has ended: no window is left to run it
        }
        s_instance->m_calls.push_back(std::move(call));
        s_instance->Wake();
    }

    // Holds are counted on the window thread, the only one that runs the queue.
    static void Hold() { ++s_holds; }
    static void Release() {
        if (--s_holds != 0) {
            return;
        }
        std::lock_guard lock(s_mutex);
        if (s_instance != nullptr && !s_instance->m_calls.empty()) {
            s_instance->Wake();
        }
    }

    ~WindowThreadQueue() override {
        std::lock_guard lock(s_mutex);
        s_instance = nullptr;
        ::close(m_wake);
    }

private:
    explicit WindowThreadQueue(QObject* parent)
        : QObject(parent), m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        auto* notifier = new QSocketNotifier(m_wake, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &WindowThreadQueue::RunQueued);
    }

    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    }

    void RunQueued() {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_wake, &count, sizeof count);
        for (;;) {
            if (s_holds != 0) {
                return;  // the last Release wakes the queue again
            }
            std::function<void()> call;
            {
                std::lock_guard lock(s_mutex);
                if (m_calls.empty()) {
                    return;
                }
                call = std::move(m_calls.front());
                m_calls.pop_front();
            }
            call();
        }
    }

    static std::mutex s_mutex;
    static WindowThreadQueue* s_instance;
    static int s_holds;
    const int m_wake;
    std::deque<std::function<void()>> m_calls;
};

std::mutex WindowThreadQueue::s_mutex;
WindowThreadQueue* WindowThreadQueue::s_instance = nullptr;
int WindowThreadQueue::s_holds = 0;

}  // namespace

QtDelivery::QtDelivery() {
    WindowThreadQueue::Instance();
}

void QtDelivery::Post(std::function<void()> call) {
    WindowThreadQueue::Post(std::move(call));
}

bool QtDelivery::OnWindowThread() const {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

MessageHold::MessageHold() {
    WindowThreadQueue::Hold();
}

MessageHold::~MessageHold() {
    WindowThreadQueue::Release();
}

}  // namespace ui
