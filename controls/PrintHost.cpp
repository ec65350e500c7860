#include "controls/PrintHost.h"

#include <QApplication>
#include <QStyle>

namespace {

TPrintHost *g_host = nullptr;

QIcon StandardIcon(QStyle::StandardPixmap pixmap)
{
    if (!qApp)
        return {};
    return QApplication::style()->standardIcon(pixmap);
}

} // namespace

TPrintHost::~TPrintHost() = default;

QWidget *TPrintHost::MainWindow() const
{
    return nullptr;
}

QIcon TPrintHost::ButtonImage(int index) const
{
    switch (index) {
    case 98:
        return StandardIcon(QStyle::SP_DialogOkButton);
    case 32:
        return StandardIcon(QStyle::SP_ArrowLeft);
    case 33:
        return StandardIcon(QStyle::SP_ArrowRight);
    case 100:
        return StandardIcon(QStyle::SP_ArrowUp);
    case 101:
        return StandardIcon(QStyle::SP_ArrowDown);
    case 42:
        return StandardIcon(QStyle::SP_DialogCloseButton);
    default:
        return {};
    }
}

QIcon TPrintHost::MainImage(int index) const
{
    return index == 99 ? StandardIcon(QStyle::SP_FileIcon) : QIcon();
}

int TPrintHost::TabSpaceCount() const
{
    return 8;
}

TPrintHost &TPrintHost::Current()
{
    static TPrintHost fallback;
    return g_host ? *g_host : fallback;
}

TPrintHost *TPrintHost::Register(TPrintHost *host)
{
    TPrintHost *previous = g_host;
    g_host = host;
    return previous;
}
