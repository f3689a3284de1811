#include "app/start_sequence.h"

#include "app/app_config.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "widgets/radio_group.h"

#include <QEvent>

StartSequence::StartSequence(TForm_KVTipusValasztas& startForm, AppContext context, QObject* parent)
    : QObject(parent), m_startForm(startForm), m_context(std::move(context))
{
    m_startForm.setMainFormBuilder([this] { buildMainForm(); });
}

StartSequence::~StartSequence()
{
    m_startForm.setMainFormBuilder(nullptr);
    m_startForm.removeEventFilter(this);
}

void StartSequence::start()
{
    // The main window would do the same while it is built: too late for the
    // start window's first look.
    if (!m_context.programPath.isEmpty()) {
        AppConfig config(m_context.programPath);
        config.load();
        m_startForm.setStoredSelections(config.modelIndex(), config.languageIndex());
    }
    m_startForm.installEventFilter(this);
    m_startForm.show();
}

bool StartSequence::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_startForm && event->type() == QEvent::Paint) {
        m_startForm.removeEventFilter(this);
        // Queued: the paint is handed to the window system first.
        QMetaObject::invokeMethod(this, &StartSequence::buildAfterPaint, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void StartSequence::buildAfterPaint()
{
    // Esc came first: the program is ending.
    if (!m_startForm.isVisible())
        return;
    buildMainForm();
}

void StartSequence::buildMainForm()
{
    if (m_mainForm)
        return;
    const int model = m_startForm.RadioGroup_KVValasztas->ItemIndex();
    const int language = m_startForm.RadioGroup_NyelvValasztas->ItemIndex();
    m_mainForm = std::make_unique<TForm_Main>(&m_startForm, m_context);
    m_startForm.setStoredSelections(model, language);
    emit mainFormBuilt(m_mainForm.get());
}
