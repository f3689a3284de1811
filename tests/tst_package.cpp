// The Debian package that scripts/package builds: what it holds and with
// which permissions, what it depends on, and its programs run from a tree
// unpacked with dpkg -x. The package is looked for where scripts/package
// leaves it (KV_PACKAGE_DIR, else build/release); without one the suite
// skips, unless KV_REQUIRE_PACKAGE is set (as .ci/run does after building it).

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifndef KV_RELEASE_DIR
#define KV_RELEASE_DIR ""
#endif
#ifndef KV_VERSION
#define KV_VERSION ""
#endif

namespace {

// Standard output, or an empty text when the program failed.
QString output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    return ok ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsItsFiles_data();
    void holdsItsFiles();
    void dependsOnWhatItsProgramsLink();
    void programsRunFromUnpackedTree_data();
    void programsRunFromUnpackedTree();
    void manualPagesNameEveryOption_data();
    void manualPagesNameEveryOption();
    void desktopEntryFindsProgramAndIcon();

private:
    QString m_deb;
    QTemporaryDir m_tree;
    // "./usr/bin/kvctl" -> "-rwxr-xr-x root/root"
    QHash<QString, QString> m_listing;
};

void tst_Package::initTestCase()
{
    const QDir release(qEnvironmentVariable("KV_PACKAGE_DIR", QStringLiteral(KV_RELEASE_DIR)));
    const QString name =
        QStringLiteral("kvconf_%1_%2.deb")
            .arg(QStringLiteral(KV_VERSION), output("dpkg", {"--print-architecture"}).trimmed());
    m_deb = release.filePath(name);
    if (!QFileInfo::exists(m_deb)) {
        const QString missing = m_deb + QStringLiteral(" is missing: run scripts/package");
        if (qEnvironmentVariableIsSet("KV_REQUIRE_PACKAGE"))
            QFAIL(qPrintable(missing));
        QSKIP(qPrintable(missing));
    }
    // "-rwxr-xr-x root/root 123 2026-01-01 00:00 ./usr/bin/kvctl"
    for (const QString& line : output("dpkg-deb", {"--contents", m_deb}).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
        m_listing.insert(f.value(5), f.value(0) + u' ' + f.value(1));
    }
    QVERIFY(m_tree.isValid());
    QVERIFY(QProcess::execute("dpkg", {"-x", m_deb, m_tree.path()}) == 0);
}

void tst_Package::holdsItsFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    const QString program = QStringLiteral("-rwxr-xr-x root/root");
    const QString data = QStringLiteral("-rw-r--r-- root/root");
    for (const char* name : {"kvconf", "kvctl", "kvsim"}) {
        QTest::addRow("%s", name) << QStringLiteral("./usr/bin/%1").arg(name) << program;
        QTest::addRow("%s.1", name) << QStringLiteral("./usr/share/man/man1/%1.1.gz").arg(name) << data;
    }
    QTest::newRow("desktop entry") << "./usr/share/applications/kvconf.desktop" << data;
    QTest::newRow("icon") << "./usr/share/icons/hicolor/scalable/apps/kvconf.svg" << data;
    QTest::newRow("copyright") << "./usr/share/doc/kvconf/copyright" << data;
    QTest::newRow("changelog") << "./usr/share/doc/kvconf/changelog.gz" << data;
    // Nothing else outside the folders these need, no folder others may write to.
    QTest::newRow("folders") << QString() << QStringLiteral("drwxr-xr-x root/root");
}

void tst_Package::holdsItsFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    if (!path.isEmpty()) {
        QCOMPARE(m_listing.value(path), mode);
        return;
    }
    for (auto it = m_listing.cbegin(); it != m_listing.cend(); ++it) {
        QVERIFY2(it.key().startsWith(QLatin1StringView("./usr/")) || it.key() == QLatin1StringView("./"),
                 qPrintable(it.key()));
        QVERIFY2(!it.value().startsWith(u'd') || it.value() == mode,
                 qPrintable(it.key() + u' ' + it.value()));
    }
}

void tst_Package::dependsOnWhatItsProgramsLink()
{
    const QString depends = output("dpkg-deb", {"--field", m_deb, "Depends"});
    // Found in the programs by dpkg-shlibdeps, with the versions they need.
    for (const char* library : {"libc6 (>=", "libqt6core6 (>=", "libqt6widgets6 (>=", "libstdc++6 (>=",
                                "libqt6sql6 (>=", "libqt6gui6 (>="})
        QVERIFY2(depends.contains(QLatin1StringView(library)), qPrintable(depends));
    // The drivers are plugins the programs load by name.
    QVERIFY2(depends.split(u',').first().trimmed() == u"libqt6sql6-sqlite", qPrintable(depends));
    QCOMPARE(output("dpkg-deb", {"--field", m_deb, "Recommends"}).trimmed(),
             QStringLiteral("libqt6sql6-psql"));
}

void tst_Package::programsRunFromUnpackedTree_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("kvctl --help") << "kvctl" << QStringList{"--help"} << "Usage: kvctl <command>";
    QTest::newRow("kvctl write --help") << "kvctl" << QStringList{"write", "--help"} << "Usage: kvctl write";
    QTest::newRow("kvctl --version") << "kvctl" << QStringList{"--version"} << "kvctl " KV_VERSION "\n";
    QTest::newRow("kvsim --help") << "kvsim" << QStringList{"--help"} << "Usage: kvsim";
}

void tst_Package::programsRunFromUnpackedTree()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const QString shown = output(m_tree.filePath(QStringLiteral("usr/bin/") + program), arguments);
    QVERIFY2(shown.startsWith(expected), qPrintable(shown));
}

void tst_Package::manualPagesNameEveryOption_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("helpArguments");
    QTest::newRow("kvsim") << "kvsim" << QStringList{"--help"};
    for (const char* command : {"identify", "live", "read", "write", "history", "report", "commission"})
        QTest::addRow("kvctl %s", command) << "kvctl" << QStringList{QLatin1StringView(command), "--help"};
    for (const char* command : {"sync", "export"})
        QTest::addRow("kvctl records %s", command)
            << "kvctl" << QStringList{"records", QLatin1StringView(command), "--help"};
}

void tst_Package::manualPagesNameEveryOption()
{
    QFETCH(QString, program);
    QFETCH(QStringList, helpArguments);
    const QString help = output(m_tree.filePath(QStringLiteral("usr/bin/") + program), helpArguments);
    // A manual page writes a minus as "\-".
    const QString manual =
        output("gzip", {"-dc", m_tree.filePath(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(program))})
            .replace(QStringLiteral("\\-"), QStringLiteral("-"));
    int options = 0;
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("--[a-z][a-z-]*")).globalMatch(help)) {
        QVERIFY2(manual.contains(m.captured()),
                 qPrintable(program + QStringLiteral(" manual lacks ") + m.captured()));
        ++options;
    }
    QVERIFY(options >= 2);
}

void tst_Package::desktopEntryFindsProgramAndIcon()
{
    QSettings entry(m_tree.filePath(QStringLiteral("usr/share/applications/kvconf.desktop")),
                    QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value("Type").toString(), QStringLiteral("Application"));
    QVERIFY(QFileInfo(m_tree.filePath("usr/bin/" + entry.value("Exec").toString())).isExecutable());
    const QString icon = "usr/share/icons/hicolor/scalable/apps/" + entry.value("Icon").toString() + ".svg";
    QVERIFY(output("file", {"--brief", m_tree.filePath(icon)}).startsWith(QLatin1StringView("SVG")));
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
