#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <future>

#include "platform/window_messages.h"
#include "tests/support/ProgrammingErrors.h"
#include "ui/CDialog.h"
#include "ui/Format.h"
#include "ui/MessageBoxes.h"
#include "ui/UpDown.h"
#include "ui/WaitCursor.h"

using testsupport::ProgrammingErrors;
using ui::ControlKind;

namespace {

enum : int {
    kGroup = 10,
    kEdit = 11,
    kButton = 12,
    kCheck = 13,
    kUpDown = 14,
    kList = 15,
    kGreen = 16,
    kGrey = 17,
    kRed = 18,
    kOtherGreen = 19,
    kView = 20,
    kPushLike = 21
};

const ui::DialogTemplate kTemplate{
    900,
    "Test",
    {
        {kGroup, ControlKind::GroupBox, "Box", 0, 0},
        {kEdit, ControlKind::ReadOnlyEdit, "start", 0, 0, 1, 1, kGroup},
        {kButton, ControlKind::Button, "Send", 0, 1, 1, 1, kGroup},
        {kCheck, ControlKind::CheckBox, "Invert", 1, 0, 1, 1, kGroup},
        {kPushLike, ControlKind::PushLikeCheck, "Status", 1, 1, 1, 1, kGroup},
        {kUpDown, ControlKind::UpDown, "", 2, 1, 1, 1, kGroup},
        {kGreen, ControlKind::Lamp, "", 3, 0, 1, 1, kGroup, 131},
        {kGrey, ControlKind::Lamp, "", 3, 0, 1, 1, kGroup, 132},
        {kRed, ControlKind::Lamp, "", 3, 0, 1, 1, kGroup, 133},
        {kOtherGreen, ControlKind::Lamp, "", 3, 1, 1, 1, kGroup, 131},
        {kList, ControlKind::ListBox, "", 1, 0},
        {kView, ControlKind::ListView, "Name|Length", 2, 0},
    },
};

// Records what the dialog base reports.
class TestDialog : public ui::CDialog {
public:
    explicit TestDialog(QWidget* parent = nullptr) : ui::CDialog(kTemplate, parent) {}
    std::vector<int> commands;
    std::vector<std::pair<int, int>> positions;
    std::thread::id messageThread;

protected:
    void OnCommand(int id) override { commands.push_back(id); }
    void OnUpDownPosition(int id, int position) override { positions.push_back({id, position}); }
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t) override {
        messageThread = std::this_thread::get_id();
        return message * 10 + wParam;
    }
};

void Press(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

}  // namespace

TEST(Dialog, ControlsAreAddressedById) {
    TestDialog dialog;
    EXPECT_EQ(dialog.Text(kEdit), "start");
    dialog.SetText(kEdit, "1,234");
    EXPECT_EQ(dialog.Text(kEdit), "1,234");
    EXPECT_EQ(dialog.Text(kGroup), "Box");
    dialog.Enable(kButton, false);
    EXPECT_FALSE(dialog.IsEnabled(kButton));
    dialog.Show(kCheck, false);
    EXPECT_FALSE(dialog.IsShown(kCheck));
    dialog.SetCheck(kPushLike, 1);
    EXPECT_EQ(dialog.Check(kPushLike), 1);
    {
        const ProgrammingErrors errors;
        EXPECT_EQ(dialog.Control(999), nullptr);
        EXPECT_EQ(dialog.Text(999), "");
        EXPECT_EQ(errors.Texts(), (std::vector<std::string>{"template 900 has no control 999",
                                                            "template 900 has no control 999"}));
    }

    dialog.Enable(kButton, true);
    dialog.Click(kButton);
    dialog.Click(kCheck);
    EXPECT_EQ(dialog.commands, (std::vector<int>{kButton, kCheck}));
    EXPECT_EQ(dialog.Check(kCheck), 1);

    dialog.AddRow(kView, {"REC0001", "1,024"});
    dialog.AddRow(kList, {"COM1"});
    EXPECT_EQ(dialog.RowCount(kView), 1);
    EXPECT_EQ(dialog.RowText(kView, 0, 1), "1,024");
    EXPECT_EQ(dialog.RowText(kList, 0), "COM1");
    EXPECT_EQ(dialog.RowText(kList, 5), "");
    dialog.ClearRows(kView);
    EXPECT_EQ(dialog.RowCount(kView), 0);
}

TEST(Dialog, UpDownStepsWithinItsRangeAndReportsNewPositions) {
    TestDialog dialog;
    dialog.SetRange(kUpDown, 0, 2);
    dialog.SetPos(kUpDown, 1);
    EXPECT_TRUE(dialog.positions.empty());
    dialog.StepUpDown(kUpDown, +1);
    dialog.StepUpDown(kUpDown, +1);  // at the top: nothing to report
    dialog.StepUpDown(kUpDown, -1);
    EXPECT_EQ(dialog.positions, (std::vector<std::pair<int, int>>{{kUpDown, 2}, {kUpDown, 1}}));
    dialog.SetRange(kUpDown, 5, 0);  // an inverted range steps the other way
    dialog.SetPos(kUpDown, 3);
    dialog.StepUpDown(kUpDown, +1);
    EXPECT_EQ(dialog.Pos(kUpDown), 2);
}

