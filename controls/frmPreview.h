#pragma once
// TfrmPreview: the pages recorded in prtData one at a time, as a sheet of
// paper with a shadow, at a zoom the user steps between 0.5 and 2.0. While
// it is open it takes the place of the main window (its state and bounds),
// which is hidden and shown again afterwards.
#include <QDialog>

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;
class QToolButton;

class TfrmPreview : public QDialog {
    Q_OBJECT
public:
    // Shows the preview modally: true when it was closed by the print
    // command, false otherwise (also by the window's close button).
    static bool ShowWindow();

    explicit TfrmPreview(QWidget *owner = nullptr);
    ~TfrmPreview() override;

    // Rebuilds the picture of the current page at the current zoom.
    void PaintPage();

    int FPage = 1;      // the page shown, 1-based
    double FRate = 1.0; // 1.0: the paper at its physical size on the screen

    QToolBar *tolCmd;
    QToolButton *btnPrint;
    QToolButton *btnPrevPage;
    QToolButton *btnNextPage;
    QToolButton *btnZoomUp;
    QToolButton *btnZoomDown;
    QToolButton *btnExit;
    QScrollArea *scrPreview;
    QLabel *imgPreview;

    QAction *actPrint;
    QAction *actPrevPage;
    QAction *actNextPage;
    QAction *actZoomUp;
    QAction *actZoomDown;
    QAction *actExit;

    static constexpr int HelpContext = 12100;

protected:
    void showEvent(QShowEvent *e) override;

private:
    void UpdateActions();
    void Step(int page, double rate);

    bool FFirstShow = true;
};
