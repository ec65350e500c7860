#pragma once
// Small widgets the backup and restore windows share.
#include "controls/tvComboBox.h"
#include "controls/tvStrEdit.h"
#include "editor/tvMemo.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QLayout>
#include <QListWidget>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

// A combo box that fills its list each time it drops down.
class TDropDownCombo : public TtvComboBox {
    Q_OBJECT
public:
    using TtvComboBox::TtvComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override
    {
        if (OnDropDown) {
            const QString text = currentText();
            OnDropDown();
            setEditText(text);
        }
        TtvComboBox::showPopup();
    }
};

namespace toolui {

// A check box, a group box with a column layout, a tool button; named.
inline QCheckBox *Check(QWidget *parent, QLayout *lay, const char *name, const QString &caption)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    lay->addWidget(c);
    return c;
}

inline QGroupBox *Group(QWidget *parent, const char *name, const QString &caption)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(QString::fromLatin1(name));
    new QVBoxLayout(g);
    return g;
}

inline QToolButton *Button(QWidget *parent, const char *name, const QString &text, const QString &hint = QString())
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

// The encodings a COPY or a dump may name: an empty first item, then the
// server's names.
inline const QStringList &CopyEncodings()
{
    static const QStringList list{
        QString(),  "big5",    "euc_cn",  "euc_jp",  "euc_jis_2004",  "euc_kr",  "euc_tw",  "gb18030", "gbk",
        "iso_8859_5", "iso_8859_6", "iso_8859_7", "iso_8859_8", "johab", "koi8r", "koi8u", "latin1", "latin2",
        "latin3", "latin4", "latin5", "latin6", "latin7", "latin8", "latin9", "latin10", "mule_internal", "sjis",
        "shift_jis_2004", "sql_ascii", "uhc", "utf8", "win866", "win874", "win1250", "win1251", "win1252",
        "win1253", "win1254", "win1255", "win1256", "win1257", "win1258"};
    return list;
}

// A named list of many selectable entries that keeps itself sorted.
inline QListWidget *SortedList(QWidget *parent, const char *name)
{
    auto *l = new QListWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    l->setSortingEnabled(true);
    return l;
}

// Typed text becomes lower case (while `when` says so at the time of typing).
inline void LowerCaseTyping(QLineEdit *edit, std::function<bool()> when)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, when](const QString &text) {
        if (!when() || text == text.toLower())
            return;
        const int at = edit->cursorPosition();
        edit->setText(text.toLower());
        edit->setCursorPosition(at);
    });
}

// The rows "ログ出力" (checked) and "使用ツール" at the foot of the option
// page, rows 5 and 6 of its grid; the program's widgets are named
// lbl<tool>Pgm, txt<tool>Pgm and btn<tool>Pgm.
inline void AddLogAndProgramRows(QWidget *page, QGridLayout *grid, const QString &tool, QCheckBox *&chkLog,
                                 TtvStrEdit *&txtLogFile, QToolButton *&btnLogFile, QLabel *&lblPgm,
                                 TtvStrEdit *&txtPgm, QToolButton *&btnPgm)
{
    chkLog = new QCheckBox(QStringLiteral("ログ出力"), page);
    chkLog->setObjectName(QStringLiteral("chkLog"));
    chkLog->setChecked(true);
    txtLogFile = new TtvStrEdit(page);
    txtLogFile->setObjectName(QStringLiteral("txtLogFile"));
    btnLogFile = Button(page, "btnLogFile", QStringLiteral("..."));
    lblPgm = new QLabel(QStringLiteral("使用ツール"), page);
    lblPgm->setObjectName(QStringLiteral("lbl") + tool + QStringLiteral("Pgm"));
    txtPgm = new TtvStrEdit(page);
    txtPgm->setObjectName(QStringLiteral("txt") + tool + QStringLiteral("Pgm"));
    btnPgm = Button(page, (QStringLiteral("btn") + tool + QStringLiteral("Pgm")).toLatin1().constData(),
                    QStringLiteral("..."));
    auto *logRow = new QHBoxLayout;
    logRow->addWidget(chkLog);
    logRow->addWidget(txtLogFile, 1);
    logRow->addWidget(btnLogFile);
    auto *pgmRow = new QHBoxLayout;
    pgmRow->addWidget(lblPgm);
    pgmRow->addWidget(txtPgm, 1);
    pgmRow->addWidget(btnPgm);
    grid->addLayout(logRow, 5, 0, 1, 2);
    grid->addLayout(pgmRow, 6, 0, 1, 2);
}

// The last page, "結果ログ" (tabLog), filled by a read-only memo (txtLog).
inline QWidget *AddLogPage(QTabWidget *pages, TtvMemo *&memo)
{
    auto *tab = new QWidget(pages);
    tab->setObjectName(QStringLiteral("tabLog"));
    pages->addTab(tab, QStringLiteral("結果ログ"));
    auto *lay = new QVBoxLayout(tab);
    lay->setContentsMargins(0, 0, 0, 0);
    memo = new TtvMemo(tab);
    memo->setObjectName(QStringLiteral("txtLog"));
    memo->SetReadOnly(true);
    lay->addWidget(memo);
    return tab;
}

} // namespace toolui
