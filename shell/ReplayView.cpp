#include "shell/ReplayView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "platform/clock.h"
#include "shell/TrendView.h"
#include "ui/Format.h"
#include "ui/StripChart.h"

namespace {

constexpr int kSpeeds[] = {1, 10, 60};

std::string FileNames(const std::vector<std::string>& files) {
    std::string names;
    for (const std::string& file : files) {
        names += (names.empty() ? "" : ", ") + std::filesystem::path(file).filename().string();
    }
    return names;
}

// "1 mark", "2 marks".
std::string Count(size_t count, const char* thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

}  // namespace

ReplayView::ReplayView(std::vector<std::string> files, const alarms::LimitLibrary* library,
                       std::string folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_files(std::move(files)), m_library(library) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new TrendView(m_store, std::move(folder), this);
    Build();
    resize(1000, 700);
    StartLoad(std::nullopt);
}

ReplayView::~ReplayView() {
    m_progress.cancel = true;
    if (m_loader.joinable()) {
        m_loader.join();
    }
}

void ReplayView::Build() {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_play = new QPushButton("Play", this);
    row->addWidget(m_play);
    m_speedBox = new QComboBox(this);
    m_speedBox->addItems({"1x", "10x", "60x"});
    row->addWidget(m_speedBox);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, kSliderSteps);
    row->addWidget(m_slider, 1);
    m_time = new QLabel(this);
    row->addWidget(m_time);
    row->addWidget(new QLabel("Limits:", this));
    m_setBox = new QComboBox(this);
    m_setBox->addItem("None");
    if (m_library != nullptr) {
        for (const std::string& name : m_library->Names()) {
            m_setBox->addItem(QString::fromStdString(name));
        }
    }
    row->addWidget(m_setBox);
    layout->addLayout(row);
    layout->addWidget(m_view, 1);
    m_state = new QLabel(this);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_state->setWordWrap(true);
    layout->addWidget(m_state);
    m_timer = new QTimer(this);
    m_timer->start(kTickMs);
    m_lastTickMs = platform::TickCount64();

    QObject::connect(m_play, &QPushButton::clicked, this, [this] { SetPlaying(!m_playing); });
    QObject::connect(m_speedBox, &QComboBox::currentIndexChanged, this,
                     [this](int index) { SetSpeed(kSpeeds[std::clamp(index, 0, 2)]); });
    QObject::connect(m_slider, &QSlider::sliderMoved, this, [this](int value) {
        Seek(m_load.FirstMs() + (m_load.LastMs() - m_load.FirstMs()) * value / kSliderSteps);
    });
    QObject::connect(m_setBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        UseLimitSet(index <= 0 ? std::string() : m_setBox->itemText(index).toStdString());
    });
    QObject::connect(m_timer, &QTimer::timeout, this, [this] { Poll(); });
    m_view->onViewChanged = [this] { ReadSecondsForView(); };
}

void ReplayView::StartLoad(std::optional<int64_t> secondsFrom) {
    if (m_loader.joinable()) {
        return;
    }
    m_progress.bytesRead = 0;
    m_progress.totalBytes = 0;
    m_progress.cancel = false;
    m_loaded = false;
    m_view->setEnabled(false);
    m_secondsOnly = secondsFrom.has_value();
    if (m_secondsOnly) {
        m_secondsFrom = *secondsFrom;
        m_loader = std::thread([this] {
            trends::LoadSeconds(m_load.files, m_secondsFrom, &m_store, &m_progress);
            m_loaded = true;
        });
        return;
    }
    m_store.Clear();
    m_intervals = {};
    m_loader = std::thread([this, limits = m_limits] {
        std::optional<alarms::AlarmEngine> engine;
        if (limits) {
            engine.emplace();
            engine->SetLimits(*limits, 0);
            engine->onTransition = [this](const alarms::Transition& t) { m_intervals.Track(t); };
        }
        m_load = trends::LoadLogs(
            m_files, &m_store,
            [&engine](const trends::LogLine& line) {
                if (engine && !line.isMark) {
                    engine->EvaluateLoggedPoll(line.path, line.valid, line.values, line.timeMs);
                }
            },
            &m_progress);
        m_loaded = true;
    });
}

// Play moves by the time since the last tick; a tick that reads or starts reading moves it not,
// so that play goes on after a read where it stood.
void ReplayView::Poll() {
    const uint64_t now = platform::TickCount64();
    const auto elapsed = static_cast<int64_t>(now - std::exchange(m_lastTickMs, now));
    if (m_loader.joinable()) {
        m_state->setText(QString::fromStdString(LoadState()));
        if (m_loaded) {
            m_loader.join();
            Loaded();
        }
        return;
    }
    if (m_wantSeconds) {
        StartLoad(std::exchange(m_wantSeconds, std::nullopt));
        return;
    }
    if (m_playing) {
        Step(elapsed);
    }
}

