// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialer/fmask.h"

#include "ui/platform/formlayout.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    QLineEdit *edit = MakeField(parent, QLatin1String(name), {60, y, 221, 21});
    edit->setMaxLength(kCredentialMaxBytes);
    edit->setValidator(new Utf8LengthValidator(edit));
    return edit;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, int x)
{
    auto *b = new FormButton(caption, parent, QLatin1String(name), {x, 56, 63, 21});
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

    // Each label stands left of its field, centred on it.
    Label1 = MakeLabel(tr("Username"), this, QStringLiteral("Label1"), {4, 8, 54, 21});
    edUser = credentialEdit(this, "edUser", 8);
    Label1->setBuddy(edUser);
    Label2 = MakeLabel(tr("Password"), this, QStringLiteral("Label2"), {4, 32, 54, 21});
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

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(2);
    fields->setVerticalSpacing(3);
    fields->setColumnStretch(1, 1);
    fields->addWidget(Label1, 0, 0, kAtLeft);
    fields->addWidget(edUser, 0, 1);
    fields->addWidget(Label2, 1, 0, kAtLeft);
    fields->addWidget(edPass, 1, 1);
    QHBoxLayout *buttons = Row(nullptr, {}, 3);
    buttons->addStretch();
    buttons->addWidget(btSkip);
    buttons->addWidget(btAbort);
    buttons->addWidget(btOK);
    QVBoxLayout *window = Column(this, {4, 8, 2, 2}, 3);
    window->addLayout(fields);
    window->addLayout(buttons);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});
    CentreOnScreen(*this);

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
