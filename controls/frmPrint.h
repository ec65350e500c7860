#pragma once
// TfrmPrint: the print dialog and the driver of a whole print.
//
// A window that prints calls TfrmPrint::ShowWindow with a title and its own
// print method. The print method records the pages into prtData:
//
//     TfrmPrint::BeginPrint();
//     try { TfrmPrint::PrintSource(name, lines, true); ... } catch (...) { TfrmPrint::EndPrint(); throw; }
//     TfrmPrint::EndPrint();
//
// PrintSource lays text lines out page by page inside the margins of
// tvPrintOption, with the title centred above the text area and the page
// number centred below it. The recorded pages are then played onto the
// printer, or shown in the preview, from where the user can come back to the
// dialog to print. Margins, orientation and font are kept in tvPrintOption;
// the tab length of printed text is TPrintHost::TabSpaceCount().
#include <QDialog>
#include <QGroupBox>

#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class TtvComboBox;
class TtvNumEdit;
class TtvRadioButton;

// The up-down buttons of a numeric edit: a position within a range, read
// from and written to the edit's text.
class TUpDown : public QWidget {
public:
    TUpDown(TtvNumEdit *associate, int min, int max, QWidget *parent = nullptr);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    void SetRange(int min, int max);
    // The edit's value held within the range.
    int Position() const;
    void SetPosition(int value);

    QToolButton *btnUp;
    QToolButton *btnDown;

private:
    TtvNumEdit *FAssociate;
    int FMin;
    int FMax;
};

// A group of radio buttons with the index of the checked one.
class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton *Button(int index) const { return FButtons.value(index); }

    std::function<void()> OnClick;

private:
    QList<QRadioButton *> FButtons;
};

class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    // Runs the dialog (and the preview) until the user has printed,
    // cancelled or left the preview. Nothing happens without a print method.
    static void ShowWindow(const QString &Title, const std::function<void()> &PrintProc);

    // Starts recording a job in prtData.
    static void BeginPrint();
    // Ends the recording.
    static void EndPrint();
    // Lays `Source` out into pages of the current job. With ResetPageNumber
    // the pages of this source are numbered from 1.
    static void PrintSource(const QString &Title, const QStringList &Source, bool ResetPageNumber);

    // 1 = show the dialog, 2 = show the preview, 0 = finished.
    static quint8 PrintState;
    // True while the page the recorder opened at the start of the job has
    // not been used by the layout.
    static bool FirstPagePending;

    explicit TfrmPrint(QWidget *owner = nullptr);
    ~TfrmPrint() override;

    // Fills the font and printer lists, selects the current printer and
    // loads the stored options into the controls.
    void InitControls();

    void SelectPrinter();
    void LoadPrintOptionControls();
    void ApplyDeviceMode();
    void StorePrintOptions();
    // Plays the recorded pages onto the printer as the controls ask.
    void PrintPages();

    QString FTitle;

    QGroupBox *grpPrinter;
    QLabel *lblPrinterName;
    TtvComboBox *cmbPrinterName;
    QPushButton *btnProperty;
    QGroupBox *grpRange;
    TtvRadioButton *rdoRangeAll;
    TtvRadioButton *rdoRangeSelect;
    TtvNumEdit *txtRangeFrom;
    QLabel *lblRange;
    TtvNumEdit *txtRangeTo;
    QGroupBox *grpCopies;
    QLabel *lblCopies;
    TtvNumEdit *txtCopies;
    TUpDown *btnCopies;
    QCheckBox *chkCollate;
    TRadioGroup *grpOrientation;
    QGroupBox *grpMargin;
    TtvNumEdit *txtTopMargin;
    TtvNumEdit *txtBottomMargin;
    TtvNumEdit *txtLeftMargin;
    TtvNumEdit *txtRightMargin;
    TUpDown *btnTopMargin;
    TUpDown *btnBottomMargin;
    TUpDown *btnLeftMargin;
    TUpDown *btnRightMargin;
    QGroupBox *grpFont;
    QListWidget *lstFontName;
    TtvNumEdit *txtFontSize;
    QPushButton *btnOk;
    QPushButton *btnPreview;
    QPushButton *btnCancel;
    QPushButton *btnHelp;

    static constexpr int HelpContext = 20400;

private:
    void btnOkClick();
    void btnPreviewClick();
    void btnHelpClick();
    void btnPropertyClick();
    void NumEditChange();
    void RangeClick();
    void OrientationClick();
};
