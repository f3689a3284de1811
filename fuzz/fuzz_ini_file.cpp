// The INI layer: whatever it reads, it writes back so that a second reading
// finds the same sections, keys and values; an unchanged UTF-8 file is
// written back byte for byte; a written value reads back as written and
// leaves every other key alone.
//
// Input: the bytes of a file.

#include "fuzz/one_line.h"
#include "platform/ini_file.h"
#include "platform/text_file_encoding.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");
constexpr qsizetype kValueChars = 24;

struct Entry
{
    QString section;
    QString key;
    QString value;
    bool operator==(const Entry&) const = default;
};

// Every key the file answers for, as the program would read it.
QList<Entry> entries(const IniFile& ini)
{
    QList<Entry> all;
    for (const QString& section : ini.sections()) {
        for (const QString& key : ini.keys(section))
            all.append({section, key, ini.readString(section, key)});
    }
    return all;
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "INI layer: %s\n", what);
    std::abort();
}

IniFile reread(const QByteArray& bytes)
{
    IniFile again{QString()};
    if (!again.setContent(bytes))
        fail("cannot read back what it wrote");
    if (again.content() != bytes)
        fail("writing back what it wrote changes it");
    return again;
}

void checkWrite(IniFile ini, const QString& section, const QString& key, const QString& value)
{
    const QList<Entry> before = entries(ini);
    ini.writeString(section, key, value);
    const IniFile after = reread(ini.content());
    if (after.readString(section, key, QStringLiteral("<absent>")) != asOneLine(value))
        fail("a written value does not read back");
    for (const Entry& entry : before) {
        const bool written = entry.section.compare(section, Qt::CaseInsensitive) == 0 &&
                             entry.key.compare(key, Qt::CaseInsensitive) == 0;
        if (!written && after.readString(entry.section, entry.key, QStringLiteral("<absent>")) != entry.value)
            fail("writing one key changed another");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile ini{QString()};
    if (!ini.setContent(bytes)) {
        if (TextFileEncoding::decode(bytes))
            fail("refuses a file that decodes");
        return 0;
    }
    const QByteArray written = ini.content();
    const QByteArrayView unmarked = bytes.startsWith(kUtf8Mark) ? QByteArrayView(bytes).sliced(3) : bytes;
    if (TextFileEncoding::isUtf8(unmarked) && written != bytes)
        fail("an unchanged UTF-8 file is not written back as it was");
    const IniFile again = reread(written);
    if (entries(again) != entries(ini))
        fail("sections, keys or values differ after writing back");

    // A value made of the file's own text, into a key it has and a new one.
    const QString value = QString::fromUtf8(bytes.left(kValueChars));
    const QStringList sections = ini.sections();
    if (!sections.isEmpty() && !ini.keys(sections.first()).isEmpty())
        checkWrite(ini, sections.first(), ini.keys(sections.first()).first(), value);
    checkWrite(ini, QStringLiteral("Fuzz"), QStringLiteral("Value"), value);
    return 0;
}
