#pragma once
// The blend mode's options: the four of the designed cell's "Blend mode"
// frame (Option1..Option4) and the compositing blends, which the side
// panel's "Colours" group holds, all one choice: ticking one clears the
// others wherever they lie.

#include "workspace/controls.h"

#include <QObject>

#include <utility>
#include <vector>

class QButtonGroup;
class QFormLayout;
class QGroupBox;
class QRadioButton;

namespace gloamery::panel {

class BlendOptions final : public QObject {
    Q_OBJECT
public:
    // Makes Option1..Option4 in the frame, at their designed places,
    // "Multiply" ticked.
    explicit BlendOptions(QGroupBox& frame);

    // The compositing blends, rows of another group's form from row `at`.
    void addCompositing(QFormLayout& form, int at);

    BlendMode mode() const;
    // Ticks the mode's option without telling of a change.
    void show(BlendMode mode);

    // Option1..Option4.
    QRadioButton* designed(int i) const { return options_[static_cast<std::size_t>(i)].first; }
    const std::vector<std::pair<QRadioButton*, BlendMode>>& options() const { return options_; }

signals:
    // Another mode was ticked.
    void chosen();

private:
    QRadioButton* add(QRadioButton* option, BlendMode mode);

    QButtonGroup* group_;
    std::vector<std::pair<QRadioButton*, BlendMode>> options_;
};

} // namespace gloamery::panel
