#include "settings_commands.h"

#include "imageio/qt/picture_io.h"
#include "settings/settings_file.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <bit>
#include <charconv>

namespace gloamery::panel {

namespace {

const QString kFilter = QObject::tr("Settings (*.json);;All files (*)");
const QString kLastFileKey = QStringLiteral("settingsFile");

QSettings store() { return QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")); }

bool sameNumber(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

QString askPath(QWidget* parent, const QString& suggested, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, mode == QFileDialog::AcceptSave ? QObject::tr("Save settings") : QObject::tr("Load settings"),
                       QString(), kFilter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first() : QString();
}

// The texts of a settings file, or why they cannot be written.
std::variant<Settings, Error> withCTexts(Settings s)
{
    Controls& c = s.controls;
    for (auto [text, name] : {std::pair{&c.x0, "X0"}, std::pair{&c.y0, "Y0"}, std::pair{&c.alt, "Decay"}}) {
        const auto written = cLocaleText(*text);
        if (!written) return Error{std::string(name) + " must be a finite number, not \"" + *text + "\"."};
        *text = *written;
    }
    return s;
}

// The file's texts as the boxes show them; those the file left as they
// were stay as typed.
Settings withUserTexts(Settings s, const Settings& base, const Settings& typed)
{
    const auto field = [](Settings& x, int i) -> std::string& {
        return i == 0 ? x.controls.x0 : i == 1 ? x.controls.y0 : x.controls.alt;
    };
    Settings b = base, t = typed;
    for (int i = 0; i < 3; ++i) field(s, i) = field(s, i) == field(b, i) ? field(t, i) : userLocaleText(field(s, i));
    return s;
}

} // namespace

std::optional<std::string> cLocaleText(const std::string& typed)
{
    const std::optional<double> value = localeNumberParser()(typed);
    if (!value) return std::nullopt;
    if (const auto c = parseCNumber(typed); c && sameNumber(*c, *value)) return typed;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, *value).ptr;
    return std::string(text, end);
}

std::string userLocaleText(const std::string& cText)
{
    const std::optional<double> value = parseCNumber(cText);
    if (!value) return cText;
    if (const auto shown = localeNumberParser()(cText); shown && sameNumber(*shown, *value)) return cText;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(*value, 'g', QLocale::FloatingPointShortest).toStdString();
}

SettingsCommands::SettingsCommands(Panel panel, QWidget& window)
    : QObject(&window), panel_(std::move(panel)), window_(window),
      save_(new QAction(tr("&Save settings..."), &window)), load_(new QAction(tr("&Load settings..."), &window))
{
    askSavePath = [](QWidget* parent, const QString& suggested) { return askPath(parent, suggested, QFileDialog::AcceptSave); };
    askOpenPath = [](QWidget* parent, const QString& suggested) { return askPath(parent, suggested, QFileDialog::AcceptOpen); };
    save_->setObjectName(QStringLiteral("actSaveSettings"));
    save_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    load_->setObjectName(QStringLiteral("actLoadSettings"));
    load_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(save_, &QAction::triggered, this, &SettingsCommands::save);
    connect(load_, &QAction::triggered, this, &SettingsCommands::load);
    auto* separator = new QAction(&window);
    separator->setSeparator(true);
    window.addActions({separator, save_, load_});
}

QString SettingsCommands::lastFile() { return store().value(kLastFileKey).toString(); }

void SettingsCommands::save()
{
    const QString path = askSavePath(&window_, lastFile());
    if (!path.isEmpty()) saveTo(path);
}

void SettingsCommands::load()
{
    const QString path = askOpenPath(&window_, lastFile());
    if (!path.isEmpty()) loadFrom(path);
}

bool SettingsCommands::saveTo(const QString& path)
{
    panel_.undo.flush(); // the live relight in progress ends with the controls it read
    auto settings = withCTexts(panel_.settings());
    Refusal refused = std::holds_alternative<Error>(settings) ? std::get<Error>(settings)
                                                              : writeSettingsFile(path.toStdString(), std::get<Settings>(settings));
    if (refused) {
        panel_.message(tr("Cannot save the settings to %1: %2").arg(path, QString::fromStdString(refused->message)));
        return false;
    }
    store().setValue(kLastFileKey, QFileInfo(path).absoluteFilePath());
    panel_.reporter.status(tr("Settings saved to %1").arg(QFileInfo(path).fileName()).toStdString());
    return true;
}

bool SettingsCommands::loadFrom(const QString& path)
{
    // Keys the file leaves out keep the values the controls have.
    const Settings typed = panel_.settings();
    Settings base = typed;
    for (std::string* text : {&base.controls.x0, &base.controls.y0, &base.controls.alt})
        *text = cLocaleText(*text).value_or(*text);
    const auto read = readSettingsFile(path.toStdString(), base);
    if (const Error* e = std::get_if<Error>(&read)) {
        panel_.message(tr("Cannot load the settings in %1: %2").arg(path, QString::fromStdString(e->message)));
        return false;
    }
    const Settings& s = std::get<Settings>(read);
    const auto step = panel_.undo.step(tr("Load settings"));
    if (s.map && s.map != base.map && !panel_.resize(QSize(s.map->width, s.map->height))) return false;
    panel_.apply(withUserTexts(s, base, typed));
    store().setValue(kLastFileKey, QFileInfo(path).absoluteFilePath());
    panel_.reporter.status(tr("Settings loaded from %1").arg(QFileInfo(path).fileName()).toStdString());
    return true;
}

} // namespace gloamery::panel
