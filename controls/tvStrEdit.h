#pragma once
// Single-line edit box that remembers the text it was loaded with.
//
// A window loads a value, calls Save (or lets the box save itself on entry
// with AutoSave) and later asks IsChanged / IsNull to decide which clauses to
// generate. Enter moves to the next control; the arrow keys leave the box at
// its ends.
#include <QLineEdit>
#include <functional>

class TtvStrEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TtvStrEdit(QWidget *parent = nullptr);

    QString Text() const { return text(); }
    void SetText(const QString &value) { setText(value); }

    void Save() { SaveValue = text(); }
    bool IsChanged() const { return text() != SaveValue; }
    bool IsNull() const;

    QString SaveValue;
    bool AutoSave = false;
    bool WantArrow = true;
    bool WantReturns = true;
    bool WantTabs = false;

    std::function<void(QObject *)> OnChange; // after every change of the text

protected:
    bool event(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;
};
