#include "app/device_records_window.h"

#include "app/compare_before_write.h"

#include "platform/dialogs.h"
#include "platform/file_replacement.h"
#include "records/record_export.h"
#include "records/record_store.h"
#include "widgets/flow_layout.h"

#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using Text = ToolTexts::Text;

constexpr int kDefaultWidth = 1000;
constexpr int kDefaultHeight = 640;
// What the widest cell of a column holds, as far as a sample can say.
const QString kTimeSample = QStringLiteral("0000-00-00 00:00:00");
const QString kStationSample = QStringLiteral("station-0000");
const QString kUserSample = QStringLiteral("operator");
const QString kPortSample = QStringLiteral("/dev/ttyUSB00");
// Room beside a cell's text: the frame and the margins of the style.
constexpr int kCellPadding = 16;
constexpr int kRowPadding = 6;
const QColor kChangedBackground{255, 226, 150};
const QString kStatusSeparator = QStringLiteral("  ·  ");

} // namespace

DeviceRecordsWindow::DeviceRecordsWindow(RecordStore* store, SessionRecorder* recorder, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_store(store), m_recorder(recorder)
{
    setObjectName(QStringLiteral("DeviceRecordsWindow"));
    resize(kDefaultWidth, kDefaultHeight);
    m_tag = m_recorder ? m_recorder->tag() : QString();

    tagLabel = new QLabel(this);
    tagLabel->setObjectName(QStringLiteral("tagLabel"));
    tagBox = new QComboBox(this);
    tagBox->setObjectName(QStringLiteral("tagBox"));
    tagBox->setEditable(true);
    tagBox->setInsertPolicy(QComboBox::NoInsert);
    tagBox->setMinimumContentsLength(recordtag::MaxLength / 4);
    tagBox->lineEdit()->setMaxLength(recordtag::MaxLength);
    tagBox->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    tagBox->completer()->setFilterMode(Qt::MatchContains);
    tagBox->completer()->setCompletionMode(QCompleter::PopupCompletion);
    tagLabel->setBuddy(tagBox);
    sessionLabel = new QLabel(this);
    sessionLabel->setObjectName(QStringLiteral("sessionLabel"));

    historyView = new QTableView(this);
    historyView->setObjectName(QStringLiteral("historyView"));
    historyView->setModel(&m_history);
    historyView->setSelectionBehavior(QAbstractItemView::SelectRows);
    historyView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    historyView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    historyView->setWordWrap(false);
    historyView->setAlternatingRowColors(true);
    historyView->verticalHeader()->hide();
    historyView->horizontalHeader()->setStretchLastSection(true);
    historyView->verticalHeader()->setDefaultSectionSize(historyView->fontMetrics().height() + kRowPadding);

    compareTable = new QTableWidget(int(settingsrecord::keys().size()), 3, this);
    compareTable->setObjectName(QStringLiteral("compareTable"));
    compareTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    compareTable->verticalHeader()->hide();
    compareTable->verticalHeader()->setDefaultSectionSize(compareTable->fontMetrics().height() + kRowPadding);
    // The two sides alike wide.
    compareTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    compareTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    compareTable->hide();
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("historySplitter"));
    compareBeforeWrite = new CompareBeforeWrite(this);
    compareBeforeWrite->hide();
    m_splitter->addWidget(historyView);
    m_splitter->addWidget(compareTable);
    m_splitter->addWidget(compareBeforeWrite);
    m_splitter->setChildrenCollapsible(false);

    assignLabel = new QLabel(this);
    assignLabel->setObjectName(QStringLiteral("assignLabel"));
    assignTagEdit = new QLineEdit(this);
    assignTagEdit->setObjectName(QStringLiteral("assignTagEdit"));
    assignTagEdit->setMaxLength(recordtag::MaxLength);
    assignTagEdit->setCompleter(new QCompleter(tagBox->model(), assignTagEdit));
    assignLabel->setBuddy(assignTagEdit);
    assignTagButton = new QPushButton(this);
    assignTagButton->setObjectName(QStringLiteral("assignTagButton"));

    compareButton = new QPushButton(this);
    compareButton->setObjectName(QStringLiteral("compareButton"));
    loadButton = new QPushButton(this);
    loadButton->setObjectName(QStringLiteral("loadButton"));
    exportCsvButton = new QPushButton(this);
    exportCsvButton->setObjectName(QStringLiteral("exportCsvButton"));
    exportJsonButton = new QPushButton(this);
    exportJsonButton->setObjectName(QStringLiteral("exportJsonButton"));
    certificateButton = new QPushButton(this);
    certificateButton->setObjectName(QStringLiteral("certificateButton"));
    compareBeforeWriteButton = new QPushButton(this);
    compareBeforeWriteButton->setObjectName(QStringLiteral("compareBeforeWriteButton"));
    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setWordWrap(true);
    messageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setWordWrap(true);
    statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Narrow beside the main window: the rows of controls wrap, the labels
    // break their lines.
    auto* top = new QHBoxLayout;
    top->addWidget(tagLabel);
    top->addWidget(tagBox, 1);
    sessionLabel->setWordWrap(true);
    auto* assign = new FlowLayout;
    assign->addWidget(assignLabel);
    assign->addWidget(assignTagEdit);
    assign->addWidget(assignTagButton);
    auto* buttons = new FlowLayout;
    buttons->addWidget(compareButton);
    buttons->addWidget(loadButton);
    buttons->addWidget(exportCsvButton);
    buttons->addWidget(exportJsonButton);
    buttons->addWidget(compareBeforeWriteButton);
    buttons->addWidget(certificateButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sessionLabel);
    layout->addWidget(m_splitter, 1);
    layout->addLayout(assign);
    layout->addLayout(buttons);
    layout->addWidget(messageLabel);
    layout->addWidget(statusLabel);

    connect(tagBox->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { applyTag(tagBox->currentText()); });
    connect(tagBox, &QComboBox::activated, this, [this](int index) { applyTag(tagBox->itemText(index)); });
    connect(historyView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DeviceRecordsWindow::updateButtons);
    connect(&m_history, &QAbstractItemModel::modelReset, this, &DeviceRecordsWindow::updateButtons);
    connect(compareButton, &QPushButton::clicked, this, &DeviceRecordsWindow::compareSelected);
    connect(loadButton, &QPushButton::clicked, this, &DeviceRecordsWindow::loadSelected);
    connect(assignTagButton, &QPushButton::clicked, this, &DeviceRecordsWindow::assignTagToSelected);
    connect(assignTagEdit, &QLineEdit::returnPressed, this, &DeviceRecordsWindow::assignTagToSelected);
    connect(exportCsvButton, &QPushButton::clicked, this, [this] { exportHistory(ExportFormat::Csv); });
    connect(exportJsonButton, &QPushButton::clicked, this, [this] { exportHistory(ExportFormat::Json); });
    connect(compareBeforeWriteButton, &QPushButton::clicked, this,
            &DeviceRecordsWindow::compareBeforeWriting);
    connect(compareBeforeWrite, &CompareBeforeWrite::fieldTaken, this,
            [this](const RecordedSettings& settings) { emit loadRequested(settings); });
    connect(certificateButton, &QPushButton::clicked, this, [this] {
        if (m_tag.isEmpty())
            showMessage(Text::CertificateNeedsTag);
        else
            emit certificateRequested(m_tag);
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    // The history, the tags and the count waiting are read when the window
    // is shown, not with the main window: most runs never open it.
    m_history.setLanguage(m_language);
    tagBox->setEditText(m_tag);
    applyTexts();
}

DeviceRecordsWindow::~DeviceRecordsWindow()
{
    // The controls go after this part of the window: what they signal on
    // their way (a tag box losing the focus, a selection emptied) must not
    // reach it.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
    disconnect(&m_history, nullptr, this, nullptr);
}

void DeviceRecordsWindow::showEvent(QShowEvent* event)
{
    // Other programs and the plant's server may have added events.
    refreshTags();
    m_history.show(m_store, m_tag);
    if (m_store && m_store->canRead())
        m_waiting = m_store->waitingCount();
    showStatus();
    QWidget::showEvent(event);
}

void DeviceRecordsWindow::applyLanguage(Language language)
{
    m_language = language;
    m_history.setLanguage(language);
    applyTexts();
}

void DeviceRecordsWindow::applyTexts()
{
    const auto text = [this](Text t) { return ToolTexts::text(t, m_language); };
    setWindowTitle(text(Text::RecordsTitle));
    tagLabel->setText(text(Text::RecordsTag));
    tagBox->lineEdit()->setPlaceholderText(text(Text::RecordsUntagged));
    assignLabel->setText(text(Text::RecordsAssignLabel));
    assignTagButton->setText(text(Text::RecordsAssign));
    compareButton->setText(text(Text::RecordsCompare));
    loadButton->setText(text(Text::RecordsLoad));
    exportCsvButton->setText(text(Text::RecordsExportCsv));
    exportJsonButton->setText(text(Text::RecordsExportJson));
    certificateButton->setText(text(Text::CertificateButton));
    compareBeforeWriteButton->setText(text(Text::CompareBeforeWrite));
    compareBeforeWrite->applyLanguage(m_language);
    showSession();
    showStatus();
    messageLabel->setText(message());
    if (m_compareA && m_compareB)
        showComparison();
    fitColumns();
    updateButtons();
}

void DeviceRecordsWindow::fitColumns()
{
    // From samples, not from the rows: sizing to the contents would read
    // every page of a long history.
    QFont bold = historyView->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics header(bold);
    const QFontMetrics cell = historyView->fontMetrics();
    const auto fit = [&](QTableView* view, int column, const QString& title, const QStringList& samples) {
        int width = header.horizontalAdvance(title);
        for (const QString& sample : samples)
            width = std::max(width, cell.horizontalAdvance(sample));
        view->setColumnWidth(column, width + kCellPadding);
    };
    const auto title = [this](int column) { return m_history.headerData(column, Qt::Horizontal).toString(); };
    QStringList kinds;
    for (int t = int(Text::RecordsSessionStart); t <= int(Text::RecordsCertificate); ++t)
        kinds.append(ToolTexts::text(Text(t), m_language));
    fit(historyView, DeviceHistoryModel::ColumnTime, title(DeviceHistoryModel::ColumnTime), {kTimeSample});
    fit(historyView, DeviceHistoryModel::ColumnStation, title(DeviceHistoryModel::ColumnStation),
        {kStationSample});
    fit(historyView, DeviceHistoryModel::ColumnUser, title(DeviceHistoryModel::ColumnUser), {kUserSample});
    fit(historyView, DeviceHistoryModel::ColumnPort, title(DeviceHistoryModel::ColumnPort), {kPortSample});
    fit(historyView, DeviceHistoryModel::ColumnEvent, title(DeviceHistoryModel::ColumnEvent), kinds);
    QStringList fields;
    for (const QString& key : settingsrecord::keys())
        fields.append(DeviceHistoryModel::fieldCaption(key, m_language));
    fit(compareTable, 0, ToolTexts::text(Text::RecordsCompareField, m_language), fields);
}

void DeviceRecordsWindow::refreshTags()
{
    QStringList tags;
    if (m_store && m_store->canRead())
        tags = m_store->tags();
    if (!m_tag.isEmpty() && !tags.contains(m_tag))
        tags.append(m_tag);
    std::sort(tags.begin(), tags.end());
    const QSignalBlocker quiet(tagBox);
    tagBox->clear();
    tagBox->addItems(tags);
    tagBox->setEditText(m_tag);
}

void DeviceRecordsWindow::applyTag(const QString& text)
{
    const QString trimmed = text.trimmed();
    const std::optional<QString> tag = trimmed.isEmpty() ? QString() : recordtag::normalized(trimmed);
    if (!tag) {
        showMessage(Text::RecordsInvalidTag, {text});
        tagBox->setEditText(m_tag);
        return;
    }
    tagBox->setEditText(*tag);
    if (*tag == m_tag)
        return;
    m_tag = *tag;
    // Tags the session's untagged events so far, through the listener.
    if (m_recorder)
        m_recorder->setTag(m_tag);
    refreshTags();
    m_history.show(m_store, m_tag);
    m_compareA.reset();
    m_compareB.reset();
    compareTable->hide();
    showSession();
    updateButtons();
}

void DeviceRecordsWindow::eventRecorded(const RecordEvent& event, const SessionRecorder::Result& result)
{
    if (event.isKind(RecordEvent::SessionStart)) {
        m_sessionPort = event.port;
        m_sessionStart = event.time;
    }
    if (result.recorded) {
        m_notRecorded.clear();
        ++m_waiting;
        m_history.add(event);
        if (!event.tag.isEmpty() && tagBox->findText(event.tag) < 0) {
            const QSignalBlocker quiet(tagBox);
            tagBox->addItem(event.tag);
            tagBox->model()->sort(0);
            tagBox->setEditText(m_tag);
        }
    } else if (!result.reason.isEmpty()) {
        m_notRecorded = result.reason;
    }
    showSession();
    showStatus();
}

void DeviceRecordsWindow::showSyncStatus(const RecordsSyncStatus& status)
{
    m_exchanging = true;
    m_waiting = status.waiting;
    m_serverError = status.lastError;
    m_lastExchange = status.lastExchange;
    showStatus();
}

void DeviceRecordsWindow::eventsPulled()
{
    if (!isVisible())
        return;
    refreshTags();
    m_history.reload();
}

void DeviceRecordsWindow::showSession()
{
    const auto text = [this](Text t) { return ToolTexts::text(t, m_language); };
    if (!m_recorder || !m_recorder->inSession()) {
        sessionLabel->setText(text(Text::RecordsNoSession));
        return;
    }
    const QString tag = m_tag.isEmpty() ? text(Text::RecordsUntagged) : m_tag;
    sessionLabel->setText(
        text(Text::RecordsSession)
            .arg(m_sessionPort, m_sessionStart.toLocalTime().toString(QStringLiteral("HH:mm:ss"))) +
        QStringLiteral(" – ") + tag);
}

QString DeviceRecordsWindow::status() const
{
    const auto text = [this](Text t) { return ToolTexts::text(t, m_language); };
    QStringList parts;
    if (!m_store) {
        parts.append(text(Text::RecordsOff));
    } else {
        parts.append(text(Text::RecordsFile).arg(QDir::toNativeSeparators(m_store->path())));
        if (!m_store->canWrite())
            parts.append(m_store->message());
    }
    // Without a plant's server nothing is on its way anywhere.
    if (m_store && m_store->canRead() && m_exchanging)
        parts.append(text(Text::RecordsWaiting).arg(m_waiting));
    if (!m_serverError.isEmpty())
        parts.append(text(Text::RecordsServerError).arg(m_serverError));
    if (!m_notRecorded.isEmpty())
        parts.append(text(Text::RecordsNotRecorded).arg(m_notRecorded));
    return parts.join(kStatusSeparator);
}

void DeviceRecordsWindow::showStatus()
{
    statusLabel->setText(status());
    statusLabel->setToolTip(m_lastExchange.isValid()
                                ? ToolTexts::text(Text::RecordsServerSuccess, m_language)
                                      .arg(m_lastExchange.toLocalTime().toString(Qt::ISODate))
                                : QString());
}

QString DeviceRecordsWindow::message() const
{
    if (!m_messageText)
        return {};
    QString text = ToolTexts::text(*m_messageText, m_language);
    for (const QString& argument : m_messageArguments)
        text = text.arg(argument);
    return text;
}

void DeviceRecordsWindow::showMessage(Text text, const QStringList& arguments)
{
    m_messageText = text;
    m_messageArguments = arguments;
    messageLabel->setText(message());
}

QList<int> DeviceRecordsWindow::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : historyView->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<int> DeviceRecordsWindow::selectedSettingsRows() const
{
    QList<int> rows = selectedRows();
    rows.removeIf([this](int row) { return !DeviceHistoryModel::settingsOf(m_history.event(row)); });
    return rows;
}

void DeviceRecordsWindow::updateButtons()
{
    const bool readable = m_store && m_store->canRead();
    const qsizetype settingsSelected = selectedSettingsRows().size();
    compareButton->setEnabled(readable && (settingsSelected == 1 || settingsSelected == 2));
    loadButton->setEnabled(readable && settingsSelected == 1);
    exportCsvButton->setEnabled(readable);
    exportJsonButton->setEnabled(readable);
    certificateButton->setEnabled(m_store && m_store->canWrite() && !m_certificateBusy);
    compareBeforeWriteButton->setEnabled(bool(m_controlsSettings));
    const bool canTag = m_recorder && m_store && m_store->canWrite() && m_tag.isEmpty();
    for (QWidget* w : std::initializer_list<QWidget*>{assignLabel, assignTagEdit, assignTagButton})
        w->setVisible(canTag);
    assignTagButton->setEnabled(canTag && !selectedRows().isEmpty());
    tagBox->setEnabled(m_recorder != nullptr || readable);
    historyView->setColumnHidden(DeviceHistoryModel::ColumnPort, !m_tag.isEmpty());
}

QString DeviceRecordsWindow::sideTitle(const Side& side) const
{
    if (!side.event)
        return ToolTexts::text(Text::RecordsCompareNow, m_language);
    return DeviceHistoryModel::kindText(*side.event, m_language) + u'\n' +
           DeviceHistoryModel::timeText(*side.event);
}

void DeviceRecordsWindow::compareSelected()
{
    const QList<int> rows = selectedSettingsRows();
    if (rows.size() != 1 && rows.size() != 2) {
        showMessage(Text::RecordsCompareHint);
        return;
    }
    // The older on the left: the list is newest first.
    const RecordEvent& older = m_history.event(rows.constLast());
    Side a{*DeviceHistoryModel::settingsOf(older), older};
    Side b;
    if (rows.size() == 2) {
        const RecordEvent& newer = m_history.event(rows.constFirst());
        b = Side{*DeviceHistoryModel::settingsOf(newer), newer};
    } else if (m_recorder && m_recorder->lastSettings()) {
        b = Side{settingsrecord::toJson(*m_recorder->lastSettings()), std::nullopt};
    } else {
        showMessage(Text::RecordsNoCurrentRead);
        return;
    }
    m_compareA = a;
    m_compareB = b;
    showComparison();
    showPane(compareTable);
    m_messageText.reset();
    messageLabel->clear();
}

void DeviceRecordsWindow::showPane(QWidget* pane)
{
    QWidget* other = pane == compareTable ? static_cast<QWidget*>(compareBeforeWrite) : compareTable;
    other->hide();
    if (!pane->isHidden())
        return;
    pane->show();
    // Half the list's room; the splitter alone would give it none.
    const int total = m_splitter->height();
    QList<int> sizes(m_splitter->count(), 0);
    sizes[0] = total - total / 2;
    sizes[m_splitter->indexOf(pane)] = total / 2;
    m_splitter->setSizes(sizes);
}

void DeviceRecordsWindow::showComparison()
{
    const QStringList& keys = settingsrecord::keys();
    const QStringList changed = settingsrecord::changedKeys(m_compareA->settings, m_compareB->settings);
    compareTable->setHorizontalHeaderLabels({ToolTexts::text(Text::RecordsCompareField, m_language),
                                             sideTitle(*m_compareA), sideTitle(*m_compareB)});
    for (int row = 0; row < keys.size(); ++row) {
        const QString& key = keys.at(row);
        const QStringList cells = {DeviceHistoryModel::fieldCaption(key, m_language),
                                   DeviceHistoryModel::valueText(m_compareA->settings, key, m_language),
                                   DeviceHistoryModel::valueText(m_compareB->settings, key, m_language)};
        const bool differs = changed.contains(key);
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            if (differs) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                item->setBackground(kChangedBackground);
            }
            compareTable->setItem(row, column, item);
        }
    }
}

