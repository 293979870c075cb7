#include "base/logging.h"

// The program writes to these categories with qCInfo and qCDebug only, which
// are off below the QtWarningMsg threshold: nothing appears unless a rule
// (QT_LOGGING_RULES or a qtlogging.ini) turns a category on.
Q_LOGGING_CATEGORY(lcDb, "vospan.db", QtWarningMsg)
Q_LOGGING_CATEGORY(lcImport, "vospan.import", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "vospan.ui", QtWarningMsg)
