#pragma once
// TfraExplan: the execution plan of one statement as a tree, one node per
// plan step with the estimated cost, rows and width beside it. The SQL
// window shows it on its plan page, the view window on "実行計画". The plan
// can be copied to the clipboard and written into a workbook.
//
// Calling order: set SQL, give qryPlan the same text and its parameter
// values, then ShowData. The hosts bind qryData and qryPlan to their
// connection.
#include "platform/db/Query.h"

#include <QFrame>
#include <QList>
#include <QString>
#include <QStringList>

class QHeaderView;
class QToolBar;
class QToolButton;
class QWidget;
class TtvTreeNode;
class TtvTreeView;

// One parsed plan entry.
struct TTreDtlInf {
    int intLv = 0;
    QString strOperation;
    QString strCost;
    QString strRows;
    QString strWidth;
};
using TTreInf = QList<TTreDtlInf>;

// The plan text parser, testable without a widget or a server.
namespace explan {

// "SELECT STATEMENT", "CREATE TABLE AS STATEMENT" ...: the first word of the
// statement in upper case.
QString StatementEntry(const QString &sql);
// The plan lines gathered into entries: the statement entry, then one entry
// per step (a line starting with "->", and the first line) and per
// "Planning Time:" line; other lines are appended, trimmed, to the entry
// before them.
QStringList CollectEntries(const QStringList &planLines, const QString &sql);
// Caption, cost, rows and width of an entry; the numbers come from its
// "(cost=... rows=... width=...)" group.
TTreDtlInf ParsePlanLine(const QString &entry);
// The tree level of an entry given the indentation base (the position of
// the first entry's "->", -1 while none was seen).
int PlanLineLevel(const QString &entry, int base);
// The whole plan as entries with their levels.
TTreInf ParsePlan(const QStringList &planLines, const QString &sql);

} // namespace explan

class TfraExplan : public QFrame {
    Q_OBJECT
public:
    explicit TfraExplan(QWidget *parent = nullptr);

    // Binds both queries to a connection.
    void SetConnection(tv::db::Connection *conn);
    const QString &SQL() const { return FSQL; }
    void SetSQL(const QString &sql);

    // ShowPlan while btnPlan is down.
    void ShowData();
    // Runs EXPLAIN and shows the tree; raises the server's error and then
    // keeps the tree it showed before.
    void ShowPlan();
    void btnPlanClick();
    void btnCopyClick();
    void btnExcelClick();

    // The nodes in tree order with their levels, and the clipboard text of
    // the tree (separator TAB or ",").
    QList<TtvTreeNode *> NodesInOrder() const;
    QString PlanText(QChar separator) const;

    QToolBar *tolLeft = nullptr;
    QToolButton *btnPlan = nullptr;
    QToolButton *btnExcel = nullptr;
    QToolButton *btnCopy = nullptr;
    QWidget *pnlPlan = nullptr;
    QHeaderView *hedPlan = nullptr;
    TtvTreeView *lstPlan = nullptr;
    tv::db::Query qryData;
    tv::db::Query qryPlan;

private:
    QString FSQL;
};
