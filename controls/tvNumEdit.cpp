#include "controls/tvNumEdit.h"

#include "controls/tvControlUtil.h"

#include <QKeyEvent>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

TtvNumEdit::TtvNumEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &TtvNumEdit::TextChanged);
}

QString TtvNumEdit::FilterText(const QString &text, bool allowMinus)
{
    QString out;
    out.reserve(text.size() + 1);
    bool pointKept = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            out.prepend(c);
        } else if (c == QLatin1Char('.') && !pointKept) {
            pointKept = true;
            out.prepend(c);
        }
    }
    if (allowMinus && text.contains(QLatin1Char('-')))
        out.prepend(QLatin1Char('-'));
    return out;
}

void TtvNumEdit::TextChanged(const QString &text)
{
    const QString filtered = FilterText(text, FAllowMinus);
    if (filtered != text) {
        // Keep the caret where it was relative to the end of the text.
        const int fromEnd = int(text.length()) - cursorPosition();
        setText(filtered); // raises one more change, which is then stable
        setCursorPosition(std::clamp(int(filtered.length()) - fromEnd, 0, int(filtered.length())));
        return;
    }
    if (OnChange)
        OnChange(this);
}

void TtvNumEdit::SetAllowMinus(bool value)
{
    FAllowMinus = value;
}

bool TtvNumEdit::IsNull() const
{
    return tvctl::IsBlankText(text());
}

double TtvNumEdit::ValueFloat() const
{
    // The filter leaves only digits, "." and "-", so the text is read with "."
    // as the decimal point whatever the user's locale says.
    bool ok = false;
    const double v = QLocale::c().toDouble(text(), &ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

void TtvNumEdit::SetValueText(const QString &value)
{
    if (!text().isEmpty() || value != QLatin1String("0"))
        setText(value);
}

void TtvNumEdit::SetValueFloat(double value)
{
    // Plain positional notation: an exponent would not survive the filter.
    QString s = std::isfinite(value) ? QString::number(value, 'f', QLocale::FloatingPointShortest)
                                     : QStringLiteral("0");
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    SetValueText(s);
}

int TtvNumEdit::ValueInt() const
{
    const double r = std::nearbyint(ValueFloat()); // default rounding: halves to even
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(r);
}

void TtvNumEdit::SetValueInt(int value)
{
    SetValueText(QString::number(value));
}

bool TtvNumEdit::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress && WantTabs && tvctl::IsPlainTabKey(static_cast<QKeyEvent *>(e)))
        return true; // kept in the box; a tab is no digit, so nothing is typed
    return QLineEdit::event(e);
}

void TtvNumEdit::focusInEvent(QFocusEvent *e)
{
    if (AutoSave)
        Save();
    QLineEdit::focusInEvent(e);
    selectAll();
}

void TtvNumEdit::keyPressEvent(QKeyEvent *e)
{
    if (tvctl::HandleEditFocusKeys(this, e, WantReturns, WantArrow))
        return;
    QLineEdit::keyPressEvent(e);
}

void TtvNumEdit::changeEvent(QEvent *e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::EnabledChange)
        tvctl::ApplyEnabledLook(this);
}
