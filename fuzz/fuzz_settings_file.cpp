// The settings file: whatever file it reads, saving the values into it and
// reading it again gives the same values and leaves the other programs'
// sections and keys as they were; texts made of the input, line breaks,
// brackets and equals signs included, read back as one line each and add
// no section or key.
//
// Input: the bytes of a file.

#include "app/settings_file.h"
#include "fuzz/one_line.h"
#include "platform/ini_file.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr qsizetype kTextChars = 40;
const QString kDate = QStringLiteral("2015.03.25.");

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "settings file: %s\n", what);
    std::abort();
}

// Every key of the file that the settings file does not own, with its value.
QStringList foreignEntries(const IniFile& ini, const IniFile& own)
{
    QStringList entries;
    for (const QString& section : ini.sections()) {
        for (const QString& key : ini.keys(section)) {
            if (!own.hasKey(section, key))
                entries.append(section + u'/' + key + u'=' + ini.readString(section, key));
        }
    }
    return entries;
}

IniFile reread(const IniFile& written)
{
    IniFile again{QString()};
    if (!again.setContent(written.content()))
        fail("cannot read what it wrote");
    return again;
}

// Texts as the file keeps them. A text read from a file can hold a carriage
// return that is no line break; saved, it is a blank like any other.
SettingsFileValues asOneLine(SettingsFileValues values)
{
    values.scaleLow = asOneLine(values.scaleLow);
    values.scaleHigh = asOneLine(values.scaleHigh);
    for (LimitOutputValues& limit : values.limits) {
        for (QString* text : {&limit.low, &limit.high, &limit.hysteresis})
            *text = asOneLine(*text);
    }
    return values;
}

void checkTexts(const QString& text)
{
    SettingsFileValues values;
    values.scaleLow = text;
    values.limits.back().hysteresis = text;
    values.limits.front().low = text + QStringLiteral("\n[Beallitas]\nRadioGroup_Uzemmod=2");
    IniFile ini{QString()};
    SettingsFile::store(ini, dmKV4620, values, kDate);
    const IniFile again = reread(ini);
    if (again.sections() != QStringList{"Fejlec", "Beallitas", "Limits", "Date"})
        fail("a text added a section");
    const SettingsFile::Loaded loaded = SettingsFile::parse(again, dmKV4620);
    if (loaded.status != SettingsFile::Status::Loaded || loaded.values != asOneLine(values))
        fail("texts do not read back as one line each");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkTexts(QString::fromUtf8(bytes.left(kTextChars)));

    IniFile ini{QString()};
    if (!ini.setContent(bytes)) {
        if (SettingsFile::parse(bytes, dmKV4820).status != SettingsFile::Status::Unreadable)
            fail("a file the INI layer cannot read is taken");
        return 0;
    }
    // The values the file holds, whatever its header said.
    ini.writeString(QStringLiteral("Fejlec"), QStringLiteral("KV"), SettingsFile::modelName(dmKV4820));
    if (SettingsFile::parse(ini, dmKV4620).status != SettingsFile::Status::WrongModel)
        fail("a file for the other model is taken");
    const SettingsFile::Loaded before = SettingsFile::parse(ini, dmKV4820);
    if (before.status != SettingsFile::Status::Loaded)
        fail("the model's own header is refused");

    IniFile own{QString()};
    SettingsFile::store(own, dmKV4820, before.values, kDate);
    const QStringList foreign = foreignEntries(ini, own);
    SettingsFile::store(ini, dmKV4820, before.values, kDate);
    const IniFile again = reread(ini);
    const SettingsFile::Loaded after = SettingsFile::parse(again, dmKV4820);
    if (after.status != SettingsFile::Status::Loaded || after.values != asOneLine(before.values))
        fail("values differ after saving and reading again");
    if (again.readString(QStringLiteral("Date"), QStringLiteral("Date")) != kDate)
        fail("the date does not read back");
    if (foreignEntries(again, own) != foreign)
        fail("saving changed another program's keys");
    return 0;
}
