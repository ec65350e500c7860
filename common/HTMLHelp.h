#pragma once
// The help bridge: serves the application's help requests (a command and a
// data value in the classic numbering) from the help file, which is the
// application's help file when one is set, else the program's path with the
// extension ".chm" when that exists, else an HTML help installed beside the
// program ("help/index.html" in the program's folder) when that exists, else
// the ".chm" name (which then cannot be read).
//
// The program's commands ask for help through ShowHelpContents and
// ShowHelpContext below, never through the handler directly: they work with
// the main window's bridge and, where none is set, with the program's own.
// An HTML help file is opened at the topic page of the context
// ("<context>.html" in its folder) when there is one, else at the file.
//
// The file is handed to the desktop (QDesktopServices) to open. When it is
// missing or the desktop cannot open it, "ヘルプファイルを読込めませんでした。"
// is shown with the stop icon under the application title. A help file is
// opened as a whole: a context number cannot address a topic inside it, and
// a context pop-up (command 8) opens the file as a context request does,
// with the same message when it cannot, since its pop-up texts cannot be
// read from the compiled file here.
#include <QObject>
#include <QPoint>
#include <QString>
#include <QUrl>

#include <functional>

class THTMLHelp : public QObject {
    Q_OBJECT
public:
    // Request commands.
    static constexpr quint16 HELP_CONTEXT = 1;
    static constexpr quint16 HELP_CONTENTS = 3;
    static constexpr quint16 HELP_CONTEXTPOPUP = 8;
    static constexpr quint16 HELP_FINDER = 11;
    static constexpr quint16 HELP_SETPOPUP_POS = 13;

    // Becomes the application's help handler (Current()).
    explicit THTMLHelp(QObject *AOwner = nullptr);
    ~THTMLHelp() override;

    // Marks the help system as in use; only the first call does anything.
    void InitHelp();
    bool IsInitialised() const { return FCookie != 0xFFFFFFFFu; }

    // Serves one request. A help file whose extension is not ".chm" (any
    // letter case) is left to the caller: CallHelp is not touched. Otherwise
    // CallHelp becomes false. Always returns false, as the handler chain
    // expects.
    bool OnApplicationHelp(quint16 Command, qintptr Data, bool &CallHelp);

    // The help file requests are served from.
    static QString HelpFile();
    // The application's own help file (empty: the program's path with ".chm").
    static void SetApplicationHelpFile(const QString &path);
    static QString ApplicationHelpFile();

    // The application's help handler: the one created last, or the one set
    // (null removes it, for instance while a dialog binds F1 itself).
    static THTMLHelp *Current();
    static void SetCurrent(THTMLHelp *handler);

    // The last position given by HELP_SETPOPUP_POS.
    QPoint PopupPos() const { return FPopupPos; }

    // How a file is opened; QDesktopServices::openUrl unless replaced (tests).
    using Opener = std::function<bool(const QUrl &)>;
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

    // The message shown when the help file cannot be opened.
    static QString CannotReadHelpText();

    // The page a context opens in an HTML help file: "<context>.html" beside
    // it when that exists, else the file itself.
    static QString TopicFile(const QString &file, int context);
    // Opens the help file (an HTML one at the context's topic); shows the
    // message when that fails.
    void ShowTopic(int context);

private:
    // Opens the help file; shows the message when that fails.
    void ShowHelpFile(const QString &file);

    quint32 FCookie = 0xFFFFFFFFu;
    QPoint FPopupPos;
    Opener m_opener;
};

// The help command: the contents of the help file.
void ShowHelpContents();
// A dialog's "ヘルプ" button or F1: the help file at the context's topic.
void ShowHelpContext(int Context);
