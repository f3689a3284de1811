#include "app/language_table.h"

#include <QSet>
#include <QTest>

using Text = LanguageTable::Text;
using ItemList = LanguageTable::ItemList;

class tst_LanguageTable : public QObject
{
    Q_OBJECT

private slots:
    void emptyBeforeFirstApplication()
    {
        const LanguageTable table;
        for (int row = 1; row <= LanguageTable::CaptionRowCount; ++row)
            QVERIFY(table.caption(row).isEmpty());
        // Empty texts, but the lists keep their length.
        QCOMPARE(table.items(ItemList::LimitMode), QStringList(8, QString()));
        QCOMPARE(table.items(ItemList::HoldMode), QStringList(2, QString()));
        QVERIFY(table.text(Text::SaveDialogTitle).isEmpty());
        QVERIFY(table.deviceErrorText(1).isEmpty());
    }

    void captionRowsInOrder()
    {
        const auto& rows = LanguageTable::captionRows();
        QCOMPARE(rows.size(), LanguageTable::CaptionRowCount);
        QSet<QString> controls;
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows.at(i).number, i + 1);
            QVERIFY(!rows.at(i).english.isEmpty());
            QVERIFY(!rows.at(i).hungarian.isEmpty());
            for (const QString& name : rows.at(i).controls) {
                QVERIFY2(!controls.contains(name), qPrintable(name));
                controls.insert(name);
            }
        }
        // Rows 21 to 25 name all four limit outputs.
        QCOMPARE(LanguageTable::captionRow(22).controls,
                 (QStringList{"LabeledEdit_Limit1Low", "LabeledEdit_Limit2Low", "LabeledEdit_Limit3Low",
                              "LabeledEdit_Limit4Low"}));
        QCOMPARE(LanguageTable::captionRow(25).controls.last(), QStringLiteral("RadioGroup_Limit4HoldMode"));
        QCOMPARE(controls.size(), 41 - 5 + 5 * 4);
    }

    void captions_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("hungarian");

        QTest::newRow("1") << 1 << "TabSheet_Beallitasok"
                           << "General settings"
                           << "Általános beállítások";
        QTest::newRow("8") << 8 << "RadioGroup_AnalogKimHibajelzes"
                           << "Error current / voltage"
                           << "Hiba áram / feszültség";
        QTest::newRow("20") << 20 << "GroupBox_Limit1"
                            << "Settings limit output 1."
                            << "1. határérték kimenet beállításai";
        QTest::newRow("24") << 24 << "LabeledEdit_Limit3Hysteresis"
                            << "Hysteresis:"
                            << "Hiszterézis:";
        QTest::newRow("33") << 33 << "CheckBox_NemHibaAKimenetTulcsordulas"
                            << "Output error are disabled."
                            << "Kimenet hibajelzés tiltva.";
        QTest::newRow("40") << 40 << "LabeledEdit_AramH"
                            << "High:"
                            << "Felső:";
        QTest::newRow("41") << 41 << "Label_CommError"
                            << "Communication error."
                            << "Hiba: nincs kommunikáció.";
    }
    void captions()
    {
        QFETCH(int, row);
        QFETCH(QString, control);
        QFETCH(QString, english);
        QFETCH(QString, hungarian);

        QVERIFY(LanguageTable::captionRow(row).controls.contains(control));
        LanguageTable table;
        table.apply(QStringLiteral("English"));
        QCOMPARE(table.caption(row), english);
        table.apply(QStringLiteral("Magyar"));
        QCOMPARE(table.caption(row), hungarian);
    }

    void itemLists()
    {
        LanguageTable table;
        table.apply(Language::Hungarian);
        QCOMPARE(table.items(ItemList::LimitMode),
                 (QStringList{"Ki", "Nagyobb", "Kisebb", "Közé esik", "Kívül esik", "Fűtés", "Hűtés",
                              "Mindig be"}));
        QCOMPARE(table.items(ItemList::HoldMode), (QStringList{"Kikapcsolva", "Tartás"}));
        QCOMPARE(table.items(ItemList::InputMode), (QStringList{"Hőmérséklet", "Pot. %", "Ellenállás"}));
        table.apply(Language::English);
        QCOMPARE(table.items(ItemList::LimitMode),
                 (QStringList{"Off", "High", "Low", "Inside", "Outside", "Warm", "Cool", "On"}));
        QCOMPARE(table.items(ItemList::HoldMode), (QStringList{"Off", "Hold on"}));
        QCOMPARE(table.items(ItemList::InputMode), (QStringList{"Temperature", "Pot. %", "Resistance"}));
        QCOMPARE(LanguageTable::itemRow(ItemList::InputMode).controls, QStringList{"RadioGroup_Uzemmod"});
        QCOMPARE(LanguageTable::itemRow(ItemList::HoldMode).controls.size(), 4);
    }

    void texts_data()
    {
        QTest::addColumn<Text>("text");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("hungarian");

        QTest::newRow("title 4820") << Text::WindowTitleKV4820 << "KV4820 configurator   V"
                                    << "KV4820 beállító program   V";
        QTest::newRow("filter 4820") << Text::FileFilterKV4820 << "KV4820 settings file (*.kvb)|*.kvb"
                                     << "KV4820 beállítás fájl (*.kvb)|*.kvb";
        QTest::newRow("wrong model 4620") << Text::WrongModelKV4620 << "This file is not a KV4620 settings."
                                          << "Ez nem KV4620 beállítás fájl.";
        QTest::newRow("save title") << Text::SaveDialogTitle << "Save setting to file"
                                    << "Beállítás mentése fájlba";
        QTest::newRow("saving error") << Text::SavingError << "Saving error."
                                      << "A fájlba mentés nem sikerült.";
        QTest::newRow("hint")
            << Text::SavingErrorHint << "Check the write protect mode and size of free memory."
            << "Ellenörizze, hogy nem írásvédett-e a háttértár és van-e rajta elég szabad hely.";
        QTest::newRow("last file") << Text::LastFile << "Settings   Last used file: "
                                   << "Beállítások   Utoljára használt fájl: ";
    }
    void texts()
    {
        QFETCH(Text, text);
        QFETCH(QString, english);
        QFETCH(QString, hungarian);
        LanguageTable table;
        table.apply(QStringLiteral("english"));
        QCOMPARE(table.text(text), english);
        table.apply(QStringLiteral("MAGYAR"));
        QCOMPARE(table.text(text), hungarian);
    }

    void deviceErrorTexts_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("hungarian");

        QTest::newRow("0") << 0 << ""
                           << "";
        QTest::newRow("1") << 1 << "Hard error. Call service."
                           << "Súlyos hiba, szervizt igényel.";
        QTest::newRow("2") << 2 << "Pt wires are opened error."
                           << "Hiba: megszakadt a mérőkör!";
        QTest::newRow("3") << 3 << ""
                           << "";
        QTest::newRow("4") << 4 << "Input signal limit error."
                           << "Hiba: a bemenő jel a határokon kívül esik!";
        QTest::newRow("5") << 5 << "Output signal limit error.!"
                           << "Hiba: a kimenő jel a határokon kívül esik!";
        QTest::newRow("200") << 200 << ""
                             << "";
    }
    void deviceErrorTexts()
    {
        QFETCH(int, number);
        QFETCH(QString, english);
        QFETCH(QString, hungarian);
        LanguageTable table;
        table.apply(Language::English);
        QCOMPARE(table.deviceErrorText(number), english);
        table.apply(Language::Hungarian);
        QCOMPARE(table.deviceErrorText(number), hungarian);
    }

    void languageMatching_data()
    {
        QTest::addColumn<QString>("languageText");
        QTest::addColumn<int>("expected"); // -1 none, 0 English, 1 Hungarian

        QTest::newRow("item 0") << "English" << 0;
        QTest::newRow("item 1") << "Magyar" << 1;
        QTest::newRow("upper") << "MAGYAR" << 1;
        QTest::newRow("mixed") << "eNgLiSh" << 0;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blank around") << " Magyar" << -1;
        QTest::newRow("other language") << "Deutsch" << -1;
        QTest::newRow("Hungarian word for Hungarian, accented") << "Magyár" << -1;
    }
    void languageMatching()
    {
        QFETCH(QString, languageText);
        QFETCH(int, expected);
        const std::optional<Language> language = LanguageTable::languageOf(languageText);
        QCOMPARE(language.has_value() ? int(*language) : -1, expected);

        // An unmatched text leaves whatever was there: empty, or the last
        // language applied.
        LanguageTable table;
        table.apply(languageText);
        QCOMPARE(table.caption(41), expected < 0    ? QString()
                                    : expected == 0 ? QStringLiteral("Communication error.")
                                                    : QStringLiteral("Hiba: nincs kommunikáció."));
        table.apply(Language::English);
        table.apply(languageText);
        QCOMPARE(table.caption(41), expected == 1 ? QStringLiteral("Hiba: nincs kommunikáció.")
                                                  : QStringLiteral("Communication error."));
    }

    void languageButtonNamesTheOtherLanguage_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("caption");

        QTest::newRow("Magyar") << "Magyar"
                                << "to English";
        QTest::newRow("magyar") << "magyar"
                                << "to English";
        QTest::newRow("English") << "English"
                                 << "magyarra vált";
        QTest::newRow("other") << ""
                               << "magyarra vált";
    }
    void languageButtonNamesTheOtherLanguage()
    {
        QFETCH(QString, current);
        QFETCH(QString, caption);
        QCOMPARE(LanguageTable::languageButtonCaption(current), caption);
    }

    void textsOutsideTheEntries()
    {
        QCOMPARE(
            LanguageTable::firmwareIncompatibleText(Language::English),
            QStringLiteral("This configurator software version is incompatible with this device! Please use "
                           "the sufficient version."));
        QCOMPARE(
            LanguageTable::firmwareIncompatibleText(Language::Hungarian),
            QStringLiteral("Ez a beállító program verzió nem kompatibilis az eszközzel! Kérjük, használja a "
                           "megfelelő verziójú beállító programot."));
        QCOMPARE(LanguageTable::fileCorruptText(), QStringLiteral("A fájl hibás."));
    }
};

QTEST_MAIN(tst_LanguageTable)
#include "tst_language_table.moc"