void DeviceRecordsWindow::loadSelected()
{
    const QList<int> rows = selectedSettingsRows();
    if (rows.size() != 1) {
        showMessage(Text::RecordsLoadHint);
        return;
    }
    const RecordEvent& event = m_history.event(rows.constFirst());
    const std::optional<RecordedSettings> recorded =
        settingsrecord::fromJson(*DeviceHistoryModel::settingsOf(event));
    if (!recorded) {
        showMessage(Text::RecordsLoadHint);
        return;
    }
    emit loadRequested(*recorded);
    showMessage(Text::RecordsLoaded, {DeviceHistoryModel::kindText(event, m_language) + u' ' +
                                      DeviceHistoryModel::timeText(event)});
}

void DeviceRecordsWindow::assignTagToSelected()
{
    const QList<int> rows = selectedRows();
    const std::optional<QString> tag = recordtag::normalized(assignTagEdit->text());
    if (!m_recorder || rows.isEmpty()) {
        showMessage(Text::RecordsAssignHint);
        return;
    }
    if (!tag) {
        showMessage(Text::RecordsInvalidTag, {assignTagEdit->text()});
        return;
    }
    QList<QUuid> ids;
    for (const int row : rows)
        ids.append(m_history.event(row).id);
    // The listener takes the event in, and the history follows it.
    m_recorder->assignTag(ids, *tag);
    assignTagEdit->clear();
}

