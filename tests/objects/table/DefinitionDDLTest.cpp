// The index and storage models without a server or a widget: the DDL built
// from a definition or a storage snapshot, the catalog texts by server
// version, parent names and stored booleans.
#include "common/ScriptOption.h"
#include "common/tvOption.h"
#include "objects/table/IndexDefinition.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/frmDefinition.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <gtest/gtest.h>

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

struct Options {
    TtvOption option = tvOption;
    TScriptOption script = ScriptOption;
    ~Options()
    {
        tvOption = option;
        ScriptOption = script;
    }
};

TIndexDefinition Index(const char *name, const char *table, QStringList cols)
{
    TIndexDefinition d;
    d.Schema = QStringLiteral("s1");
    d.Name = QString::fromUtf8(name);
    d.TableName = QString::fromUtf8(table);
    d.Columns = cols;
    return d;
}

} // namespace

TEST(IndexDDL, CreateIndexLines)
{
    Options keep;
    tvOption.UseLowerName = true;
    TIndexDefinition unique = Index("i2", "t1", {"name"});
    unique.Unique = true;
    TIndexDefinition hash = Index("i3", "t1", {"code"});
    hash.Method = QStringLiteral("hash");
    TIndexDefinition twoCols = Index("Ix", "T\"q", {"a", "B b"});
    TIndexDefinition expr = Index("e1", "t1", {});
    expr.Kind = ikExpression;
    // Lines trimmed, empty ones skipped, no second comma after one that ends a line.
    expr.Expression = QStringLiteral("  lower(name),\n\n\tupper(code)  \n  id ");
    TIndexDefinition other = Index("g1", "t1", {"a"});
    other.Method = QStringLiteral("gin"); // not held by the define page: written as B-tree

    const struct {
        TIndexDefinition def;
        QString prefix;
        QStringList storage;
        QStringList lines;
    } cases[] = {
        {unique, "\"s1\".", {}, {"CREATE UNIQUE INDEX \"i2\"", "ON \"s1\".\"t1\"", "USING btree", "(\"name\")", ";"}},
        {hash, "", {"TABLESPACE \"ts2\""},
         {"CREATE INDEX \"i3\"", "ON \"t1\"", "USING hash", "(\"code\")", "TABLESPACE \"ts2\"", ";"}},
        {twoCols, "\"s1\".", {}, {"CREATE INDEX \"Ix\"", "ON \"s1\".\"T\"\"q\"", "USING btree", "(\"a\", \"B b\")", ";"}},
        {expr, "", {}, {"CREATE INDEX \"e1\"", "ON \"t1\"", "USING btree", "(lower(name),upper(code), id)", ";"}},
        {other, "", {}, {"CREATE INDEX \"g1\"", "ON \"t1\"", "USING btree", "(\"a\")", ";"}},
    };
    for (const auto &c : cases) {
        QStringList out;
        IndexDDL::Create(c.def, c.prefix, c.storage, out);
        EXPECT_EQ(out, c.lines) << c.def.Name.toStdString();
    }
}

// An index the define page cannot hold is written as the server defines
// it, the tablespace going before the condition.
TEST(IndexDDL, ServerDefinedIndexKeepsItsOwnDefinition)
{
    TIndexDefinition d = Index("g1", "t1", {});
    d.ServerDefined = true;
    d.Method = QStringLiteral("gin");
    d.ServerDef = QStringLiteral("CREATE INDEX g1 ON s1.t1 USING gin (tags) WHERE (id > 10)");
    d.Predicate = QStringLiteral("(id > 10)");
    QStringList out;
    IndexDDL::Create(d, QStringLiteral("ignored."), {QStringLiteral("TABLESPACE \"pg_default\"")}, out);
    EXPECT_EQ(out, (QStringList{"CREATE INDEX g1 ON s1.t1 USING gin (tags)", "TABLESPACE \"pg_default\"",
                                "WHERE (id > 10)", ";"}));

    d.ServerDef = QStringLiteral("CREATE INDEX i ON s1.t1 USING btree (a) INCLUDE (b) WITH (fillfactor='70')");
    d.Predicate.clear();
    out.clear();
    IndexDDL::Create(d, QString(), {}, out);
    EXPECT_EQ(out, (QStringList{d.ServerDef, ";"}));
}

