#include "platform/ini_file.h"

#include "platform/file_replacement.h"
#include "platform/text_file_encoding.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QStringView kCrLf = u"\r\n";
constexpr QStringView kLf = u"\n";
constexpr QStringView kCr = u"\r";

const QString kNotText = QStringLiteral("not a text file in UTF-8, UTF-16 or Windows-1250");
const QString kNotRegular = QStringLiteral("not a regular file");
const QString kTooLarge = QStringLiteral("larger than 1 MiB");
static_assert(IniFile::MaxFileBytes == 1024 * 1024, "kTooLarge names the limit");

enum class Whole
{
    Read,
    Missing,
    SystemError,
    NotText
};

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The bytes of a regular file of at most MaxFileBytes. The path is looked at
// before it is opened, so that a device or a pipe is never opened: a serial
// device would have its modem lines raised, a pipe would wait for a writer.
Whole readWhole(const QString& path, QByteArray* bytes, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Whole::Missing;
        *error = systemText(errno);
        return Whole::SystemError;
    }
    const auto refused = [&](const struct stat& seen) {
        if (!S_ISREG(seen.st_mode)) {
            *error = kNotRegular;
            return true;
        }
        if (seen.st_size > IniFile::MaxFileBytes) {
            *error = kTooLarge;
            return true;
        }
        return false;
    };
    if (refused(st))
        return Whole::NotText;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *error = systemText(errno);
        return Whole::SystemError;
    }
    // Swapped for something else since it was looked at, or growing.
    Whole result = Whole::Read;
    if (::fstat(fd, &st) != 0) {
        *error = systemText(errno);
        result = Whole::SystemError;
    } else if (refused(st)) {
        result = Whole::NotText;
    } else {
        bytes->resize(IniFile::MaxFileBytes + 1);
        qsizetype total = 0;
        while (total < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + total, size_t(bytes->size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                *error = systemText(errno);
                result = Whole::SystemError;
            }
            if (n <= 0)
                break;
            total += n;
        }
        bytes->resize(total);
        if (result == Whole::Read && total > IniFile::MaxFileBytes) {
            *error = kTooLarge;
            result = Whole::NotText;
        }
    }
    ::close(fd);
    return result;
}

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
    QByteArray bytes;
    QString reason;
    switch (readWhole(m_path, &bytes, &reason)) {
    case Whole::Missing:
        return true;
    case Whole::Read:
        return setContent(bytes, error);
    case Whole::SystemError:
        m_readProblem = ReadProblem::System;
        break;
    case Whole::NotText:
        m_readProblem = ReadProblem::NotText;
        break;
    }
    m_readError = reason;
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
        m_readProblem = ReadProblem::NotText;
        if (error)
            *error = m_readError;
        return false;
    }
    m_utf8Mark = decoded->utf8Mark;
    const QString& text = decoded->text;
    // Lines ending in LF, CR LF and CR alone, counted so that new lines end
    // as most do (LF before CR LF before CR when as many do).
    constexpr std::array<QStringView, 3> kEndings = {kLf, kCrLf, kCr};
    std::array<qsizetype, 3> counts = {};
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        if (end == text.size()) {
            // The last line has no line break, and keeps having none.
            m_lines.append(parseLine(text.sliced(start), QString()));
            break;
        }
        std::size_t kind = 0;
        while (!QStringView(text).sliced(end).startsWith(kEndings.at(kind)))
            ++kind;
        ++counts.at(kind);
        m_lines.append(parseLine(text.sliced(start, end - start), kEndings.at(kind).toString()));
        start = end + kEndings.at(kind).size();
    }
    const std::size_t most = std::size_t(std::max_element(counts.begin(), counts.end()) - counts.begin());
    m_newline = kEndings.at(most).toString();
    return true;
}

void IniFile::clear()
{
    m_lines.clear();
    m_newline = kLf.toString();
    m_utf8Mark = false;
    m_readError.clear();
    m_readProblem = ReadProblem::None;
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
