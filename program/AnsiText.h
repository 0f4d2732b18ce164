// Text in the ANSI code page, the form the A functions of the system and of
// velnip take and return. Qt's local 8-bit encoding is not it everywhere
// (Qt 6 takes UTF-8 on every system but Windows), so the system converts.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// length -1: up to the terminating NUL.
QString fromAnsi(const char *text, qsizetype length = -1);
QByteArray toAnsi(const QString &text);
QString fromAnsi(const std::string &text);

// A library result lives in storage that the next call may reuse, so it is
// copied at once; null becomes the empty text.
std::string copyResult(const char *text);
