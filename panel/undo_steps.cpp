#include "undo_steps.h"

#include "live_lighting.h"
#include "picture_view.h"
#include "side_panel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QAbstractSlider>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <new>
#include <utility>

namespace gloamery::panel {

namespace {

// How long continuous changes must pause before they count as one step:
// longer than the gaps of a steady drag or of typing.
constexpr int kRestMs = 400;

// What each control's change is called on the status line.
QString controlName(const QObject& control)
{
    if (const QVariant named = control.property(kStepName); named.isValid()) return named.toString();
    const QString objectName = control.objectName();
    if (objectName == QLatin1String("X0") || objectName == QLatin1String("Y0")) return QObject::tr("Sun position");
    if (objectName == QLatin1String("Alt")) return QObject::tr("Decay");
    if (objectName == QLatin1String("HScroll1")) return QObject::tr("Texture contrast");
    if (objectName == QLatin1String("HScroll2")) return QObject::tr("Darkness");
    if (objectName == QLatin1String("SwiBlur")) return QObject::tr("Blur");
    if (objectName.startsWith(QLatin1String("Option"))) return QObject::tr("Blend mode");
    if (objectName == QLatin1String("Azimuth")) return QObject::tr("Azimuth");
    if (objectName == QLatin1String("Altitude")) return QObject::tr("Altitude");
    if (objectName == QLatin1String("SunSize")) return QObject::tr("Sun size");
    if (objectName == QLatin1String("Sky")) return QObject::tr("Sky");
    if (objectName.startsWith(QLatin1String("Ground")) || objectName == QLatin1String("Vertical")) return QObject::tr("Units");
    return {};
}

// Whether a key press is one of the history's own keys, which a text field
// would otherwise take for its private undo.
bool isHistoryKey(const QKeyEvent& key)
{
    const QKeyCombination pressed = key.keyCombination();
    for (const QKeySequence& s : {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                  QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (s[0] == pressed) return true;
    return false;
}

QString menuCaption(const QAction& a)
{
    QString text = a.text();
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QLatin1String("..."))) text.chop(3);
    return text;
}

} // namespace

QString operationCaption(const OperationRow& row)
{
    return QCoreApplication::translate("QObject", std::string(row.caption).c_str());
}

QString shadowCaption(ShadowMode mode) { return operationCaption(operationOf(mode)); }

UndoSteps::UndoSteps(Panel panel, QWidget& window, Prompts& prompts)
    : QObject(&window), panel_(std::move(panel)), window_(window), undo_(new QAction(tr("&Undo"), &window)),
      redo_(new QAction(tr("&Redo"), &window)), rest_(new QTimer(this))
{
    undo_->setObjectName(QStringLiteral("actUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_->setObjectName(QStringLiteral("actRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(undo_, &QAction::triggered, this, &UndoSteps::undo);
    connect(redo_, &QAction::triggered, this, &UndoSteps::redo);
    window.addActions({undo_, redo_});

    rest_->setSingleShot(true);
    rest_->setInterval(kRestMs);
    connect(rest_, &QTimer::timeout, this, &UndoSteps::rested);

    auto show = std::move(prompts.showMenu);
    prompts.showMenu = [this, show](QMenu& menu, const QPoint& at) {
        QAction* chosen = show ? show(menu, at) : nullptr;
        menuItem_ = chosen ? menuCaption(*chosen) : QString();
        return chosen;
    };
    watch(window);
    record(QString());
}

UndoSteps::~UndoSteps() = default;

void UndoSteps::setRestInterval(int ms) { rest_->setInterval(ms); }

// Every control whose change counts, and the left button on the height map
// (a drag is one step, however long).
void UndoSteps::watch(QWidget& window)
{
    for (QLineEdit* e : window.findChildren<QLineEdit*>()) {
        // Ctrl+Z in a field works the panel's history, not the field's own.
        e->installEventFilter(this);
        if (const QString name = controlName(*e); !name.isEmpty())
            connect(e, &QLineEdit::textChanged, this, [this, name] { changed(name); });
    }
    for (QAbstractSlider* s : window.findChildren<QAbstractSlider*>())
        if (const QString name = controlName(*s); !name.isEmpty())
            connect(s, &QAbstractSlider::valueChanged, this, [this, name] { changed(name); });
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (const QString name = controlName(*b); !name.isEmpty() && b->isCheckable())
            connect(b, &QAbstractButton::toggled, this, [this, name] { changed(name); });
    for (QComboBox* c : window.findChildren<QComboBox*>()) {
        c->installEventFilter(this); // an editable list takes the keys for its text
        if (const QString name = controlName(*c); !name.isEmpty())
            connect(c, &QComboBox::currentTextChanged, this, [this, name] { changed(name); });
    }
    for (PictureView* v : window.findChildren<PictureView*>()) {
        // Their own menu opens on a right press; the window's must not follow.
        v->setContextMenuPolicy(Qt::PreventContextMenu);
        if (v->slot() != Slot::Height) continue;
        connect(v, &PictureView::pressed, this, [this](Slot, Qt::MouseButton button) {
            if (button == Qt::LeftButton) dragging_ = true;
        });
        connect(v, &PictureView::released, this, [this] {
            dragging_ = false;
            if (!pending_.isEmpty()) rest_->start();
        });
    }
}

bool UndoSteps::eventFilter(QObject* watched, QEvent* event)
{
    // Left unaccepted, the override lets the window's shortcut run.
    if (event->type() == QEvent::ShortcutOverride && isHistoryKey(*static_cast<QKeyEvent*>(event))) return true;
    return QObject::eventFilter(watched, event);
}

void UndoSteps::nameActions()
{
    const auto name = [](const char* verb, bool can, const std::string& label) {
        if (!can || label.empty()) return tr(verb);
        return tr("%1 %2").arg(tr(verb), QString::fromStdString(label));
    };
    undo_->setText(name("&Undo", history_.canUndo(), history_.undoLabel()));
    redo_->setText(name("&Redo", history_.canRedo(), history_.redoLabel()));
}

void UndoSteps::changed(const QString& label)
{
    if (commands_ > 0) return; // part of the command's step
    if (pending_.isEmpty()) pending_ = label;
    else if (!pending_.split(QStringLiteral(", ")).contains(label)) pending_ += QStringLiteral(", ") + label;
    rest_->start();
}

// The changes are one step once the pointer is up and the live relight
// they started has ended.
void UndoSteps::rested()
{
    if (pending_.isEmpty()) return;
    if (dragging_ || !panel_.live.idle()) {
        rest_->start();
        return;
    }
    flush();
}

void UndoSteps::flush()
{
    rest_->stop();
    if (!pending_.isEmpty()) record(std::exchange(pending_, QString()));
}

void UndoSteps::record(const QString& label)
{
    // A relight that started while a command waited on a dialog may still
    // be writing the pictures.
    const auto ws = panel_.live.access();
    const Settings settings = panel_.settings();
    try {
        history_.record(*ws, settings, label.toStdString());
    } catch (const std::bad_alloc&) {
        // The oldest steps make room; without room even then, the step is
        // not kept and the user is told.
        const std::size_t budget = history_.budget();
        history_.setBudget(0);
        history_.setBudget(budget);
        try {
            history_.record(*ws, settings, label.toStdString());
        } catch (const std::bad_alloc&) {
            panel_.reporter.status(tr("Not enough memory to keep \"%1\" for undo").arg(label).toStdString());
        }
    }
    nameActions();
}

void UndoSteps::undo()
{
    flush();
    const QString label = QString::fromStdString(history_.undoLabel());
    const PanelState* state = history_.undo();
    if (!state) {
        panel_.reporter.status(tr("Nothing to undo").toStdString());
        return;
    }
    if (!show(*state)) {
        history_.redo(); // still where it was
        return;
    }
    nameActions();
    panel_.reporter.status(tr("Undone: %1").arg(label).toStdString());
}

void UndoSteps::redo()
{
    flush();
    const PanelState* state = history_.redo();
    if (!state) {
        panel_.reporter.status(tr("Nothing to redo").toStdString());
        return;
    }
    if (!show(*state)) {
        history_.undo();
        return;
    }
    nameActions();
    panel_.reporter.status(tr("Redone: %1").arg(QString::fromStdString(state->label)).toStdString());
}

bool UndoSteps::show(const PanelState& state)
{
    try {
        History::restore(state, *panel_.live.access());
    } catch (const std::bad_alloc&) {
        // Only a change of map size allocates; the workspace is as it was.
        panel_.reporter.status(tr("Not enough memory to go back to a %1 \u00d7 %2 map")
                                   .arg(state.heights.width()).arg(state.heights.height()).toStdString());
        return false;
    }
    panel_.apply(state.settings);
    panel_.refresh();
    return true;
}

UndoSteps::Step UndoSteps::menuStep(Slot slot)
{
    QString where;
    for (PictureView* v : window_.findChildren<PictureView*>())
        if (v->slot() == slot) where = v->toolTip();
    return Step(*this, [this, where] { return where.isEmpty() ? menuItem_ : tr("%1 on %2").arg(menuItem_, where); });
}

UndoSteps::Step::Step(UndoSteps& steps, std::function<QString()> label) : steps_(steps), label_(std::move(label))
{
    if (steps_.commands_++ == 0) steps_.flush();
}

UndoSteps::Step::~Step()
{
    if (--steps_.commands_ == 0) steps_.record(label_());
}

} // namespace gloamery::panel
