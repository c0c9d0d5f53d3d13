#include "ui/PageRules.h"

#include "ui/MessageBoxes.h"

namespace ui {

std::function<int32_t(int)> Gated(std::function<bool()> allowed,
                                  std::function<int32_t(int)> action) {
    return [allowed = std::move(allowed), action = std::move(action)](int value) {
        return allowed() ? action(value) : 0;
    };
}

Rule QuietRule(std::function<void()> action) {
    return Rule{Drain::None,
                [action = std::move(action)](int) {
                    action();
                    return 1;
                },
                {},
                BeepWhen::Never};
}

void FeedbackBeep(bool success, platform::Tone successTone) {
    const platform::Tone tone = success ? successTone : kFailureTone;
    platform::Beep(tone.frequencyHz, tone.durationMs);
}

void RuleEngine::DrainBy(Drain policy) {
    if (policy == Drain::None || !m_drain) {
        return;
    }
    if (m_drain() != 0 && policy == Drain::Report) {
        MessageBox(m_owner, "The COM Buffer was not empty.", "COM Buffer", MessageIcon::Error);
    }
}

bool RuleEngine::Run(int id, int value) {
    const auto found = m_rules.find(id);
    if (found == m_rules.end()) {
        return false;
    }
    const Rule& rule = found->second;
    DrainBy(rule.drain);
    const int32_t result = rule.action ? rule.action(value) : 0;
    if (rule.redraw) {
        rule.redraw();
    }
    const bool success = result != 0;
    if (rule.beep == BeepWhen::Always || (rule.beep == BeepWhen::OnFailure && !success)) {
        FeedbackBeep(success, rule.success);
    }
    return true;
}

}  // namespace ui
