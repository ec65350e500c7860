#include "platform/ui/QtDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace tv::ui {

namespace {

QWidget *Parent()
{
    return QApplication::activeWindow();
}

QString CaptionOr(const QString &caption)
{
    return caption.isEmpty() ? ApplicationTitle() : caption;
}

QMessageBox::StandardButton StandardButtonOf(int id)
{
    switch (id) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

QMessageBox::Icon IconOf(unsigned flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// A message label as wide as its longest line, so that a line is never
// broken for want of width; only a line wider than most of the screen wraps.
void FitMessageWidth(QLabel *label)
{
    if (!label)
        return;
    const QFontMetrics fm(label->font());
    int longest = 0;
    const QStringList lines = label->text().split(QLatin1Char('\n'));
    for (const QString &line : lines)
        longest = std::max(longest, fm.horizontalAdvance(line));
    int limit = 800;
    if (const QScreen *screen = label->screen())
        limit = std::max(200, screen->availableGeometry().width() * 3 / 4);
    // A few pixels more than the measured text: the label's own margin and
    // the rounding of the advance widths.
    label->setMinimumWidth(std::min(longest + 2 * label->margin() + 4, limit));
}

} // namespace

int QtDialogs::messageBox(const QString &text, const QString &caption, unsigned flags)
{
    QMessageBox box(IconOf(flags), CaptionOr(caption), text, QMessageBox::NoButton, Parent());
    const QList<int> ids = MessageButtons(flags);
    QList<QPair<QAbstractButton *, int>> buttons;
    for (int id : ids)
        buttons.append({box.addButton(StandardButtonOf(id)), id});
    const int def = DefaultMessageButton(flags);
    for (const auto &[button, id] : buttons) {
        if (id == def)
            box.setDefaultButton(qobject_cast<QPushButton *>(button));
        if (id == IDCANCEL || ids.size() == 1)
            box.setEscapeButton(button);
    }
    FitMessageWidth(box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")));
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (const auto &[button, id] : buttons)
        if (button == clicked)
            return id;
    return ids.contains(IDCANCEL) ? IDCANCEL : ids.last();
}

int QtDialogs::checkMessageBox(const QString &text, const QString &caption, unsigned flags, CheckList &checks)
{
    QDialog dialog(Parent());
    dialog.setWindowTitle(CaptionOr(caption));
    auto *outer = new QVBoxLayout(&dialog);
    auto *top = new QHBoxLayout;
    outer->addLayout(top);
    const QMessageBox::Icon icon = IconOf(flags);
    if (icon != QMessageBox::NoIcon) {
        auto *iconLabel = new QLabel(&dialog);
        const QStyle::StandardPixmap pixmap = icon == QMessageBox::Critical   ? QStyle::SP_MessageBoxCritical
                                              : icon == QMessageBox::Question ? QStyle::SP_MessageBoxQuestion
                                              : icon == QMessageBox::Warning  ? QStyle::SP_MessageBoxWarning
                                                                              : QStyle::SP_MessageBoxInformation;
        const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
        iconLabel->setPixmap(dialog.style()->standardIcon(pixmap, nullptr, &dialog).pixmap(size, size));
        iconLabel->setAlignment(Qt::AlignTop);
        top->addWidget(iconLabel);
    }
    auto *body = new QVBoxLayout;
    top->addLayout(body, 1);
    auto *message = new QLabel(text, &dialog);
    message->setObjectName(QStringLiteral("Message"));
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FitMessageWidth(message);
    body->addWidget(message);
    QList<QCheckBox *> boxes;
    for (int i = 0; i < checks.size(); ++i) {
        auto *box = new QCheckBox(checks[i].caption, &dialog);
        box->setObjectName(QStringLiteral("Check%1").arg(i));
        box->setChecked(checks[i].checked);
        body->addWidget(box);
        boxes << box;
    }
    auto *buttonBox = new QDialogButtonBox(&dialog);
    outer->addWidget(buttonBox);
    const QList<int> ids = MessageButtons(flags);
    const int def = DefaultMessageButton(flags);
    int result = IDCLOSED;
    for (int id : ids) {
        QPushButton *button =
            buttonBox->addButton(static_cast<QDialogButtonBox::StandardButton>(StandardButtonOf(id)));
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &result, id] {
            result = id;
            dialog.done(QDialog::Accepted);
        });
        if (id == def) {
            button->setDefault(true);
            button->setFocus();
        }
    }
    dialog.exec();
    if (result == IDCLOSED && ids.contains(IDCANCEL))
        result = IDCANCEL;
    for (int i = 0; i < boxes.size(); ++i)
        checks[i].checked = boxes[i]->isChecked();
    return result;
}

bool QtDialogs::inputQuery(const QString &caption, const QString &prompt, QString &value, bool numeric,
                           CheckList *checks)
{
    QDialog dialog(Parent());
    dialog.setWindowTitle(CaptionOr(caption));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *edit = new QLineEdit(value, &dialog);
    edit->setObjectName(QStringLiteral("Edit"));
    if (numeric) {
        edit->setMaxLength(9);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), edit));
    } else {
        edit->setMaxLength(255);
    }
    edit->selectAll();
    layout->addWidget(edit);
    QList<QCheckBox *> boxes;
    if (checks) {
        for (int i = 0; i < checks->size(); ++i) {
            auto *box = new QCheckBox((*checks)[i].caption, &dialog);
            box->setObjectName(QStringLiteral("Check%1").arg(i));
            box->setChecked((*checks)[i].checked);
            layout->addWidget(box);
            boxes << box;
        }
    }
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    edit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = edit->text();
    for (int i = 0; i < boxes.size(); ++i)
        (*checks)[i].checked = boxes[i]->isChecked();
    return true;
}

namespace {

// Icons and type names from a file's name and kind only. The stock provider
// reads a file's first bytes to tell its type where the name does not, and a
// read of a special file (/proc/kmsg, a FIFO) blocks the program for good.
class NameOnlyIconProvider : public QAbstractFileIconProvider {
public:
    using QAbstractFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override
    {
        return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QStringLiteral("フォルダ");
        return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
    }
};

QString RunFileDialog(const FileDialogRequest &request, bool save)
{
    NameOnlyIconProvider icons; // outlives the dialog and its file model
    QFileDialog dialog(Parent(), request.caption);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !request.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filter = FilterToQt(request.filter);
    if (!filter.isEmpty()) {
        const QStringList filters = filter.split(QStringLiteral(";;"));
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    QString ext = request.defaultExt;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    const QFileInfo name(request.fileName);
    if (!request.initialDir.isEmpty())
        dialog.setDirectory(request.initialDir);
    else if (!request.fileName.isEmpty() && name.path() != QLatin1String("."))
        dialog.setDirectory(name.path());
    if (!request.fileName.isEmpty())
        dialog.selectFile(name.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QString QtDialogs::openFile(const FileDialogRequest &request)
{
    return RunFileDialog(request, false);
}

QString QtDialogs::saveFile(const FileDialogRequest &request)
{
    return RunFileDialog(request, true);
}

QString QtDialogs::selectFolder(const QString &caption, const QString &initialDir)
{
    NameOnlyIconProvider icons;
    QFileDialog dialog(Parent(), caption, initialDir);
    dialog.setIconProvider(&icons);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace tv::ui
