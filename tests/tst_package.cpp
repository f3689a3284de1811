// The Debian package that scripts/package builds: what it holds and with
// which permissions, what it depends on, and its programs run from a tree
// unpacked with dpkg -x. The package is looked for where scripts/package
// leaves it (KV_PACKAGE_DIR, else build/release); without one the suite
// skips, unless KV_REQUIRE_PACKAGE is set (as .ci/run does after building it).

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#ifndef KV_RELEASE_DIR
#define KV_RELEASE_DIR ""
#endif
#ifndef KV_VERSION
#define KV_VERSION ""
#endif

namespace {

constexpr int WaitMs = 30000;

struct Output
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Output run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    Output output;
    if (process.waitForFinished(WaitMs) && process.exitStatus() == QProcess::NormalExit)
        output.exitCode = process.exitCode();
    output.out = process.readAllStandardOutput();
    output.err = process.readAllStandardError();
    return output;
}

// Every long option a text names, such as "--port".
QStringList longOptions(const QString& text)
{
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    QStringList options;
    for (const QRegularExpressionMatch& m : option.globalMatch(text)) {
        if (!options.contains(m.captured()))
            options << m.captured();
    }
    return options;
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void holdsItsFiles_data();
    void holdsItsFiles();
    void nothingElseWhere();
    void controlFields();
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
    const QStringList debs =
        release.entryList({QStringLiteral("kvconf_%1_*.deb").arg(QStringLiteral(KV_VERSION))}, QDir::Files);
    if (debs.isEmpty()) {
        const QString missing = QStringLiteral("no kvconf_%1_*.deb in %2: run scripts/package")
                                    .arg(QStringLiteral(KV_VERSION), release.path());
        if (qEnvironmentVariableIsSet("KV_REQUIRE_PACKAGE"))
            QFAIL(qPrintable(missing));
        QSKIP(qPrintable(missing));
    }
    m_deb = release.filePath(debs.constFirst());
    const Output architecture = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    QCOMPARE(QFileInfo(m_deb).fileName(),
             QStringLiteral("kvconf_%1_%2.deb")
                 .arg(QStringLiteral(KV_VERSION), QString::fromLatin1(architecture.out.trimmed())));

    const Output listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), m_deb});
    QCOMPARE(listing.exitCode, 0);
    for (const QByteArray& line : listing.out.split('\n')) {
        // "-rwxr-xr-x root/root 123 2026-01-01 00:00 ./usr/bin/kvctl"
        const QStringList fields = QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts);
        if (fields.size() >= 6)
            m_listing.insert(fields.at(5), fields.at(0) + u' ' + fields.at(1));
    }
    QVERIFY(m_tree.isValid());
    const Output unpacked = run(QStringLiteral("dpkg"), {QStringLiteral("-x"), m_deb, m_tree.path()});
    QVERIFY2(unpacked.exitCode == 0, unpacked.err.constData());
}

void tst_Package::holdsItsFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    const QString program = QStringLiteral("-rwxr-xr-x root/root");
    const QString data = QStringLiteral("-rw-r--r-- root/root");
    for (const char* name : {"kvconf", "kvctl", "kvsim"}) {
        QTest::addRow("%s", name) << QStringLiteral("./usr/bin/") + QLatin1StringView(name) << program;
        QTest::addRow("%s.1", name)
            << QStringLiteral("./usr/share/man/man1/%1.1.gz").arg(QLatin1StringView(name)) << data;
    }
    QTest::newRow("desktop entry") << "./usr/share/applications/kvconf.desktop" << data;
    QTest::newRow("icon") << "./usr/share/icons/hicolor/scalable/apps/kvconf.svg" << data;
    QTest::newRow("copyright") << "./usr/share/doc/kvconf/copyright" << data;
    QTest::newRow("changelog") << "./usr/share/doc/kvconf/changelog.gz" << data;
}

void tst_Package::holdsItsFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QVERIFY2(m_listing.contains(path), qPrintable(QStringList(m_listing.keys()).join(u'\n')));
    QCOMPARE(m_listing.value(path), mode);
}

