// Stand-in for the file functions of the platform's encoding layer, for as
// long as this test program is linked without it. The definitions are weak:
// once the real ones are linked they take over and this file can go.
// Only UTF-8 is handled here; the tests keep to it.
#include "platform/text/TextEncoding.h"

#include <QFile>
#include <QSaveFile>

namespace tv::text {

__attribute__((weak)) bool ReadTextFile(const QString &path, Encoding fallback, QString *text, Encoding *used,
                                        QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    QByteArray data = f.readAll();
    if (fallback != Encoding::Utf8) {
        if (error)
            *error = QStringLiteral("encoding not available in this test build");
        return false;
    }
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    *text = QString::fromUtf8(data);
    if (used)
        *used = Encoding::Utf8;
    return true;
}

__attribute__((weak)) bool WriteTextFile(const QString &path, const QString &text, Encoding enc, bool writeBom,
                                         QString *error)
{
    if (enc != Encoding::Utf8) {
        if (error)
            *error = QStringLiteral("encoding not available in this test build");
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (writeBom)
        f.write("\xEF\xBB\xBF");
    f.write(text.toUtf8());
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace tv::text
