#include "objects/other/DBLinkDefinition.h"

#include "common/Quote.h"

QString DBLinkSQL::Link()
{
    return QStringLiteral("SELECT Lnk.lnkispublic, CAST(Lnk.lnktype AS int8), Lnk.lnkuser, Lnk.lnkconnstr FROM "
                          "edb_dblink AS Lnk LEFT JOIN pg_roles AS Rol ON Rol.oid = Lnk.lnkowner WHERE Rol.rolname = "
                          ":OWNER AND Lnk.lnkname = :NAME AND Lnk.lnkispublic = :PUBLIC ");
}

QString DBLinkSQL::List(TDbLinkKind Kind)
{
    return QStringLiteral("SELECT Lnk.lnkname               AS DBLINK_NAME, Rol.rolname               AS DBLINK_NAME, "
                          "Lnk.lnkispublic           AS PUBLIC, Lnk.lnkuser               AS CONNECT_USER, "
                          "Lnk.lnkconnstr            AS CONNECT, CAST(Lnk.oid AS int8)     AS DBLINK_OID, "
                          "CAST(Lnk.lnktype AS int8) AS DBLINK_TYPE FROM edb_dblink           AS Lnk LEFT JOIN "
                          "pg_roles        AS Rol  ON  Rol.oid              =  Lnk.lnkowner WHERE Lnk.lnktype         "
                          "=  ") +
           QString::number(int(Kind)) + QStringLiteral(" ORDER BY 1");
}

QString DBLinkSQL::Test(TDbLinkKind Kind, const QString &Name)
{
    if (Kind == ptOci)
        return QStringLiteral("SELECT * FROM dual@") + QuoteIdentifier(Name);
    return QStringLiteral("SELECT * FROM pg_tables@") + QuoteIdentifier(Name) + QStringLiteral(" WHERE 0 = 1");
}

void DBLinkDDL::Create(const TDbLinkDefinition &Def, QStringList &List)
{
    List << (Def.Public ? QStringLiteral("CREATE PUBLIC DATABASE LINK ") : QStringLiteral("CREATE DATABASE LINK ")) +
                QuoteIdentifier(Def.Name);
    if (!Def.User.isEmpty())
        List << QStringLiteral("CONNECT TO ") + QuoteIdentifier(Def.User)
             << QStringLiteral("IDENTIFIED BY ") + QuoteLiteral(Def.Password);
    if (!Def.Using.isEmpty())
        List << (Def.Kind == ptOci ? QStringLiteral("USING OCI") : QStringLiteral("USING LIBPQ")) +
                    QuoteLiteral(Def.Using);
    List << QStringLiteral(";");
}

QString DBLinkDDL::DropStatement(bool Public, const QString &Name)
{
    return (Public ? QStringLiteral("DROP PUBLIC DATABASE LINK ") : QStringLiteral("DROP DATABASE LINK ")) +
           QuoteIdentifier(Name);
}

void DBLinkDDL::Drop(bool Public, const QString &Name, QStringList &List)
{
    List << DropStatement(Public, Name) << QStringLiteral(";");
}
