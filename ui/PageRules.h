#pragma once
// The rule engine every page runs its controls through. A rule is keyed by a control id and
// serves buttons, toggles, choice boxes and up-downs alike: it drains the device input first
// (silently or with the "COM Buffer" box), runs its action, redraws, and beeps by its policy.

#include <cstdint>
#include <functional>
#include <map>

#include "platform/beep.h"

class QWidget;

namespace ui {

enum class Drain {
    None,    // the input is left as it is
    Silent,  // discarded without a word
    Report,  // discarded, and the "COM Buffer" box says so when anything was waiting
};

enum class BeepWhen { Always, OnFailure, Never };

constexpr platform::Tone kSuccessTone{1000, 10};
constexpr platform::Tone kFailureTone{100, 100};

struct Rule {
    Drain drain = Drain::None;
    // The change: an up-down's position, a choice's row, or 0 for a button. Returns the
    // device's result (nonzero for success; 0 when the rule refused and sent nothing).
    std::function<int32_t(int value)> action;
    std::function<void()> redraw;
    BeepWhen beep = BeepWhen::Always;
    platform::Tone success = kSuccessTone;
};

// Wraps an action so that it runs only while `allowed` holds; otherwise it sends nothing and
// fails (the low beep, then the redraw puts back the stored state).
std::function<int32_t(int)> Gated(std::function<bool()> allowed,
                                  std::function<int32_t(int)> action);

void FeedbackBeep(bool success, platform::Tone successTone = kSuccessTone);

// The rule of a control that acts on the program itself rather than on a device setting: it
// runs `action`, drains nothing and never beeps.
Rule QuietRule(std::function<void()> action);

class RuleEngine {
public:
    // `drain` discards the waiting device input and returns how many bytes it discarded.
    using DrainInput = std::function<uint16_t()>;

    explicit RuleEngine(QWidget* owner) : m_owner(owner) {}

    void SetDrainInput(DrainInput drain) { m_drain = std::move(drain); }
    void Add(int id, Rule rule) { m_rules[id] = std::move(rule); }
    bool Has(int id) const { return m_rules.count(id) != 0; }
    // Runs the rule of `id`; false when there is none.
    bool Run(int id, int value);
    // Discards the waiting input by the policy.
    void DrainBy(Drain policy);

private:
    QWidget* m_owner;
    DrainInput m_drain;
    std::map<int, Rule> m_rules;
};

}  // namespace ui
