#pragma once
// The editor options dialog "エディタオプション": edits the program's editor
// settings (prpEditor) and the reserved-word list on a sample. Every control
// changes the sample at once; OK copies the sample back into the settings,
// Cancel leaves them as they were. Editors built afterwards take the new
// settings.
#include "editor/EditorProp.h"
#include "platform/ui/Color.h"

#include <QDialog>
#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QFrame;
class TEditor;
class TFountainColor;
class TEditorMark;
class TtvRadioGroup;

// The 16-colour grid: left click picks the foreground, right click the
// background; an index outside 0 .. 15 selects no cell.
class TColorGrid : public QWidget {
    Q_OBJECT
public:
    explicit TColorGrid(QWidget *parent = nullptr);
    int ForegroundIndex = 16;
    int BackgroundIndex = 16;
    bool ForegroundEnabled = true;
    bool BackgroundEnabled = true;
    QList<tv::ui::TColor> Colors;
    // The cell at a point, -1 outside.
    int CellAt(const QPoint &p) const;
    QSize sizeHint() const override { return {16 * 4 + 8, 16 * 4 + 8}; }
    std::function<void(Qt::MouseButton)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent *) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
};

// Binds the colour grid, the "指定なし" panel, the FG and BG labels and the
// three style boxes to one colour element at a time: a colour pair (state 0)
// or a mark (state 1).
class TEditorColorManager : public QObject {
    Q_OBJECT
public:
    TEditorColorManager(TColorGrid *grid, QFrame *none, QLabel *fg, QLabel *bg, QCheckBox *bold, QCheckBox *ul,
                        QCheckBox *italic);
    virtual void InitColorList();
    virtual void AddColorName(tv::ui::TColor color);
    virtual void AttachEditorMark(TEditorMark *mark);
    virtual void AttachFountainColor(TFountainColor *color);
    virtual void UpdateControls();
    virtual void ColorGridMouseUp(Qt::MouseButton button);
    void NoneMouseUp(Qt::MouseButton button);
    void StyleCheckClick();
    // The grid index of a colour, 16 when it is none of the 16.
    int IndexOf(tv::ui::TColor color) const;

    int FState = 0;
    TFountainColor *FFountainColor = nullptr;
    TEditorMark *FEditorMark = nullptr;
    QList<tv::ui::TColor> FColorList;
    std::function<void()> FOnChange;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Changed();
    TColorGrid *FGrid;
    QFrame *FNone;
    QLabel *FFG, *FBG;
    QCheckBox *FBold, *FUL, *FItalic;
    bool FLoading = false;
};

class TfrmEditorOption : public QDialog {
    Q_OBJECT
public:
    // Runs the dialog on EditorProp; true when it was closed with OK. No
    // settings object: false without a dialog.
    static bool ShowWindow(TEditorProp *EditorProp);
    // Registers the launcher "actToolEditorOption" (on prpEditor).
    static void RegisterLauncher();

    explicit TfrmEditorOption(QWidget *parent = nullptr);
    ~TfrmEditorOption() override;
    // Loads the dialog from EditorProp and runs it.
    int Execute(TEditorProp *EditorProp);
    // The list of the font names offered: fixed-pitch families that do not
    // start with "@", then "MS UI Gothic".
    static QStringList FontNames();
    // The reserved words of the list's lines as stored: trimmed, leading
    // empty lines removed, one pass joining pairs of line breaks. `refused`
    // receives the first word holding a blank (then the result is empty).
    static QStringList ReserveLines(const QString &text, QString *refused);

    QTabWidget *pagEditor = nullptr;
    QWidget *tabGeneral = nullptr, *tabColor = nullptr, *tabReserve = nullptr;
    QCheckBox *chkFreeCaret = nullptr, *chkAutoIndent = nullptr, *chkBackSpaceUnIndent = nullptr,
              *chkInTab = nullptr, *chkNextLine = nullptr, *chkTabIndent = nullptr, *chkSoftTab = nullptr,
              *chkSelMove = nullptr;
    QSpinBox *spnTabSize = nullptr;
    QListWidget *lstColors = nullptr;
    TColorGrid *grdColors = nullptr;
    QFrame *pnlColors = nullptr;
    QLabel *lblFG = nullptr, *lblBG = nullptr;
    QCheckBox *chkBold = nullptr, *chkUL = nullptr, *chkItalic = nullptr;
    QListWidget *lstFontName = nullptr, *lstFontSize = nullptr;
    QLineEdit *txtFontSize = nullptr;
    QCheckBox *chkLeftBarVisible = nullptr, *chkRulerVisible = nullptr;
    TtvRadioGroup *rdoRulerRange = nullptr;
    TEditor *txtSample = nullptr;
    QPlainTextEdit *txtReserve = nullptr;
    QPushButton *btnInitReserveword = nullptr;
    QPushButton *btnOk = nullptr, *btnCancel = nullptr, *btnHelp = nullptr;

    // The settings the sample shows.
    TEditorProp &Sample() { return FSample; }

    void btnOkClick();
    void btnInitReservewordClick();

private:
    void BuildForm();
    void ApplySample();
    void DoColorChange();
    void lstColorsClick();
    void FillFontList();

    TEditorProp *FEditorProp = nullptr;
    TEditorProp FSample;
    std::unique_ptr<TFountainColor> FBasicColor;
    std::unique_ptr<TEditorColorManager> FColorManager;
    bool FLoading = false;
};