void tst_Package::nothingElseWhere()
{
    // Nothing outside /usr, and no directory that others could write to.
    for (auto it = m_listing.cbegin(); it != m_listing.cend(); ++it) {
        QVERIFY2(it.key() == QLatin1StringView("./") || it.key().startsWith(QLatin1StringView("./usr/")),
                 qPrintable(it.key()));
        QVERIFY2(!it.value().startsWith(u'd') || it.value() == QLatin1StringView("drwxr-xr-x root/root"),
                 qPrintable(it.key() + u' ' + it.value()));
    }
}

void tst_Package::controlFields()
{
    const Output fields =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), m_deb, QStringLiteral("Package"),
                                         QStringLiteral("Version"), QStringLiteral("Depends")});
    QCOMPARE(fields.exitCode, 0);
    const QString text = QString::fromUtf8(fields.out);
    QVERIFY2(text.contains(QStringLiteral("Package: kvconf\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Version: %1\n").arg(QStringLiteral(KV_VERSION))),
             qPrintable(text));
    // Found in the programs by dpkg-shlibdeps, with versions.
    for (const char* library : {"libc6 (>=", "libqt6core6", "libqt6widgets6", "libstdc++6 (>="})
        QVERIFY2(text.contains(QLatin1StringView(library)), library);
}

void tst_Package::programsRunFromUnpackedTree_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("kvctl --help") << "kvctl" << QStringList{"--help"} << "Usage: kvctl <command>";
    QTest::newRow("kvctl write --help") << "kvctl" << QStringList{"write", "--help"} << "Usage: kvctl write";
    QTest::newRow("kvctl --version") << "kvctl" << QStringList{"--version"}
                                     << QStringLiteral("kvctl %1\n").arg(QStringLiteral(KV_VERSION));
    QTest::newRow("kvsim --help") << "kvsim" << QStringList{"--help"} << "Usage: kvsim";
}

void tst_Package::programsRunFromUnpackedTree()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const QString path = m_tree.filePath(QStringLiteral("usr/bin/") + program);
    const Output output = run(path, arguments);
    QVERIFY2(output.exitCode == 0, output.err.constData());
    QVERIFY2(QString::fromUtf8(output.out).startsWith(expected), output.out.constData());
}

void tst_Package::manualPagesNameEveryOption_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("helpArguments");
    QTest::newRow("kvsim") << "kvsim" << QStringList{"--help"};
    for (const char* command : {"identify", "live", "read", "write"})
        QTest::addRow("kvctl %s", command) << "kvctl" << QStringList{QLatin1StringView(command), "--help"};
}

void tst_Package::manualPagesNameEveryOption()
{
    QFETCH(QString, program);
    QFETCH(QStringList, helpArguments);
    const Output help = run(m_tree.filePath(QStringLiteral("usr/bin/") + program), helpArguments);
    QCOMPARE(help.exitCode, 0);
    const Output page = run(
        QStringLiteral("gzip"),
        {QStringLiteral("-dc"), m_tree.filePath(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(program))});
    QCOMPARE(page.exitCode, 0);
    // Man pages write a minus as "\-".
    const QString manual = QString::fromUtf8(page.out).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    const QStringList options = longOptions(QString::fromUtf8(help.out));
    QVERIFY(options.size() >= 2);
    for (const QString& option : options)
        QVERIFY2(manual.contains(option), qPrintable(program + QStringLiteral(" manual lacks ") + option));
}

void tst_Package::desktopEntryFindsProgramAndIcon()
{
    QFile entry(m_tree.filePath(QStringLiteral("usr/share/applications/kvconf.desktop")));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QHash<QString, QString> keys;
    for (const QByteArray& line : entry.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            keys.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QVERIFY(QFileInfo(m_tree.filePath(QStringLiteral("usr/bin/") + keys.value(QStringLiteral("Exec"))))
                .isExecutable());
    QFile icon(m_tree.filePath(QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg")
                                   .arg(keys.value(QStringLiteral("Icon")))));
    QVERIFY(icon.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&icon);
    QVERIFY(svg.readNextStartElement());
    QCOMPARE(svg.name(), QStringLiteral("svg"));
    while (!svg.atEnd())
        svg.readNext();
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
