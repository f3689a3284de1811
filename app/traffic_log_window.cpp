#include "app/traffic_log_window.h"

#include "app/traffic_log_filter.h"
#include "app/traffic_log_model.h"
#include "platform/dialogs.h"
#include "widgets/flow_layout.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

struct Words
{
    QString title;
    QString hideLivePolls;
    QString failuresOnly;
    QString pause;
    QString resume;
    QString clear;
    QString copy;
    QString save;
    QString lines;
    QString heldBack;
    QStringList headers;
    QString saveTitle;
    QString saveFilter;
    QString saveFailed;
    TrafficDecoder::Texts status;
};

// The two languages side by side, one text each.
Words wordsIn(bool hu)
{
    const auto t = [hu](const char* english, const char* hungarian) {
        return QString::fromUtf8(hu ? hungarian : english);
    };
    Words w;
    w.title = t("Traffic log", "Forgalomnapló");
    w.hideLivePolls = t("Hide live polls", "Élő lekérdezések elrejtése");
    w.failuresOnly = t("Failures only", "Csak a hibák");
    w.pause = t("Pause", "Szünet");
    w.resume = t("Resume", "Folytatás");
    w.clear = t("Clear", "Törlés");
    w.copy = t("Copy", "Másolás");
    w.save = t("Save…", "Mentés…");
    w.lines = t("%1 lines", "%1 sor");
    w.heldBack = t("%1 lines, %2 held back", "%1 sor, %2 visszatartva");
    w.headers = {t("Time", "Idő"),        t("Dir.", "Irány"),    t("Frame", "Keret"),
                 t("Command", "Parancs"), t("Device", "Eszköz"), t("Status", "Állapot")};
    w.saveTitle = t("Save traffic log", "Forgalomnapló mentése");
    w.saveFilter = t("Text file (*.txt)|*.txt", "Szövegfájl (*.txt)|*.txt");
    w.saveFailed =
        t("The traffic log could not be saved to %1:\n%2", "A forgalomnapló nem menthető ide: %1\n%2");
    // The English ones are TrafficDecoder's own.
    if (hu) {
        w.status.refused = QStringLiteral("elutasítva (%1)");
        w.status.timeOut = QStringLiteral("időtúllépés");
        w.status.noAnswer = QStringLiteral("nincs válasz (%1. próba)");
        w.status.crcError = QStringLiteral("CRC-hiba");
        w.status.formatError = QStringLiteral("formátumhiba");
        w.status.late = QStringLiteral("késői válasz, figyelmen kívül");
        w.status.resent = QStringLiteral("újraküldés (%1. próba)");
    }
    return w;
}

const Words& words(Language language)
{
    static const Words en = wordsIn(false);
    static const Words hu = wordsIn(true);
    return language == Language::Hungarian ? hu : en;
}

} // namespace

