// The program's life as the user meets it: start window, activation of the
// main window, languages, configuration file and shutdown. Every case runs
// on its own temporary program folder, so the configuration file lies there.

#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "link/tmb.h"
#include "platform/dialogs.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"
#include "tests/support/widget_captions.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {

constexpr int WaitMs = 5000;

// The caption of the window's control of that name.
QString captionOf(const TForm_Main& form, const QString& name)
{
    const QWidget* control = form.findChild<QWidget*>(name);
    return control ? ::captionOf(control) : QStringLiteral("<missing %1>").arg(name);
}

// Every caption and item list the language table puts on the window, in
// one language; the first difference, or empty when all match.
QString languageMismatch(const TForm_Main& form, Language language)
{
    const bool english = language == Language::English;
    for (const LanguageTable::CaptionRow& row : LanguageTable::captionRows()) {
        for (const QString& name : row.controls) {
            const QString expected = english ? row.english : row.hungarian;
            if (captionOf(form, name) != expected)
                return QStringLiteral("%1: \"%2\" instead of \"%3\"")
                    .arg(name, captionOf(form, name), expected);
        }
    }
    for (const LanguageTable::ItemRow& row : LanguageTable::itemRows()) {
        for (const QString& name : row.controls) {
            const QStringList items = form.findChild<TRadioGroup*>(name)->items();
            if (items != (english ? row.english : row.hungarian))
                return name + QStringLiteral(": ") + items.join(u',');
        }
    }
    const QString button = english ? QStringLiteral("magyarra vált") : QStringLiteral("to English");
    if (form.Button_Nyelv->text() != button)
        return QStringLiteral("Button_Nyelv: ") + form.Button_Nyelv->text();
    return {};
}

// The two windows of one program run in a folder of its own.
struct Program
{
    explicit Program(const QTemporaryDir& dir, const QStringList& arguments = {})
        : mainForm(&startForm, AppContext{arguments, dir.filePath(QStringLiteral("kvconf"))})
    {}

    // Start window shown, OK pressed: true once the main window was activated.
    bool openMainWindow()
    {
        startForm.show();
        if (!QTest::qWaitForWindowActive(&startForm))
            return false;
        startForm.Button_OK->click();
        return QTest::qWaitForWindowActive(&mainForm) &&
               QTest::qWaitFor([this] { return !mainForm.windowTitle().startsWith(u"Form_Main"); }, WaitMs);
    }

    TForm_KVTipusValasztas startForm;
    TForm_Main mainForm;
};

} // namespace

class tst_AppShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void firstRunWithoutConfiguration();
    void activationFromConfiguration_data();
    void activationFromConfiguration();
    void languageButtonKeepsSelections();
    void dialogReturnsToStartLanguage();
    void otherApplicationKeepsLanguage();
    void unmatchedLanguageKeepsEntries();
    void hiddenCurrentPageIsNoPageChange();
    void shutdownUpdatesInPlace();
    void escapeSavesNothing();
    void unwritableConfigurationStillEnds();
    void render();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString configPath() const { return m_dir->filePath(QStringLiteral("kvconf.ini")); }
};

void tst_AppShell::initTestCase()
{
    // The start window decides when the program ends, as in kvconf itself.
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_AppShell::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_AppShell::firstRunWithoutConfiguration()
{
    Program program(*m_dir);
    QCOMPARE(program.mainForm.configFilePath(), configPath());
    QCOMPARE(program.startForm.RadioGroup_NyelvValasztas->selectedText(), QStringLiteral("Magyar"));
    QCOMPARE(program.startForm.RadioGroup_KVValasztas->selectedText(), QStringLiteral("KV4820 (Ex)"));
    QCOMPARE(program.mainForm.sUtolsoFileUtvonal, m_dir->path() + u'/');
    QCOMPARE(program.mainForm.MB1->MBLastUsedPort(), QString());
    QVERIFY(!program.mainForm.isVisible());

    // Enter right after start presses OK.
    program.startForm.show();
    QVERIFY(QTest::qWaitForWindowActive(&program.startForm));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(QTest::qWaitForWindowActive(&program.mainForm));
    QVERIFY(program.startForm.isHidden());

    TForm_Main& form = program.mainForm;
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral("KV4820 beállító program   V2015-03-25"),
                              WaitMs);
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));
    QCOMPARE(form.DeviceModel, dmKV4820);
    QCOMPARE(form.ModelCaption, QStringLiteral("KV4820 (Ex)"));
    QCOMPARE(form.ProgramDate, QStringLiteral("2015-03-25"));
    QCOMPARE(form.FirmwareRangeText, QStringLiteral("v20150324 - 20150325"));
    QCOMPARE(form.Panel_KeszulekMegnevezes->text(), QStringLiteral("KV4820 (Ex) v20150324 - 20150325"));
    QVERIFY(!form.ServiceAccess);
    QVERIFY(!form.PageControl_Main->isTabVisible(form.PageControl_Main->indexOf(form.TabSheet_DO)));
    QVERIFY(!form.PageControl_Main->isTabVisible(form.PageControl_Main->indexOf(form.TabSheet_Kalibralas)));
    QCOMPARE(languageMismatch(form, Language::Hungarian), QString());
    QCOMPARE(form.languageTable().text(LanguageTable::Text::SaveDialogTitle),
             QStringLiteral("Beállítás mentése fájlba"));
    // Captions the language table does not own stay as the layout gives them.
    QCOMPARE(form.PageControl_Main->tabText(form.PageControl_Main->indexOf(form.TabSheet_Kalibralas)),
             QStringLiteral("Kalibrálás"));
    QCOMPARE(form.outputKindShown(), TForm_Main::OutputKindNone);
}

