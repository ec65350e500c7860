// The object dispatcher of the connection window: which window a type code
// reaches, with which arguments, and that no failure escapes OpenObject or
// OutputScript.
#include "ShellTestSupport.h"

#include "common/ScriptOption.h"
#include "platform/Errors.h"
#include "shell/ObjectDispatcher.h"

#include <QBuffer>
#include <QLabel>

using namespace tvtest;

namespace {

const char *const WindowClasses[] = {"TfrmUser",    "TfrmSchema", "TfrmTable",  "TfrmIndex", "TfrmView",
                                     "TfrmSource",  "TfrmTrigger", "TfrmSeq",   "TfrmSynonym", "TfrmMView",
                                     "TfrmConst",   "TfrmRole",   "TfrmTBS",    "TfrmRule",  "TfrmAggregate",
                                     "TfrmPolicy"};

// Every window class answered by a recording stand-in while the test runs.
class Recorder {
public:
    Recorder()
    {
        for (const char *name : WindowClasses) {
            const QString window = QString::fromLatin1(name);
            TObjectDispatcher::RegisterOpen(window, [this, window](TfrmObject &, const TObjectAddress &a) -> QWidget * {
                opened << qMakePair(window, a);
                if (failWith == 1)
                    throw tv::Error(QStringLiteral("catalog failure"));
                if (failWith == 2)
                    throw tv::SilentAbort();
                auto *w = new QLabel(window);
                windows.emplace_back(w);
                return w;
            });
            TObjectDispatcher::RegisterScript(window,
                                              [this, window](TfrmObject &, const TObjectAddress &a, QIODevice &s) {
                                                  scripted << qMakePair(window, a);
                                                  s.write(window.toUtf8());
                                                  if (failWith == 1)
                                                      throw tv::Error(QStringLiteral("catalog failure"));
                                                  throw tv::SilentAbort();
                                              });
        }
    }
    ~Recorder()
    {
        for (const char *name : WindowClasses) {
            TObjectDispatcher::RegisterOpen(QString::fromLatin1(name), {});
            TObjectDispatcher::RegisterScript(QString::fromLatin1(name), {});
        }
    }

    QList<QPair<QString, TObjectAddress>> opened, scripted;
    std::vector<std::unique_ptr<QWidget>> windows;
    int failWith = 0; // 1: tv::Error, 2: tv::SilentAbort (a twin brought forward)
};

TObjectAddress Address(int code, const QString &schema, const QString &name, TOpenMode mode, int top, qint64 oid,
                       const QString &table, const QString &newSchema = {}, const QString &newName = {},
                       bool index = false)
{
    TObjectAddress a;
    a.ObjectType = code;
    a.Schema = schema;
    a.ObjectName = name;
    a.OpenMode = mode;
    a.DefTopRecord = top;
    a.OID = oid;
    a.TableName = table;
    a.NewSchema = newSchema;
    a.NewObjectName = newName;
    a.Index = index;
    return a;
}

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("dispatch");
        if (!db->available())
            return;
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
    }
    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

const QString S = QStringLiteral("s1"), N = QStringLiteral("obj"), T = QStringLiteral("tbl");
constexpr qint64 BigOid = 3000000000LL; // above 2^31: stays positive

} // namespace

// Without the definition windows (none registered) every kind is dispatched
// like an unknown code: nothing opens, nothing is written, nothing is said.
TEST_F(Dispatcher, UnbuiltWindowsOpenNothingAndWriteNothing)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const int before = s.main->MdiChildren().size();
    for (int code : {2, 4, 45, 46, 47, 52, 57, 61, 64, 66, 126, 127, 128, 129, -1, 9999}) {
        EXPECT_EQ(form->OpenObject(code, S, N), nullptr) << code;
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(code, S, N, buffer);
        EXPECT_EQ(buffer.size(), 0) << code;
    }
    EXPECT_EQ(s.main->MdiChildren().size(), before);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// Each code reaches its window with exactly the arguments its constructor
