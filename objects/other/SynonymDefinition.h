#pragma once
// An EnterpriseDB synonym as the synonym window and its script read and
// write it: the catalog queries and the DDL. Nothing here touches a widget.
#include <QString>
#include <QStringList>

struct TSynonymDefinition {
    QString Schema;        // "public" for a public synonym
    QString Name;
    bool Public = false;
    QString TargetSchema;
    QString TargetName;
    QString DBLink;        // empty for a local target
};

namespace SynonymSQL {
// The synonym (:AOWNER, :ANAME): synobjschema, synobjname, synlink.
QString Synonym();
// The objects a schema and name designate (:SCHEMA, :TBLNAME): OBJECT_TYPE,
// OBJECT_OID, one UNION branch per kind (TABLE, VIEW, SEQUENCE, PROCEDURE,
// FUNCTION, TYPE, SYNONYM).
QString Objects(int DBVer, bool IsEdb);
} // namespace SynonymSQL

// The kinds a synonym may stand for, in the order of the kind box.
const QStringList &SynonymTargetKinds();
// The kind box's text for the kinds found: the one kind, empty for none,
// "(複数の参照先があります)" for several.
QString SynonymKindText(const QStringList &Kinds);

namespace SynonymDDL {
// OwnPrefix: the synonym's schema prefix ("" for a public synonym);
// TargetPrefix: the target's.
void Create(const TSynonymDefinition &Def, const QString &OwnPrefix, const QString &TargetPrefix, QStringList &List);
QString DropStatement(const QString &Schema, const QString &Name);
void Drop(const QString &Schema, const QString &Name, QStringList &List);
} // namespace SynonymDDL

// A database link name after "@": plain names as written, others quoted.
QString LinkSuffixName(const QString &Link);
