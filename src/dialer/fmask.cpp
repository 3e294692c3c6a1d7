// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialer/fmask.h"

#include "alarm/formfont.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QValidator>

namespace vantrel {

namespace {

constexpr int kClientWidth = 283;
constexpr int kClientHeight = 79;

// Refuses any text whose UTF-8 form would not fit the dial parameters' field,
// so a longer name or password can be neither typed nor pasted (a cut password
// would only fail at the far end, after a whole dial).
class Utf8LengthValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int & /*pos*/) const override
    {
        return input.toUtf8().size() <= kCredentialMaxBytes ? Acceptable : Invalid;
    }
};

QLineEdit *credentialEdit(QWidget *parent, const char *name, int y)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(60, y, 221, 21);
    edit->setMaxLength(kCredentialMaxBytes);
    edit->setValidator(new Utf8LengthValidator(edit));
    return edit;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, int x)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 56, 63, 21);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfmAsk::TfmAsk(const QString &entry, const QString &userName, const QString &password, QWidget *parent)
    // A dialog frame with no title-bar buttons: the three buttons are the ways out.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("fmAsk"));
    setWindowTitle(tr("Vantrel -"));
    setFont(alarmFormFont());
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = new QLabel(tr("Username"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(4, 12);
    edUser = credentialEdit(this, "edUser", 8);
    Label1->setBuddy(edUser);
    Label2 = new QLabel(tr("Password"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(4, 34);
    edPass = credentialEdit(this, "edPass", 32);
    Label2->setBuddy(edPass);
    edPass->setEchoMode(QLineEdit::Password);
    // Every character shows as "*", whatever the style's own mask character is.
    edPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    btSkip = button(this, "btSkip", tr("&Skip"), 86);
    btAbort = button(this, "btAbort", tr("&Abort"), 152);
    btOK = button(this, "btOK", tr("&OK"), 218);
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &TfmAsk::btOKClick);
    connect(btAbort, &QPushButton::clicked, this, &TfmAsk::btAbortClick);
    connect(btSkip, &QPushButton::clicked, this, &TfmAsk::btSkipClick);

    setTabOrder(edUser, edPass);
    setTabOrder(edPass, btAbort);
    setTabOrder(btAbort, btOK);
    setTabOrder(btOK, btSkip);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    setWindowTitle(tr("Vantrel - ") + entry);
    edUser->setText(userName);
    edPass->setText(password);
}

TfmAsk::~TfmAsk()
{
    wipeFields();
}

void TfmAsk::btOKClick()
{
    answer(PromptAnswer::OK, PromptOK);
}

void TfmAsk::btAbortClick()
{
    answer(PromptAnswer::Abort, PromptAbort);
}

void TfmAsk::btSkipClick()
{
    answer(PromptAnswer::Skip, PromptCancel);
}

void TfmAsk::answer(PromptAnswer given, int result)
{
    if (m_answered)
        return;
    m_answered = true;
    QString password = edPass->text();
    wipeFields();
    emit answered(given, edUser->text(), password);
    password.fill(QChar(u'\0'));
    done(result);
}

void TfmAsk::done(int result)
{
    // Closed by the window manager or by code: an answer that moves nothing.
    if (!m_answered) {
        m_answered = true;
        wipeFields();
        emit answered(PromptAnswer::Closed, QString(), QString());
    }
    QDialog::done(result);
}

void TfmAsk::keyPressEvent(QKeyEvent *event)
{
    // No cancel button: Escape does nothing (QDialog would reject).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmAsk::wipeFields()
{
    // The typed password is not left in the field's text once it has been
    // handed over (or refused); the undo history goes with it.
    edPass->clear();
}

} // namespace vantrel
