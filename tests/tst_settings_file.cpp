// Settings files between the real main window and real files: round trips,
// layout, refusals, failing disks and files from Windows machines; and the
// limit outputs page, whose values only files carry.

#include "app/form_kv_tipus_valasztas.h"
#include "platform/ini_file.h"
#include "tests/support/full_file_system.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 10000;

// Texts a user may type or paste, some of which would add keys or sections
// to a file that took them as they are.
const QString Samples[] = {
    "kb. 5 fok", "árvíztűrő", "", " \"5\" ", "[Fejlec]", "=KV=KV4620", "5\n[Beallitas]\nRadioGroup_Uzemmod=2",
    "1\r\nx=y"};

// A main window working with model item `model` in language item `language`.
struct Window
{
    Window(int model, int language) : form(&start)
    {
        start.RadioGroup_KVValasztas->setItemIndex(model);
        start.RadioGroup_NyelvValasztas->setItemIndex(language);
        form.FormActivate();
    }
    TForm_KVTipusValasztas start;
    TForm_Main form;
};

// What every setting control of the two pages shows.
QStringList shown(const TForm_Main& form)
{
    QStringList state;
    for (const QWidget* page : {static_cast<QWidget*>(form.GroupBox_Beallitasok), form.TabSheet_DO}) {
        for (const TRadioGroup* g : page->findChildren<TRadioGroup*>())
            state << g->objectName() + u'=' + QString::number(g->ItemIndex());
        for (const TLabeledEdit* e : page->findChildren<TLabeledEdit*>())
            state << e->objectName() + u'=' + e->text();
        for (const QCheckBox* c : page->findChildren<QCheckBox*>())
            state << c->objectName() + u'=' + QString::number(c->isChecked());
    }
    return state;
}

// Every setting control on the page a value of its own; seed 0 clears them.
void fill(QWidget* page, int seed)
{
    int i = seed;
    for (TRadioGroup* g : page->findChildren<TRadioGroup*>())
        g->setItemIndex(seed ? i++ % (g->count() + 1) - 1 : -1);
    for (TLabeledEdit* e : page->findChildren<TLabeledEdit*>()) {
        if (!e->objectName().endsWith(u"Limit")) // the output limits stay out of files
            e->setText(seed ? Samples[i++ % std::size(Samples)] : QString());
    }
    for (QCheckBox* c : page->findChildren<QCheckBox*>())
        c->setChecked(seed % 2);
}

const QString SavingError = "Saving error.\n\rCheck the write protect mode and size of free memory.";

} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTrip_data();
    void roundTrip();
    void layoutNewAndInPlace();
    void opening_data();
    void opening();
    void failedSave();
    void notSettingsFiles_data();
    void notSettingsFiles();
    void limitPageSendsNothing();

