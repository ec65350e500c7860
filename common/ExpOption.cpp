#include "common/ExpOption.h"

#include "common/OptionIO.h"
#include "platform/settings/Folders.h"

TExpOption ExpOption;

template <class V>
void TExpOption::Visit(V &v)
{
    const QString docs = tv::settings::DocumentsDir();
    v.Text("FileName", ExpFile, docs + QStringLiteral("bkupdat.dmp"));
    v.Text("UserID", UserID, QString());
    v.Bool("Grants", Grants, false);
    v.Text("ExpPgm", ExpPgm, QString());
    v.Bool("Background", Background, false);
    v.Text("LogFile", LogFile, docs + QStringLiteral("psql_bkup.log"));
    v.Int("Format", Format, 0);
    v.Text("Compres", Compres, QString());
    v.Text("Encoding", Encoding, QString());
    v.Text("RoleName", RoleName, QString());
    v.Bool("PreData", PreData, false);
    v.Bool("SecData", SecData, false);
    v.Bool("PostData", PostData, false);
    v.Bool("Data", Data, false);
    v.Bool("Schema", Schema, false);
    v.Bool("Blobs", Blobs, false);
    v.Bool("Owner", Owner, false);
    v.Bool("Tablespaces", Tablespaces, false);
    v.Bool("UnlogTbl", UnlogTbl, false);
    v.Bool("Securitylbl", Securitylbl, false);
    v.Bool("CreateDataBase", CreateDataBase, false);
    v.Bool("DropDataBase", DropDataBase, false);
    v.Bool("ColumnInserts", ColumnInserts, false);
    v.Bool("Inserts", Inserts, false);
    v.Bool("Trigger", Trigger, false);
    v.Bool("DollarQuoting", DollarQuoting, false);
    v.Bool("Authorization", Authorization, false);
    v.Bool("Oid", Oid, false);
    v.Bool("Quote", Quote, false);
    v.Bool("Serializable", Serializable, false);
    v.Text("TimeOutMil", TimeOutMil, QString());
    v.Bool("Ifexists", Ifexists, false);
}

void TExpOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("EXPORT")); }
void TExpOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("EXPORT")); }
