#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A private-profile (INI) file: "[Section]" lines, each followed by
// "Key=Value" lines. A line ends at a line feed, a carriage return with a
// line feed, or a carriage return alone (files from old editors). Section and key names are matched without
// regard to letter case; the first of duplicate sections or keys wins. Values are read trimmed, and a value
// in matching quotes loses the quotes.
//
// The file is read once (construction or load()), changed in memory and
// written back by save(). Updates are made in place: every other line, its
// order, comments, blank lines and line ending stay as they were; a new key
// goes after the last key of its section, a new section to the end of the
// file. New lines end as most lines of the file do.
//
// Encodings are those of TextFileEncoding: UTF-8, UTF-16 or UTF-32 with a
// byte-order mark, Windows-1250; the file is written back as UTF-8. A file
// that exists but cannot be read (no permission, not text) is never
// written: save() fails with the reason load() gave, so that a user's file
// is not replaced by the few keys this program knows. Only a regular file
// of at most MaxFileBytes is read at all: a device, a pipe or a folder, or
// a file that large, is no file of this kind, and reading it whole could
// take the memory or never end.
//
// save() builds the whole file in memory and replaces the old one in one
// step (FileReplacement): after any failure the old file is as it was.
class IniFile
{
public:
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    // Why the file could not be read.
    enum class ReadProblem
    {
        None,
        // The system refused (no permission, an input/output error).
        System,
        // Not a regular file, larger than MaxFileBytes, or not text.
        NotText,
    };

    // Reads the file when it exists; a missing file is an empty one.
    explicit IniFile(QString path);

    QString path() const { return m_path; }
    // Where save() writes from now on; what was read stays.
    void setPath(const QString& path) { m_path = path; }

    // Reads the file again, dropping unsaved changes. A missing file gives an
    // empty one and succeeds; an unreadable file gives an empty one and fails
    // with the reason, and save() refuses to replace it.
    bool load(QString* error = nullptr);
    ReadProblem readProblem() const { return m_readProblem; }
    // Takes bytes as if read from the file.
    bool setContent(QByteArrayView bytes, QString* error = nullptr);
    // Forgets every line, and any failure to read, so that save() writes
    // only what is written after.
    void clear();
    // The bytes save() writes.
    QByteArray content() const;

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    // Absent key: the default. Present but empty: the empty text.
    QString readString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // A decimal number with an optional sign ("0x" or "$" for hexadecimal).
    // Absent, empty, not a number or out of range: the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // Any integer but 0 is true; otherwise as readInteger.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Line breaks and NUL characters in a value become blanks: a value is
    // one line of text. A value that would not read back as written (blanks
    // at its ends, enclosing quotes) is written in double quotes.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    // Written as 1 or 0.
    void writeBool(const QString& section, const QString& key, bool value);

    // Replaces the file with content(). On failure the old file stays as it
    // was, false is returned and *error holds the system's reason text.
    bool save(QString* error = nullptr) const;

private:
    enum class LineKind
    {
        Other,
        Section,
        Key
    };
    struct Line
    {
        QString text;
        // "\n", "\r\n", "\r", or empty for a last line without a line break.
        QString ending;
        LineKind kind = LineKind::Other;
        QString name; // section or key name, trimmed
    };

    static Line parseLine(const QString& text, const QString& ending);
    void insertLine(qsizetype at, Line line);
    qsizetype findSection(const QString& section) const;
    // Index of the key's line, -1 when absent.
    qsizetype findKey(const QString& section, const QString& key) const;
    std::optional<QString> rawValue(const QString& section, const QString& key) const;

    QString m_path;
    QList<Line> m_lines;
    QString m_newline = QStringLiteral("\n");
    bool m_utf8Mark = false;
    // Why the file could not be read; save() refuses while it is set.
    QString m_readError;
    ReadProblem m_readProblem = ReadProblem::None;
};