TEST(Dialog, LampShowsOneColourOfItsStack) {
    TestDialog dialog;
    dialog.ShowLamp(kRed);
    EXPECT_EQ(dialog.ShownLamp(kGreen), kRed);
    EXPECT_FALSE(dialog.IsShown(kGreen));
    EXPECT_FALSE(dialog.IsShown(kGrey));
    EXPECT_TRUE(dialog.IsShown(kOtherGreen));  // another lamp
    dialog.ShowLamp(kGreen);
    EXPECT_EQ(dialog.ShownLamp(kRed), kGreen);
}

TEST(Dialog, ReturnAndSpaceAreSwallowedAndOnlyTheMainWindowClosesOnEscape) {
    TestDialog main;
    main.SetEscapeCloses(true);
    auto* page = new TestDialog(&main);
    page->setWindowFlags(Qt::Widget);
    main.show();
    QWidget* button = page->Control(kButton);
    button->setFocus();
    Press(button, Qt::Key_Return);
    Press(button, Qt::Key_Space);
    Press(page->Control(kPushLike), Qt::Key_Space);
    EXPECT_EQ(page->commands,
              (std::vector<int>{ui::kCommandReturn, ui::kCommandSpace, ui::kCommandSpace}));
    EXPECT_EQ(page->Check(kPushLike), 0);
    EXPECT_TRUE(main.isVisible());
    Press(page->Control(kEdit), Qt::Key_Escape);
    EXPECT_FALSE(main.isVisible());

    TestDialog alone;
    alone.show();
    Press(&alone, Qt::Key_Escape);
    EXPECT_TRUE(alone.isVisible());
}

TEST(Dialog, MessagesFromWorkersRunOnTheWindowThread) {
    TestDialog dialog;
    auto result = std::async(std::launch::async,
                             [&] { return platform::SendMessage(dialog.Handle(), 0x5F9, 3); });
    while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        QApplication::processEvents();
    }
    EXPECT_EQ(result.get(), 0x5F9 * 10 + 3);
    EXPECT_EQ(dialog.messageThread, std::this_thread::get_id());
    platform::WindowHandle gone = 0;
    {
        TestDialog closing;
        gone = closing.Handle();
        EXPECT_TRUE(platform::IsWindow(gone));
    }
    EXPECT_FALSE(platform::IsWindow(gone));
    EXPECT_EQ(platform::SendMessage(gone, 0x5F9), 0);
}

// A long operation's repaint runs no window message: a worker's message waits for the
// operation to end and then runs.
TEST(Dialog, MessagesWaitWhileALongOperationRepaints) {
    TestDialog dialog;
    auto result = std::async(std::launch::async,
                             [&] { return platform::SendMessage(dialog.Handle(), 0x5F9, 4); });
    {
        const ui::MessageHold hold;
        for (int i = 0; i < 50; ++i) {
            ui::RepaintFor(2);
        }
        EXPECT_EQ(result.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    }
    while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        QApplication::processEvents();
    }
    EXPECT_EQ(result.get(), 0x5F9 * 10 + 4);
}

TEST(Dialog, FileFiltersAreGivenInTheDialogsOwnForm) {
    EXPECT_EQ(ui::DialogFilter("Binary Files (*.bin)|*.bin|"), "Binary Files (*.bin)");
    EXPECT_EQ(ui::DialogFilter("Images|*.png;*.jpg|All Files (*.*)|*.*|"),
              "Images (*.png *.jpg);;All Files (*.*)");
    EXPECT_EQ(ui::DialogFilter("PNG pictures (*.png)"), "PNG pictures (*.png)");
}

TEST(Dialog, InterceptedMessageBoxesAreRecordedAndAnswered) {
    ui::DialogInterceptor boxes;
    boxes.SetAnswer(ui::IDNO);
    EXPECT_EQ(ui::MessageBox(nullptr, "Cannot open Com Port.", "Com Port Error",
                             ui::MessageIcon::Error, ui::MessageButtons::YesNo),
              ui::IDNO);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].title, "Com Port Error");
    EXPECT_EQ(boxes.Messages()[0].icon, ui::MessageIcon::Error);
    boxes.SetOpenFileName("/tmp/image.bin");
    EXPECT_EQ(ui::GetOpenFileName(nullptr, "Open", "/tmp", "*.bin"), "/tmp/image.bin");
}

TEST(Format, GroupedIntegersAndIrigDates) {
    EXPECT_EQ(ui::GroupThousands(-1000), "-1,000");
    EXPECT_EQ(ui::GroupThousands(999), "999");
    EXPECT_EQ(ui::GroupThousands(1000000), "1,000,000");
    EXPECT_EQ(ui::GroupThousands(-100), "-100");
    EXPECT_EQ(ui::GroupThousands(0), "0");
    EXPECT_EQ(ui::UngroupThousands("1,234,567"), 1234567);
    EXPECT_EQ(ui::UngroupThousands("-1,000"), -1000);
    EXPECT_EQ(ui::IrigDateText(24, 5184000, true), "2024-MAR-01 00:00:00");
    EXPECT_EQ(ui::IrigDateText(25, 5184000, false), "2025-MAR-02 00:00:00");
    EXPECT_EQ(ui::IrigDateText(26, 0, false), "2026-JAN-01 00:00:00");
    EXPECT_EQ(ui::IrigDateText(26, 365 * 86400 + 3661, false), "2026-DEC-32 01:01:01");
}
