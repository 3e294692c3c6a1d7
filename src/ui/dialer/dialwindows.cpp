// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialer/dialwindows.h"

#include "dialer/dialer.h"
#include "ui/dialer/fmask.h"
#include "ui/dialer/fmconnect.h"

namespace vantrel {

DialWindows::DialWindows(Dialer &dialer) : m_dialer(dialer)
{
    connect(&dialer, &Dialer::progressChanged, this, &DialWindows::renderProgress);
    connect(&dialer, &Dialer::raiseRequested, this, &DialWindows::raise);
    connect(&dialer, &Dialer::promptOpened, this, &DialWindows::openPrompt);
    connect(&dialer, &Dialer::promptClosed, this, &DialWindows::closePrompt);
}

DialWindows::~DialWindows()
{
    delete m_fmAsk.data();
}

TfmAsk *DialWindows::fmAsk() const
{
    return m_fmAsk.data();
}

TfmConnect &DialWindows::progressWindow()
{
    if (!m_fmConnect) {
        m_fmConnect = std::make_unique<TfmConnect>();
        connect(m_fmConnect.get(), &TfmConnect::abortClicked, &m_dialer, &Dialer::btAbortClick);
        connect(m_fmConnect.get(), &TfmConnect::skipClicked, &m_dialer, &Dialer::btSkipClick);
        // Its close box (or Escape) hides it; the run goes on.
        connect(m_fmConnect.get(), &QDialog::rejected, &m_dialer, &Dialer::progressClosed);
    }
    return *m_fmConnect;
}

void DialWindows::renderProgress()
{
    const Dialer::Progress p = m_dialer.progress();
    if (!p.shown) {
        if (m_fmConnect)
            m_fmConnect->hide();
        return;
    }
    TfmConnect &window = progressWindow();
    window.setWindowTitle(p.caption.isEmpty() ? window.windowTitle() : p.caption);
    if (!window.isVisible()) {
        // A window manager gives a window mapped without this the focus.
        window.setAttribute(Qt::WA_ShowWithoutActivating, !p.takesFocus);
        window.show(); // clears the line; the status follows
    }
    window.setStatus(p.status);
    window.setButtonsEnabled(p.abortEnabled, p.skipEnabled);
}

void DialWindows::raise()
{
    QWidget *front = m_fmAsk ? static_cast<QWidget *>(m_fmAsk.data()) : m_fmConnect.get();
    if (!front || !front->isVisible())
        return;
    front->raise();
    // Brought to the front always; the keyboard focus it takes only when the
    // user asked for it (see Dialer::Progress::takesFocus).
    if (m_fmAsk || m_dialer.progress().takesFocus)
        front->activateWindow();
}

void DialWindows::openPrompt()
{
    closePrompt();
    auto *ask = new TfmAsk(m_dialer.entry(), m_dialer.PromptUserName(), m_dialer.PromptPassword());
    m_fmAsk = ask;
    ask->setAttribute(Qt::WA_DeleteOnClose);
    connect(ask, &TfmAsk::answered, &m_dialer, &Dialer::promptAnswered);
    ask->open();
}

void DialWindows::closePrompt()
{
    if (!m_fmAsk)
        return;
    // Withdrawn by the run: closed without an answer.
    QObject::disconnect(m_fmAsk.data(), &TfmAsk::answered, &m_dialer, &Dialer::promptAnswered);
    m_fmAsk->hide();
    m_fmAsk->deleteLater();
    m_fmAsk = nullptr;
}

} // namespace vantrel
