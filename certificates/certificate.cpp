#include "certificates/certificate.h"

#include "records/record_presentation.h"

#include "device/device_command.h"
#include "records/settings_record.h"

#include <QBuffer>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace {

// The certificate's texts, English and Hungarian side by side.
struct Text
{
    const char* key;
    const char* en;
    const char* hu;
};

constexpr Text kTexts[] = {
    {"title", "Calibration certificate", "Kalibrálási bizonyítvány"},
    {"settingsTitle", "Settings certificate", "Beállítási bizonyítvány"},
    {"number", "Number", "Szám"},
    {"replaces", "Replaces certificate", "Helyettesíti a bizonyítványt"},
    {"tag", "Tag", "Azonosító"},
    {"model", "Model", "Típus"},
    {"firmware", "Firmware", "Firmware"},
    {"issued", "Date and time", "Dátum és idő"},
    {"station", "Station", "Állomás"},
    {"technician", "Technician", "Technikus"},
    {"plant", "Plant", "Üzem"},
    {"reference", "Reference equipment", "Referencia eszközök"},
    {"settings", "Settings", "Beállítások"},
    {"field", "Setting", "Beállítás"},
    {"asFoundSettings", "As found", "Átvételkor"},
    {"asLeftSettings", "As left", "Átadáskor"},
    {"changed", "* changed", "* megváltozott"},
    {"asFoundRun", "Verification as found", "Ellenőrzés átvételkor"},
    {"asLeftRun", "Verification as left", "Ellenőrzés átadáskor"},
    {"point", "Point", "Pont"},
    {"testValue", "Test value", "Mérési pont"},
    {"applied", "Reference applied", "Referencia"},
    {"expected", "Expected output", "Elvárt kimenet"},
    {"measured", "Measured value", "Mért érték"},
    {"output", "Output", "Kimenet"},
    {"error", "Error, % of span", "Hiba, tartomány %"},
    {"result", "Result", "Eredmény"},
    {"pass", "pass", "megfelelt"},
    {"fail", "fail", "nem felelt meg"},
    {"tolerance", "Tolerance: ±%1 % of the output span.", "Tűrés: a kimeneti tartomány ±%1 %-a."},
    {"reported", "Output reported by the transmitter: a drift of its output stage cannot show.",
     "A kimenetet a távadó jelentette: kimeneti fokozatának eltolódása nem látszik."},
    {"typed", "Output read on an external meter.", "A kimenetet külső műszerről olvasták le."},
    {"meter", "Output read on the bench's meter.", "A kimenetet a mérőpad műszere mérte."},
    {"calibrations", "Calibration performed", "Elvégzett kalibrálás"},
    {"time", "Time", "Idő"},
    {"command", "Command", "Parancs"},
    {"sent", "Value sent", "Küldött érték"},
    {"noCalibrations", "None.", "Nem volt."},
    {"noRun", "No run recorded.", "Nincs rögzített ellenőrzés."},
    {"settingsOnly", "No test points were verified: this certificate covers the settings only.",
     "Mérési pontokon nem történt ellenőrzés: a bizonyítvány csak a beállításokra vonatkozik."},
    {"settingsVerified", "The settings written were read back from the transmitter and agreed.",
     "A beírt beállításokat visszaolvasták a távadóból, és egyeztek."},
    {"settingsNotVerified", "The settings written were not verified by a read-back.",
     "A beírt beállításokat visszaolvasás nem igazolta."},
    {"overall", "Overall result", "Összesített eredmény"},
    {"nextDue", "Next calibration due", "Következő kalibrálás esedékes"},
    {"signTechnician", "Technician", "Technikus"},
    {"signApproved", "Approved", "Jóváhagyta"},
    {"signDate", "Date", "Dátum"},
    {"wires", "Wires", "Vezetékszám"},
    {"inputMode", "Input mode", "Üzemmód"},
    {"sensor", "Sensor", "Érzékelő"},
    {"averaging", "Averaging", "Átlagolás"},
    {"outputType", "Analog output", "Analóg kimenet"},
    {"errorLevel", "Error level", "Hibajelzési szint"},
    {"noErrorOnOverflow", "No error on overflow", "Túlcsordulás nem hiba"},
    {"scaleLow", "Scaling low", "Skála alsó"},
    {"scaleHigh", "Scaling high", "Skála felső"},
    {"outputLimitLow", "Output limit low", "Kimenet alsó határ"},
    {"outputLimitHigh", "Output limit high", "Kimenet felső határ"},
};

