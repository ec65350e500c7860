#pragma once
// A titled group of radio buttons chosen by index (-1: none), laid out in
// one or more columns.
#include <QGroupBox>
#include <QList>

class QButtonGroup;
class QRadioButton;

class TtvRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TtvRadioGroup(const QString &title, const QStringList &items, int columns = 1, QWidget *parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const { return int(m_buttons.size()); }
    QRadioButton *Button(int index) const { return m_buttons.value(index); }

signals:
    // The user chose another button.
    void Clicked(int index);

private:
    QButtonGroup *m_group;
    QList<QRadioButton *> m_buttons;
};