private:
    void click(QPushButton* button, const QString& path)
    {
        m_dialogs->queueFileAnswer(path);
        button->click();
    }
    QString file(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void tst_SettingsFile::init()
{
    m_dialogs.reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_SettingsFile::roundTrip_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("seed");          // 0: no selections, empty edits
    QTest::addColumn<QStringList>("texts"); // open title, save title, filter, caption
    const QStringList en = {"Open settings file", "Save setting to file", "KV4%1 settings file (*.kvb)|*.kvb",
                            "Settings   Last used file: pump3.kvb"};
    QTest::newRow("en_kv4620") << 0 << 0 << 1 << QStringList(en).replaceInStrings("%1", "620");
    QTest::newRow("en_kv4820_cleared") << 1 << 0 << 0 << QStringList(en).replaceInStrings("%1", "820");
    QTest::newRow("hu_kv4620") << 0 << 1 << 3
                               << QStringList{"Beállítás fájl megnyitása", "Beállítás mentése fájlba",
                                              "KV4620 beállítás fájl (*.kvb)|*.kvb",
                                              "Beállítások   Utoljára használt fájl: pump3.kvb"};
}

void tst_SettingsFile::roundTrip()
{
    QFETCH(int, model);
    QFETCH(int, language);
    QFETCH(int, seed);
    QFETCH(QStringList, texts);
    Window a(model, language);
    a.form.sUtolsoFileUtvonal = m_dir->path();
    a.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&a.form));
    fill(a.form.GroupBox_Beallitasok, seed);
    fill(a.form.TabSheet_DO, seed);
    click(a.form.Button_FileMentes, file("pump3")); // the dialog adds the extension
    QCOMPARE(a.form.GroupBox_Beallitasok->title(), texts.at(3));
    QCOMPARE(IniFile(file("pump3.kvb")).sections(), (QStringList{"Fejlec", "Beallitas", "Limits", "Date"}));

    Window b(model, language);
    b.form.sUtolsoFileUtvonal = m_dir->path();
    b.form.SpeedButton_2VezRKiejtes->setText("R = 1,25 ohm");
    b.form.SpeedButton_PotiCal100->setCaptionBold(true);
    click(b.form.Button_FileMegnyitas, file("pump3.kvb"));
    // A text is one line in the file: its line breaks come back as blanks.
    QCOMPARE(shown(b.form), shown(a.form).replaceInStrings("\r\n", " ").replaceInStrings("\n", " "));
    QCOMPARE(b.form.GroupBox_Beallitasok->title(), texts.at(3));
    QVERIFY(b.form.settingsChangedMark() && !b.form.SpeedButton_PotiCal100->captionBold());
    QCOMPARE(b.form.SpeedButton_2VezRKiejtes->text(), QStringLiteral("R = xxx,xx ohm"));
    QCOMPARE(m_dialogs->messages().size(), 0);
    for (const ScriptedDialogs::FileDialog& d : m_dialogs->fileDialogs()) {
        const Dialogs::FileRequest& r = d.request;
        QCOMPARE((QStringList{r.title, r.filter, r.folder, r.defaultSuffix}),
                 (QStringList{texts.at(d.kind == ScriptedDialogs::FileKind::Save), texts.at(2), m_dir->path(),
                              "kvb"}));
    }

    const QString picture = outputDir() + "/settings_file_" + QTest::currentDataTag();
    a.form.PageControl_Main->show();
    QVERIFY(a.form.grab().save(picture + "_last_used.png"));
    a.form.PageControl_Main->setCurrentWidget(a.form.TabSheet_DO);
    QVERIFY(model == 1 || a.form.grab().save(picture + "_limits.png"));
}

void tst_SettingsFile::layoutNewAndInPlace()
{
    const QString date = "Date=" + QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    Window w(0, 0);
    click(w.form.Button_FileMentes, file("new.kvb"));
    QString expected = "[Fejlec]\nKV=KV4620\n[Beallitas]\nRadioGroup_VezetekSzam=0\nRadioGroup_Uzemmod=0\n"
                       "RadioGroup_AnalogKimTipus=0\nRadioGroup_AnalogKimHibajelzes=0\n"
                       "CheckBox_NemHibaAKimenetTulcsordulas=0\nRadioGroup_Atlagolas=4\nLabeledEdit_AramL=\n"
                       "LabeledEdit_AramH=\n[Limits]\n";
    for (int n = 1; n <= 4; ++n)
        expected +=
            QStringLiteral("RadioGroup_Limit%1Uzemmod=-1\nLabeledEdit_Limit%1Low=\nLabeledEdit_Limit%1"
                           "High=\nLabeledEdit_Limit%1Hysteresis=\nRadioGroup_Limit%1HoldMode=-1\n")
                .arg(n);
    QCOMPARE(QString::fromUtf8(readAll(file("new.kvb"))), expected + "[Date]\n" + date + '\n');

    // Another program's lines stay where they are, in the file's line ending.
    QVERIFY(writeAll(file("old.kvb"), "; pump 3\r\n[Mine]\r\nx=1\r\n[Beallitas]\r\nRadioGroup_Uzemmod=2\r\n"
                                      "Foreign=kept\r\n[Date]\r\nDate=old\r\n"));
    click(w.form.Button_FileMentes, file("old.kvb"));
    const QStringList lines = QString::fromUtf8(readAll(file("old.kvb"))).split("\r\n");
    QCOMPARE(lines.mid(0, 7), (QStringList{"; pump 3", "[Mine]", "x=1", "[Beallitas]", "RadioGroup_Uzemmod=0",
                                           "Foreign=kept", "RadioGroup_VezetekSzam=0"}));
    QCOMPARE(lines.mid(13, 4), (QStringList{"[Date]", date, "[Fejlec]", "KV=KV4620"}));
    QVERIFY(!lines.join(QString()).contains(u'\n'));
}

