#pragma once
// Numeric edit box: keeps only digits and one decimal point (and a leading
// minus with AllowMinus) whatever is typed or pasted, and remembers the text it
// was loaded with like TtvStrEdit.
#include <QLineEdit>
#include <functional>

class TtvNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TtvNumEdit(QWidget *parent = nullptr);

    QString Text() const { return text(); }
    void SetText(const QString &value) { setText(value); }

    void Save() { SaveValue = text(); }
    bool IsChanged() const { return text() != SaveValue; }
    bool IsNull() const;

    // The text as a number; 0 when it is not one (also for the empty text).
    double ValueFloat() const;
    void SetValueFloat(double value);
    // ValueFloat rounded to the nearest integer, halves to the even neighbour.
    int ValueInt() const;
    void SetValueInt(int value);

    bool AllowMinus() const { return FAllowMinus; }
    void SetAllowMinus(bool value);

    // The filter applied on every change: digits and the last "." kept, a "-"
    // anywhere becomes a leading "-" when minus is allowed.
    static QString FilterText(const QString &text, bool allowMinus);

    QString SaveValue;
    bool AutoSave = false;
    bool WantArrow = true;
    bool WantReturns = true;
    bool WantTabs = false;

    std::function<void(QObject *)> OnChange;

protected:
    bool event(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    void TextChanged(const QString &text);
    void SetValueText(const QString &value);
    bool FAllowMinus = false;
};
