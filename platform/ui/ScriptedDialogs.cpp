#include "platform/ui/ScriptedDialogs.h"

#include <QStringList>

namespace tv::ui {

void ScriptedDialogs::queueButton(int button, const QList<bool> &checks)
{
    Answer a;
    a.button = button;
    a.checks = checks;
    m_answers.enqueue(a);
}

void ScriptedDialogs::queueInput(const QString &value, const QList<bool> &checks)
{
    Answer a;
    a.ok = true;
    a.value = value;
    a.keepValue = false;
    a.checks = checks;
    m_answers.enqueue(a);
}

void ScriptedDialogs::queueInputCancel()
{
    Answer a;
    a.ok = false;
    m_answers.enqueue(a);
}

void ScriptedDialogs::queuePath(const QString &path)
{
    Answer a;
    a.path = path;
    m_answers.enqueue(a);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Call &c : m_calls)
        if (c.kind == Kind::Message || c.kind == Kind::CheckMessage || c.kind == Kind::Input)
            out << c.text;
    return out;
}

void ScriptedDialogs::clear()
{
    m_answers.clear();
    m_calls.clear();
}

ScriptedDialogs::Answer ScriptedDialogs::next()
{
    return m_answers.isEmpty() ? Answer{} : m_answers.dequeue();
}

void ScriptedDialogs::applyChecks(const Answer &answer, CheckList &checks)
{
    for (int i = 0; i < checks.size() && i < answer.checks.size(); ++i)
        checks[i].checked = answer.checks[i];
}

int ScriptedDialogs::messageBox(const QString &text, const QString &caption, unsigned flags)
{
    Call c;
    c.kind = Kind::Message;
    c.text = text;
    c.caption = caption.isEmpty() ? ApplicationTitle() : caption;
    c.flags = flags;
    m_calls << c;
    const Answer a = next();
    return a.button != 0 ? a.button : DefaultMessageButton(flags);
}

int ScriptedDialogs::checkMessageBox(const QString &text, const QString &caption, unsigned flags,
                                     CheckList &checks)
{
    Call c;
    c.kind = Kind::CheckMessage;
    c.text = text;
    c.caption = caption.isEmpty() ? ApplicationTitle() : caption;
    c.flags = flags;
    c.checks = checks;
    m_calls << c;
    const Answer a = next();
    applyChecks(a, checks);
    return a.button != 0 ? a.button : DefaultMessageButton(flags);
}

bool ScriptedDialogs::inputQuery(const QString &caption, const QString &prompt, QString &value, bool numeric,
                                 CheckList *checks)
{
    Call c;
    c.kind = Kind::Input;
    c.text = prompt;
    c.caption = caption.isEmpty() ? ApplicationTitle() : caption;
    c.value = value;
    c.numeric = numeric;
    if (checks)
        c.checks = *checks;
    m_calls << c;
    const Answer a = next();
    if (!a.ok)
        return false;
    if (!a.keepValue)
        value = a.value;
    if (checks)
        applyChecks(a, *checks);
    return true;
}

QString ScriptedDialogs::openFile(const FileDialogRequest &request)
{
    Call c;
    c.kind = Kind::OpenFile;
    c.caption = request.caption;
    c.file = request;
    m_calls << c;
    return next().path;
}

QString ScriptedDialogs::saveFile(const FileDialogRequest &request)
{
    Call c;
    c.kind = Kind::SaveFile;
    c.caption = request.caption;
    c.file = request;
    m_calls << c;
    return next().path;
}

QString ScriptedDialogs::selectFolder(const QString &caption, const QString &initialDir)
{
    Call c;
    c.kind = Kind::Folder;
    c.caption = caption;
    c.folder = initialDir;
    m_calls << c;
    return next().path;
}

} // namespace tv::ui
