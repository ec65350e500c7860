#include "common/ObjectType.h"

#include <iterator>

namespace {

struct TypeRow {
    int code;
    const char *name;
};

// Rows with a name, in code order; the first row of a name is the one a
// name maps back to (2 for "USER").
constexpr TypeRow kTypes[] = {
    {2, "USER"},
    {3, "USER"},
    {45, "TABLE"},
    {46, "INDEX"},
    {47, "VIEW"},
    {48, "JAVA SOURCE"},
    {49, "JAVA CLASS"},
    {50, "JAVA RESOURCE"},
    {51, "PROCEDURE"},
    {52, "FUNCTION"},
    {53, "PACKAGE"},
    {54, "PACKAGE BODY"},
    {55, "TYPE"},
    {56, "TYPE BODY"},
    {57, "TRIGGER"},
    {58, "SEQUENCE"},
    {59, "CLUSTER"},
    {60, "SYNONYM"},
    {61, "MATERIALIZED VIEW"},
    {62, "MATERIALIZED VIEW LOG"},
    {63, "REFRESH GROUP"},
    {64, "DATABASE LINK"},
    {65, "LIBRARY"},
    {66, "CONSTRAINT"},
    {67, "PROFILE"},
    {68, "ROLE"},
    {69, "TABLESPACE"},
    {70, "ROLLBACK SEGMENT"},
    {72, "DIRECTORY"},
    {73, "TABLE PARTITION"},
    {74, "INDEX PARTITION"},
    {127, "RULE"},
    {128, "AGGREGATE"},
};

} // namespace

int ObjectTypeFromName(const QString &Name)
{
    const QString upper = Name.toUpper();
    for (const TypeRow &row : kTypes) {
        if (upper == QLatin1String(row.name))
            return row.code;
    }
    return -1;
}

QString ObjectTypeName(int Code)
{
    for (const TypeRow &row : kTypes) {
        if (row.code == Code)
            return QString::fromLatin1(row.name);
    }
    return QString();
}
