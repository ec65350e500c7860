#include "support/ModalWatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tvtest {

ModalWatchdog::ModalWatchdog(int limitMs, QObject *parent) : QObject(parent), m_limitMs(limitMs)
{
    // Timers fire inside a dialog's own event loop too, so this runs while a
    // test sits in exec().
    m_timer.setInterval(std::max(10, std::min(250, limitMs / 4)));
    connect(&m_timer, &QTimer::timeout, this, [this] { Check(); });
    m_timer.start();
}

int ModalWatchdog::DefaultLimitMs()
{
    if (const char *s = std::getenv("TALVEX_TEST_MODAL_SECONDS")) {
        const int seconds = std::atoi(s);
        if (seconds > 0)
            return seconds * 1000;
    }
    return 15000;
}

std::string ModalWatchdog::Describe(const QWidget *w)
{
    QString d = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        d += QStringLiteral(" \"%1\"").arg(w->objectName());
    if (!w->windowTitle().isEmpty())
        d += QStringLiteral(" titled \"%1\"").arg(w->windowTitle());
    if (const auto *box = qobject_cast<const QMessageBox *>(w))
        d += QStringLiteral(" saying \"%1\"").arg(box->text());
    return d.toStdString();
}

void ModalWatchdog::CloseModal(QWidget *w)
{
    if (auto *dialog = qobject_cast<QDialog *>(w))
        dialog->reject();
    else
        w->close();
    if (w->isVisible())
        w->hide();
}

void ModalWatchdog::Check()
{
    QWidget *w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) {
        m_seen = nullptr;
        return;
    }
    if (w != m_seen) {
        m_seen = w;
        m_since.start();
        return;
    }
    if (m_since.elapsed() < m_limitMs)
        return;
    m_seen = nullptr;
    ADD_FAILURE() << "a modal dialog was left open for more than " << m_limitMs / 1000.0
                  << " s and is closed now: " << Describe(w);
    CloseModal(w);
}

std::string ModalWatchdog::CloseLeftovers()
{
    std::string list;
    for (int i = 0; i < 20; ++i) {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            break;
        list += Describe(w) + "\n";
        CloseModal(w);
    }
    return list;
}

} // namespace tvtest