class Writer
{
public:
    explicit Writer(const CertificateData& data)
        : m_data(data), m_hu(data.language == QLatin1StringView("hu")),
          m_locale(m_hu ? QLocale(QLocale::Hungarian, QLocale::Hungary)
                        : QLocale(QLocale::English, QLocale::UnitedKingdom))
    {
        m_locale.setNumberOptions(QLocale::OmitGroupSeparator);
    }

    QString t(const char* key) const
    {
        for (const Text& text : kTexts) {
            if (qstrcmp(text.key, key) == 0)
                return QString::fromUtf8(m_hu ? text.hu : text.en);
        }
        return QString::fromLatin1(key);
    }

    QString number(double value, int decimals) const { return m_locale.toString(value, 'f', decimals); }
    QString when(const QDateTime& time) const { return time.toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

    QString document() const;

private:
    QString row(const QString& name, const QString& value) const
    {
        return QStringLiteral("<tr><td class='k'>%1</td><td>%2</td></tr>")
            .arg(name.toHtmlEscaped(), value.toHtmlEscaped());
    }
    QString settingsTable() const;
    QString runTable(const char* titleKey, const std::optional<VerificationRun>& run) const;
    QString calibrationTable() const;
    QString verdict(bool pass) const { return pass ? t("pass") : t("fail"); }

    const CertificateData& m_data;
    bool m_hu = false;
    QLocale m_locale;
};

QString Writer::settingsTable() const
{
    const QStringList changed = settingsrecord::changedKeys(m_data.settingsAsFound, m_data.settingsAsLeft);
    QString html =
        QStringLiteral("<h2>%1</h2><table class='grid' cellspacing='0' cellpadding='3' width='100%'>"
                       "<tr><th align='left'>%2</th><th align='left'>%3</th><th align='left'>%4</th></tr>")
            .arg(t("settings"), t("field"), t("asFoundSettings"), t("asLeftSettings"));
    for (const QString& key : settingsrecord::keys()) {
        const bool isChanged = !m_data.settingsAsFound.isEmpty() && changed.contains(key);
        const QString found = m_data.settingsAsFound.isEmpty()
                                  ? QStringLiteral("-")
                                  : settingsrecord::valueText(m_data.settingsAsFound, key, m_hu);
        const QString left = m_data.settingsAsLeft.isEmpty()
                                 ? QStringLiteral("-")
                                 : settingsrecord::valueText(m_data.settingsAsLeft, key, m_hu);
        html += QStringLiteral("<tr><td>%1%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(t(key.toLatin1().constData()).toHtmlEscaped(),
                         isChanged ? QStringLiteral(" *") : QString(), found.toHtmlEscaped(),
                         isChanged ? QStringLiteral("<b>%1</b>").arg(left.toHtmlEscaped())
                                   : left.toHtmlEscaped());
    }
    html += QStringLiteral("</table><p class='small'>%1</p>").arg(t("changed"));
    return html;
}

QString Writer::runTable(const char* titleKey, const std::optional<VerificationRun>& run) const
{
    QString html = QStringLiteral("<h2>%1</h2>").arg(t(titleKey));
    if (!run)
        return html + QStringLiteral("<p>%1</p>").arg(t("noRun"));
    const QString valueUnit = verification::valueUnit(run->setup);
    const QString outputUnit = verification::outputUnit(run->setup);
    html += QStringLiteral("<table class='grid points' cellspacing='0' cellpadding='2' width='100%'><tr>"
                           "<th>%1</th><th>%2</th><th>%3</th><th>%4</th><th>%5</th><th>%6</th><th>%7</th>"
                           "<th width='12%'>%8</th></tr>")
                .arg(t("point"), t("testValue"), t("applied"), t("expected"), t("measured"), t("output"),
                     t("error"), t("result"));
    for (const PointResult& p : run->points) {
        const QString applied =
            p.appliedOhm ? number(*p.appliedOhm, 3) + QStringLiteral(" ohm") : QStringLiteral("-");
        html += QStringLiteral(
                    "<tr><td align='right'>%1 %</td><td align='right'>%2 %3</td><td align='right'>%4</td>"
                    "<td align='right'>%5 %6</td><td align='right'>%7 %3</td><td align='right'>%8 %6</td>"
                    "<td align='right'>%9</td><td>%10</td></tr>")
                    .arg(number(p.percent, 0), number(p.value, 2), valueUnit.toHtmlEscaped(), applied,
                         number(p.expected, 4), outputUnit, number(p.measured, 2), number(p.output, 4))
                    .arg(number(p.errorPercent, 3), verdict(p.pass));
    }
    html += QStringLiteral("</table><p class='small'>%1 ")
                .arg(t("tolerance").arg(number(run->setup.tolerancePercent, 2)));
    switch (run->outputSource()) {
    case OutputSource::Reported:
        html += t("reported");
        break;
    case OutputSource::Typed:
        html += t("typed");
        break;
    case OutputSource::Meter:
        html += t("meter");
        break;
    }
    html += QStringLiteral(" %1: <b>%2</b></p>").arg(t("result"), verdict(run->pass()));
    return html;
}

QString Writer::calibrationTable() const
{
    QString html = QStringLiteral("<h2>%1</h2>").arg(t("calibrations"));
    if (m_data.calibrations.isEmpty())
        return html + QStringLiteral("<p>%1</p>").arg(t("noCalibrations"));
    html +=
        QStringLiteral("<table class='grid' cellspacing='0' cellpadding='3' width='100%'>"
                       "<tr><th align='left'>%1</th><th align='left'>%2</th><th align='left'>%3</th></tr>")
            .arg(t("time"), t("command"), t("sent"));
    for (const CertificateData::Calibration& c : m_data.calibrations) {
        QString command = recordpresentation::commandText(c.command, m_hu);
        if (command.isEmpty())
            command = QString::number(c.command);
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                    .arg(when(c.time), command.toHtmlEscaped(), c.sent.toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

QString Writer::document() const
{
    const CertificateData& d = m_data;
    QString html =
        QStringLiteral("<html><head><style>"
                       "body { font-family: 'DejaVu Sans'; font-size: 9pt; }"
                       "h1 { font-size: 16pt; } h2 { font-size: 11pt; margin-top: 12px; }"
                       "table.grid td, table.grid th { border: 1px solid #888; }"
                       "td.k { font-weight: bold; padding-right: 12px; } .small { font-size: 8pt; }"
                       "table.points { font-size: 8pt; } table.points td { white-space: nowrap; }"
                       "</style></head><body>");
    html += QStringLiteral("<h1>%1</h1>").arg(d.settingsOnly() ? t("settingsTitle") : t("title"));
    html += QStringLiteral("<table cellspacing='0' cellpadding='2'>");
    html += row(t("number"), d.number);
    if (!d.replaces.isEmpty())
        html += row(t("replaces"), d.replaces);
    html += row(t("tag"), d.tag) + row(t("model"), d.model) +
            row(t("firmware"), d.firmware ? QString::number(d.firmware) : QStringLiteral("-")) +
            row(t("issued"), when(d.issued)) + row(t("station"), d.station) +
            row(t("technician"), d.technician) +
            row(t("plant"), d.plant.isEmpty() ? QStringLiteral("-") : d.plant) +
            row(t("reference"), d.reference.isEmpty() ? QStringLiteral("-") : d.reference);
    html += QStringLiteral("</table>");
    html += settingsTable();
    if (d.settingsOnly()) {
        html += QStringLiteral("<p><b>%1</b></p><p>%2</p>")
                    .arg(t("settingsOnly"),
                         d.settingsVerified ? t("settingsVerified") : t("settingsNotVerified"));
    } else {
        html += runTable("asFoundRun", d.asFound);
        html += calibrationTable();
        html += runTable("asLeftRun", d.asLeft);
    }
    html += QStringLiteral("<h2>%1: %2</h2>").arg(t("overall"), verdict(d.pass()));
    if (d.nextDue.isValid())
        html += QStringLiteral("<p>%1: %2</p>").arg(t("nextDue"), d.nextDue.toString(Qt::ISODate));
    html += QStringLiteral("<br/><table width='100%' cellpadding='6'><tr>"
                           "<td>%1: ____________________</td><td>%3: ____________</td></tr>"
                           "<tr><td>%2: ____________________</td><td>%3: ____________</td></tr></table>")
                .arg(t("signTechnician"), t("signApproved"), t("signDate"));
    return html + QStringLiteral("</body></html>");
}

} // namespace

bool CertificateData::pass() const
{
    if (settingsOnly())
        return settingsVerified;
    return asLeft && asLeft->pass();
}

QString certificate::html(const CertificateData& data)
{
    return Writer(data).document();
}

QByteArray certificate::pdf(const CertificateData& data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(data.number);
        writer.setCreator(QStringLiteral("kvconf"));
        QTextDocument document;
        document.setDocumentMargin(0);
        // Latin letters need no shaping; without it no ligature ("fi") hides
        // a word from a search in the PDF or a copy out of it.
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setHtml(html(data));
        document.print(&writer);
    }
    return bytes;
}