TEST(IndexDDL, DropAlterAndExpressionText)
{
    Options keep;
    tvOption.UseLowerName = true;
    QStringList out;
    IndexDDL::Drop(QStringLiteral("s1"), QStringLiteral("i2"), out);
    IndexDDL::AlterTablespace(QStringLiteral("\"s1\"."), QStringLiteral("i2"), QStringLiteral("ts2"), out);
    EXPECT_EQ(out, (QStringList{"DROP INDEX \"s1\".\"i2\"", ";", "ALTER INDEX \"s1\".\"i2\" SET TABLESPACE \"ts2\"", ";"}));
    EXPECT_EQ(IndexDDL::ExpressionFromDef(QStringLiteral("CREATE INDEX e ON s.t USING btree (lower(name))"),
                                          QStringLiteral("btree")),
              QStringLiteral("lower(name)"));
    EXPECT_EQ(IndexDDL::ExpressionFromDef(QStringLiteral("CREATE INDEX e ON s.t USING hash ((a + 1))"),
                                          QStringLiteral("btree")),
              QString());
}

TEST(IndexSQL, VersionGates)
{
    EXPECT_FALSE(IndexSQL::TableColumns(90200).contains(QLatin1String("'m'")));
    EXPECT_TRUE(IndexSQL::TableColumns(90300).contains(QLatin1String("'m'")));
    EXPECT_FALSE(IndexSQL::TableColumns(90600).contains(QLatin1String("'p'")));
    EXPECT_TRUE(IndexSQL::TableColumns(100000).contains(QLatin1String("'p'")));
    EXPECT_TRUE(IndexSQL::Index(100000).contains(QLatin1String("I.indnatts")));
    EXPECT_TRUE(IndexSQL::Index(110000).contains(QLatin1String("I.indnkeyatts")));
    EXPECT_FALSE(IsPlainMethod(QStringLiteral("brin"), 90400));
    EXPECT_TRUE(IsPlainMethod(QStringLiteral("brin"), 90500));
    EXPECT_FALSE(IsPlainMethod(QStringLiteral("gist"), 150000));
    EXPECT_TRUE(StorageSQL::AutoVacuum(90300).contains(QLatin1String("'m'")));
    EXPECT_FALSE(StorageSQL::AutoVacuum(90200).contains(QLatin1String("'m'")));
}

// ---------------------------------------------------------------------------
// Storage

namespace {

TStorageSnapshot Table()
{
    TStorageSnapshot s;
    s.ObjType = 45;
    s.DBVer = 150000;
    s.Schema = QStringLiteral("s1");
    s.ObjectName = QStringLiteral("t1");
    return s;
}

} // namespace

