#pragma once
// Drives modal dialogs in a test: each step waits for the next modal dialog
// with the given object name to show (a new one each time, also when a new
// dialog takes the place of a freed one) and acts on it as the user would.
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

namespace tvtest {

class ModalSteps {
public:
    struct Step {
        QString name;
        std::function<void(QWidget *)> act;
    };
    explicit ModalSteps(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }
    bool finished() const { return m_next >= m_steps.size(); }
    size_t done() const { return m_next; }

private:
    void poll()
    {
        if (finished()) {
            m_timer.stop();
            return;
        }
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == m_last.data() || w->objectName() != m_steps[m_next].name)
            return;
        m_last = w;
        auto act = m_steps[m_next++].act;
        act(w);
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

// A step that closes the dialog with Escape (Cancel).
inline ModalSteps::Step CancelStep(const QString &name)
{
    return {name, [](QWidget *w) { QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection); }};
}

} // namespace tvtest
