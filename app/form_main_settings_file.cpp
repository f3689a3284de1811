#include "app/form_main.h"

#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>

// The settings file buttons: the file's values are taken from the settings
// and limit outputs pages and put back into them; SettingsFile does the rest.

namespace {

// The captions the potentiometer and two-wire buttons have before any
// measurement: a loaded file holds none of their values.
const QString kPotiCal0Caption = QStringLiteral("0%");
const QString kPotiCal100Caption = QStringLiteral("100%");
const QString kTwoWireCaption = QStringLiteral("R = xxx,xx ohm");

void showError(QWidget* window, const QString& text)
{
    Dialogs::current().message(window, Dialogs::MessageType::Error, window->windowTitle(), text);
}

} // namespace

void TForm_Main::connectSettingsFileHandlers()
{
    connect(Button_FileMentes, &QPushButton::clicked, this, &TForm_Main::Button_FileMentesClick);
    connect(Button_FileMegnyitas, &QPushButton::clicked, this, &TForm_Main::Button_FileMegnyitasClick);
}

Dialogs::FileRequest TForm_Main::settingsFileRequest(LanguageTable::Text title) const
{
    using Text = LanguageTable::Text;
    Dialogs::FileRequest request;
    request.title = m_languageTable.text(title);
    // Always the configured folder, not the one the user went to last.
    request.folder = sUtolsoFileUtvonal;
    request.filter =
        m_languageTable.text(DeviceModel == dmKV4620 ? Text::FileFilterKV4620 : Text::FileFilterKV4820);
    request.defaultSuffix = QString::fromLatin1(SettingsFile::Extension);
    return request;
}

void TForm_Main::showLastUsedFile(const QString& path)
{
    GroupBox_Beallitasok->setTitle(m_languageTable.text(LanguageTable::Text::LastFile) +
                                   QFileInfo(path).fileName());
}

SettingsFileValues TForm_Main::settingsFileValues() const
{
    SettingsFileValues v;
    v.wires = RadioGroup_VezetekSzam->ItemIndex();
    v.inputMode = RadioGroup_Uzemmod->ItemIndex();
    v.outputType = RadioGroup_AnalogKimTipus->ItemIndex();
    v.errorLevel = RadioGroup_AnalogKimHibajelzes->ItemIndex();
    v.noErrorOnOverflow = CheckBox_NemHibaAKimenetTulcsordulas->isChecked();
    v.averaging = RadioGroup_Atlagolas->ItemIndex();
    v.scaleLow = LabeledEdit_AramL->text();
    v.scaleHigh = LabeledEdit_AramH->text();
    const auto limits = limitControls();
    for (std::size_t i = 0; i < limits.size(); ++i) {
        const LimitControls& c = limits.at(i);
        v.limits.at(i) = {c.mode->ItemIndex(), c.low->text(), c.high->text(), c.hysteresis->text(),
                          c.holdMode->ItemIndex()};
    }
    return v;
}

// Through the controls' own setters, so each change runs its change handler
// as the user's would; a value equal to the one shown changes nothing.
void TForm_Main::applySettingsFileValues(const SettingsFileValues& v, const QString& path)
{
    RadioGroup_VezetekSzam->setItemIndex(v.wires);
    RadioGroup_Uzemmod->setItemIndex(v.inputMode);
    RadioGroup_AnalogKimTipus->setItemIndex(v.outputType);
    RadioGroup_AnalogKimHibajelzes->setItemIndex(v.errorLevel);
    CheckBox_NemHibaAKimenetTulcsordulas->setChecked(v.noErrorOnOverflow);
    RadioGroup_Atlagolas->setItemIndex(v.averaging);
    LabeledEdit_AramL->setText(v.scaleLow);
    LabeledEdit_AramH->setText(v.scaleHigh);
    showLastUsedFile(path);
    const auto limits = limitControls();
    for (std::size_t i = 0; i < limits.size(); ++i) {
        const LimitControls& c = limits.at(i);
        const LimitOutputValues& limit = v.limits.at(i);
        c.mode->setItemIndex(limit.mode);
        c.low->setText(limit.low);
        c.high->setText(limit.high);
        c.hysteresis->setText(limit.hysteresis);
        c.holdMode->setItemIndex(limit.holdMode);
    }
}

void TForm_Main::Button_FileMentesClick()
{
    using Text = LanguageTable::Text;
    SaveDialog1 = settingsFileRequest(Text::SaveDialogTitle);
    const QString path = Dialogs::current().saveFileName(this, SaveDialog1);
    if (path.isEmpty())
        return;
    QString error;
    SettingsFile::WriteFailure failure = SettingsFile::WriteFailure::None;
    if (!SettingsFile::write(path, DeviceModel, settingsFileValues(), SettingsFile::today(), &error,
                             SettingsFile::Parts::All, &failure)) {
        // The dialog gives no reason; whoever started the program from a
        // terminal gets it there.
        qWarning("Settings not saved to %s: %s", qPrintable(path), qPrintable(error));
        // Write protection and free space have nothing to do with a file
        // that was refused for what it is.
        showError(this, failure == SettingsFile::WriteFailure::NotSettingsFile
                            ? m_languageTable.text(Text::NotSettingsFile)
                            : m_languageTable.text(Text::SavingError) + QStringLiteral("\n\r") +
                                  m_languageTable.text(Text::SavingErrorHint));
        return;
    }
    showLastUsedFile(path);
    recordSettingsFile(path, true);
}

void TForm_Main::Button_FileMegnyitasClick()
{
    using Text = LanguageTable::Text;
    OpenDialog1 = settingsFileRequest(Text::OpenDialogTitle);
    const QString path = Dialogs::current().openFileName(this, OpenDialog1);
    if (path.isEmpty())
        return;
    const SettingsFile::Loaded loaded = SettingsFile::read(path, DeviceModel);
    switch (loaded.status) {
    case SettingsFile::Status::Unreadable:
        qWarning("Settings not read from %s: %s", qPrintable(path), qPrintable(loaded.error));
        showError(this, LanguageTable::fileCorruptText());
        return;
    case SettingsFile::Status::WrongModel:
        showError(this, m_languageTable.text(DeviceModel == dmKV4620 ? Text::WrongModelKV4620
                                                                     : Text::WrongModelKV4820));
        return;
    case SettingsFile::Status::Loaded:
        break;
    }
    for (TSpeedButton* button : {SpeedButton_PotiCal0, SpeedButton_PotiCal100, SpeedButton_2VezRKiejtes})
        button->setCaptionBold(false);
    SpeedButton_PotiCal0->setText(kPotiCal0Caption);
    SpeedButton_PotiCal100->setText(kPotiCal100Caption);
    SpeedButton_2VezRKiejtes->setText(kTwoWireCaption);
    applySettingsFileValues(loaded.values, path);
    recordSettingsFile(path, false);
}
