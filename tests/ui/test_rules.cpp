// The rule engine that every page runs its controls through: drain policies, the "COM
// Buffer" box, beep policies and tones, mode gates and Enter running a rule.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "platform/beep.h"
#include "ui/CPage.h"
#include "ui/MessageBoxes.h"

using platform::Tone;

namespace {

enum : int { kButton = 1, kUpDown = 2, kList = 3, kEdit = 4, kOther = 5 };

const ui::DialogTemplate& RulesTemplate() {
    static const ui::DialogTemplate kTemplate{950,
                                              "",
                                              {{kButton, ui::ControlKind::Button, "Send", 0, 0},
                                               {kUpDown, ui::ControlKind::UpDown, "", 0, 1},
                                               {kList, ui::ControlKind::ComboBox, "", 0, 2},
                                               {kEdit, ui::ControlKind::Edit, "", 0, 3},
                                               {kOther, ui::ControlKind::Button, "Other", 0, 4}}};
    return kTemplate;
}

// A page whose device input holds `waiting` bytes until drained.
class RulePage : public ui::CPage {
public:
    RulePage() : ui::CPage(RulesTemplate(), nullptr) {
        SetDrainInput([this]() -> uint16_t {
            ++drains;
            return std::exchange(waiting, 0);
        });
    }
    using ui::CPage::AddRule;
    using ui::CPage::SetEnterRuns;
    uint16_t waiting = 0;
    int drains = 0;
};

const Tone kHigh{1000, 10};
const Tone kLow{100, 100};

}  // namespace

TEST(Rules, DrainPoliciesAndTheComBufferBox) {
    RulePage page;
    platform::BeepRecorder beeps;
    ui::DialogInterceptor boxes;
    std::vector<int> values;
    auto record = [&](int value) {
        values.push_back(value);
        return 1;
    };
    page.AddRule(kButton, {ui::Drain::None, record, {}});
    page.AddRule(kUpDown, {ui::Drain::Report, record, {}});
    page.AddRule(kList, {ui::Drain::Silent, record, {}});
    page.waiting = 3;
    page.Click(kButton);
    EXPECT_EQ(page.drains, 0);
    page.SetRange(kUpDown, 0, 9);
    page.StepUpDown(kUpDown, +1);
    EXPECT_EQ(page.drains, 1);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].text, "The COM Buffer was not empty.");
    EXPECT_EQ(boxes.Messages()[0].title, "COM Buffer");
    page.StepUpDown(kUpDown, +1);  // nothing waiting: no box
    page.waiting = 2;
    page.AddRow(kList, {"a"});
    page.AddRow(kList, {"b"});
    page.Pick(kList, 1);  // drained without a box
    EXPECT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(page.waiting, 0);
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2, 1}));  // the action still runs after the box
    EXPECT_EQ(beeps.Tones(), (std::vector<Tone>(4, kHigh)));
}

TEST(Rules, BeepPoliciesRedrawAndGates) {
    RulePage page;
    platform::BeepRecorder beeps;
    int redraws = 0;
    int32_t result = 0;
    bool allowed = false;
    auto act = [&](int) { return result; };
    auto redraw = [&] { ++redraws; };
    page.AddRule(kButton, {ui::Drain::None, act, redraw, ui::BeepWhen::OnFailure});
    page.AddRule(kOther, {ui::Drain::None, ui::Gated([&] { return allowed; }, act), redraw,
                          ui::BeepWhen::Always, Tone{1000, 20}});
    page.AddRule(kUpDown, {ui::Drain::None, act, redraw, ui::BeepWhen::Never});
    page.Click(kButton);
    result = 1;
    page.Click(kButton);  // success is silent
    page.Click(kOther);   // gated: nothing runs, the low beep, the redraw still shows the state
    allowed = true;
    page.Click(kOther);
    page.SetRange(kUpDown, 0, 9);
    page.StepUpDown(kUpDown, +1);
    EXPECT_EQ(beeps.Tones(), (std::vector<Tone>{kLow, kLow, Tone{1000, 20}}));
    EXPECT_EQ(redraws, 5);
}

TEST(Rules, EnterRunsOnlyTheRuleItIsGiven) {
    RulePage page;
    platform::BeepRecorder beeps;
    int sends = 0;
    page.AddRule(kButton, {ui::Drain::Silent, [&](int) { return ++sends; }, {}});
    auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(page.Control(kEdit), &event);
    };
    press(Qt::Key_Return);
    press(Qt::Key_Space);
    EXPECT_EQ(sends, 0);
    page.SetEnterRuns(kButton);
    press(Qt::Key_Return);
    press(Qt::Key_Enter);
    press(Qt::Key_Space);
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(page.drains, 2);
}
