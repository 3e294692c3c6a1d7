// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the program's memory: the least a Qt Widgets tray program
// can be. One icon with a tip, a menu, and a timer that changes the tip every
// two seconds.
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::blue);
        painter.drawEllipse(2, 2, 28, 28);
    }
    QMenu menu;
    menu.addAction(QStringLiteral("E&xit"), &app, &QCoreApplication::quit);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.setContextMenu(&menu);
    tray.setToolTip(QStringLiteral("Network is down"));
    tray.show();
    int ticks = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { tray.setToolTip(QString::number(++ticks)); });
    poll.start(2000);
    return app.exec();
}
