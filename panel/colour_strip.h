#pragma once
// The colour table "Tint" would use, shown as a strip of its colours from
// its lowest entry to its highest (a table of percentages over 0..100 %),
// as the table and the colour entries' rule colour them. A table that
// cannot be read shows no strip, and its tooltip says why.

#include "workspace/controls.h"

#include <QLabel>

namespace gloamery::panel {

class ColourStrip final : public QLabel {
    Q_OBJECT
public:
    static constexpr int kWidth = 180;
    static constexpr int kHeight = 12;

    explicit ColourStrip(QWidget* parent = nullptr);

    // Reads the table (a shipped one's name or a file) and draws it.
    void showTable(const QString& nameOrPath, ColourEntries entries);
};

} // namespace gloamery::panel
