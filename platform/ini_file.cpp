#include "platform/ini_file.h"

#include "platform/file_replacement.h"
#include "platform/text_file_encoding.h"

#include <QFile>

#include <limits>
#include <optional>

namespace {

constexpr QStringView kCrLf = u"\r\n";
constexpr QStringView kLf = u"\n";

const QString kNotText = QStringLiteral("not a text file in UTF-8, UTF-16 or Windows-1250");

// What reading back the written "key=value" line would give for value.
bool readsBackAs(const QString& value)
{
    if (value != value.trimmed())
        return false;
    return !(value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
             value.back() == value.front());
}

std::optional<int> parseInteger(QString text)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(u'+')) {
        negative = text.startsWith(u'-');
        text.remove(0, 1);
    }
    int base = 10;
    if (text.startsWith(u'$')) {
        base = 16;
        text.remove(0, 1);
    } else if (text.size() > 2 && text.startsWith(u'0') && (text.at(1) == u'x' || text.at(1) == u'X')) {
        base = 16;
        text.remove(0, 2);
    }
    if (text.isEmpty())
        return std::nullopt;
    qint64 magnitude = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(value);
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    load();
}

bool IniFile::load(QString* error)
{
    clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readError = file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            m_readError = file.errorString();
        else
            return setContent(bytes, error);
    }
    if (error)
        *error = m_readError;
    return false;
}

bool IniFile::setContent(QByteArrayView bytes, QString* error)
{
    clear();
    const std::optional<TextFileEncoding::Decoded> decoded = TextFileEncoding::decode(bytes);
    if (!decoded) {
        m_readError = kNotText;
        if (error)
            *error = m_readError;
        return false;
    }
    m_utf8Mark = decoded->utf8Mark;
    const QString& text = decoded->text;
    qsizetype crlfCount = 0;
    qsizetype lfCount = 0;
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            // The last line has no line break, and keeps having none.
            m_lines.append(parseLine(text.sliced(start), QString()));
            break;
        }
        const bool crlf = end > start && text.at(end - 1) == u'\r';
        (crlf ? crlfCount : lfCount) += 1;
        // Only the CR of the line break belongs to it: more CRs are text.
        const qsizetype textEnd = crlf ? end - 1 : end;
        m_lines.append(parseLine(text.sliced(start, textEnd - start), (crlf ? kCrLf : kLf).toString()));
        start = end + 1;
    }
    m_newline = (crlfCount > lfCount ? kCrLf : kLf).toString();
    return true;
}

void IniFile::clear()
{
    m_lines.clear();
    m_newline = kLf.toString();
    m_utf8Mark = false;
    m_readError.clear();
}

QByteArray IniFile::content() const
{
    QString text;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines.at(i);
        text += line.text;
        // A last line without a line break gets one when lines follow it.
        text += line.ending.isEmpty() && i + 1 < m_lines.size() ? m_newline : line.ending;
    }
    return TextFileEncoding::encode(text, m_utf8Mark);
}

IniFile::Line IniFile::parseLine(const QString& text, const QString& ending)
{
    Line line;
    line.text = text;
    line.ending = ending;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = trimmed.mid(1, close - 1).trimmed();
        }
        return line;
    }
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return line;
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals > 0) {
        const QString name = trimmed.left(equals).trimmed();
        if (!name.isEmpty()) {
            line.kind = LineKind::Key;
            line.name = name;
        }
    }
    return line;
}

qsizetype IniFile::findSection(const QString& section) const
{
    const QString wanted = section.trimmed();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).kind == LineKind::Section &&
            m_lines.at(i).name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype IniFile::findKey(const QString& section, const QString& key) const
{
    const qsizetype start = findSection(section);
    if (start < 0)
        return -1;
    const QString wanted = key.trimmed();
    for (qsizetype i = start + 1; i < m_lines.size() && m_lines.at(i).kind != LineKind::Section; ++i) {
        if (m_lines.at(i).kind == LineKind::Key &&
            m_lines.at(i).name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> IniFile::rawValue(const QString& section, const QString& key) const
{
    const qsizetype index = findKey(section, key);
    if (index < 0)
        return std::nullopt;
    const QString& text = m_lines.at(index).text;
    QString value = text.mid(text.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

bool IniFile::hasSection(const QString& section) const
{
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::Section)
            names.append(line.name);
    }
    return names;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList names;
    const qsizetype start = findSection(section);
    if (start < 0)
        return names;
    for (qsizetype i = start + 1; i < m_lines.size() && m_lines.at(i).kind != LineKind::Section; ++i) {
        if (m_lines.at(i).kind == LineKind::Key)
            names.append(m_lines.at(i).name);
    }
    return names;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return rawValue(section, key).value_or(defaultValue);
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const std::optional<QString> text = rawValue(section, key);
    if (!text)
        return defaultValue;
    return parseInteger(*text).value_or(defaultValue);
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    QString oneLine = value;
    oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (const QChar c : {u'\r', u'\n', u'\0'})
        oneLine.replace(c, u' ');
    if (!readsBackAs(oneLine))
        oneLine = u'"' + oneLine + u'"';

    const qsizetype existing = findKey(section, key);
    if (existing >= 0) {
        // Keep the key as the file spells it, and the line's ending; only
        // the value changes.
        Line& line = m_lines[existing];
        line.text = line.name + u'=' + oneLine;
        return;
    }
    Line line;
    line.kind = LineKind::Key;
    line.name = key.trimmed();
    line.text = line.name + u'=' + oneLine;

    const qsizetype start = findSection(section);
    if (start < 0) {
        Line header;
        header.kind = LineKind::Section;
        header.name = section.trimmed();
        header.text = u'[' + header.name + u']';
        insertLine(m_lines.size(), header);
        insertLine(m_lines.size(), line);
        return;
    }
    qsizetype insertAt = start + 1;
    for (qsizetype i = start + 1; i < m_lines.size() && m_lines.at(i).kind != LineKind::Section; ++i) {
        if (m_lines.at(i).kind == LineKind::Key)
            insertAt = i + 1;
    }
    insertLine(insertAt, line);
}

void IniFile::insertLine(qsizetype at, Line line)
{
    line.ending = m_newline;
    m_lines.insert(at, std::move(line));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::save(QString* error) const
{
    if (!m_readError.isEmpty()) {
        if (error)
            *error = m_readError;
        return false;
    }
    return FileReplacement::replace(m_path, content(), error);
}
