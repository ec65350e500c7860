#include "editor/Persistent.h"
#include "editor/EditorError.h"

void TPersistent::Assign(const TPersistent &Source)
{
    throw EEditorError(QStringLiteral("Cannot assign a %1 to a %2")
                           .arg(QLatin1String(Source.ClassName()), QLatin1String(ClassName())));
}
