#pragma once
// A stand-in for the dialogs in tests: answers come from a queue the test
// fills, and every call is recorded (kind, text, caption, flags, prompt,
// value, check boxes, file request) for the test to read back. A call with
// no queued answer gets the default button (message boxes), OK with the value
// unchanged (input) or Cancel (file and folder pickers).
//
//     tv::ui::ScriptedDialogs dialogs;
//     tv::ui::ScopedDialogs use(&dialogs);
//     dialogs.queueButton(tv::ui::IDNO);
//     ... code under test ...
//     EXPECT_EQ(dialogs.calls().at(0).text, "...");
#include "platform/ui/Dialogs.h"

#include <QQueue>

namespace tv::ui {

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, CheckMessage, Input, OpenFile, SaveFile, Folder };

    struct Call {
        Kind kind = Kind::Message;
        QString text;      // message text, or the input prompt
        QString caption;
        unsigned flags = 0;
        QString value;     // input: the value offered
        bool numeric = false;
        CheckList checks;  // the check boxes as offered
        FileDialogRequest file;
        QString folder;    // folder picker: the initial folder
    };

    struct Answer {
        int button = 0;          // 0: the dialog's default button (message boxes)
        bool ok = true;          // input query
        QString value;           // input query: the text entered
        bool keepValue = true;   // input query: leave the value as offered
        QList<bool> checks;      // new check states (missing entries stay as they are)
        QString path;            // file and folder pickers ("" = cancelled)
    };

    // Message boxes: the button pressed (checks for a check dialog).
    void queueButton(int button, const QList<bool> &checks = {});
    // Input query: OK with a new value (and check states) ...
    void queueInput(const QString &value, const QList<bool> &checks = {});
    // ... or Cancel.
    void queueInputCancel();
    // File and folder pickers: the chosen path, or "" for Cancel.
    void queuePath(const QString &path);
    void queue(const Answer &answer) { m_answers.enqueue(answer); }

    const QList<Call> &calls() const { return m_calls; }
    // The message texts in call order (input prompts included).
    QStringList texts() const;
    int pendingAnswers() const { return static_cast<int>(m_answers.size()); }
    void clear();

    int messageBox(const QString &text, const QString &caption, unsigned flags) override;
    int checkMessageBox(const QString &text, const QString &caption, unsigned flags, CheckList &checks) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &value, bool numeric = false,
                    CheckList *checks = nullptr) override;
    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    QString selectFolder(const QString &caption, const QString &initialDir) override;

private:
    Answer next();
    static void applyChecks(const Answer &answer, CheckList &checks);

    QQueue<Answer> m_answers;
    QList<Call> m_calls;
};

} // namespace tv::ui
