#pragma once

#include <QString>

// What the INI layer keeps of a value: one line, each line break (CR LF, CR
// or LF) and NUL a blank. Written out here rather than taken from the layer,
// so that the targets check the layer against the rule.
inline QString asOneLine(QString value)
{
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (const QChar c : {u'\r', u'\n', u'\0'})
        value.replace(c, u' ');
    return value;
}
