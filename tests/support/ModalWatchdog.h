#pragma once
// Fails the running test when a modal dialog stays open longer than a limit,
// naming the dialog, and closes it, so that a dialog nobody answers ends the
// test instead of hanging it until CTest's timeout. Dialogs that a test
// scripts (through the dialogs seam, or real ones closed by the test) are
// answered well within the limit and go unnoticed.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <string>

namespace tvtest {

class ModalWatchdog : public QObject {
public:
    // limitMs: how long one modal widget may stay the active modal widget.
    explicit ModalWatchdog(int limitMs, QObject *parent = nullptr);

    // The limit of the shared test main: TALVEX_TEST_MODAL_SECONDS, else 15 s.
    static int DefaultLimitMs();
    // Class, object name, title and (for a message box) text of a widget.
    static std::string Describe(const QWidget *w);

    // Closes every modal widget still shown (after a test); returns their
    // descriptions, one a line.
    static std::string CloseLeftovers();

private:
    void Check();
    static void CloseModal(QWidget *w);

    int m_limitMs;
    QTimer m_timer;
    QPointer<QWidget> m_seen;
    QElapsedTimer m_since;
};

} // namespace tvtest
