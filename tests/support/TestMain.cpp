// Shared main() of every test program: a QApplication on the offscreen
// platform (unless a display was asked for), then GoogleTest.
#include <QApplication>
#include <gmock/gmock.h>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talvex"));
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