void tst_AppShell::activationFromConfiguration_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("limitPage");
    QTest::addColumn<bool>("calibrationPage");

    const QString kv4820 = QStringLiteral("KV4820 (Ex) v20150324 - 20150325");
    const QString kv4620 = QStringLiteral("KV4620 v20150324 - 20150325");
    const QString service = QStringLiteral(" - szerviz szintű hozzáférés");

    QTest::newRow("KV4620 in English")
        << QByteArray("[KV]\nRadioGroup_KVValasztas=0\n[Language]\nRadioGroup_NyelvValasztas=0\n")
        << QStringList{} << "English"
        << "KV4620 configurator   V2015-03-25" << kv4620 << true << false;
    QTest::newRow("indexes above the last item")
        << QByteArray("[KV]\nRadioGroup_KVValasztas=5\n[Language]\nRadioGroup_NyelvValasztas=7\n")
        << QStringList{} << "Magyar"
        << "KV4820 beállító program   V2015-03-25" << kv4820 << false << false;
    QTest::newRow("negative indexes fall back to the defaults")
        << QByteArray("[KV]\nRadioGroup_KVValasztas=-1\n[Language]\nRadioGroup_NyelvValasztas=-4\n")
        << QStringList{} << "Magyar"
        << "KV4820 beállító program   V2015-03-25" << kv4820 << false << false;
    QTest::newRow("service switch in lower case among others")
        << QByteArray() << QStringList{"--simulate", "/qelmir", "x"} << "Magyar"
        << "KV4820 beállító program   V2015-03-25" << kv4820 + service << false << true;
    QTest::newRow("service access on the KV4620 in English")
        << QByteArray("[KV]\nRadioGroup_KVValasztas=0\n[Language]\nRadioGroup_NyelvValasztas=0\n")
        << QStringList{"/QELMIR"} << "English"
        << "KV4620 configurator   V2015-03-25" << kv4620 + service << true << true;
    QTest::newRow("near misses of the switch")
        << QByteArray() << QStringList{"QELMIR", "/QELMIR ", "/QELMIRA", "-qelmir"} << "Magyar"
        << "KV4820 beállító program   V2015-03-25" << kv4820 << false << false;
}

void tst_AppShell::activationFromConfiguration()
{
    QFETCH(QByteArray, config);
    QFETCH(QStringList, arguments);
    QFETCH(QString, language);
    QFETCH(QString, title);
    QFETCH(QString, panel);
    QFETCH(bool, limitPage);
    QFETCH(bool, calibrationPage);

    if (!config.isEmpty())
        QVERIFY(writeAll(configPath(), config));
    Program program(*m_dir, arguments);
    QVERIFY(program.openMainWindow());
    const TForm_Main& form = program.mainForm;
    QCOMPARE(form.CurrentLanguage, language);
    QCOMPARE(form.windowTitle(), title);
    QCOMPARE(form.Panel_KeszulekMegnevezes->text(), panel);
    QCOMPARE(form.DeviceModel, limitPage ? dmKV4620 : dmKV4820);
    QCOMPARE(form.ServiceAccess, calibrationPage);
    QCOMPARE(form.PageControl_Main->isTabVisible(form.PageControl_Main->indexOf(form.TabSheet_DO)),
             limitPage);
    QCOMPARE(form.PageControl_Main->isTabVisible(form.PageControl_Main->indexOf(form.TabSheet_Kalibralas)),
             calibrationPage);
    QCOMPARE(languageMismatch(form, language == u"English" ? Language::English : Language::Hungarian),
             QString());
    // The model group shows the stored model and stays out of the user's reach.
    QCOMPARE(program.startForm.RadioGroup_KVValasztas->ItemIndex(), limitPage ? 0 : 1);
    QVERIFY(!program.startForm.RadioGroup_KVValasztas->isEnabled());
}

