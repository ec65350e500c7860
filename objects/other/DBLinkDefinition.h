#pragma once
// An EnterpriseDB database link as the link window, its script and the link
// list read and write it: the catalog queries and the DDL. Nothing here
// touches a widget.
#include <QString>
#include <QStringList>

enum TDbLinkKind { ptOci = 0, ptLibpq = 1 };

struct TDbLinkDefinition {
    QString Owner;
    QString Name;
    bool Public = false;
    TDbLinkKind Kind = ptOci;
    QString User;
    QString Password;
    QString Using;       // the connection text
};

namespace DBLinkSQL {
// One link (:OWNER, :NAME, :PUBLIC): lnkispublic, lnktype, lnkuser, lnkconnstr.
QString Link();
// The links of one kind, for the list (columns read by position).
QString List(TDbLinkKind Kind);
// The connection test of a link.
QString Test(TDbLinkKind Kind, const QString &Name);
} // namespace DBLinkSQL

// The connection-text templates of new links.
inline const QString OciTemplate = QStringLiteral("//ホスト名:ポート/データベース名");
inline const QString LibpqTemplate = QStringLiteral("host=ホスト名 port=ポート dbname=データベース名");

namespace DBLinkDDL {
void Create(const TDbLinkDefinition &Def, QStringList &List);
QString DropStatement(bool Public, const QString &Name);
void Drop(bool Public, const QString &Name, QStringList &List);
} // namespace DBLinkDDL
