#pragma once

#include <QString>
#include <stdexcept>

// A failed query or statement.  Carries the engine's error number and text so
// the user can be shown both, and callers can react to specific numbers.
class DbError : public std::runtime_error
{
public:
    DbError(int number, const QString &description, const QString &sqlState = {})
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description),
          m_sqlState(sqlState)
    {
    }

    int number() const { return m_number; }
    QString description() const { return m_description; }
    // The five-character state a database server gives its errors ("23505",
    // "55P03"); empty for errors of the file engine and of the program.
    QString sqlState() const { return m_sqlState; }

    // Error numbers the program raises itself (the engine's own codes are small
    // positive numbers, so these cannot collide with them).
    enum : int {
        NotOpen = 3704,        // the connection is closed
        ReadOnly = 3027,       // the database cannot be updated
        NoCurrentRecord = 3021, // reading a value past the last row
        ConnectionLost = 3146   // the connection to a database server broke
    };

private:
    int m_number;
    QString m_description;
    QString m_sqlState;
};
