#include "app/compare_before_write.h"

#include "app/device_history_model.h"
#include "app/tool_texts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CompareBeforeWrite::CompareBeforeWrite(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("compareBeforeWrite"));
    compareBeforeWriteTable = new QTableWidget(int(settingsrecord::keys().size()), SideCount + 1, this);
    compareBeforeWriteTable->setObjectName(QStringLiteral("compareBeforeWriteTable"));
    compareBeforeWriteTable->verticalHeader()->hide();
    compareBeforeWriteTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    compareBeforeWriteTable->setSelectionMode(QAbstractItemView::SingleSelection);
    compareBeforeWriteTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    takeButton = new QPushButton(this);
    takeButton->setObjectName(QStringLiteral("takeButton"));
    hintLabel = new QLabel(this);
    hintLabel->setObjectName(QStringLiteral("hintLabel"));
    hintLabel->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(takeButton);
    buttons->addWidget(hintLabel, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(compareBeforeWriteTable, 1);
    layout->addLayout(buttons);
    connect(takeButton, &QPushButton::clicked, this, &CompareBeforeWrite::takeSelected);
    connect(compareBeforeWriteTable, &QTableWidget::cellDoubleClicked, this,
            &CompareBeforeWrite::takeSelected);
    applyLanguage(m_language);
}

void CompareBeforeWrite::applyLanguage(Language language)
{
    m_language = language;
    using Text = ToolTexts::Text;
    compareBeforeWriteTable->setHorizontalHeaderLabels({ToolTexts::text(Text::RecordsCompareField, language),
                                                        ToolTexts::text(Text::CompareControls, language),
                                                        ToolTexts::text(Text::CompareTransmitter, language),
                                                        ToolTexts::text(Text::CompareAsLeft, language)});
    takeButton->setText(ToolTexts::text(Text::CompareTake, language));
    hintLabel->setText(ToolTexts::text(Text::CompareTakeHint, language));
    fill();
}

void CompareBeforeWrite::compare(const std::array<std::optional<RecordedSettings>, SideCount>& sides)
{
    m_sides = sides;
    fill();
}

void CompareBeforeWrite::fill()
{
    const QStringList& keys = settingsrecord::keys();
    std::array<QJsonObject, SideCount> json;
    for (int side = 0; side < SideCount; ++side) {
        if (m_sides[side])
            json[side] = settingsrecord::toJson(*m_sides[side]);
    }
    for (int row = 0; row < keys.size(); ++row) {
        const QString& key = keys.at(row);
        bool differs = false;
        for (int side = 1; side < SideCount; ++side) {
            if (m_sides[side] && m_sides[Controls] && json[side].value(key) != json[Controls].value(key))
                differs = true;
        }
        auto* caption = new QTableWidgetItem(DeviceHistoryModel::fieldCaption(key, m_language));
        compareBeforeWriteTable->setItem(row, 0, caption);
        for (int side = 0; side < SideCount; ++side) {
            auto* item = new QTableWidgetItem(
                m_sides[side] ? DeviceHistoryModel::valueText(json[side], key, m_language)
                              : ToolTexts::text(ToolTexts::Text::CompareNone, m_language));
            compareBeforeWriteTable->setItem(row, side + 1, item);
        }
        if (differs) {
            for (int column = 0; column <= SideCount; ++column) {
                QTableWidgetItem* item = compareBeforeWriteTable->item(row, column);
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                item->setBackground(QColor(0xFF, 0xE4, 0xA8));
            }
        }
    }
}

void CompareBeforeWrite::takeSelected()
{
    const int row = compareBeforeWriteTable->currentRow();
    const int side = compareBeforeWriteTable->currentColumn() - 1;
    if (row < 0 || (side != Transmitter && side != AsLeft) || !m_sides[side] || !m_sides[Controls]) {
        hintLabel->setText(ToolTexts::text(ToolTexts::Text::CompareTakeHint, m_language));
        return;
    }
    const QString key = settingsrecord::keys().at(row);
    const RecordedSettings taken = settingsrecord::withField(*m_sides[Controls], key, *m_sides[side]);
    const QString value = compareBeforeWriteTable->item(row, side + 1)->text();
    const QString caption = compareBeforeWriteTable->item(row, 0)->text();
    m_sides[Controls] = taken;
    fill();
    hintLabel->setText(ToolTexts::text(ToolTexts::Text::CompareTaken, m_language).arg(caption, value));
    emit fieldTaken(taken, key, value);
}
