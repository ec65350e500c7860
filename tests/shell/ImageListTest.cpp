// The main image list: every image the program asks for is drawn, the
// object kinds are told apart, and the drawing is the same on every call.
#include "ShellTestSupport.h"

#include "common/ObjectType.h"
#include "shell/ImageList.h"

#include <QAction>
#include <QImage>
#include <QPixmap>

using namespace tvtest;

namespace {

// The object-type codes shown in lists and trees.
const int ObjectCodes[] = {2, 4, 45, 46, 47, 51, 52, 53, 55, 57, 58, 60, 61, 64, 66, 68, 69, 127, 128, 129};

// The images of the actions, the preview, the editor windows, the SQL window,
// its result frame, the history list and the logon dialog.
const int ActionCodes[] = {0,  1,  3,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,  16,  17,  18,  19,  20,
                           21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 32, 33, 35, 36,  37,  38,  39,  40,  41,
                           42, 44, 60, 64, 69, 80, 81, 82, 86, 87, 88, 91, 92, 93,  94,  98,  99,  100, 101,
                           105, 106, 107, 110, 112, 119, 120, 126, 63, 83, 84, 85, 117};

QImage Image(int index, int size = 16)
{
    return DrawMainImage(index).pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// True when the image has some visible ink.
bool Drawn(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0)
                return true;
    return false;
}

TEST(ImageList, EveryUsedIndexIsDrawnAtBothSizes)
{
    QList<int> all(std::begin(ActionCodes), std::end(ActionCodes));
    all += QList<int>(std::begin(ObjectCodes), std::end(ObjectCodes));
    for (int code = 0; code < 140; ++code)
        if (!ObjectTypeName(code).isEmpty())
            all << code;
    for (int index : all) {
        EXPECT_TRUE(HasMainImage(index)) << index;
        const QIcon icon = DrawMainImage(index);
        ASSERT_FALSE(icon.isNull()) << index;
        for (int size : {16, 32}) {
            const QImage img = Image(index, size);
            EXPECT_EQ(img.size(), QSize(size, size)) << index;
            EXPECT_TRUE(Drawn(img)) << index << " at " << size;
        }
    }
}

// The debugger's commands, each with a picture of its own.
TEST(ImageList, DebuggerCommandsArePairwiseDifferent)
{
    const int commands[] = {28, 83, 84, 85, 42, 39, 40, 117};
    for (int a : commands)
        for (int b : commands)
            if (a < b)
                EXPECT_NE(Image(a), Image(b)) << a << " and " << b;
}

TEST(ImageList, ObjectKindsArePairwiseDifferent)
{
    QList<QImage> images;
    for (int code : ObjectCodes)
        images << Image(code);
    for (qsizetype i = 0; i < images.size(); ++i)
        for (qsizetype k = i + 1; k < images.size(); ++k)
            EXPECT_NE(images[i], images[k]) << ObjectCodes[i] << " and " << ObjectCodes[k];
}

TEST(ImageList, DrawingIsDeterministic)
{
    for (int index : ActionCodes)
        EXPECT_EQ(Image(index), Image(index)) << index;
}

// Every action of the main window that has an image shows a drawn icon.
TEST(ImageList, MainWindowActionsShowTheirImages)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    for (const char *name : {"actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff", "actEditUndo", "actEditCut",
                             "actEditCopy", "actEditPaste", "actEditFind", "actViewSQL", "actPrint", "actGrant",
                             "actDelete", "actSynonym", "actToolIndexAdviser", "actViewComp"}) {
        QAction *a = m.Action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->icon().isNull()) << name;
        EXPECT_TRUE(Drawn(a->icon().pixmap(16, 16).toImage())) << name;
    }
    EXPECT_EQ(m.MainImage(45).pixmap(16, 16).toImage(), DrawMainImage(45).pixmap(16, 16).toImage());
}

} // namespace
