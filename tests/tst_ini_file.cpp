#include "platform/ini_file.h"
#include "platform/text_file_encoding.h"
#include "tests/support/full_file_system.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

class tst_IniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString fileWith(const QByteArray& content)
    {
        static int counter = 0;
        const QString path = m_dir.filePath(QStringLiteral("f%1.ini").arg(++counter));
        if (!writeAll(path, content))
            qFatal("cannot write the test file");
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readString_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray file =
            "[Com]\nMBLastUsedPort=/dev/ttyUSB0\n[Path]\n  sUtolsoFileUtvonal =  /home/x/  \n"
            "[Quoted]\na=\"  spaced  \"\nb='x'\nc=\"half\nempty=\n[Com]\nMBLastUsedPort=second\n";
        QTest::newRow("section case") << file << "COM"
                                      << "MBLastUsedPort"
                                      << "/dev/ttyUSB0";
        QTest::newRow("key case") << file << "com"
                                  << "mblastusedport"
                                  << "/dev/ttyUSB0";
        QTest::newRow("blanks trimmed") << file << "Path"
                                        << "sUtolsoFileUtvonal"
                                        << "/home/x/";
        QTest::newRow("double quotes") << file << "Quoted"
                                       << "a"
                                       << "  spaced  ";
        QTest::newRow("unmatched quote kept") << file << "Quoted"
                                              << "c"
                                              << "\"half";
        QTest::newRow("present but empty") << file << "Quoted"
                                           << "empty"
                                           << "";
        QTest::newRow("absent key") << file << "Com"
                                    << "Other"
                                    << "DEFAULT";
        QTest::newRow("key of another section") << file << "Path"
                                                << "MBLastUsedPort"
                                                << "DEFAULT";
        QTest::newRow("crlf") << QByteArray("[A]\r\nk=v\r\n") << "A"
                              << "k"
                              << "v";
        QTest::newRow("comment is no key") << QByteArray("[A]\n;k=1\n") << "A"
                                           << ";k"
                                           << "DEFAULT";
        QTest::newRow("key before any section") << QByteArray("k=1\n[A]\n") << "A"
                                                << "k"
                                                << "DEFAULT";
        QTest::newRow("value with equals") << QByteArray("[A]\nk=a=b\n") << "A"
                                           << "k"
                                           << "a=b";
    }
    void readString()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const IniFile ini(fileWith(content));
        QCOMPARE(ini.readString(section, key, QStringLiteral("DEFAULT")), expected);
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");

        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("plain") << "7" << 7;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("plus sign") << "+3" << 3;
        QTest::newRow("blanks around") << "  12  " << 12;
        QTest::newRow("hex 0x") << "0x1F" << 31;
        QTest::newRow("hex dollar") << "$10" << 16;
        QTest::newRow("int max") << "2147483647" << 2147483647;
        QTest::newRow("int min") << "-2147483648" << int(-2147483648LL);
        QTest::newRow("overflow") << "2147483648" << 42;
        QTest::newRow("huge") << "99999999999999999999" << 42;
        QTest::newRow("empty") << "" << 42;
        QTest::newRow("letters") << "abc" << 42;
        QTest::newRow("trailing letters") << "12abc" << 42;
        QTest::newRow("decimal") << "1.0" << 42;
        QTest::newRow("sign only") << "-" << 42;
        QTest::newRow("bare 0x") << "0x" << 42;
        QTest::newRow("inner blank") << "1 2" << 42;
    }
    void readInteger()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        const IniFile ini(fileWith("[KV]\nRadioGroup_KVValasztas=" + value.toUtf8() + "\n"));
        QCOMPARE(ini.readInteger(QStringLiteral("kv"), QStringLiteral("RadioGroup_KVValasztas"), 42),
                 expected);
        QCOMPARE(ini.readInteger(QStringLiteral("KV"), QStringLiteral("absent"), 42), 42);
    }

    void flags_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");

        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("other number") << QByteArray("2") << false << true;
        QTest::newRow("text gives default true") << QByteArray("yes") << true << true;
        QTest::newRow("text gives default false") << QByteArray("yes") << false << false;
    }
    void flags()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        const IniFile ini(fileWith("[B]\nCheckBox=" + value + "\n"));
        QCOMPARE(ini.readBool(QStringLiteral("B"), QStringLiteral("CheckBox"), defaultValue), expected);
    }

    void flagsAreWrittenAsDigits()
    {
        const QString path = m_dir.filePath(QStringLiteral("flags.ini"));
        IniFile ini(path);
        ini.writeBool(QStringLiteral("B"), QStringLiteral("On"), true);
        ini.writeBool(QStringLiteral("B"), QStringLiteral("Off"), false);
        QVERIFY(ini.save());
        QCOMPARE(readAll(path), QByteArray("[B]\nOn=1\nOff=0\n"));
    }

    void updateInPlace_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        const QByteArray file = "; written by hand\n[Date]\nDate=2015.03.25.\n\n[Com]\nMBLastUsedPort=COM1\n"
                                "Other=keep\n; port comment\n\n[User]\nmine=1\n";
        QTest::newRow("replace value, other case")
            << file << "com"
            << "mblastusedport"
            << "/dev/ttyS0"
            << QByteArray("; written by hand\n[Date]\nDate=2015.03.25.\n\n[Com]\nMBLastUsedPort=/dev/ttyS0\n"
                          "Other=keep\n; port comment\n\n[User]\nmine=1\n");
        QTest::newRow("new key after last key of section")
            << file << "Com"
            << "Added"
            << "x"
            << QByteArray("; written by hand\n[Date]\nDate=2015.03.25.\n\n[Com]\nMBLastUsedPort=COM1\n"
                          "Other=keep\nAdded=x\n; port comment\n\n[User]\nmine=1\n");
        QTest::newRow("new key in last section")
            << file << "User"
            << "more"
            << "2"
            << QByteArray("; written by hand\n[Date]\nDate=2015.03.25.\n\n[Com]\nMBLastUsedPort=COM1\n"
                          "Other=keep\n; port comment\n\n[User]\nmine=1\nmore=2\n");
        QTest::newRow("new section at end")
            << file << "KV"
            << "RadioGroup_KVValasztas"
            << "0"
            << QByteArray("; written by hand\n[Date]\nDate=2015.03.25.\n\n[Com]\nMBLastUsedPort=COM1\n"
                          "Other=keep\n; port comment\n\n[User]\nmine=1\n[KV]\nRadioGroup_KVValasztas=0\n");
        QTest::newRow("empty section gets key after header") << QByteArray("[A]\n[B]\nk=1\n") << "A"
                                                             << "n"
                                                             << "v" << QByteArray("[A]\nn=v\n[B]\nk=1\n");
        QTest::newRow("crlf kept") << QByteArray("[A]\r\nk=1\r\n") << "A"
                                   << "k"
                                   << "2" << QByteArray("[A]\r\nk=2\r\n");
        QTest::newRow("line break in value") << QByteArray("[A]\nk=1\n[B]\n") << "A"
                                             << "k"
                                             << "two\r\nlines\n"
                                             << QByteArray("[A]\nk=\"two lines \"\n[B]\n");
        QTest::newRow("value in single quotes") << QByteArray("[A]\nk=1\n") << "A"
                                                << "k"
                                                << "'5'" << QByteArray("[A]\nk=\"'5'\"\n");
    }
    void updateInPlace()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);

        const QString path = fileWith(before);
        IniFile ini(path);
        ini.writeString(section, key, value);
        QString error;
        QVERIFY2(ini.save(&error), qPrintable(error));
        QCOMPARE(readAll(path), after);
        // Read back as written, the line breaks as blanks.
        QCOMPARE(IniFile(path).readString(section, key),
                 QString(value).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' '));
    }

    void newFileKeepsWriteOrder()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        QVERIFY(!QFile::exists(path));
        IniFile ini(path);
        QVERIFY(ini.sections().isEmpty());
        ini.writeString(QStringLiteral("Fejlec"), QStringLiteral("KV"), QStringLiteral("KV4820"));
        ini.writeInteger(QStringLiteral("Beallitas"), QStringLiteral("RadioGroup_Uzemmod"), -1);
        ini.writeString(QStringLiteral("Beallitas"), QStringLiteral("LabeledEdit_AramL"),
                        QStringLiteral("-200.0"));
        ini.writeString(QStringLiteral("Date"), QStringLiteral("Date"), QStringLiteral("2015.03.25."));
        QVERIFY(ini.save());
        QCOMPARE(readAll(path), QByteArray("[Fejlec]\nKV=KV4820\n[Beallitas]\nRadioGroup_Uzemmod=-1\n"
                                           "LabeledEdit_AramL=-200.0\n[Date]\nDate=2015.03.25.\n"));
        const IniFile back(path);
        QCOMPARE(back.sections(), (QStringList{"Fejlec", "Beallitas", "Date"}));
        QCOMPARE(back.keys(QStringLiteral("beallitas")),
                 (QStringList{"RadioGroup_Uzemmod", "LabeledEdit_AramL"}));
        QCOMPARE(back.readInteger(QStringLiteral("Beallitas"), QStringLiteral("RadioGroup_Uzemmod"), 5), -1);
    }

    void utf8RoundTrip()
    {
        const QString path = m_dir.filePath(QStringLiteral("utf8.ini"));
        const QString folder = QStringLiteral("/home/kovács/Mérések/ŐŰőű áéíóöúü/");
        IniFile ini(path);
        ini.writeString(QStringLiteral("Path"), QStringLiteral("sUtolsoFileUtvonal"), folder);
        ini.writeString(QStringLiteral("Szöveg"), QStringLiteral("Kulcs"), QStringLiteral("érték"));
        QVERIFY(ini.save());
        QCOMPARE(
            readAll(path),
            QStringLiteral("[Path]\nsUtolsoFileUtvonal=%1\n[Szöveg]\nKulcs=érték\n").arg(folder).toUtf8());
        const IniFile back(path);
        QCOMPARE(back.readString(QStringLiteral("path"), QStringLiteral("SUTOLSOFILEUTVONAL")), folder);
        QCOMPARE(back.readString(QStringLiteral("SZÖVEG"), QStringLiteral("kulcs")), QStringLiteral("érték"));
    }

    void utf8ByteOrderMarkSkipped()
    {
        const IniFile ini(fileWith("\xEF\xBB\xBF[A]\nk=\xC3\xA1\n"));
        QCOMPARE(ini.sections(), QStringList{QStringLiteral("A")});
        QCOMPARE(ini.readString(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("á"));
    }

    // Text of its own that starts with U+FEFF (after the mark of a UTF-16
    // file) keeps the character: the next reading must not take it for a
    // mark and drop it.
    void markCharacterAtTheStartSurvives()
    {
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        IniFile ini(fileWith(utf16(QStringLiteral("\uFEFF; note\n[A]\nk=1\n"))));
        ini.writeInteger(QStringLiteral("A"), QStringLiteral("k"), 2);
        QVERIFY(ini.save());
        const std::optional<TextFileEncoding::Decoded> back = TextFileEncoding::decode(readAll(ini.path()));
        QVERIFY(back);
        QCOMPARE(back->text, QStringLiteral("\uFEFF; note\n[A]\nk=2\n"));
    }

    void windows1250_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Hungarian lower")
            << QByteArray("\xE1\xE9\xED\xF3\xF6\xF5\xFA\xFC\xFB") << QStringLiteral("áéíóöőúüű");
        QTest::newRow("Hungarian upper")
            << QByteArray("\xC1\xC9\xCD\xD3\xD6\xD5\xDA\xDC\xDB") << QStringLiteral("ÁÉÍÓÖŐÚÜŰ");
        QTest::newRow("other Central European")
            << QByteArray("\x8A\x9A\x8E\x9E\xA3\xB3\xC8\xE8") << QStringLiteral("ŠšŽžŁłČč");
        QTest::newRow("punctuation") << QByteArray("\x80\x84\x96") << QStringLiteral("€„–");
    }
    void windows1250()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const QString path = fileWith("[Path]\nsUtolsoFileUtvonal=C:\\" + bytes + "\\\n");
        const IniFile ini(path);
        QCOMPARE(ini.readString(QStringLiteral("Path"), QStringLiteral("sUtolsoFileUtvonal")),
                 QStringLiteral("C:\\") + expected + u'\\');

        // Saved again, the file is UTF-8 and keeps the text.
        IniFile update(path);
        update.writeInteger(QStringLiteral("KV"), QStringLiteral("RadioGroup_KVValasztas"), 0);
        QVERIFY(update.save());
        const QByteArray saved = readAll(path);
        QCOMPARE(QString::fromUtf8(saved),
                 QStringLiteral("[Path]\nsUtolsoFileUtvonal=C:\\%1\\\n[KV]\nRadioGroup_KVValasztas=0\n")
                     .arg(expected));
    }

    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<QString>("target");
        // Root may write anywhere a directory allows, so the failures come
        // from paths that cannot be files at all.
        QTest::newRow("under a regular file") << QStringLiteral("plain.txt/x.ini");
        QTest::newRow("missing folder") << QStringLiteral("missing/folder/x.ini");
        QTest::newRow("target is a folder") << QStringLiteral("adir");
    }
    void failedSaveKeepsOldFile()
    {
        QFETCH(QString, target);
        QVERIFY(writeAll(m_dir.filePath(QStringLiteral("plain.txt")), "[Keep]\nk=1\n"));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("adir")));
        const QString path = m_dir.filePath(target);
        IniFile ini(path);
        ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
        QString error;
        QVERIFY(!ini.save(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(m_dir.filePath(QStringLiteral("plain.txt"))), QByteArray("[Keep]\nk=1\n"));
    }

    void fullDiskKeepsOldContent()
    {
        // A file-size limit fails the write like a full disk does.
        const QByteArray old = "[Date]\nDate=2015.03.25.\n[User]\nmine=1\n";
        const QString path = fileWith(old);
        IniFile ini(path);
        ini.writeString(QStringLiteral("Big"), QStringLiteral("k"), QString(64 * 1024, u'x'));

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool saved1 = ini.save(&error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!saved1);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QStringLiteral(".ini.")), QStringList());
    }

    void fullFileSystemKeepsOldFile_data()
    {
        QTest::addColumn<QString>("value");
        // A change smaller than any write buffer fails only when the buffer
        // is flushed; a large one fails at the first write.
        QTest::newRow("small change") << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("large value") << QString(64 * 1024, u'x');
    }
    void fullFileSystemKeepsOldFile()
    {
        QFETCH(QString, value);
        static int counter = 0;
        FullFileSystem disk(m_dir.filePath(QStringLiteral("full%1").arg(++counter)));
        qInfo("full disk: %s", qPrintable(disk.mechanism()));
        const QByteArray old = "[Date]\r\nDate=2015.03.25.\r\n[User]\r\nmine=1\r\n";
        const QString path = QDir(disk.path()).filePath(QStringLiteral("kvconf.ini"));
        QVERIFY(writeAll(path, old));
        IniFile ini(path);
        ini.writeString(QStringLiteral("Com"), QStringLiteral("MBLastUsedPort"), value);

        const FullFileSystem::SaveAttempt attempt =
            disk.trySave([&](QString* error) { return ini.save(error); });
        QVERIFY2(attempt.whyNot.isEmpty(), qPrintable(attempt.whyNot));
        QCOMPARE(readAll(path), old);
        QVERIFY(!attempt.saved);
        QCOMPARE(attempt.error, QString::fromLocal8Bit(std::strerror(disk.writeError())));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 disk.ownFiles() << QStringLiteral("kvconf.ini"));
    }

    void readOnlyFolderKeepsOldFile()
    {
        const QByteArray old = "[A]\nk=1\n";
        const ReadOnlyFolder folder(m_dir.filePath(QStringLiteral("readonly")), QStringLiteral("x.ini"), old);
        if (!folder.whyNot().isEmpty())
            QSKIP(qPrintable(QStringLiteral("no read-only folder: ") + folder.whyNot()));
        const QString path = QDir(folder.path()).filePath(QStringLiteral("x.ini"));
        IniFile ini(path);
        ini.writeInteger(QStringLiteral("A"), QStringLiteral("k"), 2);
        QString error;
        QVERIFY(!ini.save(&error));
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(folder.writeError())));
        QCOMPARE(readAll(path), old);
    }

    void saveKeepsPermissionsAndLinks()
    {
        const QString path = fileWith("[A]\nk=1\n");
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path, mode));
        const QString link = m_dir.filePath(QStringLiteral("link.ini"));
        QVERIFY(QFile::link(path, link));
        IniFile ini(link);
        ini.writeInteger(QStringLiteral("A"), QStringLiteral("k"), 2);
        QString error;
        QVERIFY2(ini.save(&error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(path), QByteArray("[A]\nk=2\n"));
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), mode);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("savedBack");

        const QString text =
            QStringLiteral("[Path]\r\nsUtolsoFileUtvonal=C:\\Mérések\\\r\n[Őrző]\r\nx=ű\r\n");
        const QByteArray savedBack = (text + QStringLiteral("[KV]\r\nRadioGroup_KVValasztas=0\r\n")).toUtf8();
        QByteArray utf16le("\xFF\xFE");
        QByteArray utf16be("\xFE\xFF");
        for (const QChar c : text) {
            utf16le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            utf16be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        }
        QByteArray utf32le("\xFF\xFE\x00\x00", 4);
        for (const QChar c : text)
            utf32le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8)).append(2, '\0');

        QTest::newRow("UTF-16 LE with mark") << utf16le << savedBack;
        QTest::newRow("UTF-16 BE with mark") << utf16be << savedBack;
        QTest::newRow("UTF-32 LE with mark") << utf32le << savedBack;
        QTest::newRow("UTF-8 with mark") << "\xEF\xBB\xBF" + text.toUtf8() << "\xEF\xBB\xBF" + savedBack;
        // A Windows-1250 editor kept the mark and the UTF-8 letters but typed
        // its own: the first é is UTF-8, the second Windows-1250.
        QTest::newRow("UTF-8 with mark and a Windows-1250 byte")
            << QByteArray("\xEF\xBB\xBF[Path]\r\nsUtolsoFileUtvonal=C:\\M\xC3\xA9r\xE9sek\\\r\n"
                          "[\xC5\x90rz\xC5\x91]\r\nx=\xC5\xB1\r\n")
            << "\xEF\xBB\xBF" + savedBack;
        QTest::newRow("Windows-1250") << QByteArray("[Path]\r\nsUtolsoFileUtvonal=C:\\M\xE9r\xE9sek\\\r\n"
                                                    "[\xD5rz\xF5]\r\nx=\xFB\r\n")
                                      << savedBack;
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, savedBack);
        const QString path = fileWith(bytes);
        IniFile ini(path);
        QCOMPARE(ini.sections(), (QStringList{"Path", "Őrző"}));
        QCOMPARE(ini.readString(QStringLiteral("Path"), QStringLiteral("sUtolsoFileUtvonal")),
                 QStringLiteral("C:\\Mérések\\"));
        QCOMPARE(ini.readString(QStringLiteral("őrző"), QStringLiteral("x")), QStringLiteral("ű"));

        ini.writeInteger(QStringLiteral("KV"), QStringLiteral("RadioGroup_KVValasztas"), 0);
        QString error;
        QVERIFY2(ini.save(&error), qPrintable(error));
        QCOMPARE(readAll(path), savedBack);
    }

    void unreadableFileIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("UTF-16 of odd length") << QByteArrayLiteral("\xFF\xFE[\0A\0]\0\n");
        QTest::newRow("UTF-16 with a lone surrogate")
            << QByteArrayLiteral("\xFF\xFE[\0A\0]\0\n\0k\0=\0\x00\xD8\n\0");
        QTest::newRow("UTF-16 without mark") << QByteArrayLiteral("[\0A\0]\0\n\0k\0=\0\x31\0\n\0");
        QTest::newRow("NUL in UTF-8") << QByteArrayLiteral("[A]\nk=1\0\n");
    }
    void unreadableFileIsNeverWritten()
    {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(bytes);
        IniFile ini(path);
        QString error;
        QVERIFY(!ini.load(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(ini.sections(), QStringList());
        ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("2"));
        QString saveError;
        QVERIFY(!ini.save(&saveError));
        QCOMPARE(saveError, error);
        QCOMPARE(readAll(path), bytes);

        // Overwriting on purpose stays possible.
        ini.clear();
        ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("2"));
        QVERIFY(ini.save());
        QCOMPARE(readAll(path), QByteArray("[A]\nk=2\n"));
    }

    void lineEndingsKept_data()
    {
        // Each save writes A/k=2, and A/n=3 when addsKey is set.
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("addsKey");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("LF file with a CR CR LF line") << QByteArray("[A]\nk=1\nx=a\r\r\n[B]\nm=2\n") << false
                                                      << QByteArray("[A]\nk=2\nx=a\r\r\n[B]\nm=2\n");
        QTest::newRow("CRs ending the last line")
            << QByteArray("[A]\nk=1\nx=a\r\r") << false << QByteArray("[A]\nk=2\nx=a\r\r");
        QTest::newRow("mixed endings, new lines as most") << QByteArray("[B]\nm=2\r\n[A]\r\nk=1\r\n") << true
                                                          << QByteArray("[B]\nm=2\r\n[A]\r\nk=2\r\nn=3\r\n");
        QTest::newRow("no final line break")
            << QByteArray("[A]\nk=1") << true << QByteArray("[A]\nk=2\nn=3\n");
        QTest::newRow("written key keeps its CRLF in an LF file")
            << QByteArray("[A]\nk=1\r\nj=0\n") << true << QByteArray("[A]\nk=2\r\nj=0\nn=3\n");
        QTest::newRow("CR alone ends lines")
            << QByteArray("[A]\rk=1\r[B]\rm=2\r") << true << QByteArray("[A]\rk=2\rn=3\r[B]\rm=2\r");
    }
    void lineEndingsKept()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, addsKey);
        QFETCH(QByteArray, after);
        const QString path = fileWith(before);
        // Each run of the program saves once: the file must not drift.
        for (int run = 0; run < 3; ++run) {
            IniFile ini(path);
            ini.writeInteger(QStringLiteral("A"), QStringLiteral("k"), 2);
            if (addsKey)
                ini.writeInteger(QStringLiteral("A"), QStringLiteral("n"), 3);
            QVERIFY(ini.save());
            QCOMPARE(readAll(path), after);
        }
    }
};

QTEST_MAIN(tst_IniFile)
#include "tst_ini_file.moc"