// takes; policies (129) and database links (64) open nothing.
TEST_F(Dispatcher, OpenObjectPassesTheArgumentsOfTheKind)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    Recorder rec;
    const struct {
        int code;
        const char *window; // null: nothing opens
        TObjectAddress expected;
    } cases[] = {
        {2, "TfrmUser", Address(2, {}, N, omGrant, 0, -1, {})},
        {3, "TfrmUser", Address(3, {}, N, omGrant, 0, -1, {})},
        {4, "TfrmSchema", Address(4, {}, N, omGrant, 0, -1, {})},
        {126, "TfrmSchema", Address(126, {}, N, omGrant, 0, -1, {})},
        {45, "TfrmTable", Address(45, S, N, omGrant, 7, -1, {})},
        {46, "TfrmIndex", Address(46, S, N, omGrant, 0, -1, {})},
        {47, "TfrmView", Address(47, S, N, omGrant, 7, -1, {})},
        {51, "TfrmSource", Address(51, S, N, omGrant, 0, BigOid, {})},
        {52, "TfrmSource", Address(52, S, N, omGrant, 0, BigOid, {})},
        {53, "TfrmSource", Address(53, S, N, omGrant, 0, -1, {})},
        {55, "TfrmSource", Address(55, S, N, omGrant, 0, -1, {})},
        {57, "TfrmTrigger", Address(57, S, N, omGrant, 0, -1, T)},
        {58, "TfrmSeq", Address(58, S, N, omGrant, 0, -1, {})},
        {60, "TfrmSynonym", Address(60, S, N, omGrant, 0, -1, {})},
        {61, "TfrmMView", Address(61, S, N, omGrant, 7, -1, {})},
        {66, "TfrmConst", Address(66, S, N, omDefine, 0, -1, T)},
        {68, "TfrmRole", Address(68, {}, N, omGrant, 0, -1, {})},
        {69, "TfrmTBS", Address(69, {}, N, omGrant, 0, -1, {})},
        {127, "TfrmRule", Address(127, S, N, omGrant, 0, -1, T)},
        {128, "TfrmAggregate", Address(128, S, N, omGrant, 0, BigOid, {})},
        {129, nullptr, {}},
        {64, nullptr, {}},
        {1, nullptr, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        rec.opened.clear();
        QWidget *w = form->OpenObject(c.code, S, N, omGrant, true, 7, BigOid, T);
        if (!c.window) {
            EXPECT_EQ(w, nullptr);
            EXPECT_TRUE(rec.opened.isEmpty());
            continue;
        }
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(rec.opened.size(), 1);
        EXPECT_EQ(rec.opened.at(0).first, QString::fromLatin1(c.window));
        EXPECT_TRUE(rec.opened.at(0).second == c.expected);
        EXPECT_EQ(rec.opened.at(0).second.OID, c.expected.OID);
        EXPECT_EQ(rec.opened.at(0).second.TableName, c.expected.TableName);
    }

    // A constructor that fails, or that brought its open twin forward, gives
    // null and no message.
    for (int fail : {1, 2}) {
        rec.failWith = fail;
        EXPECT_EQ(form->OpenObject(45, S, N), nullptr);
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// OutputScript: the script source of each code with its arguments; 126
// writes nothing while 4 writes the schema; 129 writes the policy; failures
// leave what was written.
TEST_F(Dispatcher, OutputScriptPassesTheArgumentsOfTheKind)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    Recorder rec;
    const QString NS = QStringLiteral("s2"), NN = QStringLiteral("copy");
    for (bool index : {false, true}) {
        ScriptOption.Index = index;
        const struct {
            int code;
            const char *window;
            TObjectAddress expected;
        } cases[] = {
            {2, "TfrmUser", Address(2, {}, N, omDefine, 0, -1, {})},
            {3, "TfrmUser", Address(3, {}, N, omDefine, 0, -1, {})},
            {4, "TfrmSchema", Address(4, {}, N, omDefine, 0, -1, {})},
            {126, nullptr, {}},
            {45, "TfrmTable", Address(45, S, N, omDefine, 0, -1, {}, NS, NN, index)},
            {46, "TfrmIndex", Address(46, S, N, omDefine, 0, -1, {})},
            {47, "TfrmView", Address(47, S, N, omDefine, 0, -1, {}, NS, NN)},
            {51, "TfrmSource", Address(51, S, N, omDefine, 0, BigOid, {})},
            {52, "TfrmSource", Address(52, S, N, omDefine, 0, BigOid, {})},
            {53, "TfrmSource", Address(53, S, N, omDefine, 0, -1, {})},
            {55, "TfrmSource", Address(55, S, N, omDefine, 0, -1, {})},
            {57, "TfrmTrigger", Address(57, S, N, omDefine, 0, -1, T)},
            {58, "TfrmSeq", Address(58, S, N, omDefine, 0, -1, {})},
            {60, "TfrmSynonym", Address(60, S, N, omDefine, 0, -1, {})},
            {61, "TfrmMView", Address(61, S, N, omDefine, 0, -1, {}, NS, NN)},
            {66, "TfrmConst", Address(66, S, N, omDefine, 0, -1, T)},
            {68, "TfrmRole", Address(68, {}, N, omDefine, 0, -1, {})},
            {69, "TfrmTBS", Address(69, {}, N, omDefine, 0, -1, {})},
            {127, "TfrmRule", Address(127, S, N, omDefine, 0, -1, T)},
            {128, "TfrmAggregate", Address(128, S, N, omDefine, 0, BigOid, {})},
            {129, "TfrmPolicy", Address(129, S, N, omDefine, 0, -1, T)},
            {64, nullptr, {}},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(c.code);
            rec.scripted.clear();
            QBuffer buffer;
            buffer.open(QIODevice::ReadWrite);
            buffer.write("head:");
            form->OutputScript(c.code, S, N, buffer, NS, NN, BigOid, T);
            if (!c.window) {
                EXPECT_EQ(buffer.data(), QByteArray("head:"));
                EXPECT_TRUE(rec.scripted.isEmpty());
                continue;
            }
            EXPECT_EQ(buffer.data(), QByteArray("head:") + c.window);
            ASSERT_EQ(rec.scripted.size(), 1);
            EXPECT_EQ(rec.scripted.at(0).first, QString::fromLatin1(c.window));
            EXPECT_TRUE(rec.scripted.at(0).second == c.expected);
        }
    }

    // New names pass only when both are given.
    for (const auto &names : {std::pair<QString, QString>{NS, QString()}, {QString(), NN}}) {
        rec.scripted.clear();
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(45, S, N, buffer, names.first, names.second);
        ASSERT_EQ(rec.scripted.size(), 1);
        EXPECT_TRUE(rec.scripted.at(0).second.NewSchema.isEmpty());
        EXPECT_TRUE(rec.scripted.at(0).second.NewObjectName.isEmpty());
    }

    // A script source that fails after writing part of its text.
    rec.failWith = 1;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    EXPECT_NO_THROW(form->OutputScript(46, S, N, buffer));
    EXPECT_EQ(buffer.data(), QByteArray("TfrmIndex"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}
