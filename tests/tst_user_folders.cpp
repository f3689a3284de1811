// The programs as a user starts them, under this test's own home and XDG
// folders: kvconf --simulate on a real X server, taken past its start window
// by a key press, and kvctl against its virtual transmitter. What they write
// must land in the test's folders (the configuration beside the program)
// and leave the user's own, as the build found them, exactly as they were.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

constexpr int WaitMs = 20000;
const QString Tag = QStringLiteral("TT-CANARY");

// Every file under the kvconf folders of one set of folders, with a digest
// of its bytes: a write, a new file or a removed one changes it.
QMap<QString, QByteArray> snapshot(const QStringList& folders)
{
    QMap<QString, QByteArray> files;
    for (const QString& folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            QByteArray digest = "unreadable";
            if (file.open(QIODevice::ReadOnly))
                digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
            files.insert(path, digest);
        }
    }
    return files;
}

QStringList kvconfFolders(const QString& config, const QString& data, const QString& cache)
{
    const QString name = QStringLiteral("/kvconf");
    return {config + name, data + name, cache + name};
}

QString xdgFolder(const char* variable, const QString& fallback)
{
    const QString given = qEnvironmentVariable(variable);
    return given.isEmpty() ? fallback : given;
}

// One step of xdotool against the X server; the window id it prints, if any.
QString xdotool(const QProcessEnvironment& environment, const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(WaitMs) || process.exitCode() != 0)
        return {};
    return QString::fromLatin1(process.readAllStandardOutput()).split(u'\n').value(0).trimmed();
}

} // namespace

class tst_UserFolders : public QObject
{
    Q_OBJECT

private slots:
    void programsLeaveTheUsersFoldersAlone();
};

void tst_UserFolders::programsLeaveTheUsersFoldersAlone()
{
    // CTest gives this test folders of its own; the user's were recorded when
    // the build was configured.
    const QString ownHome = qEnvironmentVariable("HOME");
    QVERIFY2(ownHome != QStringLiteral(KV_USER_HOME) && ownHome.contains(u"test-homes"), qPrintable(ownHome));
    const QStringList own = kvconfFolders(xdgFolder("XDG_CONFIG_HOME", ownHome + "/.config"),
                                          xdgFolder("XDG_DATA_HOME", ownHome + "/.local/share"),
                                          xdgFolder("XDG_CACHE_HOME", ownHome + "/.cache"));
    const QStringList users = kvconfFolders(QStringLiteral(KV_USER_CONFIG), QStringLiteral(KV_USER_DATA),
                                            QStringLiteral(KV_USER_CACHE));
    for (const QString& folder : own)
        QVERIFY2(!users.contains(folder), qPrintable(folder));
    const QMap<QString, QByteArray> before = snapshot(users);

    QProcess xvfb;
    QProcess kvconf;
    const auto stop = qScopeGuard([&] {
        for (QProcess* process : {&kvconf, &xvfb}) {
            process->kill();
            process->waitForFinished(WaitMs);
        }
    });
    xvfb.start(QStringLiteral("Xvfb"),
               QStringLiteral("-displayfd 1 -screen 0 1600x1000x24 -nolisten tcp").split(u' '));
    QVERIFY2(xvfb.waitForStarted(WaitMs), "Xvfb cannot start: install xvfb (scripts/lib.sh does)");
    QVERIFY2(xvfb.waitForReadyRead(WaitMs), xvfb.readAllStandardError().constData());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(xvfb.readLine().trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    // A program that may write beside itself keeps its configuration there:
    // a copy in a folder of the test's, not the build tree's.
    QTemporaryDir programFolder;
    const QString program = programFolder.filePath(QStringLiteral("kvconf"));
    QVERIFY(QFile::copy(QStringLiteral(KVCONF_PATH), program));
    kvconf.setProcessEnvironment(environment);
    kvconf.start(program, {QStringLiteral("--simulate"), QStringLiteral("--tag"), Tag});
    QVERIFY2(kvconf.waitForStarted(WaitMs), qPrintable(program));
    // Past the start window as a user would, with the Enter key.
    QByteArray printed;
    QTRY_VERIFY_WITH_TIMEOUT((printed += kvconf.readAllStandardOutput()).contains('\n'), WaitMs);
    const QString port = QRegularExpression(QStringLiteral("virtual transmitter on (\\S+)"))
                             .match(QString::fromLocal8Bit(printed))
                             .captured(1);
    QVERIFY2(!port.isEmpty(), printed.constData());
    const QString start =
        xdotool(environment, {"search", "--sync", "--onlyvisible", "--name", "^Settings / "});
    QVERIFY2(!start.isEmpty(), "no start window: install xdotool (scripts/lib.sh does)");
    QVERIFY(!xdotool(environment, {"windowfocus", "--sync", start, "key", "Return"}).isNull());
    QVERIFY(!xdotool(environment, {"search", "--sync", "--onlyvisible", "--name", "KV4820 "}).isEmpty());

    // kvctl on the window's virtual transmitter, into the same records.
    QProcess kvctl;
    kvctl.setProcessEnvironment(environment);
    kvctl.start(QStringLiteral(KVCTL_PATH), {"identify", "--port", port, "--tag", Tag});
    QVERIFY(kvctl.waitForFinished(WaitMs));
    QVERIFY2(kvctl.exitCode() == 0, kvctl.readAllStandardError().constData());
    kvctl.start(QStringLiteral(KVCTL_PATH), {"history", "--tag", Tag, "--json"});
    QVERIFY(kvctl.waitForFinished(WaitMs));
    const QJsonArray history = QJsonDocument::fromJson(kvctl.readAllStandardOutput()).array();
    QVERIFY(!history.isEmpty());
    for (const QJsonValue& event : history)
        QCOMPARE(event[QStringLiteral("port")].toString() + event[QStringLiteral("program")].toString(),
                 port + QStringLiteral("kvctl"));

    // Ended as by the desktop's log-out: the main window saves its configuration.
    QCOMPARE(::kill(pid_t(kvconf.processId()), SIGTERM), 0);
    QVERIFY(kvconf.waitForFinished(WaitMs));
    QVERIFY2(kvconf.exitCode() == 0, kvconf.readAllStandardError().constData());

    const QMap<QString, QByteArray> written = snapshot(own);
    QVERIFY2(written.contains(own[1] + QStringLiteral("/records.sqlite")),
             qPrintable(QStringList(written.keys()).join(u' ')));
    QVERIFY(QFile::exists(program + QStringLiteral(".ini")));
    const QMap<QString, QByteArray> after = snapshot(users);
    QVERIFY2(after == before, qPrintable(QStringList(after.keys()).join(u' ')));
}

QTEST_GUILESS_MAIN(tst_UserFolders)
#include "tst_user_folders.moc"
