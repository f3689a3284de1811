#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A private-profile (INI) file: "[Section]" lines, each followed by
// "Key=Value" lines. Section and key names are matched without regard to
// letter case; the first of duplicate sections or keys wins. Values are read
// trimmed, and a value in matching quotes loses the quotes.
//
// The file is read once (construction or load()), changed in memory and
// written back by save(). Updates are made in place: every other line, its
// order, comments and blank lines stay as they were; a new key goes after the
// last key of its section, a new section to the end of the file.
//
// The text is written as UTF-8. A file that is not valid UTF-8 is read as
// Windows-1250, the code page of files written on Windows.
class IniFile
{
public:
    // Reads the file when it exists; a missing file is an empty one.
    explicit IniFile(QString path);

    QString path() const { return m_path; }

    // Reads the file again, dropping unsaved changes. A missing file gives an
    // empty one and succeeds; an unreadable file gives an empty one and fails.
    bool load(QString* error = nullptr);
    // Forgets every line, so that save() writes only what is written after.
    void clear();

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

    // Line breaks in a value become blanks: a value is one line.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    // Written as 1 or 0.
    void writeBool(const QString& section, const QString& key, bool value);

    // Writes the whole file through a temporary file that replaces the old one
    // only when completely written: on failure the old file stays untouched,
    // false is returned and *error holds the system's error text.
    bool save(QString* error = nullptr) const;

    // Decodes UTF-8 when the bytes are valid UTF-8 (an initial byte-order mark
    // is skipped), Windows-1250 otherwise.
    static QString decode(const QByteArray& bytes);

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
        LineKind kind = LineKind::Other;
        QString name; // section or key name, trimmed
    };

    static Line parseLine(const QString& text);
    qsizetype findSection(const QString& section) const;
    // Index of the key's line, -1 when absent.
    qsizetype findKey(const QString& section, const QString& key) const;
    std::optional<QString> rawValue(const QString& section, const QString& key) const;

    QString m_path;
    QList<Line> m_lines;
    bool m_crlf = false;
};
