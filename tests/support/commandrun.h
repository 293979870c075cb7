#pragma once

#include <QString>
#include <QStringList>

// Runs one script command of the program in-process and keeps what it said.
struct Run
{
    int status;
    QString out;
    QString err;
};

Run run(const QStringList &args);
