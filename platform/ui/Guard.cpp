#include "platform/ui/Guard.h"
#include "platform/Errors.h"
#include "platform/ui/Dialogs.h"

#include <exception>

namespace tv::ui {

void ShowError(const QString &text)
{
    CurrentDialogs().messageBox(text, ApplicationTitle(), MB_OK | MB_ICONSTOP);
}

namespace {

// Showing the error must not throw out of the guard either.
void ShowQuietly(const QString &text)
{
    try {
        ShowError(text);
    } catch (...) {
        qWarning("error display failed for: %s", qUtf8Printable(text));
    }
}

} // namespace

bool Guard(const std::function<void()> &work)
{
    try {
        work();
        return true;
    } catch (const SilentAbort &) {
    } catch (const Error &e) {
        ShowQuietly(e.text());
    } catch (const std::exception &e) {
        ShowQuietly(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowQuietly(QStringLiteral("予期しないエラーが発生しました。"));
    }
    return false;
}

} // namespace tv::ui
