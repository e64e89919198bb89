#include "discovery/frm_login.h"

#include "foundation/window_names.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
QFrame* MakeLine(QWidget* parent, int x, int y, int w)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, y, w, 2);
    return line;
}
}  // namespace

frmLogin::frmLogin(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Login Camera"));
    setFixedSize(296, 142);

    lblUserName = new QLabel(QStringLiteral("&User Name:"), this);
    lblUserName->setGeometry(16, 20, 96, 22);
    txtUserName = new QLineEdit(this);
    txtUserName->setGeometry(116, 18, 164, 24);
    txtUserName->setMaxLength(kMaxLength);
    lblUserName->setBuddy(txtUserName);

    lblPassword = new QLabel(QStringLiteral("&Password:"), this);
    lblPassword->setGeometry(16, 54, 96, 22);
    txtPassword = new QLineEdit(this);
    txtPassword->setGeometry(116, 52, 164, 24);
    txtPassword->setMaxLength(kMaxLength);
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(txtPassword);

    Line1[0] = MakeLine(this, 8, 90, 280);
    Line1[1] = MakeLine(this, 8, 93, 280);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(88, 104, 92, 28);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(188, 104, 92, 28);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmLogin::Form_Load()
{
    SetFormFont();
    LoadLanguage();
}

void frmLogin::SetFormFont()
{
    ApplyLanguageFont({lblUserName, lblPassword, txtUserName, txtPassword, cmdOK, cmdCancel});
}

bool frmLogin::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kLoginWindowName);
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    lblUserName->setText(lang->Text(QStringLiteral("lblUserName")));
    lblPassword->setText(lang->Text(QStringLiteral("lblPassword")));
    cmdOK->setText(lang->Text(QStringLiteral("cmdOK")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    return true;
}

void frmLogin::cmdOK_Click()
{
    m_bCancel = false;
    m_sUserName = txtUserName->text();
    m_sPassword = txtPassword->text();
    hide();
}

void frmLogin::cmdCancel_Click()
{
    m_bCancel = true;
    hide();
}
