#include "support/commandrun.h"

#include "base/commandline.h"
#include "shell/commands.h"

#include <QTextStream>

Run run(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = programCommands().run(args, out, err);
    out.flush();
    err.flush();
    return r;
}
