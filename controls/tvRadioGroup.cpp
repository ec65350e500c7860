#include "controls/tvRadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TtvRadioGroup::TtvRadioGroup(const QString &title, const QStringList &items, int columns, QWidget *parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this))
{
    auto *lay = new QGridLayout(this);
    columns = std::max(1, columns);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items.at(i), this);
        m_group->addButton(b, i);
        m_buttons.append(b);
        lay->addWidget(b, i % std::max(1, rows), i / std::max(1, rows));
    }
    connect(m_group, &QButtonGroup::idClicked, this, &TtvRadioGroup::Clicked);
}

int TtvRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TtvRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons[index]->setChecked(true);
        return;
    }
    m_group->setExclusive(false);
    for (QRadioButton *b : m_buttons)
        b->setChecked(false);
    m_group->setExclusive(true);
}