TrafficLogWindow::TrafficLogWindow(TMB& mb, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_model(new TrafficLogModel(&mb, this)), m_filter(new TrafficLogFilter(this))
{
    setObjectName(QStringLiteral("TrafficLogWindow"));
    m_filter->setSourceModel(m_model);

    hideLivePolls = new QCheckBox(this);
    hideLivePolls->setObjectName(QStringLiteral("hideLivePolls"));
    failuresOnly = new QCheckBox(this);
    failuresOnly->setObjectName(QStringLiteral("failuresOnly"));
    pause = new QPushButton(this);
    pause->setObjectName(QStringLiteral("pause"));
    pause->setCheckable(true);
    clear = new QPushButton(this);
    clear->setObjectName(QStringLiteral("clear"));
    copy = new QPushButton(this);
    copy->setObjectName(QStringLiteral("copy"));
    save = new QPushButton(this);
    save->setObjectName(QStringLiteral("save"));
    lineCount = new QLabel(this);
    lineCount->setObjectName(QStringLiteral("lineCount"));

    view = new QTreeView(this);
    view->setObjectName(QStringLiteral("view"));
    view->setModel(m_filter);
    view->setUniformRowHeights(true);
    view->setAlternatingRowColors(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->header()->setStretchLastSection(true);
    static constexpr int TimeWidth = 140;
    static constexpr int DirectionWidth = 50;
    static constexpr int FrameWidth = 420;
    static constexpr int CommandWidth = 190;
    static constexpr int DeviceWidth = 60;
    view->setColumnWidth(TrafficLogModel::ColumnTime, TimeWidth);
    view->setColumnWidth(TrafficLogModel::ColumnDirection, DirectionWidth);
    view->setColumnWidth(TrafficLogModel::ColumnFrame, FrameWidth);
    view->setColumnWidth(TrafficLogModel::ColumnCommand, CommandWidth);
    view->setColumnWidth(TrafficLogModel::ColumnDevice, DeviceWidth);

    // Wraps in a narrow window.
    auto* bar = new FlowLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{hideLivePolls, failuresOnly, pause, clear, copy, save, lineCount})
        bar->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(view, 1);

    connect(hideLivePolls, &QCheckBox::toggled, m_filter, &TrafficLogFilter::setHideLivePolls);
    connect(failuresOnly, &QCheckBox::toggled, m_filter, &TrafficLogFilter::setFailuresOnly);
    connect(pause, &QPushButton::toggled, this, [this](bool paused) {
        m_model->setPaused(paused);
        updatePauseText();
        updateCount();
    });
    connect(clear, &QPushButton::clicked, m_model, &TrafficLogModel::clear);
    connect(copy, &QPushButton::clicked, this, &TrafficLogWindow::copyToClipboard);
    connect(save, &QPushButton::clicked, this, &TrafficLogWindow::saveWithDialog);

    QScrollBar* scroll = view->verticalScrollBar();
    connect(scroll, &QScrollBar::valueChanged, this,
            [this, scroll](int value) { m_followEnd = value >= scroll->maximum(); });
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followEnd && isVisible())
            view->scrollToBottom();
        updateCount();
    });
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &TrafficLogWindow::updateCount);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &TrafficLogWindow::updateCount);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &TrafficLogWindow::updateCount);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TrafficLogWindow::updateCount);

    static constexpr int InitialWidth = 1000;
    static constexpr int InitialHeight = 480;
    resize(InitialWidth, InitialHeight);
    applyLanguage(Language::English);
}

void TrafficLogWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model->setBatchInterval(ShownBatchMs);
}

void TrafficLogWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_model->setBatchInterval(0);
}

void TrafficLogWindow::applyLanguage(Language language)
{
    m_language = language;
    const Words& w = words(language);
    setWindowTitle(w.title);
    hideLivePolls->setText(w.hideLivePolls);
    failuresOnly->setText(w.failuresOnly);
    clear->setText(w.clear);
    copy->setText(w.copy);
    save->setText(w.save);
    m_model->setTexts(w.status);
    m_model->setHeaders(w.headers);
    updatePauseText();
    updateCount();
    // Sized for the new texts now, not at the next turn of the event loop.
    layout()->activate();
}

void TrafficLogWindow::updatePauseText()
{
    const Words& w = words(m_language);
    pause->setText(pause->isChecked() ? w.resume : w.pause);
}

void TrafficLogWindow::updateCount()
{
    const Words& w = words(m_language);
    const int shown = m_filter->rowCount();
    const qsizetype held = m_model->heldBack();
    lineCount->setText(held > 0 ? w.heldBack.arg(shown).arg(held) : w.lines.arg(shown));
}

QStringList TrafficLogWindow::shownLines(bool selectedOnly) const
{
    // Copied or saved, the log holds what came in just before.
    m_model->insertWaiting();
    QStringList lines;
    const int rows = m_filter->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex shown = m_filter->index(row, 0);
        if (selectedOnly && !view->selectionModel()->isRowSelected(row, {}))
            continue;
        lines.append(m_model->lineAt(m_filter->mapToSource(shown).row()));
    }
    return lines;
}

void TrafficLogWindow::copyToClipboard()
{
    const bool selection = view->selectionModel()->hasSelection();
    QGuiApplication::clipboard()->setText(shownLines(selection).join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool TrafficLogWindow::saveTo(const QString& path, QString* errorText) const
{
    const Words& w = words(m_language);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *errorText = file.errorString();
        return false;
    }
    const QString text = w.headers.join(QLatin1Char('\t')) + QLatin1Char('\n') +
                         shownLines(false).join(QLatin1Char('\n')) + QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *errorText = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

void TrafficLogWindow::saveWithDialog()
{
    const Words& w = words(m_language);
    Dialogs::FileRequest request;
    request.title = w.saveTitle;
    request.filter = w.saveFilter;
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = Dialogs::current().saveFileName(this, request);
    if (path.isEmpty())
        return;
    QString reason;
    if (!saveTo(path, &reason))
        Dialogs::current().message(this, Dialogs::MessageType::Error, w.title,
                                   w.saveFailed.arg(path, reason));
}
