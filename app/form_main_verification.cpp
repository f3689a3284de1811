#include "app/form_main.h"

#include "app/device_records_window.h"
#include "app/tool_texts.h"
#include "app/verification_window.h"
#include "certificates/certificate_issuer.h"
#include "platform/dialogs.h"
#include "records/record_store.h"
#include "records/records_location.h"
#include "records/records_server.h"
#include "records/records_server_address.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPointer>
#include <QThreadPool>

// Verification at test points (View > Verification) and the certificates
// the Device records window issues from what was verified.

#ifndef KV_VERSION
#define KV_VERSION "0"
#endif

namespace {

// The plant's server is given at most this long to number a certificate.
constexpr int kNumberDeadlineMs = 10000;

} // namespace

void TForm_Main::createVerification()
{
    VerificationWindow::Sources sources;
    sources.settings = [this]() -> std::optional<RecordedSettings> {
        return m_recorder ? m_recorder->lastSettings() : std::nullopt;
    };
    sources.recorder = m_recorder.get();
    m_verificationWindow = new VerificationWindow(sources, this);
    m_verificationWindow->applyLanguage(m_toolLanguage);
    connect(this, &TForm_Main::toolLanguageChanged, m_verificationWindow, &VerificationWindow::applyLanguage);
    connect(this, &TForm_Main::liveValuesShown, m_verificationWindow, &VerificationWindow::addLiveBlock);
    attachToolWindow(viewVerification, m_verificationWindow, QStringLiteral("Verification"));
    if (m_recordsWindow)
        connect(m_recordsWindow, &DeviceRecordsWindow::certificateRequested, this,
                &TForm_Main::issueCertificate);
}

void TForm_Main::setVerificationBench(VerificationBench* bench)
{
    m_verificationWindow->setBench(bench);
}

void TForm_Main::issueCertificate(const QString& tag)
{
    const bool hungarian = m_toolLanguage == Language::Hungarian;
    const auto say = [this](ToolTexts::Text text, const QStringList& arguments) {
        m_recordsWindow->showResult(text, arguments);
    };
    if (!m_records || !m_records->canWrite()) {
        say(ToolTexts::Text::CertificateFailed,
            {m_records ? m_records->message()
                       : ToolTexts::text(ToolTexts::Text::RecordsOff, m_toolLanguage)});
        return;
    }
    Dialogs::FileRequest request;
    request.title = ToolTexts::text(ToolTexts::Text::CertificateDialogTitle, m_toolLanguage);
    request.folder = QDir(sUtolsoFileUtvonal).filePath(tag + QStringLiteral(".pdf"));
    request.filter = QStringLiteral("PDF (*.pdf)|*.pdf");
    request.defaultSuffix = QStringLiteral("pdf");
    const QString path = Dialogs::current().saveFileName(this, request);
    if (path.isEmpty())
        return;

    CertificateIssuer::ServerNumber serverNumber;
    const recordslocation::ServerChoice server = recordslocation::server();
    if (!server.url.isEmpty()) {
        QString error;
        const std::optional<RecordsServerAddress> address = RecordsServerAddress::parse(server.url, &error);
        if (!address) {
            say(ToolTexts::Text::CertificateFailed, {server.source + QStringLiteral(": ") + error});
            return;
        }
        serverNumber = [address](int year, QString* why) {
            return RecordsServer::takeCertificateNumber(*address, year, QDeadlineTimer(kNumberDeadlineMs),
                                                        why);
        };
    }
    CertificateIssuer::Request what;
    what.tag = tag;
    what.language = hungarian ? QStringLiteral("hu") : QStringLiteral("en");
    what.plant = recordslocation::plantName();
    what.reference = m_verificationWindow->reference();
    what.intervalMonths = recordslocation::certificateIntervalMonths();
    // Numbering may wait on the plant's server and the PDF takes a while:
    // both off the window's thread, with a records connection of their own.
    say(ToolTexts::Text::CertificateIssuing, {});
    m_recordsWindow->setCertificateBusy(true);
    QThreadPool::globalInstance()->start(
        [self = QPointer<TForm_Main>(this), databasePath = m_records->path(),
         origin = RecordOrigin::current(QStringLiteral("kvconf"), QStringLiteral(KV_VERSION)), serverNumber,
         what, path] {
            RecordStore own(databasePath);
            CertificateIssuer::Issued issued;
            if (own.open())
                issued = CertificateIssuer(own, origin, serverNumber).issue(what, path);
            else
                issued.error = own.message();
            QMetaObject::invokeMethod(
                qApp,
                [self, ok = issued.ok, text = issued.ok ? issued.number : issued.error, file = issued.path] {
                    if (self)
                        self->certificateIssued(ok, text, file);
                },
                Qt::QueuedConnection);
        });
}

void TForm_Main::certificateIssued(bool ok, const QString& numberOrError, const QString& path)
{
    m_recordsWindow->setCertificateBusy(false);
    if (!ok) {
        m_recordsWindow->showResult(ToolTexts::Text::CertificateFailed, {numberOrError});
        return;
    }
    // Its event went past the recorder: the history shows it all the same.
    m_recordsWindow->eventsPulled();
    m_recordsWindow->showResult(ToolTexts::Text::CertificateIssued,
                                {numberOrError, QDir::toNativeSeparators(path)});
}
