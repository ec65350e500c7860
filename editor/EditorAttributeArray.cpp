#include "editor/EditorAttributeArray.h"
#include "editor/EditorUtils.h"

namespace {
bool HoldsUnit(QChar kind)
{
    return kind != u'3' && kind != u'5';
}
} // namespace

void TEditorAttributeArray::NewData(const QString &Source, const QString &Attributes)
{
    FSource = Source;
    FAttributes = Attributes + u'0';
    FPosition = 0;
    FSourcePos = 0;
    FAttribute = QChar();
    Next();
}

void TEditorAttributeArray::Next()
{
    if (FAttribute == u'0' || FPosition >= FAttributes.size())
        return;
    ++FPosition;
    FAttribute = FAttributes[FPosition - 1];
    if (HoldsUnit(FAttribute))
        ++FSourcePos;
}

void TEditorAttributeArray::Prior()
{
    if (FPosition < 2)
        return;
    if (HoldsUnit(FAttribute))
        --FSourcePos;
    --FPosition;
    FAttribute = FAttributes[FPosition - 1];
}

void TEditorAttributeArray::SetPosition(int Value)
{
    while (FPosition < Value && FAttribute != u'0')
        Next();
    while (FPosition > Value && FPosition >= 2)
        Prior();
}

QString TEditorAttributeArray::PositionString() const
{
    if (FAttribute == u'0' || FSourcePos < 1 || FSourcePos > FSource.size())
        return QString();
    const char16_t c = FSource[FSourcePos - 1].unicode();
    if (IsHighSurrogate(c) && FSourcePos < FSource.size() && IsLowSurrogate(FSource[FSourcePos].unicode()))
        return FSource.mid(FSourcePos - 1, 2);
    return QString(QChar(c));
}

QString TEditorAttributeArray::NextPositionString()
{
    const int position = FPosition;
    Next();
    const QString r = PositionString();
    if (FPosition != position)
        Prior();
    return r;
}
