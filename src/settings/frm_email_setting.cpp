#include "settings/frm_email_setting.h"
#include "foundation/window_names.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaxInterval = 9999;
}

std::optional<int> frmEMailSetting::IntervalValue(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([+-]?)([0-9]+(\\.[0-9]*)?|\\.[0-9]+)\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double magnitude = m.captured(2).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const double value = m.captured(1) == QLatin1String("-") ? -magnitude : magnitude;
    // Halves go to the even neighbour (the default rounding mode).
    const double rounded = std::nearbyint(value);
    if (rounded < 0 || rounded > kMaxInterval)
        return std::nullopt;
    return static_cast<int>(rounded);
}

frmEMailSetting::frmEMailSetting(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("E-Mail Setting"));

    auto* grid = new QGridLayout;
    auto field = [this, grid](QLabel*& label, QLineEdit*& box, const char* caption, int row) {
        label = new QLabel(QString::fromUtf8(caption), this);
        box = new QLineEdit(this);
        box->setMaxLength(kMaxLength);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1, 1, 2);
    };
    field(lblMailServer, txtMailServer, "&Mail Server:", 0);
    field(lblMailFrom, txtMailFrom, "&From:", 1);
    field(lblMailTo, txtMailTo, "&To:", 2);
    field(lblSubject, txtMailSubject, "&Subject:", 3);
    field(lblUserName, txtUserName, "User Name:", 4);
    field(lblPassword, txtPassword, "Password:", 5);
    txtPassword->setEchoMode(QLineEdit::Password);
    lblIntervalTime = new QLabel(QStringLiteral("&Interval Time:"), this);
    txtIntervalTime = new QLineEdit(this);
    txtIntervalTime->setMaxLength(kIntervalMaxLength);
    txtIntervalTime->setMaximumWidth(80);
    lblIntervalTime->setBuddy(txtIntervalTime);
    lblSecond = new QLabel(QStringLiteral("Second"), this);
    grid->addWidget(lblIntervalTime, 6, 0);
    grid->addWidget(txtIntervalTime, 6, 1);
    grid->addWidget(lblSecond, 6, 2);
    grid->setColumnStretch(2, 1);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(line);
    layout->addLayout(buttons);
    resize(420, sizeHint().height());

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmEMailSetting::Form_Load()
{
    m_slot = std::clamp(gCurCam, 1, kSlotCount);
    SetFormFont();
    LoadLanguage();
}

void frmEMailSetting::SetFormFont()
{
    ApplyLanguageFont({lblMailServer, lblMailFrom, lblMailTo, lblSubject, lblUserName, lblPassword,
                       lblIntervalTime, lblSecond, txtMailServer, txtMailFrom, txtMailTo,
                       txtMailSubject, txtUserName, txtPassword, cmdOK, cmdCancel});
}

bool frmEMailSetting::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kEMailSettingWindowName);
    if (!lang)
        return false;
    auto text = [&lang](const char* key) { return lang->Text(QString::fromLatin1(key)); };
    setWindowTitle(text("Caption"));
    lblMailServer->setText(text("lblMailServer"));
    lblMailFrom->setText(text("lblMailFrom"));
    lblMailTo->setText(text("lblMailTo"));
    lblSubject->setText(text("lblSubject"));
    lblUserName->setText(text("lblUserName"));
    lblPassword->setText(text("lblPassword"));
    lblIntervalTime->setText(text("lblIntervalTime"));
    lblSecond->setText(text("lblSecond"));
    cmdOK->setText(text("cmdOK"));
    cmdCancel->setText(text("cmdCancel"));
    m_messages = lang->Messages(1);
    return true;
}

void frmEMailSetting::Form_Activate()
{
    const CamInfo& cam = gCam[static_cast<size_t>(m_slot)];
    txtMailServer->setText(cam.MailServer);
    txtMailFrom->setText(cam.MailFrom);
    txtMailTo->setText(cam.MailTo);
    txtMailSubject->setText(cam.MailSubject);
    txtUserName->setText(cam.MailUserName);
    txtPassword->setText(cam.MailPassword);
    txtIntervalTime->setText(QString::number(cam.MailIntervalTime));
}

void frmEMailSetting::cmdOK_Click()
{
    const std::optional<int> interval = IntervalValue(txtIntervalTime->text());
    if (!interval) {
        Message(m_messages[0], MsgIcon::Warning);
        FocusAndSelect(txtIntervalTime);
        return;
    }
    CamInfo& cam = gCam[static_cast<size_t>(m_slot)];
    cam.MailServer = txtMailServer->text();
    cam.MailFrom = txtMailFrom->text();
    cam.MailTo = txtMailTo->text();
    cam.MailSubject = txtMailSubject->text();
    cam.MailUserName = txtUserName->text();
    cam.MailPassword = txtPassword->text();
    cam.MailIntervalTime = *interval;
    if (auto* engine = windows().Get<frmMain>(kEngineWindowName)) {
        for (int i = 1; i <= kSlotCount; ++i) {
            const CamInfo& slot = gCam[static_cast<size_t>(i)];
            ImageServer& server = engine->Cam(i);
            server.setMailServer(slot.MailServer, slot.MailTo, slot.MailFrom, slot.MailSubject);
            server.setMailIntervalTime(slot.MailIntervalTime);
            server.setMailUserName(slot.MailUserName);
            server.setMailPassword(slot.MailPassword);
        }
    }
    SaveSettingsOrWarn(SaveRequest::Operator);
    hide();
}

void frmEMailSetting::cmdCancel_Click() { hide(); }
