#include "objects/other/SideConnectionWindow.h"

#include "platform/db/Connection.h"
#include "platform/db/Query.h"

TSideConnectionWindow::TSideConnectionWindow(IConnectionWindow *Main)
    : FMain(Main), FSide(Main->dbsMain().OpenSideConnection()), FQuery(std::make_unique<tv::db::Query>(FSide.get()))
{
}

TSideConnectionWindow::~TSideConnectionWindow()
{
    FQuery.reset();
    if (FSide)
        FSide->Close();
}

bool TSideConnectionWindow::Needed(IConnectionWindow *Main)
{
    return Main && Main->dbsMain().transactionState() != tv::db::TransactionState::Idle;
}

QWidget *TSideConnectionWindow::FormWidget() { return FMain->FormWidget(); }
tv::db::Connection &TSideConnectionWindow::dbsMain() { return *FSide; }
QString TSideConnectionWindow::ConnectionText() const { return FMain->ConnectionText(); }
QString TSideConnectionWindow::DBName() const { return FMain->DBName(); }
int TSideConnectionWindow::DBVer() const { return FMain->DBVer(); }
bool TSideConnectionWindow::g_bPostgresPlus() const { return FMain->g_bPostgresPlus(); }
bool TSideConnectionWindow::g_Linux_Ver() const { return FMain->g_Linux_Ver(); }
int TSideConnectionWindow::MYSID() const { return FSide->BackendPid(); }
bool TSideConnectionWindow::DBAMODE() const { return FMain->DBAMODE(); }

void TSideConnectionWindow::ExecuteSQL(const QString &SQLText)
{
    FQuery->Close();
    FQuery->SetParamParsing(false);
    FQuery->SetSQL(SQLText);
    FQuery->ExecSQL();
}

void TSideConnectionWindow::ExecuteSQL(const QString &SQLText, const QStringList &ParamData)
{
    FQuery->Close();
    FQuery->SetParamParsing(true);
    FQuery->SetSQL(SQLText);
    for (int i = 0; i < ParamData.size() && i < FQuery->Params().count(); ++i)
        FQuery->Params()[i].setAsString(ParamData[i]);
    FQuery->ExecSQL();
}

void TSideConnectionWindow::ExecuteSQL(const QStringList &SQLText, bool IgnoreError)
{
    QStringList statement;
    auto run = [&] {
        if (statement.join(QString()).trimmed().isEmpty())
            return;
        try {
            ExecuteSQL(statement.join(QLatin1Char('\n')));
        } catch (...) {
            if (!IgnoreError)
                throw;
        }
        statement.clear();
    };
    for (const QString &l : SQLText) {
        if (l.trimmed() == QLatin1String(";"))
            run();
        else
            statement << l;
    }
    run();
}

tv::db::Query &TSideConnectionWindow::OpenSQL(const QString &SQLText)
{
    FQuery->Close();
    FQuery->SetParamParsing(false);
    FQuery->SetSQL(SQLText);
    FQuery->Open();
    return *FQuery;
}

tv::db::Query &TSideConnectionWindow::OpenSQL(const QString &SQLText, const QStringList &ParamData)
{
    FQuery->Close();
    FQuery->SetParamParsing(true);
    FQuery->SetSQL(SQLText);
    for (int i = 0; i < ParamData.size() && i < FQuery->Params().count(); ++i)
        FQuery->Params()[i].setAsString(ParamData[i]);
    FQuery->Open();
    return *FQuery;
}

int TSideConnectionWindow::GetMySID() { return FSide->BackendPid(); }

QString TSideConnectionWindow::VerStr(int Version, const QString &S1, const QString &S2) const
{
    return FMain->VerStr(Version, S1, S2);
}

void TSideConnectionWindow::GetSchemaInfo(QStringList &ListData, bool ObjList)
{
    FMain->GetSchemaInfo(ListData, ObjList);
}
