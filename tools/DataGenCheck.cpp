#include "tools/DataGenCheck.h"

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/ProtectedBlock.h"

#include <cmath>

namespace {

TDataGenFault Fault(const QString &Message, const QString &Control, int Row = -1)
{
    return TDataGenFault{Message, Control, Row};
}

// Whether the server can evaluate the fixed value; the trial leaves the
// session as it was.
bool FixedValueWorks(tv::db::Connection &Conn, const QStringList &Lines)
{
    QString sql = QStringLiteral("SELECT ");
    for (const QString &l : Lines)
        sql += l + QStringLiteral("\r\n");
    tv::db::ProtectedBlock block(Conn);
    try {
        Conn.Exec(sql);
    } catch (const tv::db::DbError &e) {
        if (e.connectionLost())
            throw;
        block.undo();
        return false;
    }
    block.undo();
    return true;
}

} // namespace

std::optional<TDataGenFault> CheckInput(const TDataGenJob &Job, tv::db::Connection *Conn)
{
    const QString noCount = QStringLiteral("作成件数を入力して下さい。");
    switch (Job.Mode) {
    case dgmNormal:
        if (Job.Count < 1)
            return Fault(noCount, QStringLiteral("txtCount"));
        break;
    case dgmMaster:
        if (Job.MastOwner.trimmed().isEmpty())
            return Fault(QStringLiteral("親テーブルを指定して下さい。"), QStringLiteral("cmbMasterSchema"));
        if (Job.MastTable.trimmed().isEmpty())
            return Fault(QStringLiteral("親テーブルを指定して下さい。"), QStringLiteral("cmbMasterTable"));
        if (Job.CountFrom < 1)
            return Fault(noCount, QStringLiteral("txtCountFrom"));
        if (Job.CountTo < 1)
            return Fault(noCount, QStringLiteral("txtCountTo"));
        break;
    case dgmUpdate:
        if (Job.Primary.isEmpty())
            return Fault(QStringLiteral("主キーのないテーブルのUPDATEは行えません。"), QStringLiteral("tabOption"));
        break;
    }

    const QString list = QStringLiteral("lstColumn");
    int checked = 0;
    for (int i = 0; i < Job.Cols.size(); ++i) {
        const TColParams &c = Job.Cols.at(i);
        if (!Job.InStatement(i))
            continue;
        ++checked;
        switch (c.SetType) {
        case stSeqNum:
        case stRandNum:
            if (c.Length > 0) {
                const double limit = std::pow(10.0, c.Length - c.Scale);
                if (c.NumFrom > limit)
                    return Fault(QStringLiteral("開始値の値が大きすぎます。"), list, i);
                if (c.SetType == stRandNum && c.NumTo > limit)
                    return Fault(QStringLiteral("終了値の値が大きすぎます。"), list, i);
            }
            if (c.SetType == stSeqNum && c.Marume == 0)
                return Fault(QStringLiteral("増分値が指定されていません。"), list, i);
            if (c.FlgPrefix && c.StrPrefix.isEmpty())
                return Fault(QStringLiteral("接頭句が指定されていません。"), list, i);
            break;
        case stRandStr: {
            if (c.StrType < 0)
                return Fault(QStringLiteral("設定内容が指定されていません。"), list, i);
            bool ok = false;
            int digits = c.StrDigit.trimmed().toInt(&ok);
            if (!ok)
                digits = 0;
            if (digits > c.Length && c.DataType != u"text")
                return Fault(QStringLiteral("指定した長さが列の長さを超えています。"), QStringLiteral("txtStrDigit"), i);
            break;
        }
        case stRandDate:
        case stRandTime:
        case stRandDtTm:
            if (c.DateFrom.isValid() && c.DateTo.isValid() && c.DateFrom > c.DateTo)
                return Fault(QStringLiteral("From ＞ To の指定はできません。"), list, i);
            break;
        case stIn: {
            bool any = false;
            for (const QString &v : c.Variable)
                any = any || !v.isEmpty();
            if (c.Variable.isEmpty() || !any)
                return Fault(QStringLiteral("選択値が指定されていません。"), list, i);
            break;
        }
        case stVar:
            if (c.Variable.isEmpty())
                return Fault(QStringLiteral("固定値が指定されていません。"), list, i);
            if (Conn && !FixedValueWorks(*Conn, c.Variable))
                return Fault(QStringLiteral("固定値として設定された値が無効です。"), list, i);
            break;
        case stTemplate:
            if (c.TemplateName1.isEmpty() && c.TemplateName2.isEmpty())
                return Fault(QStringLiteral("テンプレートファイルが指定されていません。"), list, i);
            break;
        case stLink:
            if (c.LinkTable.trimmed().isEmpty())
                return Fault(QStringLiteral("リンクテーブルが指定されていません。"), list, i);
            if (c.LinkColumn.trimmed().isEmpty())
                return Fault(QStringLiteral("リンクテーブル列が指定されていません。"), list, i);
            break;
        case stMaster:
            if (c.LinkColumn.trimmed().isEmpty())
                return Fault(QStringLiteral("マスターテーブル列が指定されていません。"), list, i);
            break;
        default:
            break;
        }
    }
    if (checked == 0)
        return Fault(QStringLiteral("いずれかの項目に設定値を指定して下さい。"), list);
    return std::nullopt;
}
