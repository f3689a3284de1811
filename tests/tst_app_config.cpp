#include "app/app_config.h"
#include "tests/support/full_file_system.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/test_files.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// Sets an environment variable for the life of the object.
struct EnvironmentOverride
{
    QByteArray name;
    QByteArray saved;
    EnvironmentOverride(const char* variable, const QString& value) : name(variable), saved(qgetenv(variable))
    {
        qputenv(variable, QFile::encodeName(value));
    }
    ~EnvironmentOverride()
    {
        if (saved.isNull())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), saved);
    }
};

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

class tst_AppConfig : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString program() const { return m_dir.filePath(QStringLiteral("kvconf")); }
    QString configPath() const { return m_dir.filePath(QStringLiteral("kvconf.ini")); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { QFile::remove(configPath()); }

    void fileBesideProgram_data()
    {
        QTest::addColumn<QString>("programName");
        QTest::addColumn<QString>("configName");

        QTest::newRow("no extension") << "kvconf"
                                      << "kvconf.ini";
        QTest::newRow("extension replaced") << "KVConf.exe"
                                            << "KVConf.ini";
        QTest::newRow("only the last extension") << "kv.conf.bin"
                                                 << "kv.conf.ini";
        QTest::newRow("dot in folder only") << "sub.d/kvconf"
                                            << "sub.d/kvconf.ini";
    }
    void fileBesideProgram()
    {
        QFETCH(QString, programName);
        QFETCH(QString, configName);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("sub.d")));
        QCOMPARE(AppConfig::configFilePath(m_dir.filePath(programName)), m_dir.filePath(configName));
        QCOMPARE(AppConfig(m_dir.filePath(programName)).filePath(), m_dir.filePath(configName));
    }

    void unwritableProgramFolderUsesUserConfigFolder()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        const QString path = AppConfig::configFilePath(QStringLiteral("/nonexistent-kvconf-folder/kvconf"));
        QCOMPARE(path, QDir(userFolder).filePath(QStringLiteral("kvconf.ini")));

        AppConfig config(QStringLiteral("/nonexistent-kvconf-folder/kvconf"));
        config.setModelIndex(0);
        QString error;
        QVERIFY2(config.save(&error), qPrintable(error));
        AppConfig back(QStringLiteral("/nonexistent-kvconf-folder/kvconf"));
        back.load();
        QCOMPARE(back.modelIndex(), 0);
        QFile::remove(path);
        QStandardPaths::setTestModeEnabled(false);
    }

    void firstRunDefaults()
    {
        AppConfig config(program());
        config.load();
        QCOMPARE(config.lastUsedPort(), QString());
        QCOMPARE(config.settingsFolder(), QDir::toNativeSeparators(m_dir.path()) + QDir::separator());
        QCOMPARE(config.modelIndex(), 1);
        QCOMPARE(config.languageIndex(), 1);
        QVERIFY(!QFile::exists(configPath()));
    }

    void indexes_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");

        QTest::newRow("0") << QByteArray("0") << 0;
        QTest::newRow("1") << QByteArray("1") << 1;
        QTest::newRow("above last, as stored") << QByteArray("7") << 7;
        QTest::newRow("negative") << QByteArray("-1") << 1;
        QTest::newRow("very negative") << QByteArray("-2147483648") << 1;
        QTest::newRow("not a number") << QByteArray("Magyar") << 1;
        QTest::newRow("empty") << QByteArray("") << 1;
        QTest::newRow("trailing text") << QByteArray("0x") << 1;
    }
    void indexes()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        QVERIFY(writeAll(configPath(), "[kv]\nradiogroup_kvvalasztas=" + stored +
                                           "\n[LANGUAGE]\n"
                                           "RadioGroup_NyelvValasztas=" +
                                           stored + "\n"));
        AppConfig config(program());
        config.load();
        QCOMPARE(config.modelIndex(), expected);
        QCOMPARE(config.languageIndex(), expected);
    }

    void newFileKeyOrder()
    {
        AppConfig config(program());
        config.load();
        config.setLastUsedPort(QStringLiteral("/dev/ttyS0"));
        config.setModelIndex(0);
        config.setLanguageIndex(0);
        const QString before = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
        QVERIFY(config.save());
        const QString after = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);

        const QStringList lines = fileLines(configPath());
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(0), QStringLiteral("[Date]"));
        QVERIFY2(lines.at(1) == "Date=" + before || lines.at(1) == "Date=" + after, qPrintable(lines.at(1)));
        QCOMPARE(lines.mid(2),
                 (QStringList{"[Com]", "MBLastUsedPort=/dev/ttyS0", "[Path]",
                              "sUtolsoFileUtvonal=" + AppConfig::programFolder(program()), "[KV]",
                              "RadioGroup_KVValasztas=0", "[Language]", "RadioGroup_NyelvValasztas=0"}));
    }

    // Written once switched off, in a section of its own after the others.
    void reconnectSwitch()
    {
        AppConfig config(program());
        config.load();
        QVERIFY(config.autoReconnect());
        config.setAutoReconnect(false);
        QVERIFY(config.save());
        QCOMPARE(fileLines(configPath()).mid(10), (QStringList{"[Link]", "MBAutoReconnect=0"}));
        AppConfig back(program());
        back.load();
        QVERIFY(!back.autoReconnect());
    }

    void existingFileUpdatedInPlace()
    {
        QVERIFY(writeAll(configPath(), "; kept\n[Language]\nRadioGroup_NyelvValasztas=0\nOther=x\n"
                                       "[Mine]\nkey=value\n[Date]\nDate=old\n"));
        AppConfig config(program());
        config.load();
        QCOMPARE(config.languageIndex(), 0);
        config.setLanguageIndex(1);
        config.setSettingsFolder(QStringLiteral("/home/mérés/"));
        config.setLastUsedPort(QStringLiteral("/dev/ttyUSB1"));
        QVERIFY(config.save());

        const QStringList lines = fileLines(configPath());
        QCOMPARE(lines.at(0), QStringLiteral("; kept"));
        QCOMPARE(lines.mid(1, 3), (QStringList{"[Language]", "RadioGroup_NyelvValasztas=1", "Other=x"}));
        QCOMPARE(lines.mid(4, 3), (QStringList{"[Mine]", "key=value", "[Date]"}));
        QVERIFY(lines.at(7) != QStringLiteral("Date=old"));
        QCOMPARE(lines.mid(8),
                 (QStringList{"[Com]", "MBLastUsedPort=/dev/ttyUSB1", "[Path]",
                              "sUtolsoFileUtvonal=/home/mérés/", "[KV]", "RadioGroup_KVValasztas=1"}));

        AppConfig back(program());
        back.load();
        QCOMPARE(back.settingsFolder(), QStringLiteral("/home/mérés/"));
        QCOMPARE(back.languageIndex(), 1);
        QCOMPARE(back.lastUsedPort(), QStringLiteral("/dev/ttyUSB1"));
    }

    void unwritableLocationFailsSave()
    {
        // The program folder does not exist, and the user configuration
        // folder lies under a regular file: nothing can be created there.
        QVERIFY(writeAll(m_dir.filePath(QStringLiteral("plain")), "x"));
        const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("plain/config"))));
        AppConfig config(m_dir.filePath(QStringLiteral("missing/kvconf")));
        QString error;
        const bool saved = config.save(&error);
        if (savedXdg.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedXdg);
        QVERIFY(config.filePath().startsWith(m_dir.filePath(QStringLiteral("plain/config"))));
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(m_dir.filePath(QStringLiteral("plain"))), QByteArray("x"));
    }

    void fullDiskKeepsConfiguration()
    {
        FullFileSystem disk(m_dir.filePath(QStringLiteral("fulldisk")));
        qInfo("full disk: %s", qPrintable(disk.mechanism()));
        const QString path = QDir(disk.path()).filePath(QStringLiteral("kvconf.ini"));
        const QByteArray old = "[KV]\nRadioGroup_KVValasztas=0\n[Mine]\nkey=value\n";
        QVERIFY(writeAll(path, old));
        AppConfig config(QDir(disk.path()).filePath(QStringLiteral("kvconf")));
        QCOMPARE(config.filePath(), path);
        config.load();
        config.setLastUsedPort(QStringLiteral("/dev/ttyUSB0"));
        const FullFileSystem::SaveAttempt attempt =
            disk.trySave([&](QString* error) { return config.save(error); });
        QVERIFY2(attempt.whyNot.isEmpty(), qPrintable(attempt.whyNot));
        QCOMPARE(readAll(path), old);
        QVERIFY(!attempt.saved);
        QCOMPARE(attempt.error, systemText(disk.writeError()));
    }

    void readOnlyProgramFolderStartsFromItsConfiguration()
    {
        QStandardPaths::setTestModeEnabled(true);
        const auto normalPaths = qScopeGuard([] { QStandardPaths::setTestModeEnabled(false); });
        const QByteArray installed =
            "[KV]\nRadioGroup_KVValasztas=0\n[Language]\nRadioGroup_NyelvValasztas=0\n"
            "[Mine]\nkey=value\n";
        const ReadOnlyFolder folder(m_dir.filePath(QStringLiteral("installed")), QStringLiteral("kvconf.ini"),
                                    installed);
        if (!folder.whyNot().isEmpty())
            QSKIP(qPrintable(QStringLiteral("no read-only folder: ") + folder.whyNot()));
        const QString program = QDir(folder.path()).filePath(QStringLiteral("kvconf"));
        const QString userFile = QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                                     .filePath(QStringLiteral("kvconf.ini"));
        QFile::remove(userFile);

        AppConfig config(program);
        QCOMPARE(config.filePath(), userFile);
        config.load();
        QCOMPARE(config.modelIndex(), 0);
        QCOMPARE(config.languageIndex(), 0);
        config.setLastUsedPort(QStringLiteral("/dev/ttyS1"));
        QString error;
        QVERIFY2(config.save(&error), qPrintable(error));
        QCOMPARE(readAll(QDir(folder.path()).filePath(QStringLiteral("kvconf.ini"))), installed);

        // From now on the user's own file is read, and it kept what the
        // installed one held.
        AppConfig back(program);
        back.load();
        QCOMPARE(back.lastUsedPort(), QStringLiteral("/dev/ttyS1"));
        QCOMPARE(back.modelIndex(), 0);
        const QStringList lines = fileLines(userFile);
        QVERIFY2(lines.contains(QStringLiteral("[Mine]")) && lines.contains(QStringLiteral("key=value")),
                 qPrintable(lines.join(u'|')));
        QFile::remove(userFile);
    }

    void unwritableUserFolderGivesItsReason_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("file in the way") << false;
    }
    void unwritableUserFolderGivesItsReason()
    {
        QFETCH(bool, readOnly);
        static int counter = 0;
        const QString home = m_dir.filePath(QStringLiteral("home%1").arg(++counter));
        std::unique_ptr<ReadOnlyFolder> folder;
        QString configHome;
        int expected = ENOTDIR;
        if (readOnly) {
            folder = std::make_unique<ReadOnlyFolder>(home);
            if (!folder->whyNot().isEmpty())
                QSKIP(qPrintable(QStringLiteral("no read-only folder: ") + folder->whyNot()));
            configHome = home;
            expected = folder->writeError();
        } else {
            QVERIFY(writeAll(home, "x"));
            configHome = home + QStringLiteral("/config");
        }
        const EnvironmentOverride xdg("XDG_CONFIG_HOME", configHome);

        // The program's folder does not exist, so it cannot be written.
        AppConfig config(m_dir.filePath(QStringLiteral("missing/kvconf")));
        QVERIFY(config.filePath().startsWith(configHome + u'/'));
        QString error;
        QVERIFY(!config.save(&error));
        QCOMPARE(error, systemText(expected));
    }

    void serviceAccess_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("expected");

        QTest::newRow("none") << QStringList{} << false;
        QTest::newRow("exact") << QStringList{"/QELMIR"} << true;
        QTest::newRow("lower case among others") << QStringList{"-style", "fusion", "/qelmir"} << true;
        QTest::newRow("mixed case first") << QStringList{"/QeLmIr", "x"} << true;
        QTest::newRow("longer") << QStringList{"/QELMIR2"} << false;
        QTest::newRow("leading blank") << QStringList{" /QELMIR"} << false;
        QTest::newRow("without slash") << QStringList{"QELMIR"} << false;
        QTest::newRow("dash") << QStringList{"-QELMIR"} << false;
    }
    void serviceAccess()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, expected);
        QCOMPARE(AppConfig::serviceAccessRequested(arguments), expected);
    }
};

QTEST_MAIN(tst_AppConfig)
#include "tst_app_config.moc"
