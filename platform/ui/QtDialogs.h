#pragma once
// The dialogs the user sees: Qt message boxes, input and check dialogs and
// file pickers, each modal over the active window with the application title
// as caption unless another is given.
#include "platform/ui/Dialogs.h"

namespace tv::ui {

class QtDialogs : public Dialogs {
public:
    int messageBox(const QString &text, const QString &caption, unsigned flags) override;
    int checkMessageBox(const QString &text, const QString &caption, unsigned flags, CheckList &checks) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &value, bool numeric = false,
                    CheckList *checks = nullptr) override;
    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    QString selectFolder(const QString &caption, const QString &initialDir) override;
};

} // namespace tv::ui
