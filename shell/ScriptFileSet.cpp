#include "shell/ScriptFileSet.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void TScriptFileSet::Open(QFile &File, const QString &Path)
{
    const QFileInfo info(Path);
    if (!QDir().mkpath(info.absolutePath()))
        throw tv::Error(QStringLiteral("フォルダを作成できません: ") + info.absolutePath());
    const QString key = QDir::cleanPath(info.absoluteFilePath());
    const bool first = !FOpened.contains(key);
    File.setFileName(Path);
    QIODevice::OpenMode mode = QIODevice::ReadWrite;
    if (FReplace && first)
        mode |= QIODevice::Truncate;
    if (!File.open(mode))
        throw tv::Error(QStringLiteral("ファイルを作成できません: ") + Path + QStringLiteral("\n") + File.errorString());
    FOpened.insert(key);
    File.seek(File.size());
}
