// A client encoding other than UTF8: statements, parameters, cells, field
// names and the server's messages travel in it, and a character it cannot
// hold stores nothing.
#include "support/DbTestSupport.h"

#include "platform/db/DataSet.h"

#include <gtest/gtest.h>

using tv::db::Connection;
using tv::db::DbError;

namespace {

const QString kJapanese = QStringLiteral("日本語テキスト");

struct ClientEncoding : ::testing::Test {
    void SetUp() override
    {
        TV_REQUIRE_DB(db);
        db.exec("CREATE TABLE memo(id int PRIMARY KEY, v text)");
        watcher = std::make_unique<Connection>(dbtest::paramsOf(db));
        watcher->Open();
    }
    std::unique_ptr<Connection> open(const char *charset)
    {
        tv::db::ConnectionParams p = dbtest::paramsOf(db);
        p.CharacterSet = QString::fromLatin1(charset);
        auto c = std::make_unique<Connection>(p);
        c->Open();
        return c;
    }
    // What a UTF-8 session reads from the table.
    QString stored(int id)
    {
        return watcher->ExecScalar(QStringLiteral("SELECT v FROM memo WHERE id = %1").arg(id));
    }
    QString count() { return watcher->ExecScalar(QStringLiteral("SELECT count(*) FROM memo")); }

    tvtest::TestDb db{"enc"};
    std::unique_ptr<Connection> watcher;
};

} // namespace

TEST_F(ClientEncoding, JapaneseTravelsBothWaysInSjis)
{
    auto c = open("SJIS");
    ASSERT_EQ(c->ClientEncoding(), QByteArray("SJIS"));
    // A literal in the statement, a parameter, and the cells and field names read back.
    c->Exec(QStringLiteral("INSERT INTO memo VALUES (1, '%1')").arg(kJapanese));
    tv::db::BoundParam p;
    p.isNull = false;
    p.data = (kJapanese + QStringLiteral("～∥－")).toUtf8();
    c->ExecParams(QStringLiteral("INSERT INTO memo VALUES (2, $1)"), {p});
    EXPECT_EQ(stored(1), kJapanese);
    EXPECT_EQ(stored(2), kJapanese + QStringLiteral("～∥－"));

    const auto r = c->Exec(QStringLiteral("SELECT v AS \"値\", v || 'ｱ' FROM memo ORDER BY id"));
    ASSERT_EQ(r->rowCount(), 2);
    EXPECT_EQ(r->field(0).name, QStringLiteral("値"));
    EXPECT_EQ(r->text(0, 0), kJapanese);
    EXPECT_EQ(r->text(1, 0), kJapanese + QStringLiteral("～∥－"));
    EXPECT_EQ(r->text(0, 1), kJapanese + QStringLiteral("ｱ"));
    EXPECT_EQ(r->bytes(0, 0), kJapanese.toUtf8());
    // The raw cell is in SJIS: 日 is 93 FA.
    EXPECT_TRUE(r->raw(0, 0).startsWith("\x93\xFA"));

    // The server's messages and notices are in the client encoding too.
    try {
        c->Exec(QStringLiteral("DO $$BEGIN RAISE NOTICE '通知です'; RAISE EXCEPTION '失敗しました'; END$$"));
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("失敗しました"));
    }
    EXPECT_TRUE(c->TakeNotices().join('\n').contains(QStringLiteral("通知です")));

    // A grid edit goes through parameters.
    tv::db::DataSet ds;
    ds.SetConnection(c.get());
    ds.OpenSQL(QStringLiteral("SELECT id, v FROM memo ORDER BY id"));
    ASSERT_TRUE(ds.CanModify()) << ds.ReadOnlyReason().toStdString();
    ds.First();
    ds.SetFieldText(1, QStringLiteral("表計算ソフト"));
    ds.Post();
    EXPECT_EQ(ds.FieldText(1), QStringLiteral("表計算ソフト"));
    EXPECT_EQ(stored(1), QStringLiteral("表計算ソフト"));
}

TEST_F(ClientEncoding, CharacterTheEncodingCannotHoldStoresNothing)
{
    auto c = open("SJIS");
    c->Exec(QStringLiteral("INSERT INTO memo VALUES (1, 'a')"));
    tv::db::BoundParam p;
    p.isNull = false;
    const struct {
        const char *name;
        QString text;
        bool asParam;
        bool serverError; // the server's own report, else the client's for a character sent only as another
    } cases[] = {
        {"emoji literal", QStringLiteral("x😀y"), false, true},
        {"emoji parameter", QStringLiteral("😀"), true, true},
        {"private use", QString(QChar(0xE000)), true, true},
        {"em dash", QString(QChar(0x2014)), false, true},
        {"yen sign would become a backslash", QString(QChar(0xA5)), true, false},
        {"overline would become a tilde", QString(QChar(0x203E)), false, false},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        for (const bool inBlock : {false, true}) {
            if (inBlock)
                c->StartTransaction();
            try {
                if (k.asParam) {
                    p.data = k.text.toUtf8();
                    c->ExecParams(QStringLiteral("UPDATE memo SET v = $1 WHERE id = 1"), {p});
                } else {
                    c->Exec(QStringLiteral("UPDATE memo SET v = '%1' WHERE id = 1").arg(k.text));
                }
                ADD_FAILURE() << "no error";
            } catch (const DbError &e) {
                EXPECT_EQ(e.sqlState(), QStringLiteral("22P05")) << e.text().toStdString();
                EXPECT_TRUE(e.text().contains(QStringLiteral("\"SJIS\""))) << e.text().toStdString();
                EXPECT_EQ(e.text().startsWith(QStringLiteral("ERROR: ")), k.serverError) << e.text().toStdString();
            }
            if (inBlock)
                c->Rollback();
            EXPECT_EQ(c->transactionState(), tv::db::TransactionState::Idle);
            EXPECT_EQ(stored(1), QStringLiteral("a"));
        }
    }
    EXPECT_EQ(count(), QStringLiteral("1"));
    // The session goes on, and after SET client_encoding the new encoding holds.
    c->Exec(QStringLiteral("SET client_encoding TO 'UTF8'"));
    EXPECT_EQ(c->ClientEncoding(), QByteArray("UTF8"));
    c->Exec(QStringLiteral("UPDATE memo SET v = '😀¥' WHERE id = 1"));
    EXPECT_EQ(stored(1), QStringLiteral("😀¥"));
}