void tst_AppShell::languageButtonKeepsSelections()
{
    Program program(*m_dir);
    TForm_Main& form = program.mainForm;
    form.RadioGroup_Limit1Uzemmod->setItemIndex(3);
    form.RadioGroup_Limit4HoldMode->setItemIndex(1);
    form.RadioGroup_Uzemmod->setItemIndex(-1);
    QVERIFY(program.openMainWindow());
    QCOMPARE(form.RadioGroup_Limit1Uzemmod->selectedText(), QStringLiteral("Közé esik"));
    QCOMPARE(form.RadioGroup_Limit4HoldMode->selectedText(), QStringLiteral("Tartás"));

    QSignalSpy clicks(form.RadioGroup_Limit1Uzemmod, &TRadioGroup::OnClick);
    QTest::mouseClick(form.Button_Nyelv, Qt::LeftButton);
    QCOMPARE(form.CurrentLanguage, QStringLiteral("English"));
    QCOMPARE(languageMismatch(form, Language::English), QString());
    QCOMPARE(form.languageTable().text(LanguageTable::Text::OpenDialogTitle),
             QStringLiteral("Open settings file"));
    QCOMPARE(form.RadioGroup_Limit1Uzemmod->selectedText(), QStringLiteral("Inside"));
    QCOMPARE(form.RadioGroup_Limit4HoldMode->selectedText(), QStringLiteral("Hold on"));
    QCOMPARE(form.RadioGroup_Uzemmod->ItemIndex(), -1);
    QCOMPARE(form.RadioGroup_Limit2Uzemmod->ItemIndex(), -1);
    QCOMPARE(clicks.count(), 0);
    // The title follows the language at the next activation only.
    QCOMPARE(form.windowTitle(), QStringLiteral("KV4820 beállító program   V2015-03-25"));

    form.GroupBox_Beallitasok->setTitle(QStringLiteral("Settings   Last used file: a.kvb"));
    QTest::mouseClick(form.Button_Nyelv, Qt::LeftButton);
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));
    QCOMPARE(languageMismatch(form, Language::Hungarian), QString());
    QCOMPARE(form.RadioGroup_Limit1Uzemmod->ItemIndex(), 3);
    QCOMPARE(program.startForm.RadioGroup_NyelvValasztas->ItemIndex(), 1);
}

void tst_AppShell::dialogReturnsToStartLanguage()
{
    Program program(*m_dir);
    TForm_Main& form = program.mainForm;
    QVERIFY(program.openMainWindow());
    QTest::mouseClick(form.Button_Nyelv, Qt::LeftButton);
    QCOMPARE(languageMismatch(form, Language::English), QString());

    // A real modal message box, closed with its OK button once it is up.
    bool seen = false;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible() && box->windowHandle() == QGuiApplication::focusWindow()) {
            seen = true;
            closer.stop();
            box->button(QMessageBox::Ok)->click();
        }
    });
    closer.start();
    Dialogs::current().message(&form, Dialogs::MessageType::Warning, QStringLiteral("kvconf"),
                               QStringLiteral("Saving error."));
    QVERIFY(seen);

    QTRY_COMPARE_WITH_TIMEOUT(form.CurrentLanguage, QStringLiteral("Magyar"), WaitMs);
    QCOMPARE(languageMismatch(form, Language::Hungarian), QString());
    QVERIFY(form.isActiveWindow());
}

