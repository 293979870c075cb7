#pragma once

#include <QLoggingCategory>

// What the program can tell about its work, off unless asked for:
//   QT_LOGGING_RULES="vospan.*=true" vospan
// vospan.db: databases opened and closed, statements that fail, transactions
// rolled back; vospan.import: imports and conversions started and ended;
// vospan.ui: commands started from the windows.
Q_DECLARE_LOGGING_CATEGORY(lcDb)
Q_DECLARE_LOGGING_CATEGORY(lcImport)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