TEST_F(ClientEncoding, OtherEncodingsRoundTrip)
{
    const struct {
        const char *charset;
        QString text;
    } cases[] = {
        {"EUC_JP", kJapanese + QStringLiteral("①髙")},
        {"LATIN1", QStringLiteral("Grüße, señor")},
        {"WIN1251", QStringLiteral("Привет")},
        {"UTF8", QStringLiteral("😀 ") + kJapanese},
    };
    int id = 0;
    for (const auto &k : cases) {
        SCOPED_TRACE(k.charset);
        auto c = open(k.charset);
        EXPECT_EQ(c->ClientEncoding(), QByteArray(k.charset));
        ++id;
        c->Exec(QStringLiteral("INSERT INTO memo VALUES (%1, '%2')").arg(id).arg(k.text));
        EXPECT_EQ(stored(id), k.text);
        EXPECT_EQ(c->ExecScalar(QStringLiteral("SELECT v FROM memo WHERE id = %1").arg(id)), k.text);
    }
}

// Every character the server's SJIS has: our codec reads its code as the
// server does, and writes the character as a code the server reads as it.
TEST_F(ClientEncoding, SjisTableAgreesWithTheServer)
{
    db.exec(R"SQL(
        CREATE FUNCTION sjis_codes() RETURNS TABLE(code bytea, ch text) LANGUAGE plpgsql AS $$
        DECLARE b1 int; b2 int; bs bytea;
        BEGIN
          FOR b1 IN SELECT * FROM generate_series(129, 159) UNION ALL SELECT * FROM generate_series(224, 252) LOOP
            FOR b2 IN SELECT * FROM generate_series(64, 126) UNION ALL SELECT * FROM generate_series(128, 252) LOOP
              bs := set_byte(set_byte('\x0000'::bytea, 0, b1), 1, b2);
              BEGIN
                ch := convert_from(bs, 'SJIS'); code := bs; RETURN NEXT;
              EXCEPTION WHEN others THEN NULL;
              END;
            END LOOP;
          END LOOP;
          FOR b1 IN SELECT * FROM generate_series(32, 126) UNION ALL SELECT * FROM generate_series(161, 223) LOOP
            bs := set_byte('\x00'::bytea, 0, b1);
            ch := convert_from(bs, 'SJIS'); code := bs; RETURN NEXT;
          END LOOP;
        END $$;
    )SQL");
    const auto codec = tv::text::ClientCodec::ForName("SJIS");
    const auto rows = watcher->Exec(QStringLiteral("SELECT code, ch FROM sjis_codes()"));
    ASSERT_GT(rows->rowCount(), 7000);
    QStringList texts, codes;
    int wrong = 0;
    for (int i = 0; i < rows->rowCount(); ++i) {
        const QByteArray code = rows->bytes(i, 0);
        const QString ch = rows->text(i, 1);
        QByteArray encoded;
        const bool ok = codec->Encode(ch, &encoded);
        if (codec->Decode(code) != ch || !ok) {
            if (++wrong < 10)
                ADD_FAILURE() << code.toHex().toStdString() << " " << ch.toStdString();
            continue;
        }
        texts << ch;
        codes << QStringLiteral("\\x") + QString::fromLatin1(encoded.toHex());
    }
    EXPECT_EQ(wrong, 0);
    // The server reads our codes back as the same characters.
    tv::db::BoundParam t, b;
    t.isNull = b.isNull = false;
    auto arrayOf = [](const QStringList &items) {
        QStringList quoted;
        for (const QString &s : items)
            quoted << QLatin1Char('"') + QString(s).replace('\\', QStringLiteral("\\\\")).replace('"', QStringLiteral("\\\"")) +
                          QLatin1Char('"');
        return (QLatin1Char('{') + quoted.join(',') + QLatin1Char('}')).toUtf8();
    };
    t.data = arrayOf(texts);
    b.data = arrayOf(codes);
    EXPECT_EQ(watcher->ExecParams(QStringLiteral("SELECT count(*) FROM unnest($1::text[], $2::bytea[]) AS u(ch, code)"
                                                 " WHERE convert_from(code, 'SJIS') IS DISTINCT FROM ch"),
                                  {t, b})
                  ->text(0, 0),
              QStringLiteral("0"));
}
