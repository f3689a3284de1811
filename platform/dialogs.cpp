#include "platform/dialogs.h"

#include "platform/qt_dialogs.h"

#include <QStringList>

namespace {

Dialogs* g_replacement = nullptr;

} // namespace

Dialogs& Dialogs::current()
{
    static QtDialogs real;
    return g_replacement ? *g_replacement : real;
}

Dialogs* Dialogs::setCurrent(Dialogs* dialogs)
{
    Dialogs* previous = g_replacement;
    g_replacement = dialogs;
    return previous;
}

QString Dialogs::toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& pattern : parts.at(i + 1).split(u';', Qt::SkipEmptyParts))
                patterns.append(pattern.trimmed());
        }
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        if (description.isEmpty() && patterns.size() == 1 && patterns.first() == u"*" &&
            i + 1 >= parts.size())
            continue;
        const QString bracketed = u'(' + patterns.join(u' ') + u')';
        const QString asWritten = u'(' + patterns.join(u';') + u')';
        if (description.endsWith(bracketed) || description.endsWith(asWritten))
            entries.append(description.left(description.lastIndexOf(u'(')) + bracketed);
        else if (description.isEmpty())
            entries.append(bracketed);
        else
            entries.append(description + u' ' + bracketed);
    }
    return entries.join(QStringLiteral(";;"));
}
