#pragma once
// Radio button that remembers whether it was checked when loaded.
#include <QRadioButton>
#include <functional>

class TtvRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit TtvRadioButton(QWidget *parent = nullptr);
    explicit TtvRadioButton(const QString &caption, QWidget *parent = nullptr);

    bool Checked() const { return isChecked(); }
    void SetChecked(bool value) { setChecked(value); }

    void Save() { SaveValue = isChecked(); }
    bool IsChanged() const { return isChecked() != SaveValue; }

    bool SaveValue = false;
    bool AutoSave = false;
    bool WantArrow = true; // no effect on a radio button
    bool WantReturns = true;
    bool WantTabs = false;

    std::function<void(QObject *)> OnClick;

protected:
    bool event(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
};
