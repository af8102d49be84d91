#pragma once

#include <QList>
#include <QStringList>

#include <initializer_list>

// A table of test cases written one row a string, its cells split by '|'.
inline QList<QStringList> rows(std::initializer_list<const char*> table) {
    QList<QStringList> out;
    for (const char* row : table) {
        out.append(QString::fromUtf8(row).split(u'|'));
    }
    return out;
}
