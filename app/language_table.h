#pragma once

#include "device/live_display.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

enum class Language
{
    English,
    Hungarian
};

// The user-interface texts in English and Hungarian. The fixed data holds
// both languages; the entries hold the texts of the language applied last
// and are empty before the first application.
//
// Caption rows are the captions and labels put on controls, numbered 1 to 41
// in the order they are set. Item lists are the radio-group items that
// depend on the language. Texts are read by the code that needs them at the
// moment it needs them (titles, filters, messages).
class LanguageTable
{
public:
    struct CaptionRow
    {
        int number = 0;
        // Object names of the controls that all get this text.
        QStringList controls;
        QString english;
        QString hungarian;
    };

    enum class ItemList
    {
        LimitMode,
        HoldMode,
        InputMode
    };
    static constexpr int ItemListCount = 3;

    struct ItemRow
    {
        ItemList list = ItemList::LimitMode;
        QStringList controls;
        QStringList english;
        QStringList hungarian;
    };

    enum class Text
    {
        WindowTitleKV4820,
        WindowTitleKV4620,
        FileFilterKV4820,
        FileFilterKV4620,
        WrongModelKV4820,
        WrongModelKV4620,
        SaveDialogTitle,
        SavingError,
        SavingErrorHint,
        OpenDialogTitle,
        LastFile,
        WirePrefix,
        DeviceError1,
        DeviceError2,
        DeviceError4,
        DeviceError5,
        // A save refused because the file there is no settings file.
        NotSettingsFile,
    };
    static constexpr int TextCount = int(Text::NotSettingsFile) + 1;

    static constexpr int CaptionRowCount = 41;

    // The language group's item texts: "English" (item 0) and "Magyar" (item 1).
    static QString languageItemText(Language language);
    // The language a language item's text names, compared in lower case;
    // none for any other text.
    static std::optional<Language> languageOf(const QString& languageText);

    // Fixed data.
    static const QList<CaptionRow>& captionRows();
    static const CaptionRow& captionRow(int number);
    static const QList<ItemRow>& itemRows();
    static const ItemRow& itemRow(ItemList list);
    static QString value(Text text, Language language);

    // Texts kept outside the entries.
    static QString firmwareIncompatibleText(Language language);
    // Shown in Hungarian whatever the language.
    static QString fileCorruptText();
    // The language button names the other language.
    static QString languageButtonCaption(const QString& currentLanguage);

    LanguageTable();

    // Copies the values of the language that languageText names into the
    // entries: a text that names neither language leaves them as they were.
    void apply(const QString& languageText);
    void apply(Language language);

    // Entries.
    QString caption(int number) const;
    QStringList items(ItemList list) const;
    QString text(Text text) const;
    // The error label's text for a transmitter error number; empty for
    // numbers without a text.
    QString deviceErrorText(int errorNumber) const;
    // The entries the live display puts on its texts.
    LiveDisplay::Texts liveDisplayTexts() const;

private:
    std::array<QString, CaptionRowCount> m_captions;
    std::array<QStringList, ItemListCount> m_items;
    std::array<QString, TextCount> m_texts;
};
