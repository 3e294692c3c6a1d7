// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wave player and beep the program uses. Qt Multimedia, with the audio and
// network libraries it brings, costs a tray program more memory than all of its
// own windows; the alarm needs it only when a sound is set. So the player lives
// in a module of its own that is loaded when a file is first opened.
#include "ui/platform/desktop/waveplayer.h"

#include <QStringList>

#include <memory>

namespace vantrel {

class LazyWavePlayer final : public WavePlayer {
public:
    // `folders` are searched in order for the module; the default is the
    // program's folder, the install location and the build folder.
    explicit LazyWavePlayer(QStringList folders = defaultModuleFolders());
    ~LazyWavePlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override { return m_fileName; }
    // Loads the module on first use. Without it, nothing can be played: the
    // open fails with a text that says so, and which package to install.
    bool open(QString *error = nullptr) override;
    void close() override;
    bool isOpen() const override { return m_player && m_player->isOpen(); }
    bool play() override { return m_player && m_player->play(); }

    bool moduleLoaded() const { return m_player != nullptr; }
    static QStringList defaultModuleFolders();

private:
    bool load(QString *error);

    QStringList m_folders;
    QString m_fileName;
    std::unique_ptr<WavePlayer> m_player;
};

// The platform beep, through QApplication.
class QtBeeper final : public Beeper {
public:
    void beep() override;
};

} // namespace vantrel
