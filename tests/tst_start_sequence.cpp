// The program's start as kvconf runs it: the start window shows the stored
// model and language from its first paint on, the main window is built only
// after that paint, and OK or Esc before the build lose nothing.

#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/start_sequence.h"
#include "link/tmb.h"
#include "tests/support/test_files.h"
#include "widgets/radio_group.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int WaitMs = 5000;

// What the start window showed at its first paint.
class FirstPaintRecorder : public QObject
{
public:
    FirstPaintRecorder(TForm_KVTipusValasztas& startForm, const StartSequence& sequence)
        : m_startForm(startForm), m_sequence(sequence)
    {
        startForm.installEventFilter(this);
    }

    bool painted = false;
    bool mainFormExisted = false;
    QList<int> selections;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            mainFormExisted = m_sequence.mainForm() != nullptr;
            selections = {m_startForm.RadioGroup_KVValasztas->ItemIndex(),
                          m_startForm.RadioGroup_NyelvValasztas->ItemIndex()};
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TForm_KVTipusValasztas& m_startForm;
    const StartSequence& m_sequence;
};

} // namespace

class tst_StartSequence : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void storedSelectionsBeforeMainWindow_data();
    void storedSelectionsBeforeMainWindow();
    void choiceBeforeBuildStays_data();
    void choiceBeforeBuildStays();
    void escapeBeforeBuildSavesNothing();

private:
    QString programPath() const { return m_dir->filePath(QStringLiteral("kvconf")); }
    QString configPath() const { return m_dir->filePath(QStringLiteral("kvconf.ini")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_StartSequence::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_StartSequence::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_StartSequence::storedSelectionsBeforeMainWindow_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QList<int>>("selections"); // model, language
    QTest::newRow("no configuration") << QByteArray() << QList<int>{1, 1};
    QTest::newRow("KV4620 in English")
        << QByteArray("[Com]\nMBLastUsedPort=/dev/ttyUSB3\n[KV]\nRadioGroup_KVValasztas=0\n"
                      "[Language]\nRadioGroup_NyelvValasztas=0\n")
        << QList<int>{0, 0};
    QTest::newRow("indexes above the last item")
        << QByteArray("[KV]\nRadioGroup_KVValasztas=4\n[Language]\nRadioGroup_NyelvValasztas=9\n")
        << QList<int>{1, 1};
}

void tst_StartSequence::storedSelectionsBeforeMainWindow()
{
    QFETCH(QByteArray, config);
    QFETCH(QList<int>, selections);
    if (!config.isEmpty())
        QVERIFY(writeAll(configPath(), config));
    TForm_KVTipusValasztas startForm;
    StartSequence sequence(startForm, AppContext{{}, programPath()});
    FirstPaintRecorder firstPaint(startForm, sequence);

    sequence.start();
    QVERIFY(startForm.isVisible());
    QVERIFY(!sequence.mainForm());
    QTRY_VERIFY_WITH_TIMEOUT(sequence.mainForm(), WaitMs);
    QVERIFY(firstPaint.painted);
    QVERIFY(!firstPaint.mainFormExisted);
    QCOMPARE(firstPaint.selections, selections);

    // Built behind the start window, with the rest of the configuration.
    const TForm_Main& mainForm = *sequence.mainForm();
    QVERIFY(!mainForm.isVisible());
    QCOMPARE(mainForm.MB1->MBLastUsedPort(),
             config.contains("ttyUSB3") ? QStringLiteral("/dev/ttyUSB3") : QString());
    QCOMPARE((QList<int>{startForm.RadioGroup_KVValasztas->ItemIndex(),
                         startForm.RadioGroup_NyelvValasztas->ItemIndex()}),
             selections);
}

void tst_StartSequence::choiceBeforeBuildStays_data()
{
    QTest::addColumn<bool>("okAtOnce");
    QTest::newRow("OK before the build") << true;
    QTest::newRow("OK after the build") << false;
}

// The user picks English in the start window before the main window exists;
// the main window comes up in English and the choice is what is saved.
void tst_StartSequence::choiceBeforeBuildStays()
{
    QFETCH(bool, okAtOnce);
    QVERIFY(writeAll(configPath(), "[Language]\nRadioGroup_NyelvValasztas=1\n"));
    TForm_KVTipusValasztas startForm;
    QSignalSpy ended(&startForm, &TForm_KVTipusValasztas::formClosed);
    StartSequence sequence(startForm, AppContext{{}, programPath()});
    sequence.start();
    QCOMPARE(startForm.RadioGroup_NyelvValasztas->selectedText(), QStringLiteral("Magyar"));
    startForm.RadioGroup_NyelvValasztas->setItemIndex(0);
    if (!okAtOnce)
        QTRY_VERIFY_WITH_TIMEOUT(sequence.mainForm(), WaitMs);
    QVERIFY(!okAtOnce || !sequence.mainForm());

    startForm.Button_OK->click();
    QVERIFY(sequence.mainForm());
    TForm_Main& mainForm = *sequence.mainForm();
    QVERIFY(mainForm.isVisible());
    QVERIFY(startForm.isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(mainForm.windowTitle(), QStringLiteral("KV4820 configurator   V2015-03-25"),
                              WaitMs);
    QCOMPARE(mainForm.CurrentLanguage, QStringLiteral("English"));

    QVERIFY(mainForm.close());
    QCOMPARE(ended.count(), 1);
    QVERIFY(fileLines(configPath()).contains(QStringLiteral("RadioGroup_NyelvValasztas=0")));
}

void tst_StartSequence::escapeBeforeBuildSavesNothing()
{
    const QByteArray stored("[KV]\nRadioGroup_KVValasztas=0\n");
    QVERIFY(writeAll(configPath(), stored));
    TForm_KVTipusValasztas startForm;
    QSignalSpy ended(&startForm, &TForm_KVTipusValasztas::formClosed);
    StartSequence sequence(startForm, AppContext{{}, programPath()});
    sequence.start();
    startForm.Button1->click();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!startForm.isVisible());
    // Whatever start-up work was pending has run by now.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(!sequence.mainForm());
    QCOMPARE(readAll(configPath()), stored);
}

QTEST_MAIN(tst_StartSequence)
#include "tst_start_sequence.moc"
