#include "common/MessageDlg.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QThread>

#include <utility>

namespace {

const QString kDriverPrefix = QStringLiteral("[FireDAC][Phys][PG][libpq] ");

// Runs `work` on the user-interface thread and returns its result; a caller
// on another thread waits for it.
template <typename F>
auto OnUiThread(F work) -> decltype(work())
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return work();
    decltype(work()) result{};
    QMetaObject::invokeMethod(app, [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}

// Lets pending paint and timer events run so that the screen is up to date
// before a modal dialog opens; user input waits for the dialog.
void ProcessPending()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

tv::ui::CheckList ToCheckList(const TCheckList &checks)
{
    tv::ui::CheckList list;
    list.reserve(checks.size());
    for (const TCheckEntry &entry : checks)
        list.append({entry.Caption, entry.Value && *entry.Value});
    return list;
}

void WriteBack(const tv::ui::CheckList &list, const TCheckList &checks)
{
    for (qsizetype i = 0; i < checks.size() && i < list.size(); ++i)
        if (checks[i].Value)
            *checks[i].Value = list[i].checked;
}

} // namespace

QString CleanMessageText(const QString &text)
{
    QString cleaned = text;
    cleaned.remove(kDriverPrefix, Qt::CaseSensitive);
    if (cleaned == QLatin1String(": "))
        cleaned = QStringLiteral("ERROR: SQL構文エラー");
    return cleaned;
}

int ShowMessageBox(const QString &text, unsigned flags)
{
    const QString cleaned = CleanMessageText(text);
    return OnUiThread([&] {
        ProcessPending();
        return tv::ui::CurrentDialogs().messageBox(cleaned, tv::ui::ApplicationTitle(), flags);
    });
}

QString FormatMessageText(const QString &format, const QVariantList &args)
{
    QString out;
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // %[-][width][.precision]type
        qsizetype j = i + 1;
        bool left = false;
        if (j < n && format.at(j) == QLatin1Char('-')) {
            left = true;
            ++j;
        }
        int width = 0;
        while (j < n && format.at(j).isDigit())
            width = width * 10 + format.at(j++).digitValue();
        int precision = -1;
        if (j < n && format.at(j) == QLatin1Char('.')) {
            precision = 0;
            ++j;
            while (j < n && format.at(j).isDigit())
                precision = precision * 10 + format.at(j++).digitValue();
        }
        const QChar type = j < n ? format.at(j).toLower() : QChar();
        const bool known = type == QLatin1Char('s') || type == QLatin1Char('d') || type == QLatin1Char('u')
                           || type == QLatin1Char('x');
        if (!known || next >= args.size()) {
            out += format.mid(i, j - i + (j < n ? 1 : 0)); // left as written
            i = j < n ? j : n - 1;
            continue;
        }
        const QVariant &arg = args.at(next++);
        QString piece;
        if (type == QLatin1Char('s')) {
            piece = arg.toString();
            if (precision >= 0)
                piece.truncate(precision);
        } else {
            const qlonglong value = arg.toLongLong();
            const bool negative = value < 0 && type == QLatin1Char('d');
            QString digits = type == QLatin1Char('x')
                                 ? QString::number(static_cast<qulonglong>(value), 16).toUpper()
                             : negative ? QString::number(-(value + 1) + 1ULL)
                                        : QString::number(value);
            if (precision > digits.size())
                digits.prepend(QString(precision - digits.size(), QLatin1Char('0')));
            piece = negative ? QLatin1Char('-') + digits : digits;
        }
        if (piece.size() < width) {
            const QString pad(width - piece.size(), QLatin1Char(' '));
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
        i = j;
    }
    return out;
}

int ShowMessageBoxFmt(const QString &format, const QVariantList &args, unsigned flags)
{
    return ShowMessageBox(FormatMessageText(format, args), flags);
}

int ShowCheckMessageDialog(const QString &text, unsigned flags, const TCheckList &checks)
{
    const QString cleaned = CleanMessageText(text);
    return OnUiThread([&] {
        ProcessPending();
        tv::ui::CheckList list = ToCheckList(checks);
        const int result = tv::ui::CurrentDialogs().checkMessageBox(cleaned, tv::ui::ApplicationTitle(), flags, list);
        WriteBack(list, checks);
        return result;
    });
}

bool InputQueryWithChecks(const QString &caption, const QString &prompt, QString &value, bool numeric,
                          const TCheckList &checks)
{
    return OnUiThread([&] {
        tv::ui::CheckList list = ToCheckList(checks);
        QString entered = value;
        if (!tv::ui::CurrentDialogs().inputQuery(caption, prompt, entered, numeric, checks.isEmpty() ? nullptr : &list))
            return false;
        value = entered;
        WriteBack(list, checks);
        return true;
    });
}

QSize GetAverageCharSize(const QFont &font)
{
    QString letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters += QLatin1Char(c);
    for (char c = 'a'; c <= 'z'; ++c)
        letters += QLatin1Char(c);
    const QFontMetrics metrics(font);
    return {metrics.horizontalAdvance(letters) / 52, metrics.height()};
}
