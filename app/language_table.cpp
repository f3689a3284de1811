#include "app/language_table.h"

#include "device/live_values.h"

namespace {

QStringList numbered(const QString& pattern)
{
    QStringList names;
    for (int i = 1; i <= 4; ++i)
        names.append(pattern.arg(i));
    return names;
}

QList<LanguageTable::CaptionRow> buildCaptionRows()
{
    using Row = LanguageTable::CaptionRow;
    return {
        Row{1, {"TabSheet_Beallitasok"}, "General settings", "Általános beállítások"},
        Row{2, {"GroupBox_Beallitasok"}, "General settings", "Általános beállítások"},
        Row{3, {"GroupBox_KijelzoEsHibauzenet"}, "Measured value", "Mért érték"},
        Row{4, {"RadioGroup_VezetekSzam"}, "Wire", "Vezeték"},
        Row{5, {"RadioGroup_Uzemmod"}, "Input mode", "Üzemmód"},
        Row{6, {"RadioGroup_AnalogKimTipus"}, "Analog output", "Analóg kimenet"},
        Row{7, {"RadioGroup_Atlagolas"}, "Averaging", "Átlagolás"},
        Row{8, {"RadioGroup_AnalogKimHibajelzes"}, "Error current / voltage", "Hiba áram / feszültség"},
        Row{9, {"GroupBox_2Wire"}, "2 wire zeroing", "2 vezeték nullázás"},
        Row{10,
            {"GroupBox_PotenciometerUzemmod"},
            "Potentiometer mode settings",
            "Potenciométer üzemmód beállítás"},
        Row{11,
            {"GroupBox_PotenciometerKalibralas"},
            "Potentiometer calibrating",
            "Potenciométer kalibrálás"},
        Row{12, {"GroupBox_FajlMuveletek"}, "File operations", "Fájl műveletek"},
        Row{13, {"GroupBox_AnalogKimenetSkalazasa"}, "Analog output scaling", "Analóg kimenet skálázása"},
        Row{14,
            {"SpeedButton_KVKiolvasas"},
            "Read settings from instrument",
            "Beállítások kiolvasása a készülékből"},
        Row{15, {"Button_GyariAlapertekek"}, "Factory defaults", "Gyári alapértékek"},
        Row{16,
            {"SpeedButton_BeallitasokAKVbe"},
            "Write settings to instrument",
            "Beállítások készülékbe írása"},
        Row{17, {"Button_FileMegnyitas"}, "Open settings file", "Beállítás fájl megnyitása"},
        Row{18, {"Button_FileMentes"}, "Save settings to file", "Beállítások fájlba mentése"},
        Row{19, {"TabSheet_DO"}, "Limit outputs settings", "Határérték kimenetek beállításai"},
        Row{20, {"GroupBox_Limit1"}, "Settings limit output 1.", "1. határérték kimenet beállításai"},
        Row{21, numbered("RadioGroup_Limit%1Uzemmod"), "Mode", "Üzemmód"},
        Row{22, numbered("LabeledEdit_Limit%1Low"), "Low Limit:", "Alsó határérték:"},
        Row{23, numbered("LabeledEdit_Limit%1High"), "High Limit:", "Felső határérték:"},
        Row{24, numbered("LabeledEdit_Limit%1Hysteresis"), "Hysteresis:", "Hiszterézis:"},
        Row{25, numbered("RadioGroup_Limit%1HoldMode"), "Hold on mode", "Bekapcsolva tartás"},
        Row{26, {"GroupBox_Limit2"}, "Settings limit output 2.", "2. határérték kimenet beállításai"},
        Row{27, {"GroupBox_DOForce"}, "Test digital outputs", "Digitális kimenet teszt"},
        Row{28, {"SpeedButton_DOForce"}, "Test mode", "Teszt mód"},
        Row{29, {"GroupBox_Limit3"}, "Settings limit output 3.", "3. határérték kimenet beállításai"},
        Row{30, {"GroupBox_Limit4"}, "Settings limit output 4.", "4. határérték kimenet beállításai"},
        Row{31, {"SpeedButton_HoldMegszuntetes"}, "Clear off hold on", "Bekapcsolva tartás megszüntetése"},
        Row{32,
            {"GroupBox_KeszulekOlvasasIras"},
            "Read, write device settings",
            "Készülék beállítások olvasása, írása"},
        Row{33,
            {"CheckBox_NemHibaAKimenetTulcsordulas"},
            "Output error are disabled.",
            "Kimenet hibajelzés tiltva."},
        Row{34, {"GroupBox_AnalogKimenetLimit"}, "Output Limits", "Kimenet határolás"},
        Row{35, {"LabeledEdit_AramLLimit"}, "Low:", "Alsó:"},
        Row{36, {"LabeledEdit_AramHLimit"}, "High:", "Felső:"},
        Row{37, {"GroupBox_Output"}, "Output", "Kimenet"},
        Row{38, {"SpeedButton_R2Wires0Ohm"}, "Set to 0 ohm", "Legyen 0 ohm"},
        Row{39, {"LabeledEdit_AramL"}, "Low:", "Alsó:"},
        Row{40, {"LabeledEdit_AramH"}, "High:", "Felső:"},
        Row{41, {"Label_CommError"}, "Communication error.", "Hiba: nincs kommunikáció."},
    };
}

QList<LanguageTable::ItemRow> buildItemRows()
{
    using Row = LanguageTable::ItemRow;
    using List = LanguageTable::ItemList;
    return {
        Row{List::LimitMode,
            numbered("RadioGroup_Limit%1Uzemmod"),
            {"Off", "High", "Low", "Inside", "Outside", "Warm", "Cool", "On"},
            {"Ki", "Nagyobb", "Kisebb", "Közé esik", "Kívül esik", "Fűtés", "Hűtés", "Mindig be"}},
        Row{List::HoldMode,
            numbered("RadioGroup_Limit%1HoldMode"),
            {"Off", "Hold on"},
            {"Kikapcsolva", "Tartás"}},
        Row{List::InputMode,
            {"RadioGroup_Uzemmod"},
            {"Temperature", "Pot. %", "Resistance"},
            {"Hőmérséklet", "Pot. %", "Ellenállás"}},
    };
}

struct TextPair
{
    const char* english;
    const char* hungarian;
};

// Indexed by LanguageTable::Text.
constexpr std::array<TextPair, LanguageTable::TextCount> kTexts = {{
    {"KV4820 configurator   V", "KV4820 beállító program   V"},
    {"KV4620 configurator   V", "KV4620 beállító program   V"},
    {"KV4820 settings file (*.kvb)|*.kvb", "KV4820 beállítás fájl (*.kvb)|*.kvb"},
    {"KV4620 settings file (*.kvb)|*.kvb", "KV4620 beállítás fájl (*.kvb)|*.kvb"},
    {"This file is not a KV4820 settings.", "Ez nem KV4820 beállítás fájl."},
    {"This file is not a KV4620 settings.", "Ez nem KV4620 beállítás fájl."},
    {"Save setting to file", "Beállítás mentése fájlba"},
    {"Saving error.", "A fájlba mentés nem sikerült."},
    {"Check the write protect mode and size of free memory.",
     "Ellenörizze, hogy nem írásvédett-e a háttértár és van-e rajta elég szabad hely."},
    {"Open settings file", "Beállítás fájl megnyitása"},
    {"Settings   Last used file: ", "Beállítások   Utoljára használt fájl: "},
    {"Wire = ", "Vezeték = "},
    {"Hard error. Call service.", "Súlyos hiba, szervizt igényel."},
    {"Pt wires are opened error.", "Hiba: megszakadt a mérőkör!"},
    {"Input signal limit error.", "Hiba: a bemenő jel a határokon kívül esik!"},
    {"Output signal limit error.!", "Hiba: a kimenő jel a határokon kívül esik!"},
    {"Not a settings file: it was left unchanged.", "Nem beállításfájl: változatlanul maradt."},
}};

} // namespace

