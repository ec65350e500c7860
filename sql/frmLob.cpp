#include "sql/frmLob.h"

#include "common/HTMLHelp.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/WindowBounds.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/DataSet.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Guard.h"
#include "sql/fraData.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QStringDecoder>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kLayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\MEMO");
const TWindowBoundsRules kLayoutRules{.Position = false, .Minimum = QSize(200, 150), .NormalStateOnly = true};
const QString kFilter = QStringLiteral("すべてのファイル(*.*)|*.*");
constexpr int kAskDumpBytes = 5000;

// Nothing left after removing blanks and control characters.
bool isBlank(const QString &t)
{
    for (const QChar c : t)
        if (c.unicode() > 32 && !c.isSpace() && c.category() != QChar::Other_Control)
            return false;
    return true;
}

QString decodeAscii(const QByteArray &data)
{
    QString s;
    s.reserve(data.size());
    for (const char c : data)
        s += static_cast<unsigned char>(c) < 0x80 ? QChar(c) : QChar(u'?');
    return s;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

// ---- pure helpers -----------------------------------------------------------

QString TfrmLob::GetImageFormat(const QByteArray &data)
{
    if (data.isEmpty())
        return QStringLiteral("UNKNOWN");
    // HD Photo (JPEG XR): recognised, but no decoder here shows it.
    if (data.startsWith(QByteArray("II\xBC\x01", 4)) || data.startsWith(QByteArray("II\xBC\x00", 4)))
        return QStringLiteral("WMPHOTO");
    QByteArray copy = data;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    reader.setDecideFormatFromContent(true);
    const QByteArray fmt = reader.format().toLower();
    if (fmt.isEmpty())
        return QStringLiteral("UNKNOWN");
    const QImage img = reader.read();
    if (img.isNull())
        return QStringLiteral("UNKNOWN");
    if (fmt == "bmp" || fmt == "dib")
        return QStringLiteral("BMP");
    if (fmt == "png")
        return QStringLiteral("PNG");
    if (fmt == "jpeg" || fmt == "jpg")
        return QStringLiteral("JPG");
    if (fmt == "gif")
        return QStringLiteral("GIF");
    if (fmt == "tiff" || fmt == "tif")
        return QStringLiteral("TIF");
    return QStringLiteral("OTHER");
}

QStringList TfrmLob::HexDump(const QByteArray &data)
{
    QStringList lines;
    static const char digits[] = "0123456789ABCDEF";
    for (qsizetype at = 0; at < data.size(); at += 16) {
        QString line;
        const qsizetype end = std::min<qsizetype>(data.size(), at + 16);
        line.reserve(48);
        for (qsizetype i = at; i < end; ++i) {
            if (i > at)
                line += QLatin1Char(' ');
            const auto b = static_cast<unsigned char>(data[i]);
            line += QLatin1Char(digits[b >> 4]);
            line += QLatin1Char(digits[b & 15]);
        }
        lines << line;
    }
    return lines;
}

QString TfrmLob::DecodeText(const QByteArray &data)
{
    using tv::text::Encoding;
    if (data.isEmpty())
        return QString();
    // A decoding that fails counts as blank.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString t = utf8.decode(data);
    if (!utf8.hasError() && !isBlank(t))
        return t;
    t = tv::text::Decode(data, Encoding::Ansi);
    if (!t.contains(QChar::ReplacementCharacter) && !isBlank(t))
        return t;
    t = tv::text::Decode(data, Encoding::Utf16BE);
    if (!isBlank(t))
        return t;
    t = decodeAscii(data);
    if (!isBlank(t))
        return t;
    return tv::text::Decode(data, Encoding::Utf16LE);
}

QString TfrmLob::SaveFileName(const QString &name, const QString &format)
{
    if (QFileInfo(name).fileName().contains(QLatin1Char('.')))
        return name;
    const QString ext = format.toLower();
    if (ext == u"unknown" || ext.isEmpty())
        return name;
    return name + QLatin1Char('.') + ext;
}

// ---- the dialog -------------------------------------------------------------

TfrmLob::TfrmLob(QWidget *AOwner, QByteArray *AStream) : QDialog(AOwner), FStream(AStream)
{
    setObjectName(QStringLiteral("frmLob"));
    setWindowTitle(QStringLiteral("値の入力"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (IMainWindow *main = MainWindow()) {
        const QIcon icon = main->MainImage(86);
        if (!icon.isNull())
            setWindowIcon(icon);
    }
    auto *layout = new QVBoxLayout(this);
    pagData = new QTabWidget(this);
    pagData->setObjectName(QStringLiteral("pagData"));
    layout->addWidget(pagData, 1);

    tabText = new QWidget;
    tabText->setObjectName(QStringLiteral("tabText"));
    {
        auto *l = new QVBoxLayout(tabText);
        txtData = new TtvMemo(tabText);
        txtData->setObjectName(QStringLiteral("txtData"));
        l->addWidget(txtData);
    }
    tabImage = new QWidget;
    tabImage->setObjectName(QStringLiteral("tabImage"));
    {
        auto *l = new QVBoxLayout(tabImage);
        auto *bar = new QHBoxLayout;
        const auto tool = [&](const QString &name, const QString &hint, const QString &text) {
            auto *b = new QToolButton(tabImage);
            b->setObjectName(name);
            b->setToolTip(hint);
            b->setText(text);
            bar->addWidget(b);
            return b;
        };
        btnImageOpen = tool(QStringLiteral("btnImageOpen"), QStringLiteral("ファイルから開く"), QStringLiteral("開く"));
        btnClipCopy = tool(QStringLiteral("btnClipCopy"), QStringLiteral("クリップボードに出力する"), QStringLiteral("コピー"));
        btnImageSave = tool(QStringLiteral("btnImageSave"), QStringLiteral("ファイルに保存"), QStringLiteral("保存"));
        bar->addStretch(1);
        l->addLayout(bar);
        scrImage = new QScrollArea(tabImage);
        scrImage->setObjectName(QStringLiteral("scrImage"));
        ImgBytes = new QLabel;
        ImgBytes->setObjectName(QStringLiteral("ImgBytes"));
        ImgBytes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        scrImage->setWidget(ImgBytes);
        l->addWidget(scrImage, 1);
    }
    tabBinary = new QWidget;
    tabBinary->setObjectName(QStringLiteral("tabBinary"));
    {
        auto *l = new QVBoxLayout(tabBinary);
        txtBinary = new TtvMemo(tabBinary);
        txtBinary->setObjectName(QStringLiteral("txtBinary"));
        txtBinary->SetReadOnly(true);
        l->addWidget(txtBinary);
    }
    tabOther = new QWidget;
    tabOther->setObjectName(QStringLiteral("tabOther"));
    {
        auto *l = new QVBoxLayout(tabOther);
        l->addWidget(new QLabel(QStringLiteral("特殊な形式のデータにつきましては、ファイルを中継し、"), tabOther));
        l->addWidget(new QLabel(QStringLiteral("他のアプリケーションにて内容の確認・修正を行ってください。"), tabOther));
        btnSaveToFile = new QPushButton(QStringLiteral("内容をファイルに保存"), tabOther);
        btnSaveToFile->setObjectName(QStringLiteral("btnSaveToFile"));
        btnLoadFromFile = new QPushButton(QStringLiteral("ファイルの内容をセット"), tabOther);
        btnLoadFromFile->setObjectName(QStringLiteral("btnLoadFromFile"));
        btnDataDelete = new QPushButton(QStringLiteral("内容を削除"), tabOther);
        btnDataDelete->setObjectName(QStringLiteral("btnDataDelete"));
        for (QPushButton *b : {btnSaveToFile, btnLoadFromFile, btnDataDelete}) {
            b->setAutoDefault(false);
            l->addWidget(b, 0, Qt::AlignLeft);
        }
        l->addStretch(1);
    }
    pagData->addTab(tabText, QStringLiteral("文字列"));
    pagData->addTab(tabImage, QStringLiteral("画像"));
    pagData->addTab(tabBinary, QStringLiteral("バイナリ値"));
    pagData->addTab(tabOther, QStringLiteral("その他"));

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton *b : {btnOk, btnCancel, btnHelp}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    layout->addLayout(bottom);

    using tv::ui::Guarded;
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, Guarded([this] { btnHelpClick(); }));
    connect(btnImageOpen, &QToolButton::clicked, this, Guarded([this] { LoadDataFile(); }));
    connect(btnLoadFromFile, &QPushButton::clicked, this, Guarded([this] { LoadDataFile(); }));
    connect(btnImageSave, &QToolButton::clicked, this, Guarded([this] { SaveDataFile(); }));
    connect(btnSaveToFile, &QPushButton::clicked, this, Guarded([this] { SaveDataFile(); }));
    connect(btnClipCopy, &QToolButton::clicked, this, Guarded([this] { btnClipCopyClick(); }));
    connect(btnDataDelete, &QPushButton::clicked, this, Guarded([this] { btnDataDeleteClick(); }));
    connect(pagData, &QTabWidget::currentChanged, this, Guarded([this](int) { ShowLobData(); }));

    resize(560, 420);
    LoadLayout();
}

TfrmLob::~TfrmLob() = default;

void TfrmLob::LoadLayout()
{
    LoadWindowBounds(*this, kLayoutKey, kLayoutRules);
}

void TfrmLob::SaveLayout()
{
    try {
        SaveWindowBounds(*this, kLayoutKey, kLayoutRules);
    } catch (...) {
        // The size is a convenience; a store that cannot be written loses it.
    }
}

void TfrmLob::SetReadOnly(bool readOnly)
{
    btnOk->setEnabled(!readOnly);
    btnDataDelete->setEnabled(!readOnly);
    btnLoadFromFile->setEnabled(!readOnly);
    btnImageOpen->setEnabled(!readOnly);
    txtData->SetReadOnly(readOnly);
}

bool TfrmLob::LoadField(const tv::db::DataSet &ds, int field, bool readOnly)
{
    SetReadOnly(readOnly || !ds.FieldCanModify(field));
    FStream->clear();
    bool ok = true;
    if (!ds.FieldIsNull(field)) {
        const QString text = ds.FieldText(field);
        if (ds.FieldDef(field).kind == tv::db::FieldKind::Bytea)
            *FStream = fradata::ByteaTextToBytes(text, &ok);
        else
            *FStream = text.toUtf8();
    }
    if (!ok) {
        ShowMessageBox(QStringLiteral("LOB情報を取得出来ませんでした。") + QLatin1Char('\n') +
                           QStringLiteral("データを再取得して下さい。"),
                       tv::ui::MB_ICONWARNING);
        return false;
    }
    SelectPage();
    ShowLobData();
    return true;
}

bool TfrmLob::ShowWindow(QWidget *AOwner, const tv::db::DataSet &AField, int field, QByteArray &AStream,
                         bool ReadOnly)
{
    TfrmLob dlg(AOwner, &AStream);
    if (QWidget *main = MainWindow() ? MainWindow()->MainWidget() : nullptr) {
        const QRect o = main->frameGeometry();
        dlg.move(o.center() - QPoint(dlg.width() / 2, dlg.height() / 2));
    }
    if (!dlg.LoadField(AField, field, ReadOnly))
        return false;
    const int result = dlg.exec();
    dlg.SaveLayout();
    return result == QDialog::Accepted;
}

void TfrmLob::SelectPage()
{
    const QSignalBlocker block(pagData);
    const QString format = GetImageFormat(*FStream);
    const bool image = format != u"UNKNOWN" && format != u"WMPHOTO";
    pagData->setTabVisible(pagData->indexOf(tabImage), image || format == u"WMPHOTO");
    pagData->setTabVisible(pagData->indexOf(tabText), !image);
    if (image)
        pagData->setCurrentWidget(tabImage);
    else if (!FStream->isEmpty())
        pagData->setCurrentWidget(tabBinary);
    else
        pagData->setCurrentWidget(tabText);
}

void TfrmLob::ShowLobData()
{
    WaitCursor wait;
    QWidget *page = pagData->currentWidget();
    setAcceptDrops(page == tabImage);
    if (page == tabText) {
        m_loadedText = DecodeText(*FStream);
        txtData->Lines()->SetText(m_loadedText);
    } else if (page == tabBinary) {
        if (FStream->size() >= kAskDumpBytes &&
            ShowMessageBox(QStringLiteral("5000バイト以上ありますが表示しますか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
            return;
        txtBinary->Lines()->SetText(HexDump(*FStream).join(QLatin1Char('\n')));
    } else if (page == tabImage) {
        ImgBytes->clear();
        const QString format = GetImageFormat(*FStream);
        if (format == u"WMPHOTO") {
            ImgBytes->setText(QStringLiteral("HD Photo 形式の画像は表示できません。"));
        } else if (!FStream->isEmpty() && format != u"UNKNOWN") {
            QPixmap pm;
            if (pm.loadFromData(*FStream))
                ImgBytes->setPixmap(pm);
        }
        ImgBytes->adjustSize();
    }
}

void TfrmLob::StoreText()
{
    QString text = txtData->Lines()->Text();
    if (!m_loadedText.contains(QLatin1Char('\r')))
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    *FStream = text.toUtf8();
}

void TfrmLob::accept()
{
    if (!m_deleted && pagData->currentWidget() == tabText)
        StoreText();
    QDialog::accept();
}

void TfrmLob::LoadFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw tv::Error(QStringLiteral("%1 を開けません: %2").arg(path, f.errorString()));
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw tv::Error(QStringLiteral("%1 を読めません: %2").arg(path, f.errorString()));
    *FStream = data;
    ShowMessageBox(QStringLiteral("ファイルからデータを読込みました。"), tv::ui::MB_ICONINFORMATION);
    SelectPage();
    ShowLobData();
}

void TfrmLob::LoadDataFile()
{
    tv::ui::FileDialogRequest req;
    req.filter = kFilter;
    req.mustExist = true;
    const QString path = tv::ui::CurrentDialogs().openFile(req);
    if (path.isEmpty())
        return;
    LoadFile(path);
}

void TfrmLob::SaveDataFile()
{
    tv::ui::FileDialogRequest req;
    req.filter = kFilter;
    req.overwritePrompt = true;
    const QString chosen = tv::ui::CurrentDialogs().saveFile(req);
    if (chosen.isEmpty())
        return;
    const QString path = SaveFileName(chosen, GetImageFormat(*FStream));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(*FStream) != FStream->size() || !f.commit())
        throw tv::Error(QStringLiteral("%1 に書き込めません: %2").arg(path, f.errorString()));
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmLob::btnClipCopyClick()
{
    const QPixmap pm = ImgBytes->pixmap();
    if (!pm.isNull())
        QGuiApplication::clipboard()->setPixmap(pm);
}

void TfrmLob::btnDataDeleteClick()
{
    if (ShowMessageBox(QStringLiteral("列値に null をセットしますか？"), tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) !=
        tv::ui::IDYES)
        return;
    FStream->clear();
    m_deleted = true;
    accept();
}

void TfrmLob::btnHelpClick()
{
    ShowHelpContext(10200);
}

void TfrmLob::dragEnterEvent(QDragEnterEvent *e)
{
    if (pagData->currentWidget() == tabImage && e->mimeData()->hasUrls() && btnImageOpen->isEnabled())
        e->acceptProposedAction();
}

void TfrmLob::dropEvent(QDropEvent *e)
{
    tv::ui::Guard([&] {
        const QList<QUrl> urls = e->mimeData()->urls();
        if (urls.size() > 1) {
            ShowMessageBox(QStringLiteral("ドロップするファイルは１個にしてください。"), tv::ui::MB_ICONERROR);
            return;
        }
        if (urls.size() == 1)
            LoadFile(urls.first().toLocalFile());
    });
    e->acceptProposedAction();
}
