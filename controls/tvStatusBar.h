#pragma once
// Status bar whose panels show only what the program puts there: hints of
// controls and actions (status tips) never reach it, whatever AutoHint says.
#include <QPointer>
#include <QStatusBar>

class QLabel;

class TtvStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TtvStatusBar(QWidget *parent = nullptr);

    // Panels, left to right.
    int AddPanel(int width);
    int PanelCount() const { return int(FPanels.size()); }
    QString PanelText(int Index) const;
    void SetPanelText(int Index, const QString &text);
    int PanelWidth(int Index) const;
    void SetPanelWidth(int Index, int width);

    // One panel across the whole bar instead of the panels.
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool value);
    QString SimpleText() const;
    void SetSimpleText(const QString &text);

    // Kept for the forms that set it; hints are never shown either way.
    bool AutoHint = false;

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void WatchWindow();

    QList<QLabel *> FPanels;
    QLabel *FSimple = nullptr;
    bool FSimplePanel = false;
    QPointer<QWidget> FWatched;
};
