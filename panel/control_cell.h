#pragma once
// The designed grid's free cell: the heading, the buttons of every stage,
// the sun's position and the decay, the texture contrast and darkness bars,
// "Blur", the "Blend mode" frame, "Live" and the status line over the
// progress bar, each at its designed place on the panel, with its tooltip
// and in the Tab order. The panel connects the buttons to its handlers.

#include "inputs/controls.h"

#include <QObject>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace gloamery::panel {

class BlendOptions;

class ControlCell final : public QObject {
    Q_OBJECT
public:
    // Makes the cell's widgets on the panel.
    explicit ControlCell(QWidget& panel);

    // The cell's controls into c, as they stand (the blend mode included).
    void read(Controls& c) const;
    // Shows them, telling of no change.
    void show(const Controls& c);

    QPushButton& button(const char* name) const;
    BlendOptions& blend() const { return *blend_; }
    QLineEdit& x0() const { return *X0_; }
    QLineEdit& y0() const { return *Y0_; }
    QLineEdit& decay() const { return *Alt_; }
    QScrollBar& contrast() const { return *HScroll1_; }
    QScrollBar& darkness() const { return *HScroll2_; }
    QCheckBox& blur() const { return *SwiBlur_; }
    QCheckBox& live() const { return *Live_; }
    QLabel& heading() const { return *Label4_; }
    QLabel& statusLine() const { return *labWork_; }
    QFrame& bar() const { return *pb_; }
    QLabel& barBox() const { return *pbmax_; }

private:
    void build();
    void describe();

    QWidget& panel_;
    QLabel* Label4_ = nullptr;
    QLineEdit* X0_ = nullptr;
    QLineEdit* Y0_ = nullptr;
    QLineEdit* Alt_ = nullptr;
    QScrollBar* HScroll1_ = nullptr;
    QScrollBar* HScroll2_ = nullptr;
    QCheckBox* SwiBlur_ = nullptr;
    BlendOptions* blend_ = nullptr;
    QLabel* pbmax_ = nullptr;
    QFrame* Shape1_ = nullptr;
    QFrame* pb_ = nullptr;
    QLabel* labWork_ = nullptr;
    QCheckBox* Live_ = nullptr;
};

} // namespace gloamery::panel
