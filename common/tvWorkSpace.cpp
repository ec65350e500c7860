#include "common/tvWorkSpace.h"

#include "common/OptionIO.h"
#include "platform/settings/tvRegistry.h"

#include <limits>

std::vector<TtvWorkSpace> tvWorkSpace;

namespace {

const QString kWorkSpaceKey = QStringLiteral("WORKSPACE");
constexpr int kTable = 45;

void CloseQuietly(tv::settings::TtvRegistry &reg)
{
    try {
        reg.CloseKey();
    } catch (...) {
        // Only a pending write of an earlier save can fail here; it is
        // reported by the next save.
    }
}

} // namespace

bool WorkSpaceKeepsOid(int objectType)
{
    return objectType == 51 || objectType == 52 || objectType == 128;
}

bool WorkSpaceKeepsTableName(int objectType)
{
    return objectType == 57 || objectType == 66 || objectType == 127;
}

void LoadWorkSpace(tv::settings::TtvRegistry &reg)
{
    const QString base = optionio::OptionKey(kWorkSpaceKey);
    QStringList names;
    if (reg.OpenKey(base, true)) {
        names = reg.GetKeyNames(); // numeric names in numeric order
        CloseQuietly(reg);
    }
    std::vector<TtvWorkSpace> entries(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!reg.OpenKey(base + QLatin1Char('\\') + names[i], false))
            continue;
        TtvWorkSpace &e = entries[size_t(i)];
        e.ObjectType = reg.GetInteger(QStringLiteral("ObjectType"), kTable);
        e.Title = reg.GetString(QStringLiteral("Title"), QString());
        e.Schema = reg.GetString(QStringLiteral("Schema"), QString());
        e.ObjectName = reg.GetString(QStringLiteral("ObjectName"), QString());
        e.Connect = reg.GetString(QStringLiteral("Connect"), QString());
        if (WorkSpaceKeepsOid(e.ObjectType))
            e.oid = reg.GetDataType(QStringLiteral("oid")) == tv::settings::TRegDataType::rdInteger
                        ? qint64(quint32(reg.ReadInteger(QStringLiteral("oid"))))
                        : -1;
        else if (WorkSpaceKeepsTableName(e.ObjectType))
            e.TableName = reg.GetString(QStringLiteral("TableName"), QString());
        CloseQuietly(reg);
    }
    tvWorkSpace = std::move(entries);
}

void SaveWorkSpace(tv::settings::TtvRegistry &reg)
{
    {
        optionio::OptionSaver root(reg, QString());
        reg.DeleteKey(kWorkSpaceKey);
        root.Close();
    }
    for (size_t i = 0; i < tvWorkSpace.size(); ++i) {
        const TtvWorkSpace &e = tvWorkSpace[i];
        optionio::OptionSaver saver(reg, kWorkSpaceKey + QLatin1Char('\\') + QString::number(i));
        reg.WriteInteger(QStringLiteral("ObjectType"), e.ObjectType);
        reg.WriteString(QStringLiteral("Title"), e.Title);
        reg.WriteString(QStringLiteral("Schema"), e.Schema);
        reg.WriteString(QStringLiteral("ObjectName"), e.ObjectName);
        reg.WriteString(QStringLiteral("Connect"), e.Connect);
        if (WorkSpaceKeepsOid(e.ObjectType)) {
            // No oid (-1 or out of range) is left unwritten and reads as -1.
            if (e.oid >= 0 && e.oid <= qint64(std::numeric_limits<quint32>::max()))
                reg.WriteInteger(QStringLiteral("oid"), int(quint32(e.oid)));
        }
        else if (WorkSpaceKeepsTableName(e.ObjectType))
            reg.WriteString(QStringLiteral("TableName"), e.TableName);
        saver.Close();
    }
}

void LoadWorkSpace()
{
    LoadWorkSpace(tv::settings::tvRegistry());
}

void SaveWorkSpace()
{
    SaveWorkSpace(tv::settings::tvRegistry());
}
