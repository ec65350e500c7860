#include "shell/ObjectTreePlan.h"

#include "common/ObjectType.h"

namespace {

constexpr int RootImage = 1;
constexpr int SchemaImage = 4;
constexpr int LoginSchemaImage = 126;
constexpr int SynonymCode = 60;

} // namespace

bool TObjectTreeSettings::Shown(int code) const
{
    return !Hidden.contains(code);
}

QList<int> TreeKinds(int DBVer, bool IsEdb)
{
    QList<int> kinds{45, 46, 47};
    if (IsEdb || DBVer >= 110000)
        kinds << 51;
    kinds << 52;
    if (IsEdb)
        kinds << 53;
    kinds << 55 << 57 << 58;
    if (IsEdb)
        kinds << SynonymCode;
    if (DBVer >= 90300)
        kinds << 61;
    kinds << 66 << 127;
    if (DBVer >= 90400)
        kinds << 128;
    return kinds;
}

bool KindAllowedInSchema(int code, const QString &schema)
{
    if (schema == QLatin1String("pg_temp"))
        return code == 45;
    if (schema == QLatin1String("pg_toast") || schema == QLatin1String("pg_toast_temp"))
        return code == 45 || code == 46;
    return true;
}

TObjectTreeNode BuildObjectTreePlan(const TObjectTreeSettings &s)
{
    QStringList schemas = s.Schemas;
    schemas.sort(Qt::CaseInsensitive);
    if (s.UserFirst && schemas.contains(s.LoginSchema)) {
        schemas.removeOne(s.LoginSchema);
        schemas.prepend(s.LoginSchema);
    }
    auto passes = [&](const QString &schema) {
        if (s.Disp == 1)
            return schema == s.LoginSchema;
        if (s.Disp == 2 && !s.Configured.isEmpty())
            return s.Configured.contains(schema, Qt::CaseInsensitive);
        return true;
    };
    auto schemaImage = [&](const QString &schema) {
        return schema == s.LoginSchema ? LoginSchemaImage : SchemaImage;
    };
    QList<int> kinds;
    for (int code : TreeKinds(s.DBVer, s.IsEdb))
        if (s.Shown(code))
            kinds << code;

    TObjectTreeNode root;
    root.Text = s.Database;
    root.Image = RootImage;
    if (!s.KindFirst) {
        bool selected = false;
        for (const QString &schema : schemas) {
            if (!passes(schema))
                continue;
            TObjectTreeNode node;
            node.Text = schema;
            node.Image = schemaImage(schema);
            for (int code : kinds)
                if (KindAllowedInSchema(code, schema))
                    node.Children.append({ObjectTypeName(code), code, false, false, {}});
            if (schema == s.LoginSchema && !selected) {
                node.Select = node.Expand = selected = true;
            }
            root.Children.append(node);
        }
    } else {
        for (int code : kinds) {
            TObjectTreeNode node;
            node.Text = ObjectTypeName(code);
            node.Image = code;
            for (const QString &schema : schemas)
                if (passes(schema) && KindAllowedInSchema(code, schema))
                    node.Children.append({schema, schemaImage(schema), false, false, {}});
            if (code == SynonymCode && s.Configured.contains(QStringLiteral("PUBLIC"), Qt::CaseInsensitive))
                node.Children.append({QStringLiteral("PUBLIC"), SchemaImage, false, false, {}});
            root.Children.append(node);
        }
        root.Select = true;
    }
    return root;
}
