#include "monitor/PerformStats.h"

#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/text/TextEncoding.h"

#include <QDir>
#include <QRegularExpression>

namespace perform {

namespace {

struct DescTable {
    QStringList Names, Texts;
    DescTable()
    {
        const QString crlf = QStringLiteral("\r\n");
        auto add = [this](const QString &n, const QString &t) {
            Names << n;
            Texts << t;
        };
        add(QStringLiteral("datid"), QStringLiteral("データベースのOIDです。"));
        add(QStringLiteral("datname"), QStringLiteral("データベースの名前です。"));
        add(QStringLiteral("numbackends"),
            QStringLiteral("現在データベースに接続しているバックエンドの個数です。") + crlf +
                QStringLiteral("これは、このビューの中で、現在の状態を反映した値を返す唯一の列です。") + crlf +
                QStringLiteral(" 他の列はすべて、最後にリセットされてから累積された値を返します。"));
        add(QStringLiteral("xact_commit"), QStringLiteral("このデータベースの中でコミットされたトランザクション数です。"));
        add(QStringLiteral("xact_rollback"),
            QStringLiteral("このデータベースの中でロールバックされたトランザクション数です。 "));
        add(QStringLiteral("blks_read"), QStringLiteral("データベース内で読み取られたディスクブロック数です。"));
        add(QStringLiteral("blks_hit"),
            QStringLiteral("読み取りが不要だったディスクブロック数です。") + crlf +
                QStringLiteral("バッファキャッシュに既にあることが分かっているために") + crlf +
                QStringLiteral("読み取りが不要だったディスクブロック数です。") + crlf +
                QStringLiteral("（これにはPostgreSQLのバッファキャッシュにおけるヒットのみが含まれ、") + crlf +
                QStringLiteral("オペレーティングシステムのファイルシステムキャッシュは含まれません）"));
        add(QStringLiteral("tup_returned"), QStringLiteral("データベース内の問い合わせで返された行数です。"));
        add(QStringLiteral("tup_fetched"), QStringLiteral("データベース内の問い合わせで取り出された行数です。"));
        add(QStringLiteral("tup_inserted"), QStringLiteral("データベース内の問い合わせで挿入された行数です。"));
        add(QStringLiteral("tup_updated"), QStringLiteral("データベース内の問い合わせで更新された行数です。"));
        add(QStringLiteral("tup_deleted"), QStringLiteral("データベース内の問い合わせで削除された行数です。"));
        add(QStringLiteral("conflicts"),
            QStringLiteral("データベース内のリカバリで競合したためキャンセルされた問い合わせ数です。") + crlf +
                QStringLiteral("（競合はスタンバイサーバ上でのみ起こります。）"));
        add(QStringLiteral("temp_files"),
            QStringLiteral("データベース内の問い合わせによって書き出された一時ファイルの個数です。") + crlf +
                QStringLiteral("一時ファイルが作成された理由（ソート処理やハッシュ処理）や") + crlf +
                QStringLiteral("log_temp_filesの設定に関わらず、すべての一時ファイルが計上されます。"));
        add(QStringLiteral("temp_bytes"),
            QStringLiteral("データベース内の問い合わせによって一時ファイルに書き出されたデータ量です。") + crlf +
                QStringLiteral("一時ファイルが作成された理由やlog_temp_filesの設定に関わらず、") + crlf +
                QStringLiteral("すべての一時ファイルが計上されます。"));
        add(QStringLiteral("deadlocks"), QStringLiteral("データベース内で検知されたデッドロック数です。"));
        add(QStringLiteral("blk_read_time"),
            QStringLiteral("データベース内でバックエンドによりデータファイルブロックの読み取りに費やされた、ミリ秒単位の時間です。"));
        add(QStringLiteral("blk_write_time"),
            QStringLiteral("データベース内でバックエンドによりデータファイルブロックの書き出しに費やされた、ミリ秒単位の時間です。"));
        add(QStringLiteral("stats_reset"), QStringLiteral("統計情報がリセットされた最終時刻です。"));
    }
};

const DescTable &Table()
{
    static const DescTable t;
    return t;
}

// A column of a time stamp, shown to the second.
bool IsTimeColumn(const QString &Column)
{
    return Column == QLatin1String("stats_reset") || Column.startsWith(QLatin1String("last_")) ||
           Column == QLatin1String("checksum_last_failure");
}

QString SelectItem(const QString &Column)
{
    if (IsTimeColumn(Column))
        return QStringLiteral(" TO_CHAR( %1 , 'yyyy/mm/dd hh24:mi:ss') %1").arg(Column);
    return QLatin1Char(' ') + Column;
}

QString SelectList(const QStringList &Columns)
{
    QStringList items;
    for (const QString &c : Columns)
        items << SelectItem(c);
    return items.join(QLatin1Char(','));
}

const QString kConditionsA = QStringLiteral(" and ( ( cast(relid as varchar) like :kensaku )"
                                            " or ( UPPER(schemaname) like UPPER(:kensaku) )"
                                            " or ( UPPER(relname)    like UPPER(:kensaku) )"
                                            "  )");

} // namespace

const QStringList &DescNames()
{
    return Table().Names;
}

const QStringList &DescTexts()
{
    return Table().Texts;
}

QString ItemDesc(const QString &Name)
{
    const int at = Table().Names.indexOf(Name);
    return at < 0 ? QString() : Table().Texts.at(at);
}

QString ColumnNamesSQL(const QString &View)
{
    return QStringLiteral(" SELECT A.attname as \"col_name\" FROM pg_class C LEFT JOIN pg_namespace N ON "
                          "C.relnamespace = N.oid LEFT JOIN pg_attribute A ON C.oid = A.attrelid WHERE 0 = 0 AND "
                          "(C.relkind = 'r' OR C.relkind = 'v') AND N.nspname = 'pg_catalog' AND C.relname = '") +
           View + QStringLiteral("' AND A.attnum > 0 ORDER BY A.attnum");
}

QString DbStatValuesSQL(const QStringList &Columns)
{
    return QStringLiteral(" SELECT") + SelectList(Columns) + QStringLiteral(" FROM pg_stat_database WHERE datname = :datname");
}

QString ObjectView(int Page)
{
    static const QStringList views{QStringLiteral("pg_statio_user_tables"), QStringLiteral("pg_stat_user_tables"),
                                   QStringLiteral("pg_statio_user_indexes"), QStringLiteral("pg_stat_user_indexes")};
    return views.value(Page);
}

QString ObjectValuesSQL(int Page, const QStringList &Columns, bool Search)
{
    QString sql;
    QString conditions;
    switch (Page) {
    case 0:
        sql = QStringLiteral(" SELECT * FROM pg_statio_user_tables WHERE 0 = 0");
        conditions = kConditionsA;
        break;
    case 1:
        sql = QStringLiteral(" SELECT") + SelectList(Columns) + QStringLiteral(" FROM pg_stat_user_tables ") +
              QStringLiteral(" WHERE 0 = 0");
        conditions = kConditionsA;
        break;
    case 2:
        sql = QStringLiteral(" SELECT * FROM pg_statio_user_indexes WHERE 0 = 0");
        conditions = QStringLiteral(" and ( ( cast(relid as varchar) like :kensaku )"
                                    " or ( UPPER(schemaname) like UPPER(:kensaku) )"
                                    " or ( UPPER(relname) like UPPER(:kensaku) )"
                                    " or ( cast(indexrelid as varchar) like :kensaku )"
                                    " or ( UPPER(indexrelname) like UPPER(:kensaku) )"
                                    "  )");
        break;
    default:
        sql = QStringLiteral("SELECT * FROM pg_stat_user_indexes  WHERE 0 = 0");
        conditions = QStringLiteral(" and ( ( cast(relid as varchar) like :kensaku )"
                                    " or ( UPPER(schemaname) like UPPER(:kensaku) )"
                                    " or ( UPPER(relname)    like UPPER(:kensaku) )"
                                    " or ( cast(indexrelid as varchar) like :kensaku )"
                                    " or ( UPPER(indexrelname)    like UPPER(:kensaku) )"
                                    "  )");
        break;
    }
    return Search ? sql + conditions : sql;
}

QString ObjectColumnTitle(const QString &Column, bool IndexPage)
{
    if (Column == QLatin1String("relid"))
        return QStringLiteral("ﾃｰﾌﾞﾙOID");
    if (Column == QLatin1String("schemaname"))
        return QStringLiteral("ｽｷｰﾏ名");
    if (Column == QLatin1String("relname"))
        return QStringLiteral("ﾃｰﾌﾞﾙ名");
    if (IndexPage && Column == QLatin1String("indexrelid"))
        return QStringLiteral("ｲﾝﾃﾞｯｸｽOID");
    if (IndexPage && Column == QLatin1String("indexrelname"))
        return QStringLiteral("ｲﾝﾃﾞｯｸｽ名");
    return Column;
}

QString StatFolder()
{
    QString d = tv::settings::DataDir();
    if (!d.endsWith(QLatin1Char('/')))
        d += QLatin1Char('/');
    return d + QStringLiteral("stat/");
}

QString SnapshotStem(const QString &Database, const QDateTime &At)
{
    return QStringLiteral("DBSTAT") + SanitizeFileName(Database) + At.toString(QStringLiteral("yyyyMMddHHmm"));
}

bool IsSnapshotOf(const QString &FileName, const QString &Database)
{
    // "DBSTAT", the database's name exactly, the stamp of a real date and
    // time, the number a second save in one minute takes, ".log". A wildcard
    // after the name would also take the files of every database whose name
    // begins with this one's ("app" and "app2").
    static const QRegularExpression tail(QStringLiteral("^(\\d{12})(\\d\\d)?\\.log$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString prefix = QStringLiteral("DBSTAT") + SanitizeFileName(Database);
    if (!FileName.startsWith(QLatin1String("DBSTAT"), Qt::CaseInsensitive) ||
        QStringView(FileName).mid(6, prefix.size() - 6) != QStringView(prefix).mid(6))
        return false;
    const QRegularExpressionMatch m = tail.match(QStringView(FileName).mid(prefix.size()));
    return m.hasMatch() && QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMddHHmm")).isValid();
}

QStringList SnapshotFiles(const QString &Folder, const QString &Database)
{
    QDir dir(Folder);
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    names.removeIf([&](const QString &n) { return !IsSnapshotOf(n, Database); });
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QString FileNameToDate(const QString &FileName, const QString &Database)
{
    const QString stamp = FileName.mid(SanitizeFileName(Database).size() + 6, 12);
    return stamp.mid(2, 2) + u'/' + stamp.mid(4, 2) + u'/' + stamp.mid(6, 2) + u' ' + stamp.mid(8, 2) + u':' +
           stamp.mid(10, 2);
}

QString SnapshotText(const QStringList &Names, const QStringList &Values)
{
    QString text;
    for (int i = 0; i < Names.size(); ++i)
        text += Names.at(i) + u'\t' + Values.value(i) + QStringLiteral("\r\n");
    return text;
}

QString SaveSnapshot(const QString &Folder, const QString &Database, const QDateTime &At, const QStringList &Names,
                     const QStringList &Values)
{
    if (!QDir().mkpath(Folder))
        throw tv::Error(Folder + QStringLiteral(": フォルダを作成できません。"));
    const QString path = MakeUniqueFileName(QDir(Folder).filePath(SnapshotStem(Database, At) + QStringLiteral(".log")));
    QString error;
    if (!tv::text::WriteTextFile(path, SnapshotText(Names, Values), tv::text::Encoding::Ansi, false, &error))
        throw tv::Error(path + QStringLiteral(": ") + error);
    return path;
}

QStringList PlaceSnapshot(const QStringList &Lines, const QStringList &RowNames)
{
    QStringList values;
    for (int i = 0; i < RowNames.size(); ++i)
        values << QString();
    auto split = [](const QString &line, QString &key, QString &value) {
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) {
            key.clear();
            value = line;
        } else {
            key = line.left(tab);
            value = line.mid(tab + 1);
        }
    };
    QString key, value;
    if (Lines.size() == RowNames.size()) {
        for (int i = 0; i < Lines.size(); ++i) {
            split(Lines.at(i), key, value);
            values[i] = value;
        }
        return values;
    }
    for (const QString &line : Lines) {
        split(line, key, value);
        const int at = RowNames.indexOf(key);
        if (at >= 0)
            values[at] = value;
    }
    return values;
}

qint64 IntegerValue(const QString &Text)
{
    bool ok = false;
    const qint64 v = Text.toLongLong(&ok);
    return ok ? v : 0;
}

void ApplyIncrements(std::vector<QStringList> &Columns)
{
    for (size_t a = 0; a + 1 < Columns.size(); ++a) {
        QStringList &left = Columns[a];
        const QStringList &right = Columns[a + 1];
        for (int r = 0; r < left.size(); ++r)
            left[r] = QString::number(IntegerValue(left.at(r)) - IntegerValue(right.value(r)));
    }
}

} // namespace perform