QString LanguageTable::languageItemText(Language language)
{
    return language == Language::English ? QStringLiteral("English") : QStringLiteral("Magyar");
}

std::optional<Language> LanguageTable::languageOf(const QString& languageText)
{
    const QString lower = languageText.toLower();
    std::optional<Language> found;
    // Two separate tests, as every language-dependent choice makes them.
    if (lower == languageItemText(Language::Hungarian).toLower())
        found = Language::Hungarian;
    if (lower == languageItemText(Language::English).toLower())
        found = Language::English;
    return found;
}

const QList<LanguageTable::CaptionRow>& LanguageTable::captionRows()
{
    static const QList<CaptionRow> rows = buildCaptionRows();
    return rows;
}

const LanguageTable::CaptionRow& LanguageTable::captionRow(int number)
{
    Q_ASSERT(number >= 1 && number <= CaptionRowCount);
    return captionRows().at(number - 1);
}

const QList<LanguageTable::ItemRow>& LanguageTable::itemRows()
{
    static const QList<ItemRow> rows = buildItemRows();
    return rows;
}

const LanguageTable::ItemRow& LanguageTable::itemRow(ItemList list)
{
    return itemRows().at(int(list));
}

QString LanguageTable::value(Text text, Language language)
{
    const TextPair& pair = kTexts.at(std::size_t(text));
    return QString::fromUtf8(language == Language::English ? pair.english : pair.hungarian);
}

