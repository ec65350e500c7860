#pragma once
// Check box that remembers the state it was loaded with.
#include <QCheckBox>
#include <functional>

class TtvCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TtvCheckBox(QWidget *parent = nullptr);
    explicit TtvCheckBox(const QString &caption, QWidget *parent = nullptr);

    bool Checked() const { return checkState() == Qt::Checked; }
    void SetChecked(bool value) { setCheckState(value ? Qt::Checked : Qt::Unchecked); }
    Qt::CheckState State() const { return checkState(); }
    void SetState(Qt::CheckState value) { setCheckState(value); }
    bool AllowGrayed() const { return isTristate(); }
    void SetAllowGrayed(bool value) { setTristate(value); }

    void Save() { SaveValue = checkState(); }
    bool IsChanged() const { return checkState() != SaveValue; }

    Qt::CheckState SaveValue = Qt::Unchecked;
    bool AutoSave = false;
    bool WantArrow = true; // no effect on a check box
    bool WantReturns = true;
    bool WantTabs = false;

    std::function<void(QObject *)> OnClick; // the state changed

protected:
    bool event(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
};
