#include "OptionGuard.h"
#include "common/ObjectType.h"
#include "common/RecParam.h"

#include <QHash>
#include <gtest/gtest.h>

TEST(ObjectType, NamesMapToCodesCaseBlindButWhole)
{
    const struct {
        const char *name;
        int code;
    } cases[] = {
        {"table", 45},          {"Table", 45},           {"TABLE", 45},
        {" TABLE", -1},         {"TABLE ", -1},          {"", -1},
        {"MATERIALIZED VIEW", 61}, {"MATERIALIZED VIEW LOG", 62}, {"MATERIALIZED", -1},
        {"USER", 2},            {"SCHEMA", -1},          {"POLICY", -1},
        {"table partition", 73}, {"INDEX PARTITION", 74}, {"RULE", 127},
        {"AGGREGATE", 128},     {"package body", 54},    {"DATABASE LINK", 64},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ObjectTypeFromName(QString::fromUtf8(c.name)), c.code) << c.name;
}

TEST(ObjectType, CodesMapToNamesAndBack)
{
    EXPECT_EQ(ObjectTypeName(2), "USER");
    EXPECT_EQ(ObjectTypeName(3), "USER");
    EXPECT_EQ(ObjectTypeFromName(ObjectTypeName(3)), 2);
    for (int code : {4, 126, 129, 71, -1, 0, 75, 1000})
        EXPECT_TRUE(ObjectTypeName(code).isEmpty()) << code;
    // Every named code except the second user code survives the round trip.
    for (int code = 0; code < 200; ++code) {
        const QString name = ObjectTypeName(code);
        if (!name.isEmpty() && code != 3) {
            EXPECT_EQ(ObjectTypeFromName(name), code) << code;
        }
    }
}

namespace {

TRecParam sample()
{
    return MakeRecParam("db1", "sales", "public", "5432", "usr1", "secret", "emp", "", "dept");
}

} // namespace

TEST(RecParam, MakeFillsFieldsInOrder)
{
    const TRecParam p = MakeRecParam("s", "d", "sc", "p", "u", "pw", "o", "pa", "t");
    EXPECT_EQ(p.strServer, "s");
    EXPECT_EQ(p.strDB, "d");
    EXPECT_EQ(p.strSchema, "sc");
    EXPECT_EQ(p.strPort, "p");
    EXPECT_EQ(p.strUserNm, "u");
    EXPECT_EQ(p.strPassword, "pw");
    EXPECT_EQ(p.strObjNm, "o");
    EXPECT_EQ(p.strParamNm, "pa");
    EXPECT_EQ(p.strTblNm, "t");
}

TEST(RecParam, CaptionKinds)
{
    TRecParam p = sample();
    const struct {
        int kind;
        const char *text;
    } cases[] = {
        {0, "usr1 @ sales/db1:5432"},
        {1, "usr1.emp @ sales/db1:5432"},
        {2, "usr1 @ sales/db1:5432:public"},
        {3, "public @ sales/db1:5432"},
        {4, "public.emp @ sales/db1:5432"},
        {5, "public.emp @ sales/db1:5432"},
        {6, "public.dept.emp @ sales/db1:5432"},
        {7, "emp @ sales/db1:5432"},
        {8, ""},
        {-1, ""},
        {255, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatRecParamCaption(p, c.kind, false), QString::fromUtf8(c.text)) << c.kind;
    p.strParamNm = "integer, text";
    EXPECT_EQ(FormatRecParamCaption(p, 5, false), "public.emp(integer, text) @ sales/db1:5432");
    for (int kind = 0; kind < 8; ++kind)
        EXPECT_FALSE(FormatRecParamCaption(p, kind, false).contains("secret"));
}

TEST(RecParam, TaskBarCut)
{
    const TRecParam p = sample();
    EXPECT_EQ(FormatRecParamCaption(p, 0, true), QString::fromUtf8("usr1 @ sal…"));
    EXPECT_EQ(FormatRecParamCaption(p, 0, true).size(), 11);
    // Kind 7 with object names of 12 and 13 characters in all.
    TRecParam q = MakeRecParam("h", "d", "", "1", "", "", "", "", "");
    q.strObjNm = "abcd"; // "abcd @ d/h:1" = 12 characters
    EXPECT_EQ(FormatRecParamCaption(q, 7, true), "abcd @ d/h:1");
    q.strObjNm = "abcde"; // 13 characters
    EXPECT_EQ(FormatRecParamCaption(q, 7, true), QString::fromUtf8("abcde @ d/…"));
    EXPECT_EQ(FormatRecParamCaption(q, 9, true), "");
}

TEST(RecParam, ConnectionTextAuthMode)
{
    QHash<QString, QString> params{{"User_Name", "scott"}, {"Password", "tiger"}, {"Database", "orcl"}};
    auto reader = [&](const QString &name) { return params.value(name); };
    EXPECT_EQ(ConnectionText(reader), "scott/tiger@orcl AS "); // an absent AuthMode is not NORMAL
    params["AuthMode"] = "Normal";
    EXPECT_EQ(ConnectionText(reader), "scott/tiger@orcl");
    params["AuthMode"] = "sysdba";
    EXPECT_EQ(ConnectionText(reader), "scott/tiger@orcl AS sysdba");
}
