#include "controls/frmPreview.h"

#include "common/tvPrintOption.h"
#include "controls/PrintHost.h"
#include "controls/tvPrinter.h"
#include "platform/ui/Guard.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QAction *MakeAction(QWidget *owner, const char *name, const char *caption, const char *hint)
{
    auto *a = new QAction(QString::fromUtf8(caption), owner);
    a->setObjectName(QLatin1String(name));
    const QString h = QString::fromUtf8(hint);
    a->setToolTip(h.section(QLatin1Char('|'), 0, 0));
    a->setStatusTip(h.section(QLatin1Char('|'), 1));
    return a;
}

} // namespace

TfrmPreview::TfrmPreview(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    actPrint = MakeAction(this, "actPrint", "印刷(&P)", "印刷|ダイアグラムを印刷します。");
    actPrevPage = MakeAction(this, "actPrevPage", "前頁(&R)", "前頁|前のページを表示します。");
    actNextPage = MakeAction(this, "actNextPage", "次頁(&N)", "次頁|次のページを表示します。");
    actZoomUp = MakeAction(this, "actZoomUp", "拡大(&U)", "拡大|印刷イメージを拡大します。");
    actZoomDown = MakeAction(this, "actZoomDown", "縮小(&D)", "縮小|印刷イメージを縮小します。");
    actExit = MakeAction(this, "actExit", "終了(&X)", "終了|プレビュー画面を閉じます。");

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto addButton = [this](QAction *a, const char *name) {
        tolCmd->addAction(a);
        auto *b = qobject_cast<QToolButton *>(tolCmd->widgetForAction(a));
        b->setObjectName(QLatin1String(name));
        return b;
    };
    btnPrint = addButton(actPrint, "btnPrint");
    btnPrevPage = addButton(actPrevPage, "btnPrevPage");
    btnNextPage = addButton(actNextPage, "btnNextPage");
    btnZoomUp = addButton(actZoomUp, "btnZoomUp");
    btnZoomDown = addButton(actZoomDown, "btnZoomDown");
    btnExit = addButton(actExit, "btnExit");

    scrPreview = new QScrollArea(this);
    scrPreview->setObjectName(QStringLiteral("scrPreview"));
    scrPreview->setBackgroundRole(QPalette::Dark);
    imgPreview = new QLabel;
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    scrPreview->setWidget(imgPreview);

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(tolCmd);
    lay->addWidget(scrPreview, 1);

    connect(actPrint, &QAction::triggered, this, &QDialog::accept);
    connect(actExit, &QAction::triggered, this, &QDialog::reject);
    connect(actPrevPage, &QAction::triggered, this, tv::ui::Guarded([this] {
                if (FPage > 1)
                    Step(FPage - 1, FRate);
            }));
    connect(actNextPage, &QAction::triggered, this, tv::ui::Guarded([this] {
                if (FPage < prtData.PageCount())
                    Step(FPage + 1, FRate);
            }));
    connect(actZoomUp, &QAction::triggered, this, tv::ui::Guarded([this] {
                if (FRate < 2.0)
                    Step(FPage, FRate + 0.25);
            }));
    connect(actZoomDown, &QAction::triggered, this, tv::ui::Guarded([this] {
                if (FRate > 0.5)
                    Step(FPage, FRate - 0.25);
            }));
    UpdateActions();
}

TfrmPreview::~TfrmPreview() = default;

void TfrmPreview::showEvent(QShowEvent *e)
{
    if (FFirstShow) {
        FFirstShow = false;
        for (QToolButton *b : {btnPrint, btnPrevPage, btnNextPage, btnZoomUp, btnZoomDown, btnExit})
            b->setMinimumWidth(78);
    }
    QDialog::showEvent(e);
}

void TfrmPreview::Step(int page, double rate)
{
    FPage = page;
    FRate = rate;
    PaintPage();
}

void TfrmPreview::UpdateActions()
{
    actPrevPage->setEnabled(FPage > 1);
    actNextPage->setEnabled(FPage < prtData.PageCount());
    actZoomUp->setEnabled(FRate < 2.0);
    actZoomDown->setEnabled(FRate > 0.5);
}

void TfrmPreview::PaintPage()
{
    imgPreview->clear();
    UpdateActions();
    TtvPrinter &prn = tvPrinterGlobal;
    prn.Refresh();
    const int left = std::max(prn.LeftMargin(), prn.MMToDPIX(tvPrintOption.MMLeftMargin));
    const int top = std::max(prn.TopMargin(), prn.MMToDPIY(tvPrintOption.MMTopMargin));
    const QSize paper = prn.PaperSize();
    const QSize dpi = prn.DPI();
    if (paper.isEmpty() || dpi.isEmpty())
        return;

    // The picture is the paper plus 150 dots, shown at its physical size on
    // the screen times the zoom.
    const QSizeF dots(paper.width() + 150, paper.height() + 150);
    const int width =
        std::max(1, int(std::nearbyint(dots.width() / dpi.width() * logicalDpiX() * FRate)));
    const int height =
        std::max(1, int(std::nearbyint(dots.height() / dpi.height() * logicalDpiY() * FRate)));

    QPixmap pixmap(width, height);
    pixmap.fill(QColor(0xC0, 0xC0, 0xC0));
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(width / dots.width(), height / dots.height());
        p.fillRect(QRectF(100, 100, paper.width(), paper.height()), QColor(0x80, 0x80, 0x80));
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(50, 50, paper.width(), paper.height()));
        if (FPage >= 1 && FPage <= prtData.PageCount())
            prtData.GetPage(FPage - 1).Draw(p, QPointF(left + 50, top + 50));
    }
    imgPreview->setPixmap(pixmap);
    imgPreview->resize(pixmap.size());
}

bool TfrmPreview::ShowWindow()
{
    TPrintHost &host = TPrintHost::Current();
    QWidget *main = host.MainWindow();
    auto *preview = new TfrmPreview(main);
    // The main window comes back and the preview goes, however this ends.
    struct Restore {
        QWidget *main;
        TfrmPreview *preview;
        bool hidden = false;
        ~Restore()
        {
            if (main && hidden)
                main->show();
            delete preview;
        }
    } restore{main, preview};

    preview->FPage = 1;
    preview->FRate = 1.0;
    preview->setWindowIcon(host.MainImage(99));
    preview->actPrint->setIcon(host.ButtonImage(98));
    preview->actPrevPage->setIcon(host.ButtonImage(32));
    preview->actNextPage->setIcon(host.ButtonImage(33));
    preview->actZoomUp->setIcon(host.ButtonImage(100));
    preview->actZoomDown->setIcon(host.ButtonImage(101));
    preview->actExit->setIcon(host.ButtonImage(42));
    preview->PaintPage();
    if (main) {
        preview->setGeometry(main->geometry());
        preview->setWindowState(main->windowState());
        main->hide();
        restore.hidden = true;
    } else {
        preview->resize(800, 600);
    }
    return preview->exec() == QDialog::Accepted;
}
