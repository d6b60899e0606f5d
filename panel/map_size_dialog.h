#pragma once
// Asks for a map size: width and height, each 1..16384. Any text may be
// typed; OK refuses a side that is no whole number in that range with a
// message naming the range, and the dialog stays open to mend it.

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

class QLineEdit;

namespace gloamery::panel {

// A side as typed: the number, or the message refusing it. `what` names
// the side ("width", "height").
std::variant<int, QString> readMapSide(const QString& what, const QString& typed);

class MapSizeDialog final : public QDialog {
    Q_OBJECT
public:
    using Refuse = std::function<void(QWidget* parent, const QString& text)>;

    // refuse shows why a typed size was not taken.
    MapSizeDialog(QSize current, Refuse refuse, QWidget* parent);

    // The size typed, or nothing while either side is refused.
    std::optional<QSize> chosen() const;

    void accept() override;

    // The size chosen, or nothing when cancelled.
    static std::optional<QSize> ask(QWidget* parent, QSize current, Refuse refuse);

private:
    QLineEdit* width_;
    QLineEdit* height_;
    Refuse refuse_;
};

} // namespace gloamery::panel