void ReplayView::Loaded() {
    m_view->setEnabled(true);
    m_view->SetAlarms(m_limits ? &*m_limits : nullptr, m_limits ? &m_intervals : nullptr);
    if (!m_secondsOnly) {
        const std::string span = m_load.polls == 0
                                     ? std::string()
                                     : " (" + platform::IsoUtcText(m_load.FirstMs()) + " to " +
                                           platform::IsoUtcText(m_load.LastMs()) + ")";
        setWindowTitle(QString::fromStdString("KV90T Replay: " + FileNames(m_files) + span));
        m_secondsFrom = m_load.FirstMs();
        m_playMs = m_load.FirstMs();
        m_view->SetCursorTime(m_playMs);
    } else {
        m_view->Redraw();
    }
    ShowPlayTime();
    m_state->setText(QString::fromStdString(LoadState()));
}

std::string ReplayView::LoadState() const {
    if (m_loader.joinable()) {
        const uint64_t total = std::max<uint64_t>(1, m_progress.totalBytes);
        return ui::Printf("Reading %s: %d %%", m_secondsOnly ? "the seconds of the day" : "the log",
                          int(m_progress.bytesRead * 100 / total));
    }
    if (!m_load.error.empty()) {
        return "Cannot replay: " + m_load.error;
    }
    std::string text = Count(m_load.polls, "poll") + " and " +
                       Count(m_store.Marks(0, INT64_MAX).size(), "mark") + " from " +
                       FileNames(m_files) + ".";
    if (const size_t bad = m_load.BadLines(); bad > 0) {
        text += " " + Count(bad, "line") +
                (bad == 1 ? " could not be read and was skipped: "
                          : " could not be read and were "
                            "skipped; the first is ") +
                m_load.FirstBad() + ".";
    }
    if (m_limits) {
        text += " Alarms of the limit set \"" + m_limitSet + "\" as replayed: no sound, no log.";
    }
    return text + m_limitError;
}

void ReplayView::UseLimitSet(const std::string& name) {
    const int index = name.empty() ? 0 : m_setBox->findText(QString::fromStdString(name));
    if (index >= 0 && index != m_setBox->currentIndex()) {
        const QSignalBlocker quiet(m_setBox);
        m_setBox->setCurrentIndex(index);
    }
    m_limitError.clear();
    m_limits.reset();
    m_limitSet = name;
    if (!name.empty() && m_library != nullptr) {
        try {
            m_limits = m_library->Load(name);
        } catch (const std::exception& error) {
            m_limitError = std::string(" ") + error.what();
        }
    }
    SetPlaying(false);
    StartLoad(std::nullopt);
}

// A view drawn from second buckets (columns narrower than a minute) must lie, where it shows
// the logs, in the day of seconds read; else the day about the view's middle is read.
void ReplayView::ReadSecondsForView() {
    const int64_t day = int64_t(trends::TrendStore::kBuckets) * trends::TrendStore::kBucketMs;
    const int64_t from = std::max(m_view->ViewEndMs() - m_view->SpanMs(), m_load.FirstMs());
    const int64_t to = std::min(m_view->ViewEndMs(), m_load.LastMs());
    const int64_t columnMs = m_view->SpanMs() / std::max(1, m_view->Chart().PlotColumns());
    if (m_loader.joinable() || columnMs >= trends::TrendStore::kMinuteMs || from > to ||
        (from >= m_secondsFrom && to < m_secondsFrom + day)) {
        return;
    }
    m_wantSeconds = std::max(m_load.FirstMs(), (from + to) / 2 - day / 2);
}

void ReplayView::SetPlaying(bool playing) {
    m_playing = playing && !m_loader.joinable();
    m_play->setText(m_playing ? "Pause" : "Play");
}

void ReplayView::SetSpeed(int speed) {
    m_speed = speed;
    const int index = int(std::find(std::begin(kSpeeds), std::end(kSpeeds), speed) - kSpeeds);
    if (m_speedBox->currentIndex() != index && index < 3) {
        m_speedBox->setCurrentIndex(index);
    }
}

void ReplayView::Step(int64_t wallMs) {
    if (m_loader.joinable()) {
        return;
    }
    Seek(m_playMs + wallMs * m_speed);
    if (m_playMs >= m_load.LastMs()) {
        SetPlaying(false);
    }
}

void ReplayView::Seek(int64_t timeMs) {
    if (m_loader.joinable()) {
        return;
    }
    m_playMs = std::clamp(timeMs, m_load.FirstMs(), m_load.LastMs());
    m_view->SetCursorTime(m_playMs);
    ShowPlayTime();
}

void ReplayView::ShowPlayTime() {
    const int64_t span = std::max<int64_t>(1, m_load.LastMs() - m_load.FirstMs());
    if (!m_slider->isSliderDown()) {
        m_slider->setValue(int((m_playMs - m_load.FirstMs()) * kSliderSteps / span));
    }
    m_time->setText(QString::fromStdString(platform::IsoUtcText(m_playMs)));
}
