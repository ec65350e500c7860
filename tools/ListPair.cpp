#include "tools/ListPair.h"

#include "controls/tvListView.h"
#include "platform/ui/Guard.h"
#include "tools/ToolWidgets.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

TListPair::TListPair(QObject *Parent, TtvListView *All, TtvListView *Select, QToolButton *InsAll, QToolButton *Ins,
                     QToolButton *Del, QToolButton *DelAll)
    : QObject(Parent), FAll(All), FSelect(Select)
{
    using tv::ui::Guarded;
    connect(InsAll, &QToolButton::clicked, this, Guarded([this] { Move(FAll, FSelect, true); }));
    connect(Ins, &QToolButton::clicked, this, Guarded([this] { Move(FAll, FSelect, false); }));
    connect(Del, &QToolButton::clicked, this, Guarded([this] { Move(FSelect, FAll, false); }));
    connect(DelAll, &QToolButton::clicked, this, Guarded([this] { Move(FSelect, FAll, true); }));
    connect(All, &QTreeWidget::itemDoubleClicked, this,
            Guarded([this](QTreeWidgetItem *, int) { Move(FAll, FSelect, false); }));
    connect(Select, &QTreeWidget::itemDoubleClicked, this,
            Guarded([this](QTreeWidgetItem *, int) { Move(FSelect, FAll, false); }));
    All->installEventFilter(this);
    Select->installEventFilter(this);
}

void TListPair::Move(TtvListView *From, TtvListView *To, bool All)
{
    QList<TtvListItem *> items;
    if (All) {
        for (int i = 0; i < From->ItemCount(); ++i)
            items << From->Item(i);
    } else {
        items = From->SelectedItems();
    }
    for (TtvListItem *it : items)
        To->AddItem(it->Caption(), it->SubItems());
    for (int i = int(items.size()) - 1; i >= 0; --i)
        delete items.at(i);
}

QWidget *TListPair::Buttons(QWidget *Parent, const char *InsAll, const char *Ins, const char *Del, const char *DelAll,
                            QToolButton *&bInsAll, QToolButton *&bIns, QToolButton *&bDel, QToolButton *&bDelAll)
{
    auto *w = new QWidget(Parent);
    auto *mid = new QVBoxLayout(w);
    mid->setContentsMargins(0, 0, 0, 0);
    bInsAll = toolui::Button(w, InsAll, QStringLiteral("<<"), QStringLiteral("全て追加"));
    bIns = toolui::Button(w, Ins, QStringLiteral("<"), QStringLiteral("追加"));
    bDel = toolui::Button(w, Del, QStringLiteral(">"), QStringLiteral("削除"));
    bDelAll = toolui::Button(w, DelAll, QStringLiteral(">>"), QStringLiteral("全て削除"));
    mid->addStretch();
    for (QToolButton *b : {bInsAll, bIns, bDel, bDelAll})
        mid->addWidget(b);
    mid->addStretch();
    return w;
}

bool TListPair::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (Watched == FAll && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            tv::ui::Guard([this] { Move(FAll, FSelect, false); });
            return true;
        }
        if (Watched == FSelect && key == Qt::Key_Delete) {
            tv::ui::Guard([this] { Move(FSelect, FAll, false); });
            return true;
        }
    }
    return QObject::eventFilter(Watched, Event);
}