void tst_AppShell::otherApplicationKeepsLanguage()
{
    Program program(*m_dir);
    TForm_Main& form = program.mainForm;
    QVERIFY(program.openMainWindow());
    QTest::mouseClick(form.Button_Nyelv, Qt::LeftButton);

    // What the window system reports when the user goes to another program
    // and comes back: no focus window, then this window active again.
    emit qGuiApp->focusWindowChanged(nullptr);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);
    QCOMPARE(form.CurrentLanguage, QStringLiteral("English"));
    QCOMPARE(languageMismatch(form, Language::English), QString());

    // Coming from another window of the program instead applies the language.
    emit qGuiApp->focusWindowChanged(program.startForm.windowHandle());
    QApplication::sendEvent(&form, &activate);
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));
    QCOMPARE(languageMismatch(form, Language::Hungarian), QString());
}

// Activation hiding the page that is shown moves the page in code: no read
// is queued and no calibration caption is cleared, as for any page set by
// the program.
void tst_AppShell::hiddenCurrentPageIsNoPageChange()
{
    Program program(*m_dir);
    TForm_Main& form = program.mainForm;
    program.startForm.RadioGroup_KVValasztas->setItemIndex(0);
    form.FormActivate();
    form.PageControl_Main->setCurrentWidget(form.TabSheet_DO);
    form.SpeedButton_KVKiolvasas->setDownState(false);
    form.SpeedButton_ADCal0Ohm->setText(QStringLiteral("kept"));

    program.startForm.RadioGroup_KVValasztas->setItemIndex(1);
    form.FormActivate();
    QVERIFY(form.PageControl_Main->currentWidget() != form.TabSheet_DO);
    QVERIFY(!form.SpeedButton_KVKiolvasas->Down());
    QCOMPARE(form.SpeedButton_ADCal0Ohm->text(), QStringLiteral("kept"));
}

void tst_AppShell::unmatchedLanguageKeepsEntries()
{
    TForm_Main bare;
    bare.RadioGroup_Limit1Uzemmod->setItemIndex(3);
    bare.ApplyLanguage(QString());
    QCOMPARE(captionOf(bare, QStringLiteral("GroupBox_Output")), QString());
    // The groups keep their items (with empty texts) and their selections.
    QCOMPARE(bare.RadioGroup_Uzemmod->count(), 3);
    QCOMPARE(bare.RadioGroup_Uzemmod->ItemIndex(), 0);
    QCOMPARE(bare.RadioGroup_Limit1Uzemmod->count(), 8);

    bare.ApplyLanguage(QStringLiteral("ENGLISH"));
    QCOMPARE(bare.RadioGroup_Limit1Uzemmod->ItemIndex(), 3);
    QCOMPARE(bare.RadioGroup_Limit1Uzemmod->selectedText(), QStringLiteral("Inside"));
    QCOMPARE(captionOf(bare, QStringLiteral("GroupBox_Output")), QStringLiteral("Output"));
    bare.GroupBox_Output->setTitle(QStringLiteral("changed"));
    bare.ApplyLanguage(QStringLiteral("Deutsch"));
    QCOMPARE(captionOf(bare, QStringLiteral("GroupBox_Output")), QStringLiteral("Output"));
    QCOMPARE(bare.languageTable().text(LanguageTable::Text::WirePrefix), QStringLiteral("Wire = "));
}

