// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dial run's two windows, fmConnect and fmAsk, rendering what the dialer
// publishes and sending their buttons back to it.
#include <QObject>
#include <QPointer>

#include <memory>

namespace vantrel {

class Dialer;
class TfmConnect;
class TfmAsk;

class DialWindows final : public QObject {
    Q_OBJECT
public:
    // `dialer` outlives the windows.
    explicit DialWindows(Dialer &dialer);
    ~DialWindows() override;

    // The progress window; nullptr until the first run or hang-up needs it
    // (most sessions never dial, and a window costs memory).
    TfmConnect *fmConnect() const { return m_fmConnect.get(); }
    // The credentials prompt while it is open.
    TfmAsk *fmAsk() const;

private:
    TfmConnect &progressWindow();
    void renderProgress();
    void raise();
    void openPrompt();
    void closePrompt();

    Dialer &m_dialer;
    std::unique_ptr<TfmConnect> m_fmConnect;
    QPointer<TfmAsk> m_fmAsk;
};

} // namespace vantrel
