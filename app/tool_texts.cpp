#include "app/tool_texts.h"

#include <iterator>

namespace {

struct Entry
{
    const char* english;
    const char* hungarian;
};

// In the order of ToolTexts::Text.
constexpr Entry kEntries[] = {
    {"&View", "&Nézet"},
    {"&Trend", "&Trend"},
    {"Traffic &log", "&Forgalomnapló"},
    {"Link &statistics", "&Kapcsolati statisztika"},
    {"Virtual &bench", "&Virtuális mérőpad"},
    {"&Device records", "Készülék&napló"},
    {"V&erification", "&Ellenőrzés"},
    {"&Help", "&Súgó"},
    {"&Keyboard shortcuts", "&Billentyűparancsok"},
    {"&About", "&Névjegy"},
    {"Main window\n"
     "  Ctrl+T\tTrend\n"
     "  Ctrl+L\tTraffic log\n"
     "  Ctrl+I\tLink statistics\n"
     "  Ctrl+B\tVirtual bench (with --simulate)\n"
     "  Ctrl+D\tDevice records\n"
     "  Ctrl+K\tVerification\n"
     "  F1\tKeyboard shortcuts\n"
     "\n"
     "Trend\n"
     "  Space\tPause or resume\n"
     "  + / -\tShorter or longer time span (also the mouse wheel)\n"
     "  A\tAutoscale on or off\n"
     "  Ctrl+R\tRecord, or stop recording\n"
     "  Esc\tClose the window",
     "Főablak\n"
     "  Ctrl+T\tTrend\n"
     "  Ctrl+L\tForgalomnapló\n"
     "  Ctrl+I\tKapcsolati statisztika\n"
     "  Ctrl+B\tVirtuális mérőpad (--simulate esetén)\n"
     "  Ctrl+D\tKészüléknapló\n"
     "  Ctrl+K\tEllenőrzés\n"
     "  F1\tBillentyűparancsok\n"
     "\n"
     "Trend\n"
     "  Szóköz\tMegállítás vagy folytatás\n"
     "  + / -\tRövidebb vagy hosszabb időtartomány (egérgörgő is)\n"
     "  A\tAutomatikus skálázás be vagy ki\n"
     "  Ctrl+R\tRögzítés indítása vagy leállítása\n"
     "  Esc\tAz ablak bezárása"},
    {"Configurator for the KV4620 and KV4820 transmitters.\n"
     "Trend, recording and tool windows beside the main window.",
     "Beállító program a KV4620 és KV4820 távadókhoz.\n"
     "Trend, rögzítés és segédablakok a főablak mellett."},

    {"Trend", "Trend"},
    {"Measured value", "Mért érték"},
    {"Analog output", "Analóg kimenet"},
    {"Time", "Idő"},
    {"Pause", "Megállítás"},
    {"Resume", "Folytatás"},
    {"Autoscale", "Automatikus skála"},
    {"Time span:", "Időtartomány:"},
    {"Record…", "Rögzítés…"},
    {"Stop recording", "Rögzítés leállítása"},
    {"Not recording", "Nincs rögzítés"},
    {"Recording to %1: %2 rows", "Rögzítés ide: %1: %2 sor"},
    {"Recording to %1 stopped: %2", "A rögzítés (%1) leállt: %2"},
    {"Recorded to %1: %2 rows", "Rögzítve ide: %1: %2 sor"},
    {"Record live values", "Élő értékek rögzítése"},
    {"CSV file (*.csv)|*.csv", "CSV fájl (*.csv)|*.csv"},
    {"Point at a curve to read a value", "Mutasson egy görbére az érték leolvasásához"},
    {"No live values yet", "Még nincs élő érték"},

    {"Virtual bench", "Virtuális mérőpad"},
    {"Input", "Bemenet"},
    {"Resistor:", "Ellenállás:"},
    {"Connect", "Csatlakoztatás"},
    {"Sensor", "Érzékelő"},
    {"The simulated sensor at the input again", "Ismét a szimulált érzékelő a bemeneten"},
    {"Temperature:", "Hőmérséklet:"},
    {"Potentiometer:", "Potenciométer:"},
    {"Sensor circuit open", "Szakadt érzékelőkör"},
    {"Meter on the analog output", "Mérőműszer az analóg kimeneten"},
    {"%1 ohm connected", "%1 ohm csatlakoztatva"},
    {"Simulated sensor connected", "Szimulált érzékelő csatlakoztatva"},
    {"Sensor at %1 °C", "Az érzékelő hőmérséklete %1 °C"},
    {"Potentiometer at %1 %", "Potenciométer %1 %-on"},
    {"Sensor circuit open", "Az érzékelőkör szakadt"},
    {"Sensor circuit closed", "Az érzékelőkör zárt"},
    {"Give a resistance from 0 to %1 ohm", "0 és %1 ohm közötti ellenállást adjon meg"},

    {"Device records", "Készüléknapló"},
    {"&Tag:", "&Azonosító:"},
    {"untagged", "azonosító nélkül"},
    {"No session: the port is closed", "Nincs munkamenet: a port zárva"},
    {"Session on %1 since %2", "Munkamenet: %1, kezdete %2"},
    {"Time", "Idő"},
    {"Station", "Állomás"},
    {"User", "Felhasználó"},
    {"Port", "Port"},
    {"What happened", "Esemény"},
    {"Summary", "Összefoglalás"},
    {"Session start", "Munkamenet kezdete"},
    {"Session end", "Munkamenet vége"},
    {"Settings read", "Beállítások kiolvasva"},
    {"Settings read, as found", "Beállítások kiolvasva, talált állapot"},
    {"Settings read back, as left", "Visszaolvasás, hagyott állapot"},
    {"Settings written", "Beállítások beírva"},
    {"Write not verified", "Az írás nincs ellenőrizve"},
    {"Command", "Parancs"},
    {"EEPROM erase", "EEPROM törlés"},
    {"Restart", "Újraindítás"},
    {"Settings file opened", "Beállításfájl megnyitva"},
    {"Settings file saved", "Beállításfájl mentve"},
    {"Tag given", "Azonosító megadva"},
    {"Verification", "Ellenőrzés"},
    {"Certificate issued", "Bizonyítvány kiállítva"},
    {"agreed with the write", "egyezik a beírttal"},
    {"differs from the write: %1", "eltér a beírttól: %1"},
    {"sent %1", "küldve: %1"},
    {"reading %1", "mért: %1"},
    {"%1 events given the tag %2", "%1 esemény kapta a(z) %2 azonosítót"},
    {"%1 points, tolerance %2 %", "%1 pont, tűrés %2 %"},
    {"passed", "megfelelt"},
    {"failed", "nem felelt meg"},
    {"as found", "átvételkor"},
    {"as left", "átadáskor"},
    {"Wires", "Vezetékszám"},
    {"Input mode", "Üzemmód"},
    {"Sensor", "Érzékelő"},
    {"Averaging", "Átlagolás"},
    {"Output type", "Kimenet típusa"},
    {"Error level", "Hibajelzési szint"},
    {"No error on output overflow", "Nincs hiba a kimenet túlcsordulásakor"},
    {"Scale low", "Skála alsó értéke"},
    {"Scale high", "Skála felső értéke"},
    {"Output limit low", "Kimenet alsó határa"},
    {"Output limit high", "Kimenet felső határa"},
    {"&Compare", "Össze&hasonlítás"},
    {"&Load into window", "&Betöltés az ablakba"},
    {"Export CS&V…", "Exportálás CS&V-be…"},
    {"Export &JSON…", "Exportálás &JSON-ba…"},
    {"Give the selected events the tag:", "A kijelölt események azonosítója:"},
    {"&Give tag", "Azonosító &megadása"},
    {"Field", "Mező"},
    {"Transmitter now (latest read)", "Távadó most (utolsó kiolvasás)"},
    {"Select two settings events, or one to compare with the transmitter's latest read.",
     "Jelöljön ki két beállítási eseményt, vagy egyet a távadó utolsó kiolvasásával való "
     "összevetéshez."},
    {"Select one settings event to load.", "Jelöljön ki egy beállítási eseményt a betöltéshez."},
    {"The settings of %1 are in the window; the write button sends them to the transmitter.",
     "A(z) %1 beállításai az ablakban vannak; a beírás gombja küldi őket a távadóba."},
    {"No settings were read in this session yet.", "Ebben a munkamenetben még nem volt kiolvasás."},
    {"Export device records", "Készüléknapló exportálása"},
    {"CSV file (*.csv)|*.csv", "CSV fájl (*.csv)|*.csv"},
    {"JSON file (*.json)|*.json", "JSON fájl (*.json)|*.json"},
    {"%1 events exported to %2", "%1 esemény exportálva ide: %2"},
    {"The export to %1 failed: %2", "Az exportálás sikertelen (%1): %2"},
    {"Not a valid tag: %1", "Érvénytelen azonosító: %1"},
    {"Select untagged events and type their tag.",
     "Jelöljön ki azonosító nélküli eseményeket, és írja be az azonosítójukat."},
    {"Records: %1", "Napló: %1"},
    {"%1 waiting for the server", "%1 vár a szerverre"},
    {"server: %1", "szerver: %1"},
    {"Last exchange with the server: %1", "Utolsó sikeres kapcsolat a szerverrel: %1"},
    {"not recorded: %1", "nem rögzítve: %1"},
    {"Device records are off", "A készüléknapló ki van kapcsolva"},
    {"%1\n\nThe configurator works on without device records; the file is left as it is.",
     "%1\n\nA program készüléknapló nélkül működik tovább; a fájl érintetlen marad."},
    {"The action was done, but it is not in the device records:\n%1",
     "A művelet megtörtént, de nem került a készüléknaplóba:\n%1"},
    {"Certificate…", "Bizonyítvány…"},
    {"Save the certificate", "A bizonyítvány mentése"},
    {"A certificate is issued for a tag: type the tag first.",
     "Bizonyítvány azonosítóhoz készül: előbb írja be az azonosítót."},
    {"Certificate %1 written to %2", "A(z) %1 bizonyítvány elkészült: %2"},
    {"No certificate: %1", "Nincs bizonyítvány: %1"},
    {"Issuing the certificate…", "A bizonyítvány készül…"},
    {"Compare before write", "Összevetés írás előtt"},
    {"In the window", "Az ablakban"},
    {"Transmitter's last read", "A távadó utolsó kiolvasása"},
    {"Last recorded as left", "Utolsó rögzített átadáskori"},
    {"Take into window", "Átvétel az ablakba"},
    {"Select a value of the transmitter's read or of the last as left to take it into the window.",
     "Jelöljön ki egy értéket a kiolvasásból vagy az utolsó átadáskoriból az ablakba vételhez."},
    {"%1 taken into the window: %2. Nothing is written until you press the write button.",
     "%1 átvéve az ablakba: %2. Semmi sem íródik a távadóba, amíg meg nem nyomja az írás gombot."},
    {"-", "-"},
};
// One entry for every text: a missing one would shift the rest.
static_assert(std::size(kEntries) == ToolTexts::TextCount);

} // namespace

QString ToolTexts::text(Text text, Language language)
{
    const Entry& entry = kEntries[size_t(text)];
    return QString::fromUtf8(language == Language::Hungarian ? entry.hungarian : entry.english);
}
