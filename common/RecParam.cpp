#include "common/RecParam.h"

TRecParam MakeRecParam(const QString &Server, const QString &DB, const QString &Schema,
                       const QString &Port, const QString &UserNm, const QString &Password,
                       const QString &ObjNm, const QString &ParamNm, const QString &TblNm)
{
    TRecParam p;
    p.strServer = Server;
    p.strDB = DB;
    p.strSchema = Schema;
    p.strPort = Port;
    p.strUserNm = UserNm;
    p.strPassword = Password;
    p.strObjNm = ObjNm;
    p.strParamNm = ParamNm;
    p.strTblNm = TblNm;
    return p;
}

QString FormatRecParamCaption(const TRecParam &Param, int Kind, bool Shorten)
{
    const QString tail = QStringLiteral(" @ ") + Param.strDB + QLatin1Char('/') + Param.strServer
                         + QLatin1Char(':') + Param.strPort;
    QString text;
    switch (Kind) {
    case 0:
        text = Param.strUserNm + tail;
        break;
    case 1:
        text = Param.strUserNm + QLatin1Char('.') + Param.strObjNm + tail;
        break;
    case 2:
        text = Param.strUserNm + tail + QLatin1Char(':') + Param.strSchema;
        break;
    case 3:
        text = Param.strSchema + tail;
        break;
    case 4:
        text = Param.strSchema + QLatin1Char('.') + Param.strObjNm + tail;
        break;
    case 5:
        text = Param.strSchema + QLatin1Char('.') + Param.strObjNm;
        if (!Param.strParamNm.isEmpty())
            text += QLatin1Char('(') + Param.strParamNm + QLatin1Char(')');
        text += tail;
        break;
    case 6:
        text = Param.strSchema + QLatin1Char('.') + Param.strTblNm + QLatin1Char('.') + Param.strObjNm
               + tail;
        break;
    case 7:
        text = Param.strObjNm + tail;
        break;
    default:
        return QString();
    }
    if (Shorten && text.size() > 12)
        text = text.left(10) + QChar(0x2026);
    return text;
}

QString ConnectionText(const std::function<QString(const QString &name)> &Param)
{
    QString text = Param(QStringLiteral("User_Name")) + QLatin1Char('/') + Param(QStringLiteral("Password"))
                   + QLatin1Char('@') + Param(QStringLiteral("Database"));
    const QString authMode = Param(QStringLiteral("AuthMode"));
    if (authMode.toUpper() != QLatin1String("NORMAL"))
        text += QStringLiteral(" AS ") + authMode;
    return text;
}
