#include "objects/other/frmUser.h"

#include "common/IConnectionWindow.h"
#include "controls/tvCheckBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimeEdit>

namespace {
// The password cannot be read back: an existing user shows this placeholder,
// which counts as empty.
const QString Placeholder = QString(10, u' ');

// A password box never narrower than the placeholder's mask, every
// character of it, in the font the box shows.
class TPasswordEdit : public TtvStrEdit {
public:
    QSize minimumSizeHint() const override
    {
        QSize size = TtvStrEdit::minimumSizeHint();
        QStyleOptionFrame opt;
        initStyleOption(&opt);
        const int border = opt.rect.width() - style()->subElementRect(QStyle::SE_LineEditContents, &opt, this).width();
        const QChar mask(style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &opt, this));
        // The line edit keeps 2 pixels on each side and 1 for the caret.
        const int text = fontMetrics().horizontalAdvance(QString(Placeholder.size(), mask));
        size.setWidth(std::max(size.width(), text + border + 2 * 2 + 1));
        return size;
    }
};
} // namespace

const TDefinitionKind &TfrmUser::UserKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 3;
        k.CaptionPrefix = QStringLiteral("USER - ");
        k.CaptionKind = 7;
        k.GuiKey = QStringLiteral("USER");
        k.Keyword = QStringLiteral("USER");
        k.RefreshesLists = false;
        k.HasSchema = false;
        k.WrapsToolBar = false;
        return k;
    }();
    return kind;
}

TfrmUser::TfrmUser(IConnectionWindow *AOwner) : TfrmRoleBase(AOwner, UserKind(), true)
{
    auto *grid = new QGridLayout(pnlLeft);
    auto onChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    auto pass = [&](TtvStrEdit *&e, const char *name) {
        e = new TPasswordEdit;
        e->setObjectName(QString::fromLatin1(name));
        e->setEchoMode(QLineEdit::Password);
        e->OnChange = onChange;
        return e;
    };
    grid->addWidget(new QLabel(QStringLiteral("パスワード")), 0, 0);
    grid->addWidget(pass(txtPassword1, "txtPassword1"), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("(確認入力)")), 1, 0);
    grid->addWidget(pass(txtPassword2, "txtPassword2"), 1, 1);
    chkPass = new TtvCheckBox(QStringLiteral("パスワード有効期限"));
    chkPass->setObjectName(QStringLiteral("chkPass"));
    chkPass->OnClick = [this](QObject *) { chkPassClick(); };
    grid->addWidget(chkPass, 2, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("アカウント失効")), 3, 0);
    dtpLapseDate = new QDateEdit(QDate::currentDate());
    dtpLapseDate->setObjectName(QStringLiteral("dtpLapseDate"));
    dtpLapseDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dtpLapseDate->setCalendarPopup(true);
    dtpLapseTime = new QTimeEdit(QTime::currentTime());
    dtpLapseTime->setObjectName(QStringLiteral("dtpLapseTime"));
    dtpLapseTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    grid->addWidget(dtpLapseDate, 3, 1);
    grid->addWidget(dtpLapseTime, 4, 1);
    connect(dtpLapseDate, &QDateEdit::dateChanged, this, [this] {
        if (!FLoading)
            Changed();
    });
    connect(dtpLapseTime, &QTimeEdit::timeChanged, this, [this] {
        if (!FLoading)
            Changed();
    });
    grid->addWidget(new QLabel(QStringLiteral("接続制限数")), 5, 0);
    txtConRest = new TtvNumEdit;
    txtConRest->setObjectName(QStringLiteral("txtConRest"));
    txtConRest->SetAllowMinus(true);
    txtConRest->SetText(QStringLiteral("-1"));
    txtConRest->OnChange = onChange;
    grid->addWidget(txtConRest, 5, 1);
    grid->setRowStretch(6, 1);
    dtpLapseDate->setEnabled(false);
    dtpLapseTime->setEnabled(false);
}

TfrmUser *TfrmUser::Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmUser>(CaptionFor(AOwner, UserKind(), QString(), ObjectName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmUser(AOwner), QString(), ObjectName, OpenMode);
}

