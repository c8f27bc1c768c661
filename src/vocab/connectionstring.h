#pragma once

#include <QString>

/// The parts of a vocabulary connection string ("Provider=…;Data Source=…;…") the program uses.
/// Keys are matched without regard to letter case; values may be quoted with ' or ".
struct ConnectionString
{
    QString provider;
    QString dataSource;
    QString password; // "Jet OLEDB:Database Password"

    static ConnectionString Parse(const QString& text);
};

/// The connection string the program opens its vocabulary with.
inline constexpr char16_t kVocabularyConnection[] =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=code.dll;Persist Security Info=False;"
    u"Jet OLEDB:DataBase Password=9F3B51C0E2A4";

/// The password of the program's connection string.
QString ProgramDatabasePassword();
