#include "sql/frmXlsSQL.h"

#include "common/Globals.h"
#include "common/MessageDlg.h"
#include "common/tvOption.h"
#include "controls/tvRadioGroup.h"
#include "platform/excel/Workbook.h"
#include "platform/ui/Guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kMaxDialogRow = 65536;

QString ExcelFilter()
{
    const QString ext = ExcelFileFilter.isEmpty() ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") : ExcelFileFilter;
    return ext + QStringLiteral("|すべてのファイル(*.*)|*.*");
}

QString WithoutTrailingBackslash(QString s)
{
    if (s.endsWith(u'\\') || (s.endsWith(u'/') && s.size() > 1))
        s.chop(1);
    return s;
}

} // namespace

TfrmXlsSQL::TfrmXlsSQL(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmXlsSQL"));
    setWindowTitle(QStringLiteral("EXCEL出力(SQL結果)"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto *lay = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto fileRow = [this](QLineEdit *&edit, QToolButton *&button, const char *editName, const char *buttonName) {
        auto *row = new QHBoxLayout;
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(editName));
        button = new QToolButton(this);
        button->setObjectName(QLatin1String(buttonName));
        button->setText(QStringLiteral("..."));
        row->addWidget(edit, 1);
        row->addWidget(button);
        return row;
    };
    form->addRow(QStringLiteral("保存ファイル名"), fileRow(txtSaveFile, btnSaveFile, "txtSaveFile", "btnSaveFile"));
    txtSheet = new QLineEdit(this);
    txtSheet->setObjectName(QStringLiteral("txtSheet"));
    form->addRow(QStringLiteral("シート名"), txtSheet);
    form->addRow(QStringLiteral("フォームファイル"), fileRow(txtFormFile, btnFormFile, "txtFormFile", "btnFormFile"));
    lay->addLayout(form);

    auto *choices = new QHBoxLayout;
    rdoExcel = new TtvRadioGroup(QStringLiteral("出力方向"), {QStringLiteral("縦方向"), QStringLiteral("横方向")}, 1, this);
    rdoExcel->setObjectName(QStringLiteral("rdoExcel"));
    rdoExcelTitle = new TtvRadioGroup(
        QStringLiteral(" 列タイトル出力 "),
        {QStringLiteral("項目名を使用"), QStringLiteral("コメントを使用"), QStringLiteral("出力しない")}, 1, this);
    rdoExcelTitle->setObjectName(QStringLiteral("rdoExcelTitle"));
    choices->addWidget(rdoExcel);
    choices->addWidget(rdoExcelTitle);
    lay->addLayout(choices);

    auto *start = new QGroupBox(QStringLiteral("開始位置"), this);
    auto *startLay = new QHBoxLayout(start);
    startLay->addWidget(new QLabel(QStringLiteral("行"), start));
    txtRow = new QLineEdit(start);
    txtRow->setObjectName(QStringLiteral("txtRow"));
    txtRow->setMaxLength(9);
    startLay->addWidget(txtRow);
    startLay->addWidget(new QLabel(QStringLiteral("桁"), start));
    cmbColumn = new QComboBox(start);
    cmbColumn->setObjectName(QStringLiteral("cmbColumn"));
    for (int c = 1; c <= 256; ++c)
        cmbColumn->addItem(tv::excel::ColumnLetters(c));
    startLay->addWidget(cmbColumn);
    lay->addWidget(start);

    chkRefresh = new QCheckBox(QStringLiteral("最新のデータを読み直してから出力する"), this);
    chkRefresh->setObjectName(QStringLiteral("chkRefresh"));
    lay->addWidget(chkRefresh);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    lay->addLayout(buttons);

    txtSheet->setText(tvOption.ExcelSheet);
    txtFormFile->setText(tvOption.ExcelForm);
    rdoExcel->SetItemIndex(std::clamp(tvOption.ExcelMode, 0, 1));
    rdoExcelTitle->SetItemIndex(int(tvOption.ExcelTitle));
    chkRefresh->setChecked(tvOption.ExcelRefresh);
    txtRow->setText(QString::number(tvOption.ExcelTop + 1));
    cmbColumn->setCurrentIndex(std::clamp(tvOption.ExcelLeft, 0, 255));

    connect(btnOk, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnCancelClick(); }));
    connect(btnSaveFile, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnSaveFileClick(); }));
    connect(btnFormFile, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnFormFileClick(); }));
}

void TfrmXlsSQL::btnSaveFileClick()
{
    txtSaveFile->setText(WithoutTrailingBackslash(txtSaveFile->text()));
    tv::ui::FileDialogRequest req;
    req.filter = ExcelFilter();
    req.fileName = txtSaveFile->text();
    req.overwritePrompt = true;
    QString name = tv::ui::CurrentDialogs().saveFile(req);
    if (name.isEmpty())
        return;
    const QString ext = QFileInfo(name).suffix().trimmed().toUpper();
    if (ext != QLatin1String("XLSX") && ext != QLatin1String("XLS"))
        name += tvOption.ExcelExt.isEmpty() ? QStringLiteral(".XLSX") : tvOption.ExcelExt;
    txtSaveFile->setText(name);
}

void TfrmXlsSQL::btnFormFileClick()
{
    txtFormFile->setText(WithoutTrailingBackslash(txtFormFile->text()));
    tv::ui::FileDialogRequest req;
    req.filter = ExcelFilter();
    req.fileName = txtFormFile->text();
    req.mustExist = true;
    const QString name = tv::ui::CurrentDialogs().openFile(req);
    if (!name.isEmpty())
        txtFormFile->setText(name);
}

void TfrmXlsSQL::btnOkClick()
{
    bool ok = false;
    const int row = txtRow->text().trimmed().toInt(&ok);
    if (!ok || row < 1 || row > kMaxDialogRow) {
        ShowMessageBox(QStringLiteral("行は 1 ～ 65536 の範囲で指定して下さい。"), tv::ui::MB_ICONWARNING);
        txtRow->setFocus();
        return;
    }
    const QString form = txtFormFile->text();
    if (!form.isEmpty() && !QFileInfo::exists(form)) {
        ShowMessageBox(form + QStringLiteral(" が存在しません。"), tv::ui::MB_ICONWARNING);
        txtFormFile->setFocus();
        return;
    }
    const QString file = txtSaveFile->text();
    if (!file.isEmpty() && QFileInfo(file).isFile()) {
        if (ShowMessageBox(file + QStringLiteral(" はすでに存在します。\r\n上書きしますか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONWARNING | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
            return;
    }
    tvOption.ExcelSheet = txtSheet->text();
    tvOption.ExcelForm = form;
    tvOption.ExcelMode = std::max(0, rdoExcel->ItemIndex());
    tvOption.ExcelTitle = TTitleMode(std::max(0, rdoExcelTitle->ItemIndex()));
    tvOption.ExcelRefresh = chkRefresh->isChecked();
    tvOption.ExcelTop = row - 1;
    tvOption.ExcelLeft = std::max(0, cmbColumn->currentIndex());
    accept();
}

void TfrmXlsSQL::btnCancelClick()
{
    reject();
}
