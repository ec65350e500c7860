// talvex: the program. Creates the application and its main window.
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Talvex for Postgres"));
    QMainWindow w;
    w.setCentralWidget(new QMdiArea(&w));
    w.resize(852, 729);
    w.show();
    return app.exec();
}