void TfrmUser::GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream)
{
    TfrmUser w(AOwner);
    WriteScriptOf(w, ObjectName, Stream);
}

void TfrmUser::chkPassClick()
{
    const bool rights = G_CreateRole || G_SuperUser;
    dtpLapseDate->setEnabled(chkPass->Checked() && rights);
    dtpLapseTime->setEnabled(chkPass->Checked() && rights);
    if (!FLoading)
        Changed();
}

QDateTime TfrmUser::Picked() const
{
    return QDateTime(dtpLapseDate->date(), dtpLapseTime->time());
}

bool TfrmUser::PasswordChanged() const
{
    return txtPassword1->IsChanged();
}

void TfrmUser::UserToDefinition(TRoleDefinition &Def) const
{
    const QString typed = txtPassword1->Text();
    if (!typed.trimmed().isEmpty() && (IsNew() || txtPassword1->IsChanged()) && OwnerForm())
        Def.Password = PasswordVerifier(OwnerForm()->dbsMain(), ObjectName(), typed);
    Def.HasExpiry = chkPass->Checked();
    Def.ValidUntil = QDateTime(dtpLapseDate->date(), dtpLapseTime->time().addMSecs(-dtpLapseTime->time().msec()));
    if (!Def.HasExpiry && FLoadedExpiry.isValid() && !IsNew())
        Def.ValidUntil = FLoadedExpiry;
    Def.ConnLimit = txtConRest->Text().trimmed();
}

void TfrmUser::LoadUserAttributes(tv::db::Query &Query)
{
    txtPassword1->SetText(Placeholder);
    txtPassword2->SetText(Placeholder);
    txtConRest->SetText(Query.FieldByName(QStringLiteral("rolconnlimit")).AsString());
    QDateTime when;
    const bool expiry = ParseExpiry(Query.FieldByName(QStringLiteral("rolvaliduntildate")).AsString(),
                                    Query.FieldByName(QStringLiteral("rolvaliduntiltime")).AsString(), when);
    chkPass->SetChecked(expiry);
    const QDateTime now = QDateTime::currentDateTime();
    dtpLapseDate->setDate(expiry ? when.date() : now.date());
    dtpLapseTime->setTime(expiry ? when.time() : QTime(now.time().hour(), now.time().minute(), now.time().second()));
    FLoadedExpiry = expiry ? when : QDateTime();
}

void TfrmUser::SaveUserControls()
{
    txtPassword1->Save();
    txtPassword2->Save();
    chkPass->Save();
    txtConRest->Save();
}

void TfrmUser::EnableUserControls()
{
    const bool rights = G_CreateRole || G_SuperUser;
    const bool self = ObjectName() == LoginUser();
    txtPassword1->setEnabled(rights || self);
    txtPassword2->setEnabled(rights || self);
    chkPass->setEnabled(rights);
    txtConRest->setEnabled(rights);
    dtpLapseDate->setEnabled(rights && chkPass->Checked());
    dtpLapseTime->setEnabled(rights && chkPass->Checked());
}

void TfrmUser::CheckFields()
{
    if (ShownPage() != tabDefine)
        return;
    const bool isNew = IsNew();
    if (txtPassword1->Text().trimmed().isEmpty() && (isNew || txtPassword1->IsChanged()))
        Require(false, QStringLiteral("パスワードを入力して下さい。"),
                txtPassword1->isEnabled() ? txtPassword1 : nullptr);
    if (txtPassword2->Text().trimmed().isEmpty() && (isNew || txtPassword2->IsChanged()))
        Require(false, QStringLiteral("パスワードを入力して下さい。"), txtPassword2);
    if (txtPassword1->Text() != txtPassword2->Text() &&
        (isNew || txtPassword1->IsChanged() || txtPassword2->IsChanged()))
        Require(false, QStringLiteral("パスワードが一致しません。"), txtPassword2);
    if (txtConRest->Text().trimmed() == QStringLiteral("-"))
        txtConRest->SetText(QStringLiteral("-1"));
    Require(!txtConRest->Text().contains(u'.'), QStringLiteral("接続制限数は整数を入力して下さい。"), txtConRest);
}