TEST(StorageDDL, CreateClausesFollowTheOptions)
{
    Options keep;
    tvOption.UseLowerName = true;
    TStorageSnapshot t = Table();
    t.Parents = {{"s1.p1", 0, false}, {"\"S\".\"P.2\"", 0, false}, {"", 0, false}};
    t.AutoVacuum.Checked = true;
    t.Table.EnabledBox.Checked = true;
    t.Table.Params[4].Text = QStringLiteral("2.5");
    t.Toast.Params[0].Text = QStringLiteral("100");
    t.Tablespace = QStringLiteral("ts2");
    const QStringList full{"INHERITS (\"s1\".\"p1\", \"S\".\"P.2\")",
                           "WITH (",
                           "    AUTOVACUUM_ENABLED = TRUE,",
                           "    AUTOVACUUM_VACUUM_COST_DELAY = 2.5,",
                           "    TOAST.AUTOVACUUM_VACUUM_THRESHOLD = 100",
                           ")",
                           "TABLESPACE \"ts2\""};

    TStorageSnapshot hiddenWindow = t;
    hiddenWindow.ShowStorageSource = false;
    TStorageSnapshot scriptOff = t;
    scriptOff.Mode = smText;
    scriptOff.ScriptStorage = false;
    TStorageSnapshot temp = t;
    temp.Sheet = ssTemporary;
    temp.OnCommitPreserve.Checked = true;
    temp.Parents.clear();
    temp.AutoVacuum.Checked = false;
    temp.Mode = smText;
    temp.ScriptStorage = false;
    TStorageSnapshot index;
    index.ObjType = 46;
    index.Tablespace = QStringLiteral("pg_default");
    index.AutoVacuum.Checked = true; // an index writes no options
    index.Table.EnabledBox.Checked = true;

    const struct {
        TStorageSnapshot s;
        QStringList lines;
    } cases[] = {
        {t, full},
        {hiddenWindow, {}},
        {scriptOff, {}},
        // ON COMMIT is written whatever the script option says.
        {temp, {"ON COMMIT PRESERVE ROWS"}},
        {index, {"TABLESPACE \"pg_default\""}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        QStringList out;
        StorageDDL::Create(cases[i].s, out);
        EXPECT_EQ(out, cases[i].lines) << "case " << i;
    }
}

TEST(StorageDDL, AlterAutovacuumSetsAndResets)
{
    Options keep;
    tvOption.UseLowerName = true;
    // Loaded with the switch on: every non-empty value is set again.
    TStorageSnapshot on = Table();
    on.AutoVacuum.Checked = true;
    on.Table.EnabledBox.Checked = true;
    on.Table.Params[4].Text = QStringLiteral("2.5");
    // A value emptied by the user and the switch off with the table target
    // shown (its controls disabled).
    TStorageSnapshot off = Table();
    off.AutoVacuum = {false, true, true};
    off.Table.EnabledBox = {true, false, false};
    for (TStorageValue &v : off.Table.Params)
        v.Enabled = false;
    off.Table.Params[0].Text = QStringLiteral("50");
    // A materialized view whose TOAST value was emptied.
    TStorageSnapshot mview = Table();
    mview.ObjType = 61;
    mview.Toast.Params[5] = {QString(), true, true};

    const struct {
        TStorageSnapshot s;
        QStringList lines;
    } cases[] = {
        {on,
         {"ALTER TABLE \"s1\".\"t1\" SET (", "    AUTOVACUUM_ENABLED = TRUE,", "    AUTOVACUUM_VACUUM_COST_DELAY = 2.5", ")",
          ";"}},
        {off,
         {"ALTER TABLE \"s1\".\"t1\" RESET (", "    AUTOVACUUM_ENABLED,", "    AUTOVACUUM_VACUUM_THRESHOLD,",
          "    AUTOVACUUM_ANALYZE_THRESHOLD,", "    AUTOVACUUM_VACUUM_SCALE_FACTOR,",
          "    AUTOVACUUM_ANALYZE_SCALE_FACTOR,", "    AUTOVACUUM_VACUUM_COST_DELAY,",
          "    AUTOVACUUM_VACUUM_COST_LIMIT,", "    AUTOVACUUM_FREEZE_MIN_AGE,", "    AUTOVACUUM_FREEZE_MAX_AGE,",
          "    AUTOVACUUM_FREEZE_TABLE_AGE", ")", ";"}},
        {mview, {"ALTER MATERIALIZED VIEW \"s1\".\"t1\" RESET (", "    TOAST.AUTOVACUUM_VACUUM_COST_LIMIT", ")", ";"}},
        {Table(), {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        QStringList out;
        StorageDDL::AlterV(cases[i].s, out);
        EXPECT_EQ(out, cases[i].lines) << "case " << i;
    }
}

// Added, replaced and removed parents; typed names are split at the dot and
// each part quoted.
TEST(StorageDDL, AlterParents)
{
    Options keep;
    tvOption.UseLowerName = true;
    TStorageSnapshot s = Table();
    const QList<TLoadedParent> loaded{{1, "s1", "a"}, {2, "s1", "b"}, {3, "s1", "c"}};
    s.Parents = {
        {"\"s1\".\"a\"", 1, false}, // kept
        {"s2.x", 2, true},          // b replaced
                                    // c removed
        {"s1.new one", 0, false},   // added
        {"", 0, false},
    };
    QStringList out;
    StorageDDL::AlterP(s, loaded, out);
    const QString h = QStringLiteral("ALTER TABLE \"s1\".\"t1\"");
    EXPECT_EQ(out, (QStringList{h + " INHERIT \"s1\".\"new one\"", ";", h + " NO INHERIT \"s1\".\"b\"", ";",
                                h + " INHERIT \"s2\".\"x\"", ";", h + " NO INHERIT \"s1\".\"c\"", ";"}));
}

TEST(StorageDDL, ChangesThatNeedRecreation)
{
    TStorageSnapshot s = Table();
    EXPECT_FALSE(StorageDDL::IsCreate(s));
    s.Log.Changed = true;
    EXPECT_FALSE(StorageDDL::IsCreate(s));
    QStringList out;
    StorageDDL::AlterN(s, out);
    EXPECT_EQ(out, QStringList{"SET UNLOGGED"});
    s.DBVer = 90400;
    EXPECT_TRUE(StorageDDL::IsCreate(s));
    out.clear();
    StorageDDL::AlterN(s, out);
    EXPECT_TRUE(out.isEmpty());
    TStorageSnapshot t = Table();
    t.TablespaceChanged = true;
    EXPECT_TRUE(StorageDDL::IsCreate(t));
    TStorageSnapshot v = Table();
    v.Toast.Params[8].Changed = true;
    EXPECT_TRUE(StorageDDL::IsChanged(v, ptNormal));
    EXPECT_FALSE(StorageDDL::IsChanged(v, ptTemp));
}

TEST(StorageNames, QualifiedNamesAndStoredBooleans)
{
    Options keep;
    tvOption.UseLowerName = true;
    const struct {
        const char *in, *out;
    } names[] = {
        {"s1.p1", "\"s1\".\"p1\""},
        {"\"S.1\".\"P\"\"x\"", "\"S.1\".\"P\"\"x\""},
        {" s1 . p1 ", "\"s1\".\"p1\""},
        {"p1", "\"p1\""},
    };
    for (const auto &n : names)
        EXPECT_EQ(QuoteQualifiedName(QString::fromUtf8(n.in)), QString::fromUtf8(n.out)) << n.in;

    for (const char *t : {"on", "ON", "true", "t", "tr", "yes", "y", "1", "True"})
        EXPECT_TRUE(ReloptionIsTrue(QString::fromLatin1(t))) << t;
    for (const char *f : {"off", "false", "f", "no", "n", "0", "o", "", "2"})
        EXPECT_FALSE(ReloptionIsTrue(QString::fromLatin1(f))) << f;
    EXPECT_EQ(StorageTypeFromText(QStringLiteral("継承")), ptPartition);
    EXPECT_EQ(StorageTypeFromText(QStringLiteral("一時表")), ptTemp);
    EXPECT_EQ(StorageTypeFromText(QStringLiteral("x")), ptNormal);
}

// A script goes into a memory buffer as UTF-16LE and into a file in the
// encoding of the option Encoding, never with a byte-order mark.
TEST(DefinitionScript, EncodingByStream)
{
    Options keep;
    const QStringList lines{"CREATE INDEX \"索引\"", "", ";"};
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    TfrmDefinition::WriteScript(buffer, lines);
    EXPECT_EQ(buffer.data(), QByteArray(reinterpret_cast<const char *>(u"CREATE INDEX \"索引\"\r\n\r\n;\r\n"), 2 * 24));

    const struct {
        int encoding;
        bool nullLine;
        QByteArray bytes;
    } files[] = {
        {2, false, QByteArray("CREATE INDEX \"\xE7\xB4\xA2\xE5\xBC\x95\"\r\n\r\n;\r\n")},
        {2, true, QByteArray("CREATE INDEX \"\xE7\xB4\xA2\xE5\xBC\x95\"\r\n;\r\n")},
        {3, true, QByteArray(reinterpret_cast<const char *>(u"CREATE INDEX \"索引\"\r\n;\r\n"), 2 * 22)},
    };
    for (const auto &f : files) {
        tvOption.Encoding = f.encoding;
        ScriptOption.NullLine = f.nullLine;
        QTemporaryFile file;
        ASSERT_TRUE(file.open());
        TfrmDefinition::WriteScript(file, lines);
        file.flush();
        file.seek(0);
        EXPECT_EQ(file.readAll(), f.bytes) << f.encoding;
    }
}
