#include "app/tool_texts.h"

#include <array>

namespace {

struct Entry
{
    const char* english;
    const char* hungarian;
};

// In the order of ToolTexts::Text.
constexpr std::array<Entry, ToolTexts::TextCount> kEntries{{
    {"&View", "&Nézet"},
    {"&Trend", "&Trend"},
    {"Traffic &log", "&Forgalomnapló"},
    {"Link &statistics", "&Kapcsolati statisztika"},
    {"Virtual &bench", "&Virtuális mérőpad"},
    {"&Help", "&Súgó"},
    {"&Keyboard shortcuts", "&Billentyűparancsok"},
    {"&About", "&Névjegy"},
    {"Main window\n"
     "  Ctrl+T\tTrend\n"
     "  Ctrl+L\tTraffic log\n"
     "  Ctrl+I\tLink statistics\n"
     "  Ctrl+B\tVirtual bench (with --simulate)\n"
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
}};

} // namespace

QString ToolTexts::text(Text text, Language language)
{
    const Entry& entry = kEntries.at(size_t(text));
    return QString::fromUtf8(language == Language::Hungarian ? entry.hungarian : entry.english);
}