void tst_SettingsFile::opening_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // empty: the file loads
    const QByteArray cp1250 = "[Fejlec]\r\nKV=KV4820\r\n[Limits]\r\nLabeledEdit_Limit1Low=kb. 5 fok\r\n"
                              "LabeledEdit_Limit1High=\xE1rv\xEDzt\xFBr\xF5\r\n";
    QByteArray utf16 = "\xFF\xFE";
    for (const char c : cp1250.left(cp1250.indexOf('\xE1')))
        utf16.append(c).append('\0');
    utf16 += QByteArray("\xE1\0r\0v\0\xED\0z\0t\0\x71\x01r\0\x51\x01\r\0\n\0", 22);
    const QByteArray rest = "[Beallitas]\nRadioGroup_Uzemmod=2\n[Limits]\nLabeledEdit_Limit1Low=x\n";
    const QString not4820 = "This file is not a KV4820 settings.";
    QTest::newRow("Windows-1250") << 1 << 1 << cp1250 << "";
    QTest::newRow("CR alone ends lines") << 1 << 1 << QByteArray(cp1250).replace("\r\n", "\r") << "";
    QTest::newRow("UTF-16") << 1 << 1 << utf16 << "";
    QTest::newRow("KV4620 file") << 1 << 0 << "[Fejlec]\nKV=KV4620\n" + rest << not4820;
    QTest::newRow("KV4820 file") << 0 << 1 << "[Fejlec]\nKV=KV4820\n" + rest
                                 << "Ez nem KV4620 beállítás fájl.";
    QTest::newRow("header case") << 1 << 0 << "[Fejlec]\nKV=kv4820\n" + rest << not4820;
    QTest::newRow("no header") << 1 << 0 << rest << not4820;
    QTest::newRow("binary") << 1 << 0 << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\n", 17) + rest
                            << "A fájl hibás.";
}

void tst_SettingsFile::opening()
{
    QFETCH(int, model);
    QFETCH(int, language);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    QVERIFY(writeAll(file("x.kvb"), bytes));
    Window w(model, language);
    // As a measurement leaves them; a file loaded resets them, one refused does not.
    TSpeedButton* const stores[] = {w.form.SpeedButton_PotiCal0, w.form.SpeedButton_PotiCal100,
                                    w.form.SpeedButton_2VezRKiejtes};
    for (TSpeedButton* button : stores) {
        button->setText("kept");
        button->setCaptionBold(true);
    }
    const QStringList before = shown(w.form) << w.form.GroupBox_Beallitasok->title();
    click(w.form.Button_FileMegnyitas, file("x.kvb"));
    QStringList looks;
    for (const TSpeedButton* button : stores)
        looks << button->text() + (button->captionBold() ? " bold" : "");
    const QStringList reset = {"0%", "100%", "R = xxx,xx ohm"};
    QCOMPARE(looks, refusal.isEmpty() ? reset : QStringList(3, "kept bold"));
    if (!refusal.isEmpty()) {
        QCOMPARE(m_dialogs->messages().size(), 1);
        QCOMPARE(m_dialogs->messages().first().text, refusal);
        QCOMPARE(shown(w.form) << w.form.GroupBox_Beallitasok->title(), before);
        QVERIFY(!w.form.settingsChangedMark());
        return;
    }
    QCOMPARE(w.form.LabeledEdit_Limit1Low->text(), QStringLiteral("kb. 5 fok"));
    QCOMPARE(w.form.LabeledEdit_Limit1High->text(), QStringLiteral("árvíztűrő"));
    QCOMPARE(m_dialogs->messages().size(), 0);
}