void tst_AppShell::shutdownUpdatesInPlace()
{
    QVERIFY(writeAll(configPath(), "; mine\n[Language]\nRadioGroup_NyelvValasztas=0\n[Other]\nkey=value\n"
                                   "[Path]\nsUtolsoFileUtvonal=/srv/kvb/\n"));
    {
        Program program(*m_dir);
        QSignalSpy ended(&program.startForm, &TForm_KVTipusValasztas::formClosed);
        QCOMPARE(program.mainForm.sUtolsoFileUtvonal, QStringLiteral("/srv/kvb/"));
        QVERIFY(program.openMainWindow());
        // A language chosen with the button is not the one remembered.
        QTest::mouseClick(program.mainForm.Button_Nyelv, Qt::LeftButton);
        QCOMPARE(program.mainForm.CurrentLanguage, QStringLiteral("Magyar"));
        program.mainForm.MB1->setMBLastUsedPort(QStringLiteral("/dev/ttyUSB3"));
        QVERIFY(program.mainForm.close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(program.mainForm.isHidden());
    }
    // Existing lines stay where they are; the missing keys follow in their
    // order, the tool windows after them.
    const QStringList lines = fileLines(configPath());
    QCOMPARE(lines.size(), 19);
    QCOMPARE(lines.mid(0, 8), (QStringList{"; mine", "[Language]", "RadioGroup_NyelvValasztas=0", "[Other]",
                                           "key=value", "[Path]", "sUtolsoFileUtvonal=/srv/kvb/", "[Date]"}));
    QVERIFY(lines.at(8).startsWith(u"Date="));
    QCOMPARE(lines.mid(9, 4),
             (QStringList{"[Com]", "MBLastUsedPort=/dev/ttyUSB3", "[KV]", "RadioGroup_KVValasztas=1"}));
    QCOMPARE(lines.mid(13), (QStringList{"[ToolWindows]", "DeviceRecordsOpen=0", "LinkStatisticsOpen=0",
                                         "TrafficLogOpen=0", "TrendOpen=0", "VerificationOpen=0"}));

    // The next run starts where this one left.
    Program next(*m_dir);
    QCOMPARE(next.startForm.RadioGroup_NyelvValasztas->selectedText(), QStringLiteral("English"));
    QCOMPARE(next.mainForm.MB1->MBLastUsedPort(), QStringLiteral("/dev/ttyUSB3"));
}

void tst_AppShell::escapeSavesNothing()
{
    const QByteArray stored("[KV]\nRadioGroup_KVValasztas=0\n");
    QVERIFY(writeAll(configPath(), stored));
    Program program(*m_dir);
    QSignalSpy ended(&program.startForm, &TForm_KVTipusValasztas::formClosed);
    program.startForm.show();
    QVERIFY(QTest::qWaitForWindowActive(&program.startForm));
    program.startForm.RadioGroup_NyelvValasztas->setItemIndex(0);
    QTest::keyClick(&program.startForm, Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, WaitMs);
    QCOMPARE(readAll(configPath()), stored);
}

void tst_AppShell::unwritableConfigurationStillEnds()
{
    // A folder in the file's place: neither readable nor replaceable as a file.
    QVERIFY(QDir().mkdir(configPath()));
    ScriptedDialogs dialogs;
    Program program(*m_dir);
    QSignalSpy ended(&program.startForm, &TForm_KVTipusValasztas::formClosed);
    QVERIFY(program.openMainWindow());
    // No dialog, but a line for whoever started the program from a terminal.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Configuration not saved to ") +
                                                          QRegularExpression::escape(configPath()) +
                                                          QStringLiteral(": .+")));
    QVERIFY(program.mainForm.close());
    QCOMPARE(ended.count(), 1);
    QVERIFY(dialogs.messages().isEmpty());
    QVERIFY(QFileInfo(configPath()).isDir());
}

void tst_AppShell::render()
{
    const QString dir = outputDir();
    {
        Program program(*m_dir);
        program.startForm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.startForm));
        QVERIFY(program.startForm.grab().save(dir + QStringLiteral("/app_start_window.png")));
    }

    struct Shot
    {
        const char* name;
        QByteArray config;
        QStringList arguments;
    };
    const QList<Shot> shots = {
        {"hu_kv4820", QByteArray(), {}},
        {"en_kv4620", "[KV]\nRadioGroup_KVValasztas=0\n[Language]\nRadioGroup_NyelvValasztas=0\n", {}},
        {"hu_kv4620_service", "[KV]\nRadioGroup_KVValasztas=0\n", {"/qelmir"}},
        {"en_kv4820_service", "[Language]\nRadioGroup_NyelvValasztas=0\n", {"/QELMIR"}},
    };
    for (const Shot& shot : shots) {
        QTemporaryDir folder;
        if (!shot.config.isEmpty())
            QVERIFY(writeAll(folder.filePath(QStringLiteral("kvconf.ini")), shot.config));
        Program program(folder, shot.arguments);
        QVERIFY(program.openMainWindow());
        TForm_Main& form = program.mainForm;
        const QString base = dir + QStringLiteral("/app_main_%1").arg(QLatin1String(shot.name));
        QVERIFY(form.grab().save(base + QStringLiteral(".png")));
        // As after the first successful transaction, for a look at the pages.
        form.PageControl_Main->show();
        form.GroupBox_System->show();
        form.GroupBox_KeszulekOlvasasIras->show();
        QVERIFY(form.grab().save(base + QStringLiteral("_pages.png")));
        if (form.DeviceModel == dmKV4620) {
            form.PageControl_Main->setCurrentWidget(form.TabSheet_DO);
            QVERIFY(form.grab().save(base + QStringLiteral("_limits.png")));
        }
    }
}

QTEST_MAIN(tst_AppShell)
#include "tst_app_shell.moc"