void DeviceRecordsWindow::exportHistory(ExportFormat format)
{
    const auto text = [this](Text t) { return ToolTexts::text(t, m_language); };
    Dialogs::FileRequest request;
    request.title = text(Text::RecordsExportTitle);
    request.folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const bool csv = format == ExportFormat::Csv;
    request.filter = text(csv ? Text::RecordsCsvFilter : Text::RecordsJsonFilter);
    request.defaultSuffix = csv ? QStringLiteral("csv") : QStringLiteral("json");
    const QString path = Dialogs::current().saveFileName(this, request);
    if (!path.isEmpty())
        exportTo(path, format);
}

bool DeviceRecordsWindow::exportTo(const QString& path, ExportFormat format)
{
    const QList<RecordEvent> events =
        m_store && m_store->canRead() ? m_store->history(m_tag) : QList<RecordEvent>();
    const QByteArray bytes = format == ExportFormat::Csv ? recordexport::csv(events)
                             : m_store                   ? recordexport::json(*m_store, events)
                                                         : QByteArrayLiteral("[]");
    QString error;
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!FileReplacement::replace(path, bytes, &error)) {
        showMessage(Text::RecordsExportFailed, {shownPath, error});
        Dialogs::current().message(this, Dialogs::MessageType::Error, windowTitle(), message());
        return false;
    }
    showMessage(Text::RecordsExported, {QString::number(events.size()), shownPath});
    return true;
}

void DeviceRecordsWindow::setCertificateBusy(bool busy)
{
    m_certificateBusy = busy;
    updateButtons();
}

std::optional<RecordedSettings> DeviceRecordsWindow::lastAsLeft() const
{
    if (!m_store || !m_store->canRead() || m_tag.isEmpty())
        return std::nullopt;
    // Recent: a few pages of the history at most.
    constexpr int kLookBack = 1000;
    for (const RecordEvent& e : m_store->history(m_tag, 0, kLookBack)) {
        if (e.isKind(RecordEvent::SettingsRead) && e.data.value(QStringLiteral("asLeft")).toBool())
            return settingsrecord::fromJson(e.data.value(QStringLiteral("settings")).toObject());
    }
    return std::nullopt;
}

void DeviceRecordsWindow::compareBeforeWriting()
{
    if (!m_controlsSettings)
        return;
    compareBeforeWrite->compare(
        {m_controlsSettings(), m_recorder ? m_recorder->lastSettings() : std::nullopt, lastAsLeft()});
    showPane(compareBeforeWrite);
}
