#include "common/ImpOption.h"

#include "common/OptionIO.h"
#include "platform/settings/Folders.h"

TImpOption ImpOption;

template <class V>
void TImpOption::Visit(V &v)
{
    const QString docs = tv::settings::DocumentsDir();
    v.Text("FileName", ImpFile, docs + QStringLiteral("bkupdat.dmp"));
    v.Text("UserID", UserID, QString());
    v.Int("Format", Format, 0);
    v.Int("Mode", Mode, 0);
    v.Text("JobNo", JobNo, QString());
    v.Text("RoleName", RoleName, QString());
    v.Bool("PreData", PreData, false);
    v.Bool("SecData", SecData, false);
    v.Bool("PostData", PostData, false);
    v.Bool("Data", Data, false);
    v.Bool("Schema", Schema, false);
    v.Bool("Owner", Owner, false);
    v.Bool("Grants", Grants, false);
    v.Bool("Tablespaces", Tablespaces, false);
    v.Bool("Securitylbl", Securitylbl, false);
    v.Bool("CreateDataBase", CreateDataBase, false);
    v.Bool("Clean", Clean, false);
    v.Bool("Transaction", Transaction, false);
    v.Bool("Trigger", Trigger, false);
    v.Bool("NoData", NoData, false);
    v.Bool("Authorization", Authorization, false);
    v.Bool("Error", Error, false);
    v.Text("ImpPgm", ImpPgm, QString());
    v.Text("LogFile", LogFile, docs + QStringLiteral("psql_res.log"));
    v.Text("SchemaList", SchemaList, QString());
    v.Text("TableList", TableList, QString());
    v.Bool("Ifexists", Ifexists, false);
}

void TImpOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("IMPORT")); }
void TImpOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("IMPORT")); }