QString LanguageTable::firmwareIncompatibleText(Language language)
{
    return language == Language::English
               ? QStringLiteral(
                     "This configurator software version is incompatible with this device! Please use "
                     "the sufficient version.")
               : QStringLiteral(
                     "Ez a beállító program verzió nem kompatibilis az eszközzel! Kérjük, használja a "
                     "megfelelő verziójú beállító programot.");
}

QString LanguageTable::fileCorruptText()
{
    return QStringLiteral("A fájl hibás.");
}

QString LanguageTable::languageButtonCaption(const QString& currentLanguage)
{
    return currentLanguage.toLower() == QStringLiteral("magyar") ? QStringLiteral("to English")
                                                                 : QStringLiteral("magyarra vált");
}

LanguageTable::LanguageTable()
{
    // Empty texts, but as many items as the lists have: applying an unknown
    // language before any known one must not empty the groups (and lose
    // their selections).
    for (const ItemRow& row : itemRows())
        m_items[std::size_t(row.list)] = QStringList(row.english.size(), QString());
}

void LanguageTable::apply(const QString& languageText)
{
    if (const std::optional<Language> language = languageOf(languageText))
        apply(*language);
}

void LanguageTable::apply(Language language)
{
    const bool english = language == Language::English;
    for (const CaptionRow& row : captionRows())
        m_captions[std::size_t(row.number - 1)] = english ? row.english : row.hungarian;
    for (const ItemRow& row : itemRows())
        m_items[std::size_t(row.list)] = english ? row.english : row.hungarian;
    for (int i = 0; i < TextCount; ++i)
        m_texts[std::size_t(i)] = value(Text(i), language);
}

QString LanguageTable::caption(int number) const
{
    if (number < 1 || number > CaptionRowCount)
        return {};
    return m_captions[std::size_t(number - 1)];
}

QStringList LanguageTable::items(ItemList list) const
{
    return m_items[std::size_t(list)];
}

QString LanguageTable::text(Text text) const
{
    return m_texts[std::size_t(text)];
}

QString LanguageTable::deviceErrorText(int errorNumber) const
{
    switch (errorNumber) {
    case deHardError:
        return text(Text::DeviceError1);
    case deWiresOpen:
        return text(Text::DeviceError2);
    case deInputLimit:
        return text(Text::DeviceError4);
    case deOutputLimit:
        return text(Text::DeviceError5);
    default:
        return {};
    }
}

LiveDisplay::Texts LanguageTable::liveDisplayTexts() const
{
    return {text(Text::WirePrefix), text(Text::DeviceError1), text(Text::DeviceError2),
            text(Text::DeviceError4), text(Text::DeviceError5)};
}
