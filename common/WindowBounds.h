#pragma once
// The place and size of a window kept in a key of the settings store
// ("\Software\Quenzor\TVX19\GUI\<name>"), as the values Left, Top, Width and
// Height (or only Width and Height).
#include <QSize>
#include <QString>

class QWidget;

struct TWindowBoundsRules {
    // Left and Top too; otherwise only the size is kept.
    bool Position = true;
    // The smallest size a stored size is raised to.
    QSize Minimum{0, 0};
    // Nothing is saved while the window is maximized or minimized.
    bool NormalStateOnly = false;
};

// Applies the stored bounds; every value that is missing keeps the widget's
// current one, and a missing key changes nothing. The key is closed again on
// every way out.
void LoadWindowBounds(QWidget &window, const QString &key, const TWindowBoundsRules &rules = {});
// Writes the widget's bounds, creating the key when needed. Throws tv::Error
// when the store cannot be written.
void SaveWindowBounds(const QWidget &window, const QString &key, const TWindowBoundsRules &rules = {});
