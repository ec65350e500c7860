#pragma once
// Combo box that remembers the text it was loaded with. An editable box
// (csDropDown) by default; SetStyle(csDropDownList) makes it a pick-only list.
#include <QComboBox>
#include <functional>

class TtvComboBox : public QComboBox {
    Q_OBJECT
public:
    enum TComboBoxStyle { csDropDown, csDropDownList };

    explicit TtvComboBox(QWidget *parent = nullptr);

    TComboBoxStyle Style() const { return isEditable() ? csDropDown : csDropDownList; }
    void SetStyle(TComboBoxStyle value);

    QString Text() const { return currentText(); }
    // In a drop-down list the text selects the item that equals it (none when
    // no item does); in an editable box it becomes the edit text.
    void SetText(const QString &value);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int value) { setCurrentIndex(value); }

    void Save() { SaveValue = Text(); }
    bool IsChanged() const { return Text() != SaveValue; }
    bool IsNull() const;

    QString SaveValue;
    bool AutoSave = false;
    bool WantArrow = true;
    bool WantReturns = true;
    bool WantTabs = false;

    std::function<void(QObject *)> OnChange;

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    void SetupEdit();
};
