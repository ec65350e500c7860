#pragma once
// TPrintHost: what printing needs of the main window. The main window
// registers its implementation when it is created; until then (and in tests
// that register none) the default below serves: no owner window, built-in
// standard icons in place of the image lists, and a tab length of 8.
#include <QIcon>

class QWidget;

class TPrintHost {
public:
    virtual ~TPrintHost();

    // The main window: owner of the print dialog and the preview; the preview
    // copies its window state and bounds, hides it while shown and shows it
    // again afterwards. Null when there is none.
    virtual QWidget *MainWindow() const;

    // Image `index` of the main window's tool-button list (98 print,
    // 32 previous page, 33 next page, 100 zoom up, 101 zoom down, 42 close).
    virtual QIcon ButtonImage(int index) const;
    // Image `index` of the main image list (99: the preview's window icon).
    virtual QIcon MainImage(int index) const;

    // The tab length of printed text in average character widths: the caret
    // setting TabSpaceCount of the main window's editor settings.
    virtual int TabSpaceCount() const;

    // The host in use: the registered one, else the default.
    static TPrintHost &Current();
    // Registers `host` (null: back to the default); returns the previous one.
    static TPrintHost *Register(TPrintHost *host);
};

// Registers a host for the lifetime of the object and restores the previous one.
class ScopedPrintHost {
public:
    explicit ScopedPrintHost(TPrintHost *host) : m_previous(TPrintHost::Register(host)) {}
    ~ScopedPrintHost() { TPrintHost::Register(m_previous); }
    ScopedPrintHost(const ScopedPrintHost &) = delete;
    ScopedPrintHost &operator=(const ScopedPrintHost &) = delete;

private:
    TPrintHost *m_previous;
};
