#include "platform/ui/Font.h"

#include <QFontDatabase>
#include <QHash>

namespace tv::ui {

namespace {

QString InstalledFamily(const QString &name)
{
    if (name.trimmed().isEmpty())
        return {};
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families)
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return family;
    return {};
}

QString FallbackFamily()
{
    static const QString family = [] {
        for (const char *candidate : {"Noto Sans Mono CJK JP", "DejaVu Sans Mono"}) {
            const QString found = InstalledFamily(QString::fromLatin1(candidate));
            if (!found.isEmpty())
                return found;
        }
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    return family;
}

} // namespace

QString ResolveFontFamily(const QString &storedName)
{
    static QHash<QString, QString> cache;
    const auto it = cache.constFind(storedName);
    if (it != cache.constEnd())
        return *it;
    QString family = InstalledFamily(storedName);
    if (family.isEmpty())
        family = FallbackFamily();
    cache.insert(storedName, family);
    return family;
}

QFont MakeFont(const QString &storedName, int pointSize, FontStyles styles)
{
    QFont font(ResolveFontFamily(storedName));
    font.setPointSize(pointSize >= 1 ? pointSize : 9);
    font.setBold(styles.testFlag(FontStyle::Bold));
    font.setItalic(styles.testFlag(FontStyle::Italic));
    font.setUnderline(styles.testFlag(FontStyle::Underline));
    font.setStrikeOut(styles.testFlag(FontStyle::StrikeOut));
    return font;
}

} // namespace tv::ui
