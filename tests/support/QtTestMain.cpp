// The main of the GUI test programs: a QApplication on the offscreen platform, then the tests.
// Every test runs under a default interceptor that fails it on a message box or file dialog it
// did not ask for (instead of hanging on a modal window), and programming errors of the dialog
// layer fail the running test. Outside the *RealTime suites the process clock runs on between
// transactions for the whole test, so that waits for a quiet line or a paced poll pass at once.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string_view>

#include "tests/support/FastForward.h"
#include "tests/support/ProgrammingErrors.h"
#include "ui/MessageBoxes.h"

namespace {

class UnexpectedBoxes : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        m_boxes = std::make_unique<ui::DialogInterceptor>();
        m_boxes->SetObserver([](const ui::MessageRecord& box) {
            ADD_FAILURE() << "unexpected box \"" << box.title << "\": " << box.text;
        });
    }
    void OnTestEnd(const ::testing::TestInfo&) override { m_boxes.reset(); }

    std::unique_ptr<ui::DialogInterceptor> m_boxes;
};

class FastClock : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        const std::string_view suite = test.test_suite_name();
        if (suite.size() < 8 || suite.substr(suite.size() - 8) != "RealTime") {
            m_fastForward = std::make_unique<testsupport::FastForward>(
                25, 1, testsupport::FastForward::BetweenTransactions);
        }
    }
    void OnTestEnd(const ::testing::TestInfo&) override { m_fastForward.reset(); }

    std::unique_ptr<testsupport::FastForward> m_fastForward;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new UnexpectedBoxes);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FastClock);
    ui::SetProgrammingErrorHandler(&testsupport::FailOnProgrammingError);
    return RUN_ALL_TESTS();
}
