#include "records/records_server_address.h"

#include <QStringList>
#include <QUrl>

namespace {

constexpr int kMaxPort = 65535;
const QStringList kSchemes = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};
const QStringList kQueryKeys = {QStringLiteral("host"),   QStringLiteral("port"),
                                QStringLiteral("user"),   QStringLiteral("password"),
                                QStringLiteral("dbname"), QStringLiteral("sslmode")};
const QStringList kSslModes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                               QStringLiteral("prefer"),    QStringLiteral("require"),
                               QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Percent-decoded text; nullopt for a '%' not followed by two hex digits.
std::optional<QString> decoded(const QString& text)
{
    for (qsizetype i = text.indexOf(u'%'); i >= 0; i = text.indexOf(u'%', i + 1)) {
        if (i + 2 >= text.size() || !isHex(text.at(i + 1)) || !isHex(text.at(i + 2)))
            return std::nullopt;
    }
    return QUrl::fromPercentEncoding(text.toUtf8());
}

std::optional<int> portNumber(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    // Digits only: toInt() would take "+5432" and " 5432".
    const bool digits =
        !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digits || port < 1 || port > kMaxPort)
        return std::nullopt;
    return port;
}

} // namespace

std::optional<RecordsServerAddress> RecordsServerAddress::parse(const QString& url, QString* error)
{
    auto fail = [error](const QString& text) -> std::optional<RecordsServerAddress> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    const QString text = url.trimmed();
    qsizetype start = -1;
    for (const QString& scheme : kSchemes) {
        if (text.startsWith(scheme, Qt::CaseInsensitive))
            start = scheme.size();
    }
    if (start < 0)
        return fail(QStringLiteral("the records server's address must begin with postgresql://"));

    RecordsServerAddress address;
    QString rest = text.mid(start);
    QString query;
    if (const qsizetype mark = rest.indexOf(u'?'); mark >= 0) {
        query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    QString authority = rest;
    QString path;
    if (const qsizetype slash = rest.indexOf(u'/'); slash >= 0) {
        authority = rest.left(slash);
        path = rest.mid(slash + 1);
    }

    // The last '@': a password with an unencoded '@' still parses.
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(u':');
        const std::optional<QString> user = decoded(colon < 0 ? userInfo : userInfo.left(colon));
        const std::optional<QString> password = decoded(colon < 0 ? QString() : userInfo.mid(colon + 1));
        if (!user || !password)
            return fail(QStringLiteral("the user or password in the records server's address has a % "
                                       "not followed by two hex digits"));
        address.user = *user;
        address.password = *password;
    }

    QString portText;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return fail(QStringLiteral("the records server's IPv6 address lacks its closing ]"));
        address.host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return fail(QStringLiteral("unexpected text after the records server's IPv6 address"));
        portText = after.mid(1);
        if (after.startsWith(u':') && portText.isEmpty())
            return fail(QStringLiteral("the records server's address has a ':' without a port"));
    } else {
        const qsizetype colon = authority.lastIndexOf(u':');
        const std::optional<QString> host = decoded(colon < 0 ? authority : authority.left(colon));
        if (!host)
            return fail(QStringLiteral("the records server's host has a % not followed by two hex digits"));
        address.host = *host;
        if (colon >= 0) {
            portText = authority.mid(colon + 1);
            if (portText.isEmpty())
                return fail(QStringLiteral("the records server's address has a ':' without a port"));
        }
    }
    if (!portText.isEmpty()) {
        // Not repeated: a password with an unencoded '/' ends up here.
        const std::optional<int> port = portNumber(portText);
        if (!port)
            return fail(
                QStringLiteral("the records server's port must be a number from 1 to %1").arg(kMaxPort) +
                QStringLiteral(" (in a user or password, write %40 for @, %2F for /, %3A for :, %3F "
                               "for ?)"));
        address.port = *port;
    }
    const std::optional<QString> database = decoded(path);
    if (!database)
        return fail(QStringLiteral("the records server's database name has a % not followed by two hex "
                                   "digits"));
    address.database = *database;

    QStringList seen;
    for (const QString& pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(u'=');
        const QString key = equals < 0 ? pair : pair.left(equals);
        if (!kQueryKeys.contains(key))
            return fail(
                QStringLiteral("the records server's address has an unknown parameter \"%1\" (known: %2)")
                    .arg(key, kQueryKeys.join(QStringLiteral(", "))));
        if (equals < 0)
            return fail(QStringLiteral("the records server's parameter %1 has no value (%1=...)").arg(key));
        if (seen.contains(key))
            return fail(QStringLiteral("the records server's parameter %1 is given twice").arg(key));
        seen.append(key);
        const std::optional<QString> value = decoded(pair.mid(equals + 1));
        if (!value)
            return fail(QStringLiteral("the records server's parameter %1 has a % not followed by two hex "
                                       "digits")
                            .arg(key));
        QString* field = nullptr;
        if (key == QLatin1StringView("host"))
            field = &address.host;
        else if (key == QLatin1StringView("user"))
            field = &address.user;
        else if (key == QLatin1StringView("password"))
            field = &address.password;
        else if (key == QLatin1StringView("dbname"))
            field = &address.database;
        if (field) {
            if (!field->isEmpty())
                return fail(
                    QStringLiteral("the records server's %1 is given twice, in the address and as ?%1=")
                        .arg(key));
            *field = *value;
        } else if (key == QLatin1StringView("sslmode")) {
            if (!kSslModes.contains(*value))
                return fail(QStringLiteral("the records server's sslmode must be one of %1, not \"%2\"")
                                .arg(kSslModes.join(QStringLiteral(", ")), *value));
            address.sslMode = *value;
        } else {
            if (!portText.isEmpty())
                return fail(QStringLiteral("the records server's port is given twice, in the address and "
                                           "as ?port="));
            portText = *value;
            const std::optional<int> port = portNumber(portText);
            if (!port)
                return fail(
                    QStringLiteral("the records server's port must be a number from 1 to %1, not \"%2\"")
                        .arg(kMaxPort)
                        .arg(*value));
            address.port = *port;
        }
    }
    if (address.host.contains(u','))
        return fail(QStringLiteral("the records server's address names several hosts; give one"));
    return address;
}

QString RecordsServerAddress::displayText() const
{
    auto encoded = [](const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += encoded(user) + u'@';
    if (!host.isEmpty() && !isSocketFolder())
        text += host.contains(u':') ? u'[' + host + u']' : encoded(host);
    if (port != DefaultPort)
        text += u':' + QString::number(port);
    text += u'/' + encoded(database);
    QStringList query;
    if (isSocketFolder())
        query.append(QStringLiteral("host=") + host);
    if (!sslMode.isEmpty())
        query.append(QStringLiteral("sslmode=") + sslMode);
    if (!query.isEmpty())
        text += u'?' + query.join(u'&');
    return text;
}
