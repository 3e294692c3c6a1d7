// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/simline/linetool.h"
#include "platform/ras/simline/simline.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    vantrel::SimLine::Options options = vantrel::SimLine::defaultOptions();
    options.report = [&err](const QString &text) {
        err << text << '\n';
        err.flush();
    };
    vantrel::SimLine line(options);
    return vantrel::RunLineTool(app.arguments().mid(1), line, out, err);
}
