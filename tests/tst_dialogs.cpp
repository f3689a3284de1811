#include "platform/dialogs.h"
#include "tests/support/scripted_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs action on the first modal dialog of type T that shows up while a
// dialog's event loop runs.
template <typename T> void whenModalShows(std::function<void(T*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start();
}

} // namespace

class tst_Dialogs : public QObject
{
    Q_OBJECT

private slots:
    void qtFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");

        QTest::newRow("patterns already in description") << "KV4820 settings file (*.kvb)|*.kvb"
                                                         << "KV4820 settings file (*.kvb)";
        QTest::newRow("Hungarian") << "KV4620 beállítás fájl (*.kvb)|*.kvb"
                                   << "KV4620 beállítás fájl (*.kvb)";
        QTest::newRow("description only") << "Settings|*.kvb"
                                          << "Settings (*.kvb)";
        QTest::newRow("several patterns") << "Texts|*.txt;*.ini"
                                          << "Texts (*.txt *.ini)";
        QTest::newRow("several patterns in description") << "Texts (*.txt;*.ini)|*.txt;*.ini"
                                                         << "Texts (*.txt *.ini)";
        QTest::newRow("two entries") << "KV (*.kvb)|*.kvb|All files|*.*"
                                     << "KV (*.kvb);;All files (*.*)";
        QTest::newRow("missing pattern") << "Anything"
                                         << "Anything (*)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void qtFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(Dialogs::toQtFilter(filter), expected);
    }

    void scriptedDialogsReplaceAndRestore()
    {
        Dialogs* real = &Dialogs::current();
        {
            ScriptedDialogs outer;
            QCOMPARE(&Dialogs::current(), static_cast<Dialogs*>(&outer));
            {
                ScriptedDialogs inner;
                QCOMPARE(&Dialogs::current(), static_cast<Dialogs*>(&inner));
            }
            QCOMPARE(&Dialogs::current(), static_cast<Dialogs*>(&outer));
        }
        QCOMPARE(&Dialogs::current(), real);
    }

    void scriptedDialogsAnswerFromQueue()
    {
        ScriptedDialogs dialogs;
        dialogs.queueFileAnswer(QStringLiteral("/data/pump3"));
        dialogs.queueFileAnswer(QStringLiteral("/data/old.kvb"));
        const Dialogs::FileRequest request{QStringLiteral("Save setting to file"), QStringLiteral("/data/"),
                                           QStringLiteral("KV4820 settings file (*.kvb)|*.kvb"),
                                           QStringLiteral("kvb")};
        QCOMPARE(Dialogs::current().saveFileName(nullptr, request), QStringLiteral("/data/pump3.kvb"));
        QCOMPARE(Dialogs::current().openFileName(nullptr, request), QStringLiteral("/data/old.kvb"));
        QCOMPARE(Dialogs::current().openFileName(nullptr, request), QString());
        QCOMPARE(dialogs.fileDialogs().size(), 3);
        QCOMPARE(dialogs.fileDialogs().at(0).kind, ScriptedDialogs::FileKind::Save);
        QCOMPARE(dialogs.fileDialogs().at(0).request.title, QStringLiteral("Save setting to file"));
        QCOMPARE(dialogs.fileDialogs().at(2).answer, QString());

        Dialogs::current().message(nullptr, Dialogs::MessageType::Warning, QStringLiteral("t"),
                                   QStringLiteral("Saving error.\n\rCheck"));
        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(dialogs.messages().at(0).type, Dialogs::MessageType::Warning);
        QCOMPARE(dialogs.messages().at(0).text, QStringLiteral("Saving error.\n\rCheck"));
    }

    void messageIsModalAndReturnsActivation()
    {
        QWidget window;
        window.setWindowTitle(QStringLiteral("main"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        bool seen = false;
        whenModalShows<QMessageBox>([&](QMessageBox* box) {
            seen = true;
            QCOMPARE(box->parentWidget(), &window);
            QVERIFY(box->isModal());
            QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
            QCOMPARE(box->text(), QStringLiteral("Saving error.\nCheck the write protect mode."));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->buttons().size(), 1);
            box->button(QMessageBox::Ok)->click();
        });
        Dialogs::current().message(&window, Dialogs::MessageType::Error, QStringLiteral("Error"),
                                   QStringLiteral("Saving error.\n\rCheck the write protect mode."));
        QVERIFY(seen);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }

    void saveDialogAddsSuffixAndAsksBeforeOverwrite()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        {
            QFile existing(dir.filePath(QStringLiteral("old.kvb")));
            QVERIFY(existing.open(QIODevice::WriteOnly));
        }
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const Dialogs::FileRequest request{QStringLiteral("Beállítás mentése fájlba"), dir.path() + u'/',
                                           QStringLiteral("KV4820 beállítás fájl (*.kvb)|*.kvb"),
                                           QStringLiteral("kvb")};

        bool checked = false;
        whenModalShows<QFileDialog>([&](QFileDialog* dialog) {
            checked = true;
            QCOMPARE(dialog->windowTitle(), request.title);
            QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
            QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("KV4820 beállítás fájl (*.kvb)")});
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("pump3"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(Dialogs::current().saveFileName(&window, request),
                 dir.filePath(QStringLiteral("pump3.kvb")));
        QVERIFY(checked);

        // "old" becomes old.kvb, which exists: the dialog asks first.
        bool asked = false;
        whenModalShows<QFileDialog>([&](QFileDialog* dialog) {
            whenModalShows<QMessageBox>([&](QMessageBox* question) {
                asked = true;
                question->button(QMessageBox::Yes)->click();
            });
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("old"));
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        });
        QCOMPARE(Dialogs::current().saveFileName(&window, request), dir.filePath(QStringLiteral("old.kvb")));
        QVERIFY(asked);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }

    void cancelledOpenDialogGivesEmptyPath()
    {
        whenModalShows<QFileDialog>([](QFileDialog* dialog) {
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            dialog->reject();
        });
        const Dialogs::FileRequest request{QStringLiteral("Open settings file"), QDir::tempPath(),
                                           QStringLiteral("KV4620 settings file (*.kvb)|*.kvb"), QString()};
        QCOMPARE(Dialogs::current().openFileName(nullptr, request), QString());
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
