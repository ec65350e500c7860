#pragma once
// Connection and object descriptor, and the eight caption layouts printed
// from it (window captions, the connection list, task-bar buttons).
#include <QString>
#include <functional>

struct TRecParam {
    QString strServer;   // host name of the server
    QString strDB;       // database name
    QString strSchema;   // schema name
    QString strPort;     // port number as text
    QString strUserNm;   // user name of the connection
    QString strPassword; // never printed by any caption kind
    QString strObjNm;    // object name
    QString strParamNm;  // argument type list of a routine
    QString strTblNm;    // table of an object that belongs to a table
};

TRecParam MakeRecParam(const QString &Server, const QString &DB, const QString &Schema,
                       const QString &Port, const QString &UserNm, const QString &Password,
                       const QString &ObjNm, const QString &ParamNm, const QString &TblNm);

// Kinds 0..7; every kind but 2 ends in " @ " + DB + "/" + Server + ":" + Port.
// A kind outside 0..7 gives the empty text. With Shorten, a text longer than
// 12 characters becomes its first 10 characters and "…".
QString FormatRecParamCaption(const TRecParam &Param, int Kind, bool Shorten);

// User_Name + "/" + Password + "@" + Database (+ " AS " + AuthMode unless
// AuthMode is "NORMAL" in any letter case). Param reads a named connection
// parameter; an absent one reads as the empty text.
QString ConnectionText(const std::function<QString(const QString &name)> &Param);