// The old file stays byte for byte (or absent), the caption stays, and the
// message says what to check.
void tst_SettingsFile::failedSave()
{
    Window w(1, 0);
    fill(w.form.TabSheet_DO, 2);
    const QString caption = w.form.GroupBox_Beallitasok->title();
    const QByteArray old = "[Fejlec]\r\nKV=KV4820\r\n[Mine]\r\nx=1\r\n";
    const auto failed = [&](const QString& path, const QByteArray& before, int messages) {
        QCOMPARE(readAll(path), before);
        QCOMPARE(QFileInfo::exists(path), !before.isNull());
        QCOMPARE(m_dialogs->messages().size(), messages);
        QCOMPARE(m_dialogs->messages().last().text, SavingError);
        QCOMPARE(w.form.GroupBox_Beallitasok->title(), caption);
    };
    FullFileSystem disk(file("full"));
    QVERIFY(writeAll(disk.path() + "/pump3.kvb", old));
    const auto attempt = disk.trySave([&](QString*) {
        click(w.form.Button_FileMentes, disk.path() + "/pump3.kvb");
        return true;
    });
    QVERIFY2(attempt.whyNot.isEmpty(), qPrintable(attempt.whyNot));
    failed(disk.path() + "/pump3.kvb", old, 1);

    const ReadOnlyFolder folder(file("ro"), "pump3.kvb", old);
    if (!folder.whyNot().isEmpty())
        QSKIP(qPrintable(folder.whyNot()));
    click(w.form.Button_FileMentes, folder.path() + "/pump3.kvb");
    failed(folder.path() + "/pump3.kvb", old, 2);
    click(w.form.Button_FileMentes, folder.path() + "/new.kvb");
    failed(folder.path() + "/new.kvb", QByteArray(), 3);
}

// Not read whole, and not replaced: the file error on opening, on saving
// the file left as it is, in the window's language, and never the hint
// about write protection and free space.
void tst_SettingsFile::notSettingsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: a folder
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("refused");
    const QByteArray header = "[Fejlec]\nKV=KV4820\n;";
    const auto ofSize = [&](qint64 size) {
        return header + QByteArray(size - header.size() - 1, 'x') + '\n';
    };
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\n", 17) << 0 << true;
    QTest::newRow("over 1 MiB") << ofSize(IniFile::MaxFileBytes + 1) << 1 << true;
    QTest::newRow("1 MiB") << ofSize(IniFile::MaxFileBytes) << 0 << false;
    QTest::newRow("folder") << QByteArray() << 1 << true;
}

void tst_SettingsFile::notSettingsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, language);
    QFETCH(bool, refused);
    const QString path = file("pump3.kvb");
    QVERIFY(bytes.isNull() ? QDir().mkpath(path) : writeAll(path, bytes));
    Window w(1, language);
    fill(w.form.GroupBox_Beallitasok, 3);
    const QStringList before = shown(w.form);
    click(w.form.Button_FileMegnyitas, path);
    if (!refused) {
        QCOMPARE(m_dialogs->messages().size(), 0);
        QVERIFY(shown(w.form) != before);
        return;
    }
    click(w.form.Button_FileMentes, path);
    QCOMPARE(m_dialogs->messages().size(), 2);
    QCOMPARE(m_dialogs->messages().at(0).text, QStringLiteral("A fájl hibás."));
    QCOMPARE(m_dialogs->messages().at(1).text,
             language ? QStringLiteral("Nem beállításfájl: változatlanul maradt.")
                      : QStringLiteral("Not a settings file: it was left unchanged."));
    QCOMPARE(shown(w.form), before);
    QCOMPARE(readAll(path), bytes);
}

// Settings of the limit outputs stay in the window: after the read-back,
// choosing modes, typing limits and the test and hold buttons send nothing.
void tst_SettingsFile::limitPageSendsNothing()
{
    SimTransmitter t;
    t.sim.start();
    TForm_Main form;
    QVERIFY(openPort(form, t.sim.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(form.settingsChangedMark() && !form.SpeedButton_KVKiolvasas->Down(), WaitMs);
    const qsizetype from = t.sent.size();
    for (TRadioGroup* group : form.TabSheet_DO->findChildren<TRadioGroup*>())
        group->button(1)->click();
    for (TLabeledEdit* edit : form.TabSheet_DO->findChildren<TLabeledEdit*>())
        QTest::keyClicks(edit->edit(), "kb. 5 fok");
    for (TSpeedButton* button : form.TabSheet_DO->findChildren<TSpeedButton*>())
        button->click();
    QTRY_VERIFY_WITH_TIMEOUT(liveCount(t.sent.mid(from)) >= 3, WaitMs);
    QCOMPARE(requestsOf(t.sent, from), QList<quint8>());
    QVERIFY(form.SpeedButton_DO4->Down() && form.SpeedButton_HoldMegszuntetes->Down());
}

QTEST_MAIN(tst_SettingsFile)
#include "tst_settings_file.moc"
