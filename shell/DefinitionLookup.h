#pragma once
// The catalog lookup behind the editor's "定義情報" command: every object of
// the kinds that have a definition window whose name equals :OBJNM in the
// schema :OWNER, one row per object with the columns SchemaNm, ObjTyp (the
// kind's upper-case name), ObjNo, ObjNm, OID (0 for kinds without one) and
// TblNm (the table of triggers, constraints and rules).
#include <QString>

// The UNION ALL query for a server of this version and kind.
QString DefinitionLookupSQL(bool isEdb, int serverVersion, bool withRoles = false);

// The schema and name of an editor selection: split at the first "."; with
// none the whole text is the name and the schema is `defaultSchema`. Neither
// part is trimmed, unquoted or case-folded.
void SplitObjectSelection(const QString &selection, const QString &defaultSchema, QString &schema,
                          QString &name);
