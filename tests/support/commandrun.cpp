#include "support/commandrun.h"

#include "shell/cli.h"

#include <QTextStream>

Run run(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = CommandLine::program().run(args, out, err);
    out.flush();
    err.flush();
    return r;
}
