// Shared main() of every test program: a QApplication on the offscreen
// platform (unless a display was asked for), then GoogleTest, with a
// watchdog that fails a test leaving a modal dialog open instead of hanging.
#include "support/ModalWatchdog.h"

#include <QApplication>
#include <gmock/gmock.h>
#include <cstdlib>
#include <iostream>

namespace {

// A modal dialog still shown when a test ends fails the program: it would
// otherwise be blamed on the next test, or keep the program from ending.
class LeftoverModals : public testing::EmptyTestEventListener {
public:
    bool found = false;

private:
    void OnTestEnd(const testing::TestInfo &info) override
    {
        const std::string left = tvtest::ModalWatchdog::CloseLeftovers();
        if (left.empty())
            return;
        found = true;
        std::cerr << "[  MODAL   ] " << info.test_suite_name() << '.' << info.name()
                  << " ended with a modal dialog open:\n" << left;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talvex"));
    testing::InitGoogleMock(&argc, argv);
    tvtest::ModalWatchdog watchdog(tvtest::ModalWatchdog::DefaultLimitMs());
    auto *leftovers = new LeftoverModals; // owned by GoogleTest
    testing::UnitTest::GetInstance()->listeners().Append(leftovers);
    const int rc = RUN_ALL_TESTS();
    return rc != 0 || leftovers->found ? 1 : 0;
}
