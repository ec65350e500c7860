#include "shell/UserCommand.h"

#include "platform/Errors.h"
#include "platform/settings/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace usercmd {
namespace {

enum class Root { Ok, Malformed, WrongVersion };

// Opens the document and checks its root; on Ok `attrs` holds the first
// "USERCMD" element's attributes and `found` whether there was one.
Root ReadFirst(const QString &path, double missingVersion, QXmlStreamAttributes &attrs, bool &found)
{
    found = false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Root::Malformed;
    QXmlStreamReader xml(&f);
    if (!xml.readNextStartElement())
        return Root::Malformed;
    if (xml.name() != QLatin1String("TVDOC"))
        return Root::WrongVersion;
    double version = missingVersion;
    if (xml.attributes().hasAttribute(QLatin1String("TVDOC-VERSION"))) {
        bool ok = false;
        version = xml.attributes().value(QLatin1String("TVDOC-VERSION")).toString().trimmed().toDouble(&ok);
        if (!ok)
            version = missingVersion;
    }
    if (version > 2)
        return Root::WrongVersion;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("USERCMD")) {
            attrs = xml.attributes();
            found = true;
            break;
        }
        xml.skipCurrentElement();
    }
    // The rest must still be well formed.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return Root::Malformed;
    return Root::Ok;
}

int IntOf(const QXmlStreamAttributes &a, const char *name)
{
    bool ok = false;
    const int v = a.value(QLatin1String(name)).toString().trimmed().toInt(&ok);
    return ok ? v : 0;
}

bool BoolOf(const QXmlStreamAttributes &a, const char *name, bool &value)
{
    if (!a.hasAttribute(QLatin1String(name)))
        return false;
    const QString t = a.value(QLatin1String(name)).toString().trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        value = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        value = false;
        return true;
    }
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok)
        return false;
    value = v != 0;
    return true;
}

} // namespace

QString Folder()
{
    const QDir data(tv::settings::DataDir());
    for (const QString &d : data.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (d.compare(QLatin1String("usercmd"), Qt::CaseInsensitive) == 0)
            return data.filePath(d);
    return data.filePath(QStringLiteral("usercmd"));
}

QString FilePath(const QString &name)
{
    const QDir dir(Folder());
    const QString wanted = name + QStringLiteral(".cmd");
    for (const QString &f : dir.entryList(QDir::Files))
        if (f.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.filePath(f);
    return dir.filePath(wanted);
}

bool GetCommandValue(const QString &path, bool &Dialog, bool &SQLWindow, bool &Error, QString &SQL)
{
    QXmlStreamAttributes a;
    bool found = false;
    if (ReadFirst(path, 99.9, a, found) != Root::Ok)
        return false;
    if (!found)
        return true;
    bool d = false, w = false, e = false;
    if (!BoolOf(a, "DIALOG", d) || !BoolOf(a, "SQLWINDOW", w) || !BoolOf(a, "ERROR", e) ||
        !a.hasAttribute(QLatin1String("SQL")))
        return false;
    Dialog = d;
    SQLWindow = w;
    Error = e;
    SQL = a.value(QLatin1String("SQL")).toString();
    return true;
}

ReadResult ReadForEditor(const QString &path, TUserCommand &cmd)
{
    QXmlStreamAttributes a;
    bool found = false;
    switch (ReadFirst(path, 99.9, a, found)) {
    case Root::Malformed:
        return ReadResult::Malformed;
    case Root::WrongVersion:
        return ReadResult::WrongVersion;
    case Root::Ok:
        break;
    }
    if (!found)
        return ReadResult::NoCommand;
    cmd.Seq = IntOf(a, "SEQ");
    cmd.Name = a.value(QLatin1String("NAME")).toString();
    cmd.ShortCut = IntOf(a, "SHORTCUT");
    cmd.Dialog = IntOf(a, "DIALOG") != 0;
    cmd.SQLWindow = IntOf(a, "SQLWINDOW") != 0;
    cmd.Error = IntOf(a, "ERROR") != 0;
    cmd.SQL = a.value(QLatin1String("SQL")).toString();
    return ReadResult::Ok;
}

void Write(const TUserCommand &cmd)
{
    const QString name = cmd.Name;
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        throw tv::Error(QStringLiteral("ファイル名として使用できない名前です: ") + name);
    const QString folder = Folder();
    if (!QDir().mkpath(folder))
        throw tv::Error(QStringLiteral("フォルダを作成できません: ") + folder);
    // One file per name in any letter case: an older spelling goes.
    const QString existing = FilePath(name);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".cmd"));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw tv::Error(QStringLiteral("ファイルを作成できません: ") + path + QStringLiteral("\n") + f.errorString());
    QXmlStreamWriter xml(&f);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("TVDOC"));
    xml.writeAttribute(QStringLiteral("TVDOC-VERSION"), QStringLiteral("2"));
    xml.writeStartElement(QStringLiteral("USERCMD"));
    xml.writeAttribute(QStringLiteral("SEQ"), QString::number(cmd.Seq));
    xml.writeAttribute(QStringLiteral("NAME"), name);
    xml.writeAttribute(QStringLiteral("SHORTCUT"), QString::number(cmd.ShortCut));
    xml.writeAttribute(QStringLiteral("DIALOG"), cmd.Dialog ? QStringLiteral("1") : QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("SQLWINDOW"), cmd.SQLWindow ? QStringLiteral("1") : QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("ERROR"), cmd.Error ? QStringLiteral("1") : QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("SQL"), cmd.SQL);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !f.commit())
        throw tv::Error(QStringLiteral("ファイルを作成できません: ") + path + QStringLiteral("\n") + f.errorString());
    if (QFileInfo(existing).fileName() != QFileInfo(path).fileName())
        QFile::remove(existing);
}

QString BuildStatement(const QString &text, const QString &caption, const QStringList &details)
{
    QString s = text;
    auto put = [&s](const QString &placeholder, const QString &value) {
        s.replace(placeholder, value, Qt::CaseInsensitive);
    };
    put(QStringLiteral("&NAME"), caption);
    put(QStringLiteral("&OWNER"), details.value(0));
    put(QStringLiteral("&TYPE"), details.value(1));
    put(QStringLiteral("&0"), caption);
    for (qsizetype k = std::max<qsizetype>(details.size(), 2); k >= 1; --k)
        put(QLatin1Char('&') + QString::number(k), details.value(k - 1));
    return s;
}

} // namespace usercmd
